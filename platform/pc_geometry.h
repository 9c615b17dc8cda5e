// Disk geometry for devices that report only a size.
#ifndef FLOPPY_IMAGER_PLATFORM_PC_GEOMETRY_H_
#define FLOPPY_IMAGER_PLATFORM_PC_GEOMETRY_H_

#include <cstdint>

#include "platform/raw_drive.h"

// Describes a medium of |capacity| bytes in sectors of |bytes_per_sector|.
// With 512-byte sectors, a capacity of one of the standard PC floppy formats
// (160 KB to 2.88 MB) gets that format's cylinders, heads and sectors per
// track; anything else is |capacity| / |bytes_per_sector| cylinders of one
// track of one sector. The product of the four values is |capacity| whenever
// it is a whole number of sectors.
DISK_GEOMETRY GeometryForCapacity(uint64_t capacity, uint32_t bytes_per_sector);

// The media type of a floppy with these values, or RemovableMedia when they
// are not a standard PC format.
MEDIA_TYPE PcMediaType(uint64_t cylinders, uint32_t heads, uint32_t sectors,
                       uint32_t bytes_per_sector);

// A 1.68 MB distribution disk: 80 cylinders, 2 heads, 21 sectors of 512
// bytes, 3360 sectors in all.
constexpr uint32_t kDmfCylinders = 80;
constexpr uint32_t kDmfHeads = 2;
constexpr uint32_t kDmfSectorsPerTrack = 21;
constexpr uint32_t kDmfSectors = 3360;

// True when |boot_sector| (a medium's first 512 bytes) describes such a disk:
// 512-byte sectors, 21 sectors per track, 2 heads and 3360 sectors in all.
bool BootSectorDescribesDmf(const unsigned char (&boot_sector)[512]);

#endif  // FLOPPY_IMAGER_PLATFORM_PC_GEOMETRY_H_
