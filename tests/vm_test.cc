// floppy-imager on the Linux floppy driver, driving the floppy controller of
// an emulated PC: a Debian kernel under QEMU (software emulation), an
// initramfs made here with the built program, and the dialogue typed on a
// pseudo-terminal inside the guest. Media are image files on the host, read
// back after the guest has powered off.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "shell_command.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

constexpr char kProgram[] = FLOPPY_IMAGER_BIN;
constexpr char kPtyRun[] = PTY_RUN_BIN;
constexpr char kVmScripts[] = VM_SCRIPTS_DIR;
constexpr char kKernelDir[] = VM_KERNEL_DIR;

struct GuestCase {
  int status = -1;
  bool timed_out = true;
  std::string output;
};

struct Guest {
  std::map<std::string, GuestCase> cases;
  std::string console;  // everything else the guest printed
};

std::string Unescape(const std::string& escaped) {
  std::string bytes;
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '\\' && i + 3 < escaped.size() && escaped[i + 1] == 'x') {
      bytes += static_cast<char>(std::stoi(escaped.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      bytes += escaped[i];
    }
  }
  return bytes;
}

Guest ParseConsole(const std::string& console) {
  Guest guest;
  std::istringstream lines(console);
  std::string line;
  while (std::getline(lines, line)) {
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("@@case ", 0) != 0) {
      guest.console += line + "\n";
      continue;
    }
    std::istringstream fields(line.substr(7));
    std::string label;
    GuestCase result;
    int timed_out = 1;
    double milliseconds = 0;
    long max_rss_kb = 0;
    fields >> label >> result.status >> timed_out >> milliseconds >> max_rss_kb;
    result.timed_out = timed_out != 0;
    fields.get();  // the space before the output
    std::string escaped;
    std::getline(fields, escaped);
    result.output = Unescape(escaped);
    guest.cases[label] = result;
  }
  return guest;
}

// Why this machine cannot boot the guest, or "".
std::string& SkipReason() {
  static std::string reason;
  return reason;
}

class FloppyDriverTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* tool : {"qemu-system-x86_64", "cpio", "gzip", "mformat"}) {
      if (Command(std::string("command -v ") + tool).empty()) {
        SkipReason() = std::string("needs ") + tool;
        return;
      }
    }
    if (!fs::exists("/bin/busybox") ||
        Command("/bin/busybox 2>&1 | head -n 1").find("BusyBox") == std::string::npos ||
        Command("ldd /bin/busybox 2>&1").find("not a dynamic") == std::string::npos) {
      SkipReason() = "needs a static /bin/busybox (busybox-static)";
      return;
    }
    const int fetched =
        std::system((std::string(kVmScripts) + "/fetch-kernel " + kKernelDir).c_str());
    if (!WIFEXITED(fetched) || WEXITSTATUS(fetched) != 0) {
      SkipReason() = "could not fetch Debian's kernel (vm/fetch-kernel)";
    }
  }

  void SetUp() override {
    if (!SkipReason().empty()) {
      if (std::getenv("CI") != nullptr) FAIL() << SkipReason();
      GTEST_SKIP() << SkipReason();
    }
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::path(testing::TempDir()) / "floppy-imager-vm" / test->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "staging" / "bin");
    fs::create_directories(dir_ / "staging" / "work");
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Puts |bytes| into the guest's working directory as |name|.
  void GuestFile(const std::string& name, const std::string& bytes) {
    WriteWholeFile((dir_ / "staging" / "work" / name).string(), bytes);
  }

  // Boots the guest with |drives| (QEMU -drive options), runs |script| in
  // it and returns once it has powered off.
  Guest Boot(const std::vector<std::string>& drives, const std::string& script) {
    const fs::path staging = dir_ / "staging";
    fs::copy_file(kProgram, staging / "bin" / "floppy-imager");
    fs::copy_file(kPtyRun, staging / "bin" / "pty-run");
    WriteWholeFile(Path("guest-script"), script);
    const std::string initramfs = Path("initramfs.gz");
    const std::string pack = std::string(kVmScripts) + "/make-initramfs " + kKernelDir + " " +
                             staging.string() + " " + Path("guest-script") + " " + initramfs;
    EXPECT_EQ(std::system(pack.c_str()), 0) << pack;

    std::string qemu =
        "timeout 600 qemu-system-x86_64 -accel tcg -m 256 -nic none"
        " -display none -serial stdio -monitor none -no-reboot"
        " -kernel " +
        std::string(kKernelDir) + "/vmlinuz -initrd " + initramfs +
        " -append 'console=ttyS0 quiet loglevel=1 panic=-1'";
    for (const std::string& drive : drives) qemu += " -drive " + drive;
    qemu += " </dev/null 2>&1";
    Guest guest = ParseConsole(Command(qemu));
    return guest;
  }

  fs::path dir_;
};

