#include "platform/pc_geometry.h"

namespace {

struct PcFormat {
  uint32_t cylinders;
  uint32_t heads;
  uint32_t sectors;
  MEDIA_TYPE media;
};

// All with 512-byte sectors. A 1.68 MB (21-sector) disk is a 3.5-inch
// high-density disk formatted more densely.
constexpr PcFormat kPcFormats[] = {
    {40, 1, 8, F5_160_512},    {40, 1, 9, F5_180_512},    {40, 2, 8, F5_320_512},
    {40, 2, 9, F5_360_512},    {80, 2, 9, F3_720_512},    {80, 2, 15, F5_1Pt2_512},
    {80, 2, 18, F3_1Pt44_512}, {80, 2, 21, F3_1Pt44_512}, {80, 2, 36, F3_2Pt88_512},
};

constexpr uint32_t kPcSectorSize = 512;

uint32_t Little16(const unsigned char* at) { return at[0] | at[1] << 8; }

uint32_t Little32(const unsigned char* at) {
  return Little16(at) | static_cast<uint32_t>(Little16(at + 2)) << 16;
}

uint64_t Bytes(const PcFormat& format) {
  return uint64_t{format.cylinders} * format.heads * format.sectors * kPcSectorSize;
}

DISK_GEOMETRY MakeGeometry(uint64_t cylinders, uint32_t heads, uint32_t sectors,
                           uint32_t bytes_per_sector, MEDIA_TYPE media) {
  DISK_GEOMETRY geometry = {};
  geometry.Cylinders.QuadPart = static_cast<int64_t>(cylinders);
  geometry.MediaType = media;
  geometry.TracksPerCylinder = heads;
  geometry.SectorsPerTrack = sectors;
  geometry.BytesPerSector = bytes_per_sector;
  return geometry;
}

}  // namespace

DISK_GEOMETRY GeometryForCapacity(uint64_t capacity, uint32_t bytes_per_sector) {
  if (bytes_per_sector == kPcSectorSize) {
    for (const PcFormat& format : kPcFormats) {
      if (Bytes(format) == capacity) {
        return MakeGeometry(format.cylinders, format.heads, format.sectors, kPcSectorSize,
                            format.media);
      }
    }
  }
  if (bytes_per_sector == 0) return MakeGeometry(0, 1, 1, 0, RemovableMedia);
  return MakeGeometry(capacity / bytes_per_sector, 1, 1, bytes_per_sector, RemovableMedia);
}

MEDIA_TYPE PcMediaType(uint64_t cylinders, uint32_t heads, uint32_t sectors,
                       uint32_t bytes_per_sector) {
  if (bytes_per_sector != kPcSectorSize) return RemovableMedia;
  for (const PcFormat& format : kPcFormats) {
    if (format.cylinders == cylinders && format.heads == heads && format.sectors == sectors) {
      return format.media;
    }
  }
  return RemovableMedia;
}

bool BootSectorDescribesDmf(const unsigned char (&boot_sector)[512]) {
  // The BIOS parameter block: sector size at 11, sectors in all at 19 (or,
  // when that is 0, at 32), sectors per track at 24, heads at 26.
  const uint32_t bytes_per_sector = Little16(boot_sector + 11);
  const uint32_t short_total = Little16(boot_sector + 19);
  const uint32_t total = short_total != 0 ? short_total : Little32(boot_sector + 32);
  return bytes_per_sector == kPcSectorSize && Little16(boot_sector + 24) == kDmfSectorsPerTrack &&
         Little16(boot_sector + 26) == kDmfHeads && total == kDmfSectors;
}
