#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "imaging/run_transfer.h"
#include "imaging/transfer.h"
#include "platform/fake_platform.h"
#include "tests/dialogue.h"

namespace {

const std::string& kReport = kSmallMediumReport;
constexpr size_t kMediumSize = kSmallMediumSize;

class FloppyToImageTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetFakeWithSmallMedium();
    Fake().medium = Pattern(kMediumSize);
    image_ = TempPath("disk.img");
  }

  std::string Run() { return Run(image_); }
  std::string Run(const std::string& name) {
    return Dialogue([] { RunTransfer(CopyFloppyToImage); }, name + "\n");
  }

  std::string image_;
};

TEST_F(FloppyToImageTest, WholeMediumBecomesTheImage) {
  EXPECT_EQ(Run(), kReport + "Reading...Read successful\nImage Created\nClosing Handle:1\n");
  EXPECT_EQ(ReadWholeFile(image_), Fake().medium);
  EXPECT_EQ(Fake().calls,
            (std::vector<std::string>{"CreateFileA", "DeviceIoControl", "BeginLineInput",
                                      "EndLineInput", "ReadFile 4096", "SyncFile", "CloseHandle"}));
}

TEST_F(FloppyToImageTest, ExistingImageIsReplacedWhole) {
  WriteWholeFile(image_, std::string(3 * kMediumSize, 'o'));
  Run();
  EXPECT_EQ(ReadWholeFile(image_), Fake().medium);
}

TEST_F(FloppyToImageTest, EmptyMediumGivesEmptyImage) {
  Fake().geometry.Cylinders.QuadPart = 0;
  WriteWholeFile(image_, "old");
  const std::string transcript = Run();
  EXPECT_NE(transcript.find("Disk Size in Bytes:0\nImage file name:Reading...Read successful\n"
                            "Image Created\nClosing Handle:1\n"),
            std::string::npos)
      << transcript;
  EXPECT_TRUE(std::filesystem::exists(image_));
  EXPECT_EQ(ReadWholeFile(image_), "");
}

// Each failure leaves an existing image as it was and still closes the drive.
TEST_F(FloppyToImageTest, FailuresKeepTheExistingImage) {
  struct Case {
    const char* what;
    std::function<void()> script;
    std::string tail;
  };
  const Case cases[] = {
      {"read fails", [] { Fake().read_fails = true; }, "Reading...Closing Handle:1\n"},
      {"read fails after part of the medium",
       [] {
         Fake().read_fails = true;
         Fake().read_count = 1024;
       },
       "Reading...Closing Handle:1\n"},
      {"short read", [] { Fake().read_count = kMediumSize - 1; },
       "Reading...Read successful\nIncorrect number of bytes was read\nClosing Handle:1\n"},
      {"nothing read", [] { Fake().read_count = 0; },
       "Reading...Read successful\nIncorrect number of bytes was read\nClosing Handle:1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    WriteWholeFile(image_, "previous image");
    c.script();
    EXPECT_EQ(Run(), kReport + c.tail);
    EXPECT_EQ(ReadWholeFile(image_), "previous image");
  }
}

TEST_F(FloppyToImageTest, SizeBeyond32BitsIsNeverComplete) {
  // 4 GiB + 4 KiB: the low half asks for 4 KiB, and gets it.
  Fake().geometry.Cylinders.QuadPart = 8388616;
  Fake().geometry.TracksPerCylinder = 1;
  Fake().geometry.SectorsPerTrack = 1;
  WriteWholeFile(image_, "previous image");
  const std::string transcript = Run();
  EXPECT_NE(transcript.find("Disk Size in Bytes:4294971392\nImage file name:Reading..."
                            "Read successful\nIncorrect number of bytes was read\n"
                            "Closing Handle:1\n"),
            std::string::npos)
      << transcript;
  EXPECT_EQ(Fake().calls[4], "ReadFile 4096");
  EXPECT_EQ(ReadWholeFile(image_), "previous image");
}

TEST_F(FloppyToImageTest, UnwritableDestinationIsReported) {
  EXPECT_EQ(Run(TempPath("missing-directory/disk.img")),
            kReport + "Reading...Read successful\nDestination file error\nClosing Handle:1\n");
}

TEST_F(FloppyToImageTest, ImageThatDoesNotReachItsDeviceIsNotReportedAsCreated) {
  Fake().sync_fails = true;
  EXPECT_EQ(Run(),
            kReport + "Reading...Read successful\nDestination file error\nClosing Handle:1\n");
}

}  // namespace