// The guest's command for one use of the program: |key| at the menu, |name|
// (when given) at the prompt, and a last key when it asks for one.
std::string Session(const std::string& label, const std::string& key,
                    const std::string& name = "") {
  std::string command = "pty-run --label " + label + " --timeout 300 --keys 'quit\\r\\n' " + key;
  if (!name.empty()) command += " --line 'Image file name:' " + name;
  return command + " --keys 'Any key to quit ...\\r\\n' q -- /bin/floppy-imager\n";
}

struct Medium {
  const char* name;
  unsigned cylinders, heads, sectors;
  // mformat's options for a FAT boot sector at its start, or none.
  const char* fat;
  size_t Size() const { return size_t{cylinders} * heads * sectors * 512; }
};

// One boot a medium: key 1 images it, the image goes out through a second
// drive; then key 2 writes another image onto it. Every sector's bytes differ
// from every other's, so a sector read from the wrong place shows.
TEST_F(FloppyDriverTest, ImagesAndWritesEachPcMedium) {
  const Medium media[] = {
      {"1.44 MB", 80, 2, 18, nullptr},
      {"1.44 MB FAT", 80, 2, 18, "-f 1440"},
      {"720 KB", 80, 2, 9, nullptr},
      {"2.88 MB", 80, 2, 36, nullptr},
      // Taken for a 1.44 MB disk by the driver's own format detection.
      {"1.68 MB distribution disk (FAT, 21 sectors a track)", 80, 2, 21, "-t 80 -h 2 -s 21"},
  };
  for (const Medium& medium : media) {
    SCOPED_TRACE(medium.name);
    SetUp();
    std::string original = Pattern(medium.Size(), medium.sectors);
    std::string replacement = Pattern(medium.Size(), medium.sectors + 1);
    if (medium.fat != nullptr) {
      const std::string formatted = Path("formatted");
      ASSERT_EQ(Command("truncate -s " + std::to_string(medium.Size()) + " " + formatted +
                        " && mformat -i " + formatted + " " + medium.fat + " :: && echo ok"),
                "ok");
      const std::string boot_sector = ReadWholeFile(formatted).substr(0, 512);
      original.replace(0, 512, boot_sector);
      replacement.replace(0, 512, boot_sector);
    }
    WriteWholeFile(Path("medium"), original);
    WriteWholeFile(Path("out"), std::string(2949120, '\0'));
    GuestFile("in.img", replacement);
    const Guest guest = Boot({"file=" + Path("medium") + ",if=floppy,index=0,format=raw",
                              "file=" + Path("out") + ",if=floppy,index=1,format=raw"},
                             Session("read", "1", "read.img") +
                                 "dd if=read.img of=/dev/fd1 bs=32k conv=fsync 2>/dev/null\n" +
                                 Session("write", "2", "in.img"));
    ASSERT_EQ(guest.cases.count("read"), 1u) << guest.console;
    ASSERT_EQ(guest.cases.count("write"), 1u) << guest.console;

    const GuestCase& read = guest.cases.at("read");
    EXPECT_FALSE(read.timed_out);
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.output,
              SessionWithTypedName(DriveReport(medium.cylinders, medium.heads, medium.sectors) +
                                       "Reading...Read successful\nImage Created\n"
                                       "Closing Handle:1\n",
                                   "read.img"));
    EXPECT_TRUE(ReadWholeFile(Path("out")).substr(0, medium.Size()) == original)
        << "the image differs from the medium";

    const GuestCase& write = guest.cases.at("write");
    EXPECT_EQ(write.status, 0);
    EXPECT_EQ(write.output,
              SessionWithTypedName(DriveReport(medium.cylinders, medium.heads, medium.sectors) +
                                       "Reading Image...OK, writing to disk ...\n"
                                       "Closing Handle:1\n",
                                   "in.img"));
    EXPECT_TRUE(ReadWholeFile(Path("medium")) == replacement)
        << "the medium differs from the image written";
  }
}

// The driver refuses both at the open: an empty drive A, and (drive B shown
// as A inside the guest) a write-protected disk, which stays as it was.
TEST_F(FloppyDriverTest, EmptyDriveAndWriteProtectedDiskFailAtTheOpen) {
  const std::string original = Pattern(1474560, 5);
  WriteWholeFile(Path("protected"), original);
  GuestFile("in.img", Pattern(1474560, 6));
  const Guest guest = Boot({"if=floppy,index=0", "file=" + Path("protected") +
                                                     ",if=floppy,index=1,format=raw,"
                                                     "readonly=on"},
                           Session("empty", "1") + "rm /dev/fd0 && mknod /dev/fd0 b 2 1\n" +
                               Session("protected-read", "1") + Session("protected-write", "2"));
  const std::string failed =
      OnTerminal(std::string(kMenuText) + "Opening A:\\FAILED\n" + kQuitText);
  for (const char* label : {"empty", "protected-read", "protected-write"}) {
    SCOPED_TRACE(label);
    ASSERT_EQ(guest.cases.count(label), 1u) << guest.console;
    EXPECT_EQ(guest.cases.at(label).status, 0);
    EXPECT_EQ(guest.cases.at(label).output, failed);
  }
  EXPECT_TRUE(ReadWholeFile(Path("protected")) == original) << "the protected disk changed";
}

}  // namespace
