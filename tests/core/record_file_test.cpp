// Record file "tl.txt", run in a fresh temporary directory.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/model/record_file.h"
#include "app/model/room.h"
#include "framework/exception.h"

namespace {

using namespace room;

const std::string kHeader = "Zeit;Innentemp;Arbeit;CO2\n";

std::string ReadFile() {
  std::ifstream in("tl.txt", std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

long FileSize() {
  struct stat st {};
  return ::stat("tl.txt", &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

std::string Words(const std::function<void()>& f) {
  try {
    f();
  } catch (const fw::Exception& e) {
    return e.Message();
  }
  return "";
}

// Real syscalls with faults to inject.
struct FaultFs : FileSystem {
  int append_errno = 0;          // Open with O_APPEND fails with this
  bool unlink_before_append = false;
  std::size_t max_chunk = 0;     // short writes: at most this many bytes
  int eintr_every = 0;           // every n-th write is interrupted (EINTR)
  long budget = -1;              // bytes the file still takes, -1 = no limit
  int refusal = ENOSPC;          // the error of a write once the budget is spent
  long refusals_left = -1;       // then room again; -1: refused for good
  int writes = 0;
  int open_fds = 0;
  int Open(const char* path, int flags, mode_t mode) override {
    if (flags & O_APPEND) {
      if (unlink_before_append) ::unlink(path);
      if (append_errno) {
        errno = append_errno;
        return -1;
      }
    }
    const int fd = FileSystem::Open(path, flags, mode);
    if (fd >= 0) ++open_fds;
    return fd;
  }
  ssize_t Write(int fd, const void* buf, std::size_t n) override {
    ++writes;
    if (eintr_every && writes % eintr_every == 0) {
      errno = EINTR;
      return -1;
    }
    if (max_chunk && n > max_chunk) n = max_chunk;
    if (budget == 0 && refusals_left == 0) budget = -1;
    if (budget >= 0) {
      if (budget == 0) {
        if (refusals_left > 0) --refusals_left;
        errno = refusal;
        return -1;
      }
      if (static_cast<long>(n) > budget) n = static_cast<std::size_t>(budget);  // short, then refusal
      budget -= static_cast<long>(n);
    }
    return FileSystem::Write(fd, buf, n);
  }
  int Close(int fd) override {
    --open_fds;
    return FileSystem::Close(fd);
  }
};

// Values for the four fields of a record line, each with the text the file
// must show: two decimals, halves away from zero, "-" before a negative, "."
// as the point. Line i takes each field at i modulo its table's size; 9 and
// 10 are coprime, so lines 0 to 89 all differ, and they differ in length.
struct Field {
  long double value;
  const char* text;
};

const Field kTimes[] = {
    {0.0L, "0.00"}, {0.5L, "0.50"}, {1.0L, "1.00"}, {3.5L, "3.50"}, {12.0L, "12.00"},
    {47.5L, "47.50"}, {2.25L, "2.25"}, {100.0L, "100.00"}, {1234.5L, "1234.50"},
};

const Field kTemps[] = {
    {20.0L, "20.00"},
    {19.96L, "19.96"},
    {-3.5L, "-3.50"},
    {19.004L, "19.00"},   // less than half a hundredth over: down
    {9.996L, "10.00"},    // up, carried into a new digit
    {-9.996L, "-10.00"},  // the same below zero
    {7.125L, "7.13"},     // exactly half a hundredth (7 + 1/8): away from zero
    {-20.0L, "-20.00"},
    {-3.125L, "-3.13"},   // the same half below zero
    {0.456L, "0.46"},
};

const Field kWork[] = {
    {0.000001L, "0.00"},  // the start value
    {0.45L, "0.45"},
    {0.030001L, "0.03"},  // one heating minute at 1.8 kW
    {1.8L, "1.80"},
    {99.999L, "100.00"},  // a digit more
    {12.3456L, "12.35"},
    {0.994L, "0.99"},
};

const Field kCO2[] = {
    {0.0L, "0.00"}, {9.01L, "9.01"}, {0.1161639L, "0.12"}, {9.68L, "9.68"},
    {4.585294L, "4.59"}, {10.0L, "10.00"}, {1.161639L, "1.16"}, {123.456L, "123.46"},
    {0.004L, "0.00"}, {0.006L, "0.01"}, {16.0L, "16.00"},
};

template <std::size_t N>
const Field& Pick(const Field (&table)[N], int i) {
  return table[static_cast<std::size_t>(i) % N];
}

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/pyro-record-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    old_cwd_ = cwd;
    ASSERT_EQ(::chdir(dir_.c_str()), 0);
    ResetToLoadValues();
  }
  void TearDown() override {
    CloseRecordFileAtExit();
    SetFileSystem(nullptr);
    ASSERT_EQ(::chdir(old_cwd_.c_str()), 0);
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  // Writes the record line of values i and returns the text it must have.
  std::string WriteLine(int i) {
    const Field &t = Pick(kTimes, i), &r = Pick(kTemps, i), &w = Pick(kWork, i), &c = Pick(kCO2, i);
    SimTimeHours = t.value;
    RoomTemp = r.value;
    HeatingWork = w.value;
    CO2PerDay = c.value;
    last_words_ = Words([] { WriteRecordLine(); });
    return std::string(t.text) + ";" + r.text + ";" + w.text + ";" + c.text + ";\n";
  }
  std::string dir_, old_cwd_, last_words_;
};

TEST_F(RecordFileTest, TwoLineFileExactBytesAndSwitchingAgain) {
  EXPECT_FALSE(Recording);
  ToggleRecording();
  EXPECT_TRUE(Recording);
  EXPECT_EQ(ReadFile(), kHeader + "0.00;20.00;0.00;0.00;\n");
  struct stat st {};
  ASSERT_EQ(::stat("tl.txt", &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
  ToggleRecording();
  EXPECT_FALSE(Recording);
  EXPECT_EQ(ReadFile(), kHeader + "0.00;20.00;0.00;0.00;\n");
  // Not recording: nothing is written.
  WriteRecordLine();
  EXPECT_EQ(ReadFile(), kHeader + "0.00;20.00;0.00;0.00;\n");
  // Switching on again empties the file; a negative temperature.
  RoomTemp = -3.5L;
  SimTimeHours = 1.0L;
  HeatingWork = 0.030001L;
  CO2PerDay = 0.1161639L;
  SwitchRecordingOn();
  SwitchRecordingOff();
  EXPECT_EQ(ReadFile(), kHeader + "1.00;-3.50;0.03;0.12;\n");
  // Operations while closed.
  EXPECT_EQ(Words([] { SwitchRecordingOff(); }), "File not open");
  EXPECT_FALSE(Recording);
}

TEST_F(RecordFileTest, GrowsOnlyIn256ByteBlocksAndHoldsEveryLineAtTheEnd) {
  SwitchRecordingOn();
  const std::string first = ReadFile();
  const long base = FileSize();
  std::string all = first;
  long written = 0;
  for (int i = 1; i <= 80; ++i) {
    const std::string line = WriteLine(i);
    ASSERT_EQ(last_words_, "");
    all += line;
    written += static_cast<long>(line.size());
    const long grown = FileSize() - base;
    ASSERT_EQ(grown % 256, 0) << i;
    ASSERT_LE(grown, written);
    ASSERT_GE(grown, written - 256);
  }
  SwitchRecordingOff();
  EXPECT_EQ(ReadFile(), all);
}

TEST_F(RecordFileTest, CloseAtExitWritesBufferedLinesAndNeverThrows) {
  SwitchRecordingOn();
  WriteLine(1);
  WriteLine(2);
  CloseRecordFileAtExit();
  EXPECT_FALSE(Recording);
  EXPECT_EQ(ReadFile(), kHeader +
                            "0.00;20.00;0.00;0.00;\n"
                            "0.50;19.96;0.45;9.01;\n"
                            "1.00;-3.50;0.03;0.12;\n");
  CloseRecordFileAtExit();  // not open: nothing
}

TEST_F(RecordFileTest, CreateFailsSilentlyOnADirectory) {
  ASSERT_EQ(::mkdir("tl.txt", 0755), 0);
  EXPECT_EQ(Words([] { ToggleRecording(); }), "");
  EXPECT_FALSE(Recording);
  EXPECT_EQ(Words([] { WriteRecordLine(); }), "");
}

// A FIFO named tl.txt: without a reader the create fails at once and
// silently (it used to wait in open() for a reader); with one, the reader
// gets what a file would hold.
TEST_F(RecordFileTest, FifoWithoutReaderFailsAtOnceWithOneWorksAsAFile) {
  ASSERT_EQ(::mkfifo("tl.txt", 0600), 0);
  EXPECT_EQ(Words([] { ToggleRecording(); }), "");
  EXPECT_FALSE(Recording);

  // The reader stays open across the switch-on's close and reopen.
  const int reader = ::open("tl.txt", O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::string got;
  const auto drain = [&] {
    char buf[512];
    ssize_t n;
    while ((n = ::read(reader, buf, sizeof buf)) > 0) got.append(buf, static_cast<std::size_t>(n));
  };
  EXPECT_EQ(Words([] { ToggleRecording(); }), "");
  ASSERT_TRUE(Recording);
  std::string all = kHeader + "0.00;20.00;0.00;0.00;\n";
  for (int i = 1; i <= 30; ++i) {
    all += WriteLine(i);
    ASSERT_EQ(last_words_, "");
    drain();
  }
  EXPECT_EQ(Words([] { ToggleRecording(); }), "");
  EXPECT_FALSE(Recording);
  drain();
  ::close(reader);
  EXPECT_EQ(got, all);
}

TEST_F(RecordFileTest, DevFullAtSwitchOnIsDiskFull) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(::symlink("/dev/full", "tl.txt"), 0);
  EXPECT_EQ(Words([] { ToggleRecording(); }), "Disk Full");
  EXPECT_FALSE(Recording);
  EXPECT_EQ(Words([] { ToggleRecording(); }), "Disk Full");  // the tick's second attempt
  EXPECT_FALSE(Recording);
}

TEST_F(RecordFileTest, AppendOpenFailures) {
  const struct {
    bool unlink;
    int err;
    const char* words;
  } cases[] = {
      {true, 0, "File not found"},     {false, EMFILE, "Too many open files"}, {false, ENFILE, "Too many open files"},
      {false, EACCES, "Access denied"}, {false, EROFS, "Access denied"},      {false, ENAMETOOLONG, "Invalid filename"},
      {false, EBADF, "Invalid file handle"}, {false, ENOSPC, "Disk Full"},    {false, EIO, "Disk Full"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.words);
    FaultFs fs;
    fs.unlink_before_append = c.unlink;
    fs.append_errno = c.err;
    SetFileSystem(&fs);
    EXPECT_EQ(Words([] { SwitchRecordingOn(); }), c.words);
    EXPECT_FALSE(Recording);
    EXPECT_EQ(fs.open_fds, 0);
    if (!c.unlink) {
      EXPECT_EQ(ReadFile(), kHeader + "0.00;20.00;0.00;0.00;\n");
    }
    EXPECT_EQ(Words([] { WriteRecordLine(); }), "");
    SetFileSystem(nullptr);
  }
}

TEST_F(RecordFileTest, ShortWritesAndInterruptionsLoseNothing) {
  const struct {
    std::size_t chunk;
    int eintr;
  } cases[] = {{1, 0}, {7, 0}, {255, 0}, {0, 2}, {0, 3}, {5, 2}};
  for (const auto& c : cases) {
    FaultFs fs;
    fs.max_chunk = c.chunk;
    fs.eintr_every = c.eintr;
    SetFileSystem(&fs);
    SwitchRecordingOn();
    std::string all = kHeader + "0.00;20.00;0.00;0.00;\n";
    for (int i = 1; i <= 40; ++i) {
      all += WriteLine(i);
      ASSERT_EQ(last_words_, "") << c.chunk << "/" << c.eintr;
    }
    SwitchRecordingOff();
    EXPECT_EQ(ReadFile(), all) << c.chunk << "/" << c.eintr;
    EXPECT_EQ(fs.open_fds, 0);
    SetFileSystem(nullptr);
    ResetToLoadValues();
  }
}

// A data line: four fields -?digits.dd, each followed by ";", then "\n".
bool IsDataLine(const std::string& line) {
  std::size_t p = 0;
  for (int field = 0; field < 4; ++field) {
    if (p < line.size() && line[p] == '-') ++p;
    const std::size_t start = p;
    while (p < line.size() && line[p] >= '0' && line[p] <= '9') ++p;
    if (p == start || p + 4 > line.size() || line[p] != '.') return false;
    if (line[p + 1] < '0' || line[p + 1] > '9' || line[p + 2] < '0' || line[p + 2] > '9') return false;
    if (line[p + 3] != ';') return false;
    p += 4;
  }
  return p + 1 == line.size() && line[p] == '\n';
}

// Every line of the file is whole, and the data lines are a subsequence
// of the lines written, in order.
void ExpectWholeLines(const std::string& file, const std::vector<std::string>& written) {
  ASSERT_EQ(file.compare(0, kHeader.size(), kHeader), 0);
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(file.back(), '\n');
  std::size_t pos = kHeader.size(), next = 0;
  while (pos < file.size()) {
    const std::size_t end = file.find('\n', pos);
    ASSERT_NE(end, std::string::npos);
    const std::string line = file.substr(pos, end + 1 - pos);
    EXPECT_TRUE(IsDataLine(line)) << "broken line: " << line;
    while (next < written.size() && written[next] != line) ++next;
    EXPECT_LT(next, written.size()) << "line not written or out of order: " << line;
    ++next;
    pos = end + 1;
  }
}

// The file takes no more after `budget` more bytes (a short write, then a
// refusal), at many points of the block; later it has room again. A full
// disk, a file-size limit, and a reader that stopped reading (a FIFO that
// cannot take the block now) are all the same refusal.
TEST_F(RecordFileTest, RefusedHandOverWhileRecordingKeepsLinesWhole) {
  const struct {
    const char* what;
    int refusal;
  } causes[] = {{"full disk", ENOSPC}, {"file-size limit", EFBIG}, {"cannot take it now", EAGAIN}};
  for (const auto& cause : causes) {
    for (long budget : {0L, 1L, 10L, 26L, 27L, 100L, 200L, 230L, 255L, 256L, 257L, 300L, 500L, 511L, 700L}) {
      SCOPED_TRACE(std::string(cause.what) + ", budget " + std::to_string(budget));
      FaultFs fs;
      fs.refusal = cause.refusal;
      SetFileSystem(&fs);
      SwitchRecordingOn();
      ASSERT_TRUE(Recording);
      fs.budget = budget;
      std::vector<std::string> written = {"0.00;20.00;0.00;0.00;\n"};
      int failures = 0;
      for (int i = 1; i <= 60; ++i) {
        written.push_back(WriteLine(i));
        if (!last_words_.empty()) {
          EXPECT_EQ(last_words_, "Disk Full");
          ++failures;
          EXPECT_TRUE(Recording);
        }
        if (i == 40) fs.budget = -1;  // room again
        ExpectWholeLines(ReadFile().substr(0, ReadFile().rfind('\n') + 1), written);
      }
      EXPECT_GE(failures, 1);
      EXPECT_EQ(Words([] { SwitchRecordingOff(); }), "");
      EXPECT_FALSE(Recording);
      ExpectWholeLines(ReadFile(), written);
      // The lines after the disk had room again are all there.
      const std::string file = ReadFile();
      for (int i = 45; i <= 60; ++i) {
        EXPECT_NE(file.find(written[i]), std::string::npos) << i;
      }
      SetFileSystem(nullptr);
      ResetToLoadValues();
    }
  }
}

// A hand-over that cannot be taken now is refused at once, not tried again
// until it can: that would hold up the program's only thread.
TEST_F(RecordFileTest, WouldBlockIsRefusedAtOnce) {
  FaultFs fs;
  SetFileSystem(&fs);
  SwitchRecordingOn();
  fs.budget = 0;
  fs.refusal = EAGAIN;
  fs.refusals_left = 1000;  // then it could take it
  std::string words;
  for (int i = 1; i <= 20 && words.empty(); ++i) {
    const int before = fs.writes;
    WriteLine(i);
    words = last_words_;
    if (!words.empty()) {
      EXPECT_EQ(fs.writes - before, 1) << "one attempt";
    }
  }
  EXPECT_EQ(words, "Disk Full");
  EXPECT_TRUE(Recording);
  CloseRecordFileAtExit();  // while the fake file system is still here
  SetFileSystem(nullptr);
}

TEST_F(RecordFileTest, FailedCloseAtSwitchOffEndsRecordingAndCutsToWholeLines) {
  for (long budget : {0L, 5L, 40L, 100L, 150L}) {  // less than is buffered
    SCOPED_TRACE(budget);
    FaultFs fs;
    SetFileSystem(&fs);
    SwitchRecordingOn();
    std::vector<std::string> written = {"0.00;20.00;0.00;0.00;\n"};
    for (int i = 1; i <= 30; ++i) written.push_back(WriteLine(i));  // some blocks on disk
    ASSERT_EQ(last_words_, "");
    fs.budget = budget;
    EXPECT_EQ(Words([] { ToggleRecording(); }), "Disk Full");
    EXPECT_FALSE(Recording);
    EXPECT_EQ(fs.open_fds, 0);
    ExpectWholeLines(ReadFile(), written);
    // Switching on again works and starts anew.
    fs.budget = -1;
    SwitchRecordingOn();
    EXPECT_TRUE(Recording);
    SwitchRecordingOff();
    EXPECT_EQ(ReadFile().substr(0, kHeader.size()), kHeader);
    SetFileSystem(nullptr);
    ResetToLoadValues();
  }
}

}  // namespace
