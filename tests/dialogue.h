// Running a piece of the dialogue in-process with a given standard input.
#ifndef FLOPPY_IMAGER_TESTS_DIALOGUE_H_
#define FLOPPY_IMAGER_TESTS_DIALOGUE_H_

#include <cstddef>
#include <functional>
#include <string>

#include "test_files.h"

// Runs |body| with |input| as standard input and returns all it printed.
std::string Dialogue(const std::function<void()>& body, const std::string& input = "");

// A 4 KiB medium keeps the transfer cases small: ResetFakeWithSmallMedium()
// resets the fake platform with drive A holding 2 cylinders of 2 heads of 2
// sectors, and kSmallMediumReport is what a run prints of it up to the name
// prompt.
constexpr size_t kSmallMediumSize = 4096;
extern const std::string kSmallMediumReport;
void ResetFakeWithSmallMedium();

// A path in a fresh, empty directory of the test's own.
std::string TempPath(const std::string& name);

#endif  // FLOPPY_IMAGER_TESTS_DIALOGUE_H_
