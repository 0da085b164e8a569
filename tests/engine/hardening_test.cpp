// A hostile or broken environment: disks that refuse writes, inputs that are
// not files, names that clash, calls that overlap. Each ends with a clear
// status and message, and no file of the user's is lost or mixed.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "RunFixture.h"
#include "korven.h"

namespace korven::testing {
namespace {

namespace fs = std::filesystem;

std::string example(const char* name) {
  return readFile(fs::path(KORVEN_SOURCE_DIR) / "examples" / (std::string(name) + ".dat"));
}

class Hostile : public RunDir {
 protected:
  void SetUp() override {
    RunDir::SetUp();
    std::ofstream(path("wall.dat"), std::ios::binary) << example("cantilever-sand");
  }
  // The six names with one role replaced.
  std::vector<std::string> namesWith(std::size_t role, const std::string& name) {
    std::vector<std::string> six = {path("wall.dat").string(), path("wall.out").string(),
                                    path("wall.plt").string(), path("wall.itr").string(),
                                    path("wall.pys").string(), path("wall.epf").string()};
    six[role] = name;
    return six;
  }
  RunOutcome runWith(std::size_t role, const std::string& name) {
    writeNamesOf(namesWith(role, name));
    return runNames();
  }
};

// Every output role on a device that refuses writes: the run ends with the
// file-error status, one line naming the file and the system's reason, and
// a scratch file that could not be written is not read back as if the input
// were at fault.
TEST_F(Hostile, AFullDeviceEndsTheRunAsAFileError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (std::size_t role = 1; role < 6; ++role) {
    SCOPED_TRACE(role);
    err_.str("");
    const RunOutcome outcome = runWith(role, "/dev/full");
    EXPECT_EQ(outcome.status, KORVEN_STATUS_FILE_ERROR) << outcome.message;
    EXPECT_EQ(outcome.message, "cannot write /dev/full: No space left on device");
    EXPECT_EQ(countOf(err_.str(), "KORVEN: cannot write /dev/full"), 1) << err_.str();
    EXPECT_EQ(countOf(report_, "INPUT ERROR"), 0);
  }
}

// A real file system that fills up part-way through the run.
TEST_F(Hostile, AFileSystemThatFillsUpEndsTheRunAsAFileError) {
  const fs::path small = path("small");
  fs::create_directories(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=20k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here";
  }
  std::vector<std::string> six = {path("wall.dat").string()};
  for (const char* ext : {"out", "plt", "itr", "pys", "epf"}) {
    six.push_back((small / (std::string("wall.") + ext)).string());
  }
  writeNamesOf(six);
  const RunOutcome outcome = runNames();
  ::umount(small.c_str());
  EXPECT_EQ(outcome.status, KORVEN_STATUS_FILE_ERROR) << outcome.message;
  EXPECT_NE(outcome.message.find("No space left on device"), std::string::npos);
}

// An input that is not a regular file is refused before it is opened (a
// FIFO would block for ever, a device never end), and nothing is written.
TEST_F(Hostile, AnInputThatIsNotARegularFileIsRefusedUnopened) {
  ASSERT_EQ(::mkfifo(path("pipe.dat").c_str(), 0600), 0);
  fs::create_directories(path("folder.dat"));
  for (const std::string& input :
       {path("pipe.dat").string(), path("folder.dat").string(), std::string("/dev/zero")}) {
    SCOPED_TRACE(input);
    const RunOutcome outcome = runWith(0, input);
    EXPECT_EQ(outcome.status, KORVEN_STATUS_NOT_STARTED);
    EXPECT_EQ(outcome.message, "the input data file " + input + " is not a regular file");
    EXPECT_FALSE(fs::exists(path("wall.out")));
  }
}

// A scratch file that never ends is read back in bounded memory and time,
// and the message names that file, not the input data file.
TEST_F(Hostile, AScratchFileThatNeverEndsIsStoppedAndNamed) {
  const RunOutcome outcome = runWith(4, "/dev/zero");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_INPUT_ERROR);
  EXPECT_NE(outcome.message.find("OF THE P-Y SCRATCH FILE: LINE LONGER THAN 1048576 CHARACTERS"),
            std::string::npos)
      << outcome.message;
  EXPECT_NE(outcome.message.find("\\x00\\x00"), std::string::npos) << "escaped, not raw";
  EXPECT_NE(report_.find("AT LINE     1 OF THE P-Y SCRATCH FILE:"), std::string::npos);
}

// Two roles on one file: nothing is opened for writing and the input stays
// as it was. Names are compared as the files they lead to.
TEST_F(Hostile, TwoRolesOnOneFileWriteNothing) {
  const std::string original = readFile(path("wall.dat"));
  fs::create_directories(path("sub"));
  fs::create_symlink(path("sub"), path("link"));
  const struct {
    std::size_t role;
    std::string name;
    const char* roles;
  } cases[] = {
      {4, path("wall.dat").string(), "the input data file and the p-y scratch file"},
      {5, path("sub/../wall.out").string(), "the report file and the earth-pressure point file"},
      {3, path("wall.plt").string(), "the plot-data file and the iteration-monitoring file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RunOutcome outcome = runWith(c.role, c.name);
    EXPECT_EQ(outcome.status, KORVEN_STATUS_NOT_STARTED);
    EXPECT_EQ(outcome.message.rfind(std::string(c.roles) + " are the same file", 0), 0u)
        << outcome.message;
    EXPECT_EQ(readFile(path("wall.dat")), original);
    EXPECT_FALSE(fs::exists(path("wall.out")));
  }
  // A symbolic link to an existing file is the same file.
  std::ofstream(path("sub/log.itr")) << "earlier log\n";
  std::vector<std::string> six = namesWith(3, path("sub/log.itr").string());
  six[2] = path("link/log.itr").string();
  writeNamesOf(six);
  EXPECT_EQ(runNames().status, KORVEN_STATUS_NOT_STARTED);
  EXPECT_EQ(readFile(path("sub/log.itr")), "earlier log\n");
  // So is a hard link: another name of the same file.
  std::error_code linked;
  fs::create_hard_link(path("sub/log.itr"), path("sub/same.itr"), linked);
  if (!linked) {
    six[2] = path("sub/same.itr").string();
    writeNamesOf(six);
    EXPECT_EQ(runNames().status, KORVEN_STATUS_NOT_STARTED);
    EXPECT_EQ(readFile(path("sub/log.itr")), "earlier log\n");
  }

  // A device such as /dev/null may take several roles.
  writeNamesOf({path("wall.dat").string(), path("wall.out").string(), "/dev/null", "/dev/null",
                path("wall.pys").string(), path("wall.epf").string()});
  EXPECT_EQ(runNames().status, KORVEN_STATUS_NORMAL);
}

// A name longer than its record would be cut and lead to another file.
TEST_F(Hostile, ANameLongerThanItsRecordIsRefused) {
  const RunOutcome outcome = runWith(1, path(std::string(250, 'r') + ".out").string());
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NOT_STARTED);
  EXPECT_NE(outcome.message.find("line 6: the name of the report file is longer than 255"),
            std::string::npos)
      << outcome.message;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

// The exported entry works through the working directory, so a second call
// while one runs is turned away at once, touching nothing, and each thread
// sees the status of its own call.
TEST(EntryConcurrency, ACallWhileAnotherRunsIsBusy) {
  const fs::path dir =
      fs::temp_directory_path() / ("korven_entry_busy_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "wall.dat", std::ios::binary) << example("cantilever-sand");
  ASSERT_EQ(::mkfifo((dir / "NAMES.dat").c_str(), 0600), 0);
  const fs::path previous = fs::current_path();
  fs::current_path(dir);

  // The first call blocks reading NAMES.dat until the test writes it.
  int firstStatus = -1;
  std::thread first([&] {
    EXPECT_EQ(IKORVEN(KORVEN_HANDSHAKE_1, KORVEN_HANDSHAKE_2), 0);
    firstStatus = KORVEN_LastRunStatus();
  });
  int fd = -1;
  for (int i = 0; i < 5000 && fd < 0; ++i) {
    fd = ::open("NAMES.dat", O_WRONLY | O_NONBLOCK);  // succeeds once the run reads
    if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_GE(fd, 0) << "the first call never opened NAMES.dat";

  EXPECT_EQ(IKORVEN(KORVEN_HANDSHAKE_1, KORVEN_HANDSHAKE_2), 1);
  EXPECT_EQ(KORVEN_LastRunStatus(), KORVEN_STATUS_BUSY);
  EXPECT_STREQ(KORVEN_LastRunMessage(), "another analysis is running in this process");
  EXPECT_FALSE(fs::exists("wall.out"));

  const std::string names = "1.0\nh\nh\n0\nwall.dat\nwall.out\nwall.plt\nwall.itr\nwall.pys\nwall.epf\n";
  ASSERT_EQ(::write(fd, names.data(), names.size()), static_cast<ssize_t>(names.size()));
  ::close(fd);
  first.join();
  EXPECT_EQ(firstStatus, KORVEN_STATUS_NORMAL);
  EXPECT_EQ(KORVEN_LastRunStatus(), KORVEN_STATUS_BUSY);  // this thread's own call

  // Once the first has ended, calls run again.
  fs::remove("NAMES.dat");
  std::ofstream("NAMES.dat") << names;
  EXPECT_EQ(IKORVEN(KORVEN_HANDSHAKE_1, KORVEN_HANDSHAKE_2), 0);
  EXPECT_EQ(KORVEN_LastRunStatus(), KORVEN_STATUS_NORMAL);
  fs::current_path(previous);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace korven::testing
