#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/console.h"

namespace {

TEST(SyncFileTest, FlushesFilesAndAcceptsDevicesWithNothingToFlush) {
  const std::string path = testing::TempDir() + "floppy-imager-sync-file.img";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite("medium", 1, 6, file), 6u);
  EXPECT_TRUE(SyncFile(file));
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), "medium");  // on its device while still open
  std::fclose(file);
  std::remove(path.c_str());

  // An image read only to see that the medium can be read goes to NUL.
  std::FILE* null_device = std::fopen("NUL", "wb");
  ASSERT_NE(null_device, nullptr);
  ASSERT_EQ(std::fwrite("medium", 1, 6, null_device), 6u);
  EXPECT_TRUE(SyncFile(null_device));
  std::fclose(null_device);
}

}  // namespace
