// Running a piece of the dialogue in-process with a given standard input.
#ifndef FLOPPY_IMAGER_TESTS_DIALOGUE_H_
#define FLOPPY_IMAGER_TESTS_DIALOGUE_H_

#include <functional>
#include <string>

#include "test_files.h"

// Runs |body| with |input| as standard input and returns all it printed.
std::string Dialogue(const std::function<void()>& body, const std::string& input = "");

// A path in a fresh, empty directory of the test's own.
std::string TempPath(const std::string& name);

#endif  // FLOPPY_IMAGER_TESTS_DIALOGUE_H_
