// Files and texts the tests of the program share.
#ifndef FLOPPY_IMAGER_TESTS_TEST_FILES_H_
#define FLOPPY_IMAGER_TESTS_TEST_FILES_H_

#include <cstddef>
#include <cstdint>
#include <string>

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// |size| bytes that differ from sector to sector and from byte to byte.
std::string Pattern(size_t size, unsigned seed = 1);

// The dialogue's fixed texts.
extern const char kMenuText[];
extern const char kQuitText[];

// The drive report of a run, from "Opening A:\" to the name prompt.
std::string DriveReport(uint64_t cylinders, unsigned heads, unsigned sectors,
                        unsigned bytes_per_sector = 512);

// |text| as a terminal shows it: every "\n" as "\r\n".
std::string OnTerminal(const std::string& text);

// What a terminal shows of a whole session whose run printed |run_text|,
// with |name| typed (and echoed) at its name prompt.
std::string SessionWithTypedName(const std::string& run_text, const std::string& name);

#endif  // FLOPPY_IMAGER_TESTS_TEST_FILES_H_
