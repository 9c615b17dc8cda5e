#include "dialogue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/fake_platform.h"

const std::string kSmallMediumReport = DriveReport(2, 2, 2);

void ResetFakeWithSmallMedium() {
  ResetFake();
  Fake().geometry.Cylinders.QuadPart = 2;
  Fake().geometry.TracksPerCylinder = 2;
  Fake().geometry.SectorsPerTrack = 2;
}

namespace {

// The current test's directory, removed when the next test starts or the
// program ends.
struct TestDirectory {
  const testing::TestInfo* test = nullptr;
  std::filesystem::path path;

  void Remove() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  ~TestDirectory() { Remove(); }
};

}  // namespace

std::string TempPath(const std::string& name) {
  // Kept short: image names must fit the 99 characters the prompt takes.
  static TestDirectory directory;
  static int tests = 0;
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  if (test != directory.test) {
    directory.Remove();
    directory.test = test;
    directory.path = std::filesystem::path(testing::TempDir()) /
                     ("fi-" + std::to_string(getpid()) + "-" + std::to_string(++tests));
    std::filesystem::create_directories(directory.path);
  }
  return (directory.path / name).string();
}

std::string Dialogue(const std::function<void()>& body, const std::string& input) {
  const std::string input_path = TempPath("standard-input");
  WriteWholeFile(input_path, input);
  if (std::freopen(input_path.c_str(), "r", stdin) == nullptr) {
    ADD_FAILURE() << "cannot redirect standard input";
    return "";
  }
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}
