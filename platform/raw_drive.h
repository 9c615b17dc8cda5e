// Raw access to a whole disk medium, under the names the Windows API gives
// it. On Windows these are kernel32's own declarations; elsewhere the
// platform layer provides the same small subset itself.
#ifndef FLOPPY_IMAGER_PLATFORM_RAW_DRIVE_H_
#define FLOPPY_IMAGER_PLATFORM_RAW_DRIVE_H_

#ifdef _WIN32
// Without min and max as macros, and without the parts of the API that have
// nothing to do with files and devices.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winioctl.h>
#else

#include <cstdint>

// The calling convention of the functions below; only 32-bit Windows has one.
#define WINAPI

typedef int BOOL;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef const char* LPCSTR;
struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    int32_t HighPart;
  };
  int64_t QuadPart;
};

enum MEDIA_TYPE : int32_t {
  Unknown = 0,
  F5_1Pt2_512 = 1,
  F3_1Pt44_512 = 2,
  F3_2Pt88_512 = 3,
  F3_720_512 = 5,
  F5_360_512 = 6,
  F5_320_512 = 7,
  F5_180_512 = 9,
  F5_160_512 = 10,
  RemovableMedia = 11,
  FixedMedia = 12,
};

struct DISK_GEOMETRY {
  LARGE_INTEGER Cylinders;
  MEDIA_TYPE MediaType;
  DWORD TracksPerCylinder;
  DWORD SectorsPerTrack;
  DWORD BytesPerSector;
};
static_assert(sizeof(DISK_GEOMETRY) == 24, "DISK_GEOMETRY is a 24-byte record");

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define OPEN_EXISTING 3u
#define IOCTL_DISK_GET_DRIVE_GEOMETRY 0x00070000u

// Opens a device. The only device is drive A, named "\\.\A:"; it must exist
// (OPEN_EXISTING). On success the handle is positioned at the medium's first
// byte. Returns INVALID_HANDLE_VALUE when the device cannot be opened with the
// access asked for (no drive, no medium, a write-protected medium).
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file);

// With IOCTL_DISK_GET_DRIVE_GEOMETRY and an output of at least 24 bytes:
// fills *out as a DISK_GEOMETRY, sets *returned to 24 and returns nonzero.
// The geometry always describes the whole medium: Cylinders *
// TracksPerCylinder * SectorsPerTrack * BytesPerSector is its size in bytes.
// Returns 0 for any other request, a device that has no geometry, or a
// failed query. The handle's position does not move.
BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out,
                     DWORD out_size, LPDWORD returned, LPOVERLAPPED overlapped);

// Reads up to |length| bytes from the current position; stops early only at
// the end of the medium. *read holds the count moved, also on failure.
// Returns 0 when the device reported an error.
BOOL ReadFile(HANDLE device, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped);

// Writes |length| bytes at the current position and flushes them to the
// medium before returning. *written holds the count that reached the medium:
// it is less than |length| when the device refused part of the write or the
// flush failed (then nothing written is known to be safe, and it is 0).
// Returns 0 in both of those cases.
BOOL WriteFile(HANDLE device, LPCVOID buffer, DWORD length, LPDWORD written,
               LPOVERLAPPED overlapped);

// Releases the handle. Returns 1 on success, 0 on failure.
BOOL CloseHandle(HANDLE handle);

#endif  // _WIN32

#endif  // FLOPPY_IMAGER_PLATFORM_RAW_DRIVE_H_
