#ifndef FLOPPY_IMAGER_TESTS_SHELL_COMMAND_H_
#define FLOPPY_IMAGER_TESTS_SHELL_COMMAND_H_

#include <string>

// The standard output of a shell command, without its final line ends.
std::string Command(const std::string& command);

#endif  // FLOPPY_IMAGER_TESTS_SHELL_COMMAND_H_
