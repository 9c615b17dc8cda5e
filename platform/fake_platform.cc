#include "platform/fake_platform.h"

#include <algorithm>
#include <cstring>

#include "platform/console.h"

namespace {

FakePlatform& State() {
  static FakePlatform state;
  return state;
}

void Log(std::string call) { State().calls.push_back(std::move(call)); }

void PressTransferKeys() {
  FakePlatform& fake = State();
  fake.keys += fake.keys_during_transfer;
  fake.keys_during_transfer.clear();
}

DWORD Moved(long long scripted, DWORD requested) {
  return scripted < 0 ? requested : static_cast<DWORD>(scripted);
}

}  // namespace

FakePlatform& Fake() { return State(); }

void ResetFake() {
  State() = FakePlatform{};
  DISK_GEOMETRY& geometry = State().geometry;
  geometry.Cylinders.QuadPart = 80;
  geometry.MediaType = F3_1Pt44_512;
  geometry.TracksPerCylinder = 2;
  geometry.SectorsPerTrack = 18;
  geometry.BytesPerSector = 512;
}

HANDLE FakeDriveHandle() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(0xfd0)); }

namespace {

HANDLE WINAPI FakeCreateFileA(LPCSTR name, DWORD access, DWORD share,
                              LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                              HANDLE template_file) {
  const bool as_expected = std::strcmp(name, "\\\\.\\A:") == 0 &&
                           access == (GENERIC_READ | GENERIC_WRITE) &&
                           share == (FILE_SHARE_READ | FILE_SHARE_WRITE) && security == nullptr &&
                           disposition == OPEN_EXISTING && flags == 0 && template_file == nullptr;
  Log(as_expected ? "CreateFileA" : "CreateFileA with unexpected arguments");
  return State().open_fails ? INVALID_HANDLE_VALUE : FakeDriveHandle();
}

BOOL WINAPI FakeDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out,
                                DWORD out_size, LPDWORD returned, LPOVERLAPPED overlapped) {
  const bool as_expected = device == FakeDriveHandle() && code == IOCTL_DISK_GET_DRIVE_GEOMETRY &&
                           in == nullptr && in_size == 0 && out != nullptr &&
                           out_size == sizeof(DISK_GEOMETRY) && returned != nullptr &&
                           overlapped == nullptr;
  Log(as_expected ? "DeviceIoControl" : "DeviceIoControl with unexpected arguments");
  if (State().query_fails || !as_expected) return 0;
  std::memcpy(out, &State().geometry, sizeof(DISK_GEOMETRY));
  *returned = sizeof(DISK_GEOMETRY);
  return 1;
}

BOOL WINAPI FakeReadFile(HANDLE device, LPVOID buffer, DWORD length, LPDWORD read,
                         LPOVERLAPPED overlapped) {
  FakePlatform& fake = State();
  Log((device == FakeDriveHandle() && overlapped == nullptr ? "ReadFile " : "ReadFile? ") +
      std::to_string(length));
  PressTransferKeys();
  DWORD moved = Moved(fake.read_count, length);
  moved = static_cast<DWORD>(std::min<size_t>(moved, fake.medium.size()));
  std::memcpy(buffer, fake.medium.data(), moved);
  *read = moved;
  return fake.read_fails ? 0 : 1;
}

BOOL WINAPI FakeWriteFile(HANDLE device, LPCVOID buffer, DWORD length, LPDWORD written,
                          LPOVERLAPPED overlapped) {
  FakePlatform& fake = State();
  Log((device == FakeDriveHandle() && overlapped == nullptr ? "WriteFile " : "WriteFile? ") +
      std::to_string(length));
  PressTransferKeys();
  const DWORD moved = Moved(fake.write_count, length);
  fake.medium.replace(0, std::min<size_t>(moved, fake.medium.size()),
                      static_cast<const char*>(buffer), moved);
  *written = moved;
  return fake.write_fails ? 0 : 1;
}

BOOL WINAPI FakeCloseHandle(HANDLE handle) {
  Log(handle == FakeDriveHandle() ? "CloseHandle" : "CloseHandle?");
  return State().close_fails ? 0 : 1;
}

}  // namespace

#ifdef _WIN32

namespace {

// kernel32's own CloseHandle. Looked up on each call: the runtime may close
// handles from any thread, also while static objects are set up or torn down.
BOOL RealCloseHandle(HANDLE handle) {
  const auto real = reinterpret_cast<decltype(&CloseHandle)>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "CloseHandle")));
  return real(handle);
}

// The C++ runtime and GoogleTest close handles of their own (threads,
// semaphores) through the same import slot as the code under test; those go
// on to kernel32. Everything else is the fake's.
BOOL WINAPI CloseFakeOrRealHandle(HANDLE handle) {
  DWORD flags;
  if (handle != FakeDriveHandle() && handle != INVALID_HANDLE_VALUE && handle != nullptr &&
      GetHandleInformation(handle, &flags)) {
    return RealCloseHandle(handle);
  }
  return FakeCloseHandle(handle);
}

}  // namespace

// Code built against <windows.h> calls kernel32 through import slots named
// __imp_ and the function's name (64-bit Windows). Defining the slots here
// sends every such call in the test program to the fakes, and keeps kernel32's
// import library from supplying them.
extern "C" {
decltype(&CreateFileA) __imp_CreateFileA = FakeCreateFileA;
decltype(&DeviceIoControl) __imp_DeviceIoControl = FakeDeviceIoControl;
decltype(&ReadFile) __imp_ReadFile = FakeReadFile;
decltype(&WriteFile) __imp_WriteFile = FakeWriteFile;
decltype(&CloseHandle) __imp_CloseHandle = CloseFakeOrRealHandle;
}

#else

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file) {
  return FakeCreateFileA(name, access, share, security, disposition, flags, template_file);
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out,
                     DWORD out_size, LPDWORD returned, LPOVERLAPPED overlapped) {
  return FakeDeviceIoControl(device, code, in, in_size, out, out_size, returned, overlapped);
}

BOOL ReadFile(HANDLE device, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped) {
  return FakeReadFile(device, buffer, length, read, overlapped);
}

BOOL WriteFile(HANDLE device, LPCVOID buffer, DWORD length, LPDWORD written,
               LPOVERLAPPED overlapped) {
  return FakeWriteFile(device, buffer, length, written, overlapped);
}

BOOL CloseHandle(HANDLE handle) { return FakeCloseHandle(handle); }

#endif  // _WIN32

int ReadKey() {
  Log("ReadKey");
  std::string& keys = State().keys;
  if (keys.empty()) return -1;
  const int code = static_cast<unsigned char>(keys.front());
  keys.erase(0, 1);
  return code;
}

bool KeyWaiting() { return !State().keys.empty(); }

void BeginLineInput() { Log("BeginLineInput"); }

void EndLineInput() { Log("EndLineInput"); }

bool SyncFile(std::FILE* file) {
  Log("SyncFile");
  return std::fflush(file) == 0 && !State().sync_fails;
}
