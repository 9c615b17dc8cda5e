#include "platform/pc_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(GeometryForCapacityTest, PcFormatsAndEverythingElse) {
  struct Case {
    uint64_t capacity;
    uint32_t sector;
    int64_t cylinders;
    uint32_t heads, sectors;
    MEDIA_TYPE media;
  };
  const Case cases[] = {
      {163840, 512, 40, 1, 8, F5_160_512},
      {184320, 512, 40, 1, 9, F5_180_512},
      {327680, 512, 40, 2, 8, F5_320_512},
      {368640, 512, 40, 2, 9, F5_360_512},
      {737280, 512, 80, 2, 9, F3_720_512},
      {1228800, 512, 80, 2, 15, F5_1Pt2_512},
      {1474560, 512, 80, 2, 18, F3_1Pt44_512},
      {1720320, 512, 80, 2, 21, F3_1Pt44_512},
      {2949120, 512, 80, 2, 36, F3_2Pt88_512},
      // Not a PC format: one sector per cylinder.
      {0, 512, 0, 1, 1, RemovableMedia},
      {1474560 + 512, 512, 2881, 1, 1, RemovableMedia},
      {4296015872, 512, 8390656, 1, 1, RemovableMedia},
      {1474560, 4096, 360, 1, 1, RemovableMedia},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    const DISK_GEOMETRY geometry = GeometryForCapacity(c.capacity, c.sector);
    EXPECT_EQ(geometry.Cylinders.QuadPart, c.cylinders);
    EXPECT_EQ(geometry.TracksPerCylinder, c.heads);
    EXPECT_EQ(geometry.SectorsPerTrack, c.sectors);
    EXPECT_EQ(geometry.BytesPerSector, c.sector);
    EXPECT_EQ(geometry.MediaType, c.media);
    EXPECT_EQ(static_cast<uint64_t>(geometry.Cylinders.QuadPart) * geometry.TracksPerCylinder *
                  geometry.SectorsPerTrack * geometry.BytesPerSector,
              c.capacity);
  }
}

}  // namespace

namespace {

// A boot sector with a BIOS parameter block of these values.
struct BootSector {
  unsigned char bytes[512] = {};

  BootSector(uint32_t bytes_per_sector, uint32_t sectors_per_track, uint32_t heads,
             uint32_t total_sectors) {
    Put16(11, bytes_per_sector);
    bytes[13] = 1;  // sectors per cluster
    Put16(14, 1);   // reserved sectors
    bytes[16] = 2;  // FATs
    if (total_sectors < 0x10000) {
      Put16(19, total_sectors);
    } else {
      Put16(32, total_sectors & 0xffff);
      Put16(34, total_sectors >> 16);
    }
    bytes[21] = 0xf0;
    Put16(24, sectors_per_track);
    Put16(26, heads);
    bytes[510] = 0x55;
    bytes[511] = 0xaa;
  }

  void Put16(int at, uint32_t value) {
    bytes[at] = value & 0xff;
    bytes[at + 1] = (value >> 8) & 0xff;
  }
};

TEST(BootSectorDescribesDmfTest, OnlyTheWhole1680KGeometry) {
  struct Case {
    const char* what;
    BootSector sector;
    bool dmf;
  };
  BootSector large_count(512, 21, 2, 0);
  large_count.Put16(32, 3360);  // the count in its 32-bit field
  BootSector random(0, 0, 0, 0);
  unsigned state = 7;
  for (unsigned char& byte : random.bytes) byte = (state = state * 1103515245u + 12345u) >> 16;
  const Case cases[] = {
      {"1.68 MB distribution disk", BootSector(512, 21, 2, 3360), true},
      {"its count in the 32-bit field", large_count, true},
      {"1.44 MB FAT", BootSector(512, 18, 2, 2880), false},
      {"720 KB FAT", BootSector(512, 9, 2, 1440), false},
      {"82 cylinders of 21 sectors", BootSector(512, 21, 2, 3444), false},
      {"21 sectors and 2 heads, but 2880 sectors in all", BootSector(512, 21, 2, 2880), false},
      {"1024-byte sectors", BootSector(1024, 21, 2, 3360), false},
      {"one head", BootSector(512, 21, 1, 3360), false},
      {"all zeros", BootSector(0, 0, 0, 0), false},
      {"random bytes", random, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(BootSectorDescribesDmf(c.sector.bytes), c.dmf);
  }
}

}  // namespace
