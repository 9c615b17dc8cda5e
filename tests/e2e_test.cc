// The built program used as a person uses it: keys on its controlling
// terminal, the image file name typed or on standard input, and drive A a
// real block device (a loop device shown as /dev/fd0 in a private mount
// namespace of the program's own).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pty_session.h"
#include "shell_command.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

constexpr char kProgram[] = FLOPPY_IMAGER_BIN;
constexpr const char* kMenu = kMenuText;
constexpr const char* kQuit = kQuitText;

// A loop device over a backing file of the test's own, released at the end.
class LoopDevice {
 public:
  LoopDevice(const std::string& backing, bool read_only) {
    path_ = Command("losetup --find --show " + std::string(read_only ? "--read-only " : "") +
                    backing + " 2>/dev/null");
  }
  ~LoopDevice() {
    if (!path_.empty()) Command("losetup -d " + path_);
  }
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// In the child: a /dev of its own holding only what the program may touch,
// with |device| as /dev/|node_name| (none when empty), and |sysfs| (when given)
// as the kernel's device tree.
std::string ShowAsDriveA(const std::string& device, const std::string& node_name = "fd0",
                         const std::string& sysfs = "") {
  struct stat status = {};
  if (!device.empty() && stat(device.c_str(), &status) != 0) return "stat " + device;
  if (unshare(CLONE_NEWNS) != 0) return "unshare";
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return "private /";
  if (mount("none", "/dev", "tmpfs", 0, "mode=755") != 0) return "tmpfs /dev";
  if (!sysfs.empty() && mount(sysfs.c_str(), "/sys", nullptr, MS_BIND, nullptr) != 0) {
    return "bind " + sysfs + " on /sys";
  }
  struct Node {
    const char* path;
    int major, minor;
  };
  const Node nodes[] = {
      {"/dev/null", 1, 3}, {"/dev/zero", 1, 5}, {"/dev/full", 1, 7}, {"/dev/tty", 5, 0}};
  for (const Node& node : nodes) {
    if (mknod(node.path, S_IFCHR | 0666, makedev(node.major, node.minor)) != 0) {
      return std::string("mknod ") + node.path;
    }
  }
  const std::string node_path = "/dev/" + node_name;
  if (!device.empty() && mknod(node_path.c_str(), S_IFBLK | 0660, status.st_rdev) != 0) {
    return "mknod " + node_path;
  }
  return "";
}

struct Medium {
  const char* name;
  uint64_t cylinders;
  int heads, sectors;
  uint64_t Size() const { return cylinders * heads * sectors * 512; }
};

const Medium kPcMedia[] = {
    {"360 KB", 40, 2, 9},
    {"720 KB", 80, 2, 9},
    {"1.44 MB", 80, 2, 18},
    {"2.88 MB", 80, 2, 36},
};

class EndToEndTest : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) {
      GTEST_SKIP() << "needs root: loop devices and a private mount namespace";
    }
    if (Command("command -v losetup").empty()) GTEST_SKIP() << "needs losetup (util-linux)";
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::path(testing::TempDir()) / "floppy-imager-e2e" /
           (std::string(test->test_suite_name()) + "." + test->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // A medium with |bytes| on it, as drive A.
  std::unique_ptr<LoopDevice> Drive(const std::string& backing, const std::string& bytes,
                                    bool read_only = false) {
    WriteWholeFile(backing, bytes);
    auto drive = std::make_unique<LoopDevice>(backing, read_only);
    EXPECT_FALSE(drive->path().empty()) << "losetup failed for " << backing;
    return drive;
  }

  // Presses |menu_key|, types |typed_name| at the prompt when it is not
  // empty, and ends with a fresh key once the program asks for it.
  PtyRun UseImager(const std::string& device, const std::string& menu_key,
                   const std::string& typed_name, const std::string& stdin_path = "") {
    PtyOptions options;
    options.argv = {kProgram};
    options.stdin_path = stdin_path;
    options.working_directory = dir_.string();
    options.before_exec = [device] { return ShowAsDriveA(device); };
    std::vector<PtyStep> steps = {{OnTerminal(kMenu), PtyStep::kKeys, menu_key}};
    if (!typed_name.empty()) {
      steps.push_back({"Image file name:", PtyStep::kLine, typed_name + "\n"});
    }
    steps.push_back({OnTerminal(kQuit), PtyStep::kKeys, "q"});
    PtyRun run = RunOnPty(options, steps);
    EXPECT_FALSE(run.timed_out) << run.output;
    EXPECT_EQ(run.steps_typed, steps.size()) << run.output;
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.output;
    return run;
  }

  fs::path dir_;
};

