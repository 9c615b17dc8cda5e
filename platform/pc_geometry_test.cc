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
