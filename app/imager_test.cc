#include "app/imager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/fake_platform.h"
#include "tests/dialogue.h"

namespace {

constexpr char kMenu[] =
    "NT/2000/XP HD/DD floppy image creator/writer 1.0\n"
    "1 - from floppy to file\n2 - from file to floppy\nother key - quit\n";
constexpr char kQuit[] = "Any key to quit ...\n";

class ImagerTest : public testing::Test {
 protected:
  void SetUp() override { ResetFake(); }

  long ReadKeys() const { return std::count(Fake().calls.begin(), Fake().calls.end(), "ReadKey"); }
};

TEST_F(ImagerTest, OnlyOneAndTwoStartARun) {
  struct Case {
    const char* what;
    std::string keys;
    std::string run;  // what the run prints, between menu and final prompt
  };
  const std::string failed_open = "Opening A:\\FAILED\n";
  const Case cases[] = {
      {"1", "1", failed_open},
      {"2", "2", failed_open},
      {"Enter", "\r", ""},
      {"Escape", "\x1b", ""},
      {"a letter", "a", ""},
      {"the digit 3", "3", ""},
      {"Ctrl+C", "\x03", ""},
      {"a function key's codes", "\x1b[11~", ""},
      {"a cursor key whose second code is 1", "\x1bO1", ""},
      {"a failed key read", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    Fake().open_fails = true;
    Fake().keys = c.keys;
    int status = -1;
    EXPECT_EQ(Dialogue([&] { status = RunImager(); }), kMenu + c.run + kQuit);
    EXPECT_EQ(status, 0);
  }
}

TEST_F(ImagerTest, EachKeyRunsItsOwnDirection) {
  WriteWholeFile(TempPath("disk.img"), "");
  const std::string input = TempPath("disk.img") + "\n";
  Fake().keys = "1";
  std::string transcript = Dialogue([] { RunImager(); }, input);
  EXPECT_NE(transcript.find("Image file name:Reading...Read successful\n"), std::string::npos)
      << transcript;

  ResetFake();
  Fake().keys = "2";
  transcript = Dialogue([] { RunImager(); }, input);
  EXPECT_NE(transcript.find("Image file name:Reading Image...OK, writing to disk ...\n"),
            std::string::npos)
      << transcript;
}

TEST_F(ImagerTest, KeysPressedDuringTheRunAreDiscardedBeforeTheFinalKey) {
  Fake().medium = std::string(1474560, 'm');
  Fake().keys = "1";
  Fake().keys_during_transfer = "abc";
  const std::string image = TempPath("disk.img");
  const std::string transcript = Dialogue([] { RunImager(); }, image + "\n");
  EXPECT_NE(transcript.find("Closing Handle:1\nAny key to quit ...\n"), std::string::npos);
  // The menu key, three discarded keys, and the final wait, which found none.
  EXPECT_EQ(ReadKeys(), 5);
  EXPECT_EQ(Fake().calls.back(), "ReadKey");
}

TEST_F(ImagerTest, TypedAheadCodesOfTheMenuKeyDoNotEndTheFinalWait) {
  Fake().keys = "\x1b[A";
  EXPECT_EQ(Dialogue([] { RunImager(); }), std::string(kMenu) + kQuit);
  EXPECT_EQ(ReadKeys(), 4);
  EXPECT_TRUE(Fake().keys.empty());
}

}  // namespace