TEST_F(EndToEndTest, NoDriveAReportsFailedOpen) {
  for (const char* key : {"1", "2"}) {
    SCOPED_TRACE(key);
    const PtyRun run = UseImager("", key, "");
    EXPECT_EQ(run.output, OnTerminal(std::string(kMenu) + "Opening A:\\FAILED\n" + kQuit));
  }
}

TEST_F(EndToEndTest, OtherKeysTouchNoDriveAndLeaveTheTerminalAsItWas) {
  const auto drive = Drive(Path("medium"), Pattern(1474560, 1));
  for (const char* key : {"\r", "\x1b", "a", "3", "\x03", "\x1bOP", "\x1b[15~"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(key)));
    const PtyRun run = UseImager(drive->path(), key, "");
    EXPECT_EQ(run.output, OnTerminal(std::string(kMenu) + kQuit));
    EXPECT_EQ(run.before.c_lflag, run.after.c_lflag);
    EXPECT_EQ(run.before.c_iflag, run.after.c_iflag);
    EXPECT_EQ(run.before.c_oflag, run.after.c_oflag);
    EXPECT_EQ(0, memcmp(run.before.c_cc, run.after.c_cc, sizeof run.before.c_cc));
    EXPECT_EQ(run.unread, "");
  }
}

TEST_F(EndToEndTest, CodesOfTheFinalKeyDoNotReachTheShell) {
  PtyOptions options;
  options.argv = {kProgram};
  options.before_exec = [] { return ShowAsDriveA(""); };
  const PtyRun run = RunOnPty(options, {{OnTerminal(kMenu), PtyStep::kKeys, "x"},
                                        {OnTerminal(kQuit), PtyStep::kKeys, "\x1b[A"}});
  EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0);
  EXPECT_EQ(run.unread, "");
  EXPECT_EQ(run.before.c_lflag, run.after.c_lflag);
}

TEST_F(EndToEndTest, KeysTypedAheadAreDiscardedAndTheFinalKeyIsAFreshOne) {
  // "3" selects no run; the rest waits and must not end the final wait, which
  // the harness proves by typing its own key only after the final prompt.
  const PtyRun run = UseImager("", "3abc\x1b[A", "");
  EXPECT_EQ(run.output, OnTerminal(std::string(kMenu) + kQuit));
}

TEST_F(EndToEndTest, SignalsRestoreTheTerminalAndStillEndTheProgram) {
  for (int signal_number : {SIGTERM, SIGHUP, SIGQUIT, SIGINT}) {
    SCOPED_TRACE(strsignal(signal_number));
    PtyOptions options;
    options.argv = {kProgram};
    options.before_exec = [] { return ShowAsDriveA(""); };
    options.signal_after_steps = signal_number;
    // Waits at the menu, with the terminal in its key mode.
    const PtyRun run = RunOnPty(options, {{OnTerminal(kMenu), PtyStep::kKeys, ""}});
    EXPECT_FALSE(run.timed_out);
    EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == signal_number) << run.status;
    EXPECT_EQ(run.before.c_lflag, run.after.c_lflag);
    EXPECT_EQ(run.before.c_iflag, run.after.c_iflag);
  }
}

TEST_F(EndToEndTest, ImagesEveryPcSizeByteForByte) {
  for (const Medium& medium : kPcMedia) {
    SCOPED_TRACE(medium.name);
    const std::string bytes = Pattern(medium.Size(), medium.sectors);
    const auto drive = Drive(Path("medium"), bytes);
    const PtyRun run = UseImager(drive->path(), "1", "disk.img");
    EXPECT_EQ(run.output, SessionWithTypedName(
                              DriveReport(medium.cylinders, medium.heads, medium.sectors) +
                                  "Reading...Read successful\nImage Created\nClosing Handle:1\n",
                              "disk.img"));
    EXPECT_TRUE(ReadWholeFile(Path("disk.img")) == bytes) << "image differs from the medium";
  }
}

