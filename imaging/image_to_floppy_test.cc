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
constexpr char kWritten[] = "Reading Image...OK, writing to disk ...\nClosing Handle:1\n";

class ImageToFloppyTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetFakeWithSmallMedium();
    Fake().medium = std::string(kMediumSize, 'm');
    image_ = TempPath("disk.img");
  }

  std::string Run() { return Run(image_); }
  std::string Run(const std::string& name) {
    return Dialogue([] { RunTransfer(CopyImageToFloppy); }, name + "\n");
  }

  bool Wrote() const {
    for (const std::string& call : Fake().calls) {
      if (call.rfind("WriteFile", 0) == 0) return true;
    }
    return false;
  }

  std::string image_;
};

TEST_F(ImageToFloppyTest, ImageOfAnyLengthFillsTheWholeMedium) {
  const std::string image = Pattern(kMediumSize);
  struct Case {
    const char* what;
    std::string file;
    std::string medium;
  };
  const Case cases[] = {
      {"exactly the medium's size", image, image},
      {"shorter: zero bytes after its end", image.substr(0, 1000),
       image.substr(0, 1000) + std::string(kMediumSize - 1000, '\0')},
      {"empty", "", std::string(kMediumSize, '\0')},
      {"longer: cut to the medium", image + "tail of a larger disk", image},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    WriteWholeFile(image_, c.file);
    EXPECT_EQ(Run(), kReport + std::string(kWritten));
    EXPECT_EQ(Fake().medium, c.medium);
    EXPECT_EQ(Fake().calls[4], "WriteFile 4096");
    EXPECT_EQ(Fake().calls.back(), "CloseHandle");
  }
}

TEST_F(ImageToFloppyTest, UnreadableImageLeavesTheMediumUntouched) {
  const std::string directory = TempPath("a-directory");
  std::filesystem::create_directory(directory);
  for (const std::string& name : {TempPath("missing.img"), directory}) {
    SCOPED_TRACE(name);
    SetUp();
    EXPECT_EQ(Run(name), kReport + "Reading Image...Problem with input file\nClosing Handle:1\n");
    EXPECT_FALSE(Wrote());
    EXPECT_EQ(Fake().medium, std::string(kMediumSize, 'm'));
    EXPECT_EQ(Fake().calls.back(), "CloseHandle");
  }
}

TEST_F(ImageToFloppyTest, WriteThatFallsShortReportsTheCount) {
  struct Case {
    const char* what;
    std::function<void()> script;
    const char* report;
  };
  const Case cases[] = {
      {"short write", [] { Fake().write_count = 1536; }, "written only 1536 bytes"},
      {"failed write",
       [] {
         Fake().write_fails = true;
         Fake().write_count = 0;
       },
       "written only 0 bytes"},
      {"failed after part",
       [] {
         Fake().write_fails = true;
         Fake().write_count = 512;
       },
       "written only 512 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    WriteWholeFile(image_, Pattern(kMediumSize));
    c.script();
    EXPECT_EQ(Run(), kReport + "Reading Image...OK, writing to disk ...\n" +
                         "probably wrong disk - " + c.report + "\nClosing Handle:1\n");
  }
}

TEST_F(ImageToFloppyTest, SizeBeyond32BitsIsAlwaysReportedShort) {
  Fake().geometry.Cylinders.QuadPart = 8388616;  // 4 GiB + 4 KiB
  Fake().geometry.TracksPerCylinder = 1;
  Fake().geometry.SectorsPerTrack = 1;
  WriteWholeFile(image_, Pattern(kMediumSize));
  const std::string transcript = Run();
  EXPECT_NE(transcript.find("Image file name:Reading Image...OK, writing to disk ...\n"
                            "probably wrong disk - written only 4096 bytes\n"
                            "Closing Handle:1\n"),
            std::string::npos)
      << transcript;
}

}  // namespace
