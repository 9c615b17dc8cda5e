#include "dialogue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <unistd.h>

std::string TempPath(const std::string& name) {
  // Kept short: image names must fit the 99 characters the prompt takes.
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  static const testing::TestInfo* current = nullptr;
  static int tests = 0;
  static std::filesystem::path directory;
  if (test != current) {
    current = test;
    directory = std::filesystem::path(testing::TempDir()) /
                ("fi-" + std::to_string(getpid()) + "-" + std::to_string(++tests));
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
  }
  return (directory / name).string();
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