TEST_F(EndToEndTest, NameFromRedirectedInputAndKeysFromTheTerminal) {
  const std::string bytes = Pattern(737280, 7);
  const auto drive = Drive(Path("medium"), bytes);
  WriteWholeFile(Path("name"), Path("from-input.img") + " ignored words\n");
  WriteWholeFile(Path("from-input.img"), std::string(2000000, 'o'));  // replaced whole
  const PtyRun run = UseImager(drive->path(), "1", "", Path("name"));
  EXPECT_EQ(run.output, OnTerminal(kMenu + DriveReport(80, 2, 9) +
                                   "Reading...Read successful\nImage Created\n"
                                   "Closing Handle:1\n" +
                                   kQuit));
  EXPECT_TRUE(ReadWholeFile(Path("from-input.img")) == bytes);
}

TEST_F(EndToEndTest, EmptyMediumGivesEmptyImage) {
  const auto drive = Drive(Path("medium"), "");
  const PtyRun run = UseImager(drive->path(), "1", "empty.img");
  EXPECT_EQ(run.output,
            SessionWithTypedName(DriveReport(0, 1, 1) +
                                     "Reading...Read successful\nImage Created\nClosing Handle:1\n",
                                 "empty.img"));
  EXPECT_TRUE(fs::exists(Path("empty.img")));
  EXPECT_EQ(fs::file_size(Path("empty.img")), 0u);
}

TEST_F(EndToEndTest, DestinationsThatCannotBeWritten) {
  const auto drive = Drive(Path("medium"), Pattern(1474560, 3));
  for (const char* name : {"missing/disk.img", "/dev/full"}) {
    SCOPED_TRACE(name);
    const PtyRun run = UseImager(drive->path(), "1", name);
    EXPECT_EQ(run.output,
              SessionWithTypedName(DriveReport(80, 2, 18) +
                                       "Reading...Read successful\nDestination file error\n"
                                       "Closing Handle:1\n",
                                   name));
  }
}

TEST_F(EndToEndTest, MediumBeyond4GiBIsNotImagedAndTheOldImageStays) {
  const std::string backing = Path("large");
  { std::ofstream(backing, std::ios::binary); }
  fs::resize_file(backing, (uint64_t{4} << 30) + (1 << 20));  // sparse
  LoopDevice drive(backing, false);
  ASSERT_FALSE(drive.path().empty());
  WriteWholeFile(Path("kept.img"), "an older image");
  const PtyRun run = UseImager(drive.path(), "1", "kept.img");
  EXPECT_EQ(run.output,
            SessionWithTypedName("Opening A:\\Ok\nTrying some info ...\nBytesPerSector:512\n"
                                 "SectorsPerTrack:1\nTracksPerCylinder:1\nCylinders:8390656\n"
                                 "Disk Size in Bytes:4296015872\nImage file name:"
                                 "Reading...Read successful\nIncorrect number of bytes was read\n"
                                 "Closing Handle:1\n",
                                 "kept.img"));
  EXPECT_EQ(ReadWholeFile(Path("kept.img")), "an older image");
}

TEST_F(EndToEndTest, WritesImagesOfAnyLengthOntoEveryPcSize) {
  for (const Medium& medium : kPcMedia) {
    const std::string image = Pattern(medium.Size(), medium.sectors + 100);
    struct Case {
      const char* what;
      std::string file;
      std::string medium;
    };
    const Case cases[] = {
        {"exact", image, image},
        {"shorter: zero tail", image.substr(0, 5000),
         image.substr(0, 5000) + std::string(medium.Size() - 5000, '\0')},
        {"empty", "", std::string(medium.Size(), '\0')},
        {"longer: cut", image + Pattern(4096, 5), image},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(medium.name) + ", " + c.what);
      const auto drive = Drive(Path("medium"), Pattern(medium.Size(), 9));
      WriteWholeFile(Path("in.img"), c.file);
      const PtyRun run = UseImager(drive->path(), "2", "in.img");
      EXPECT_EQ(run.output, SessionWithTypedName(
                                DriveReport(medium.cylinders, medium.heads, medium.sectors) +
                                    "Reading Image...OK, writing to disk ...\nClosing Handle:1\n",
                                "in.img"));
      EXPECT_TRUE(ReadWholeFile(Path("medium")) == c.medium) << "medium differs";
    }
  }
}

TEST_F(EndToEndTest, ImagesThatCannotBeReadLeaveTheMediumUntouched) {
  const std::string before = Pattern(1474560, 11);
  const auto drive = Drive(Path("medium"), before);
  fs::create_directory(Path("a-directory"));
  for (const char* name : {"missing.img", "a-directory"}) {
    SCOPED_TRACE(name);
    const PtyRun run = UseImager(drive->path(), "2", name);
    EXPECT_EQ(run.output, SessionWithTypedName(DriveReport(80, 2, 18) +
                                                   "Reading Image...Problem with input file\n"
                                                   "Closing Handle:1\n",
                                               name));
    EXPECT_TRUE(ReadWholeFile(Path("medium")) == before) << "medium changed";
  }
}

