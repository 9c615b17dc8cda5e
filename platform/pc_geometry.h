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

#endif  // FLOPPY_IMAGER_PLATFORM_PC_GEOMETRY_H_
