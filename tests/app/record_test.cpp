// The RECORD box on the real window: switching, the tick's box sync, failed
// creates, and box and flag kept in step after a retry that succeeds.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "tests/app/app_fixture.h"

namespace apptest {
namespace {

// Real file system, with creates counted and faults on request.
struct FaultyFs : room::FileSystem {
  int creates = 0;
  int failCreates = 0;      // that many creates fail, then they succeed
  bool failAppend = false;  // the reopening for appending fails
  bool failWrite = false;   // every hand-over is refused
  int Open(const char* path, int flags, mode_t mode) override {
    if (flags & O_CREAT) {
      ++creates;
      if (failCreates > 0) {
        --failCreates;
        errno = EACCES;
        return -1;
      }
    } else if (failAppend) {
      errno = EACCES;
      return -1;
    }
    return FileSystem::Open(path, flags, mode);
  }
  ssize_t Write(int fd, const void* buf, std::size_t n) override {
    if (failWrite) {
      errno = ENOSPC;
      return -1;
    }
    return FileSystem::Write(fd, buf, n);
  }
};

class RecordTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    room::SetFileSystem(&fs_);
  }
  void Click(bool tick) { F().CheckBox1->SetChecked(tick); }  // the pupil's click
  void ExpectInStep(bool on) {
    EXPECT_EQ(room::Recording, on);
    EXPECT_EQ(F().CheckBox1->Checked(), on);
  }
  FaultyFs fs_;
};

const char kTwoLines[] = "Zeit;Innentemp;Arbeit;CO2\n0.00;20.00;0.00;0.00;\n";

TEST_F(RecordTest, OnAndOffBeforeTheFirstTickGivesTwoLines) {
  Click(true);
  ExpectInStep(true);
  Ticks(2);  // the tick's sync finds box and flag agreeing
  ExpectInStep(true);
  Click(false);
  ExpectInStep(false);
  EXPECT_EQ(fs_.creates, 1);
  // Two minutes in: no trigger, so only the switch-on line.
  EXPECT_EQ(ReadRecordFile(), kTwoLines);
}

TEST_F(RecordTest, FailedCreateUnticksAtTheNextTickAfterOneMoreTry) {
  room::SetFileSystem(nullptr);
  ASSERT_EQ(mkdir("tl.txt", 0755), 0);  // a directory cannot be created as a file
  room::SetFileSystem(&fs_);

  Click(true);
  EXPECT_FALSE(room::Recording);
  EXPECT_TRUE(F().CheckBox1->Checked()) << "stays ticked until the next tick";
  EXPECT_EQ(fs_.creates, 1);

  Ticks(1);
  ExpectInStep(false);
  EXPECT_EQ(fs_.creates, 2);
  Ticks(3);
  EXPECT_EQ(fs_.creates, 2);
  EXPECT_EQ(F().Label15->Caption(), "0:04 h");
}

TEST_F(RecordTest, RetryThatSucceedsLeavesBoxTickedAndTheFileAlone) {
  fs_.failCreates = 1;
  Click(true);
  EXPECT_FALSE(room::Recording);
  EXPECT_TRUE(F().CheckBox1->Checked());

  Ticks(1);  // unticks the box, whose click handler tries again and succeeds
  ExpectInStep(true);
  EXPECT_EQ(fs_.creates, 2);

  Ticks(59);  // lines at 0:30 and 1:00, no new create on the way
  ExpectInStep(true);
  EXPECT_EQ(fs_.creates, 2);
  Click(false);
  ExpectInStep(false);
  const std::string file = ReadRecordFile();
  EXPECT_EQ(file.rfind(kTwoLines, 0), 0u) << file;
  std::size_t lines = 0;
  for (char ch : file) lines += ch == '\n';
  EXPECT_EQ(lines, 4u) << file;
  EXPECT_NE(file.find("\n0.50;"), std::string::npos) << file;
  EXPECT_NE(file.find("\n1.00;"), std::string::npos) << file;

  // The pupil's next click still switches it on again, once.
  Click(true);
  ExpectInStep(true);
  EXPECT_EQ(fs_.creates, 3);
}

TEST_F(RecordTest, RetryThatRaisesLeavesTheTickAndBothOff) {
  fs_.failCreates = 1;
  Click(true);
  fs_.failAppend = true;
  const std::string clock = F().Label15->Caption();
  try {
    Ticks(1);
    ADD_FAILURE() << "the failed reopening must leave the tick";
  } catch (const fw::Exception& e) {
    EXPECT_STREQ(e.Message(), "Access denied");
  }
  ExpectInStep(false);
  EXPECT_EQ(F().Label15->Caption(), clock) << "no clock advance in that tick";
  EXPECT_EQ(room::SimMinutes, 0.0L);
  fs_.failAppend = false;
  Ticks(1);
  ExpectInStep(false);
  EXPECT_EQ(fs_.creates, 2);
}

TEST_F(RecordTest, FailedSwitchOffRaisesAndEndsUnticked) {
  Click(true);
  ASSERT_TRUE(room::Recording);
  Ticks(30);  // a line in the buffer
  fs_.failWrite = true;
  try {
    Click(false);
    ADD_FAILURE() << "the refused hand-over must leave the handler";
  } catch (const fw::Exception& e) {
    EXPECT_STREQ(e.Message(), "Disk Full");
  }
  ExpectInStep(false);
  fs_.failWrite = false;
  Ticks(2);
  ExpectInStep(false);
  EXPECT_EQ(fs_.creates, 1);
}

}  // namespace
}  // namespace apptest