TEST_F(EndToEndTest, WriteProtectedMediumReportsTheShortWrite) {
  const std::string before = Pattern(737280, 12);
  const auto drive = Drive(Path("medium"), before, /*read_only=*/true);
  WriteWholeFile(Path("in.img"), Pattern(737280, 13));
  const PtyRun run = UseImager(drive->path(), "2", "in.img");
  // A loop device opens read-write even when it is read-only; the floppy
  // driver refuses the open instead ("FAILED").
  EXPECT_EQ(run.output, SessionWithTypedName(DriveReport(80, 2, 9) +
                                                 "Reading Image...OK, writing to disk ...\n"
                                                 "probably wrong disk - written only 0 bytes\n"
                                                 "Closing Handle:1\n",
                                             "in.img"));
  EXPECT_TRUE(ReadWholeFile(Path("medium")) == before) << "medium changed";
}

TEST_F(EndToEndTest, ImageMadeFromOneMediumRecreatesItOnAnother) {
  const std::string original = Pattern(1474560, 21);
  {
    const auto source = Drive(Path("source"), original);
    UseImager(source->path(), "1", "copy.img");
  }
  const auto target = Drive(Path("target"), std::string(1474560, '\xf6'));
  UseImager(target->path(), "2", "copy.img");
  EXPECT_TRUE(ReadWholeFile(Path("target")) == original) << "the copy differs";
}

TEST_F(EndToEndTest, WithoutAFloppyDriveTheUsbFloppyDriveIsDriveA) {
  // The device tree of a machine with a SATA disk and a USB floppy drive.
  const fs::path sys = Path("sys");
  const std::string usb = "devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0";
  const std::string sata = "devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0";
  fs::create_directories(sys / usb / "host6/target6:0:0/6:0:0:0/block/sdb");
  fs::create_directories(sys / sata / "block/sda");
  WriteWholeFile((sys / usb / "bInterfaceClass").string(), "08\n");
  WriteWholeFile((sys / usb / "bInterfaceSubClass").string(), "04\n");
  fs::create_directories(sys / "block");
  fs::create_directory_symlink("../" + usb + "/host6/target6:0:0/6:0:0:0/block/sdb",
                               sys / "block/sdb");
  fs::create_directory_symlink("../" + sata + "/block/sda", sys / "block/sda");

  const std::string bytes = Pattern(1474560, 31);
  const auto floppy = Drive(Path("medium"), bytes);
  const auto disk = Drive(Path("disk"), Pattern(1 << 20, 32));
  PtyOptions options;
  options.argv = {kProgram};
  options.working_directory = dir_.string();
  const std::string floppy_path = floppy->path();
  const std::string disk_path = disk->path();
  options.before_exec = [&] {
    std::string error = ShowAsDriveA(floppy_path, "sdb", sys.string());
    struct stat status = {};
    if (error.empty() && stat(disk_path.c_str(), &status) == 0 &&
        mknod("/dev/sda", S_IFBLK | 0660, status.st_rdev) != 0) {
      error = "mknod /dev/sda";
    }
    return error;
  };
  const PtyRun run = RunOnPty(options, {{OnTerminal(kMenu), PtyStep::kKeys, "1"},
                                        {"Image file name:", PtyStep::kLine, "usb.img\n"},
                                        {OnTerminal(kQuit), PtyStep::kKeys, "q"}});
  EXPECT_EQ(run.output, SessionWithTypedName(DriveReport(80, 2, 18) +
                                                 "Reading...Read successful\nImage Created\n"
                                                 "Closing Handle:1\n",
                                             "usb.img"));
  EXPECT_TRUE(ReadWholeFile(Path("usb.img")) == bytes) << "image differs from the medium";
}

TEST(WithoutTerminalTest, TheProgramEndsAtOnce) {
  // Like a pipeline or CI: no controlling terminal, no standard input.
  const std::string output_path = testing::TempDir() + "floppy-imager-no-terminal";
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    const int null = open("/dev/null", O_RDONLY);
    const int output = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(null, 0);
    dup2(output, 1);
    dup2(output, 2);
    execl(kProgram, kProgram, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadWholeFile(output_path), std::string(kMenu) + kQuit);
}

}  // namespace
