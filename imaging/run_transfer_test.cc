#include "imaging/run_transfer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fake_platform.h"
#include "tests/dialogue.h"

namespace {

using Calls = std::vector<std::string>;

constexpr char kReport144[] =
    "Opening A:\\Ok\n"
    "Trying some info ...\n"
    "BytesPerSector:512\n"
    "SectorsPerTrack:18\n"
    "TracksPerCylinder:2\n"
    "Cylinders:80\n"
    "Disk Size in Bytes:1474560\n"
    "Image file name:";

// What the transfer step was handed, and proof that it ran.
DriveContext g_seen;
int g_step_runs = 0;

void RecordingStep(DriveContext& drive) {
  g_seen = drive;
  ++g_step_runs;
  std::printf("<transfer>");
}

class RunTransferTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetFake();
    g_seen = DriveContext{};
    g_step_runs = 0;
  }

  std::string Run(const std::string& input) {
    return Dialogue([] { RunTransfer(RecordingStep); }, input);
  }

  void SetGeometry(int64_t cylinders, DWORD heads, DWORD sectors, DWORD bytes) {
    DISK_GEOMETRY& geometry = Fake().geometry;
    geometry.Cylinders.QuadPart = cylinders;
    geometry.TracksPerCylinder = heads;
    geometry.SectorsPerTrack = sectors;
    geometry.BytesPerSector = bytes;
  }
};

TEST_F(RunTransferTest, ReportsGeometryAsksForNameTransfersAndCloses) {
  EXPECT_EQ(Run("disk.img\n"), std::string(kReport144) + "<transfer>Closing Handle:1\n");
  ASSERT_EQ(g_step_runs, 1);
  EXPECT_EQ(g_seen.DriveHandle, FakeDriveHandle());
  EXPECT_EQ(g_seen.ImageSize, 1474560u);
  EXPECT_EQ(g_seen.TransferLength, 1474560u);
  EXPECT_EQ(g_seen.TransferCount, 24u);
  EXPECT_STREQ(g_seen.ImageFileName, "disk.img");
  EXPECT_EQ(Fake().calls, (Calls{"CreateFileA", "DeviceIoControl", "BeginLineInput", "EndLineInput",
                                 "CloseHandle"}));
}

TEST_F(RunTransferTest, FailedOpenEndsTheRunWithNothingToClose) {
  Fake().open_fails = true;
  EXPECT_EQ(Run("disk.img\n"), "Opening A:\\FAILED\n");
  EXPECT_EQ(g_step_runs, 0);
  EXPECT_EQ(Fake().calls, Calls{"CreateFileA"});
}

TEST_F(RunTransferTest, FailedQueryAsksNothingAndCloses) {
  Fake().query_fails = true;
  EXPECT_EQ(Run("disk.img\n"),
            "Opening A:\\Ok\nTrying some info ...\nInfo Failed\nClosing Handle:1\n");
  EXPECT_EQ(g_step_runs, 0);
  EXPECT_EQ(Fake().calls, (Calls{"CreateFileA", "DeviceIoControl", "CloseHandle"}));
}

TEST_F(RunTransferTest, NoNameMeansNoTransferButTheDriveIsClosed) {
  struct Case {
    const char* what;
    std::string input;
  };
  const Case cases[] = {
      {"empty input", ""},
      {"only white space and line ends", "\n\n  \t\n"},
      {"a word of 100 characters, which would have to be cut", std::string(100, 'n') + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    EXPECT_EQ(Run(c.input), std::string(kReport144) + "Closing Handle:1\n");
    EXPECT_EQ(g_step_runs, 0);
    EXPECT_EQ(Fake().calls.back(), "CloseHandle");
  }
}

TEST_F(RunTransferTest, FailedCloseIsReportedAsZero) {
  Fake().close_fails = true;
  EXPECT_EQ(Run("disk.img\n"), std::string(kReport144) + "<transfer>Closing Handle:0\n");
}

TEST_F(RunTransferTest, ZeroGeometryStillAsksAndTransfersNothing) {
  SetGeometry(80, 2, 0, 512);
  EXPECT_EQ(Run("disk.img\n"), DriveReport(80, 2, 0) + "<transfer>Closing Handle:1\n");
  EXPECT_EQ(g_seen.ImageSize, 0u);
  EXPECT_EQ(g_seen.TransferLength, 0u);
}

TEST_F(RunTransferTest, SizeBeyond32BitsIsPrintedWholeAndTransferLengthIsItsLowHalf) {
  SetGeometry(8390656, 1, 1, 512);  // 4 GiB + 1 MiB
  EXPECT_EQ(Run("disk.img\n"), DriveReport(8390656, 1, 1) + "<transfer>Closing Handle:1\n");
  EXPECT_EQ(g_seen.ImageSize, 4296015872u);
  EXPECT_EQ(g_seen.TransferLength, 1048576u);
}

TEST_F(RunTransferTest, CylindersAreUnsignedAndTheProductWraps) {
  SetGeometry(-1, 1, 1, 512);
  const std::string transcript = Run("disk.img\n");
  EXPECT_NE(transcript.find("Cylinders:18446744073709551615\n"
                            "Disk Size in Bytes:18446744073709551104\n"),
            std::string::npos)
      << transcript;
  EXPECT_EQ(g_seen.TransferLength, 4294966784u);
}

TEST(ReadImageFileNameTest, TakesOneWordAndLeavesTheRest) {
  struct Case {
    std::string input;
    bool read;
    std::string name;
    std::string left;  // the next word still waiting
  };
  const Case cases[] = {
      {"disk.img\n", true, "disk.img", ""},
      {"two words\n", true, "two", "words"},
      {"\n\n \t /tmp/a.img  rest\n", true, "/tmp/a.img", "rest"},
      {std::string(99, 'x') + " next", true, std::string(99, 'x'), "next"},
      {std::string(100, 'x') + " next", false, "", "next"},
      {std::string(250, 'x'), false, "", std::string(150, 'x')},
      {"", false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::FILE* in = std::tmpfile();
    ASSERT_NE(in, nullptr);
    std::fputs(c.input.c_str(), in);
    std::rewind(in);
    char field[100];
    std::memset(field, '?', sizeof field);
    EXPECT_EQ(ReadImageFileName(in, field), c.read);
    EXPECT_EQ(std::string(field), c.name);
    char next[300] = "";
    std::fscanf(in, "%299s", next);
    EXPECT_EQ(std::string(next), c.left);
    std::fclose(in);
  }
}

}  // namespace
