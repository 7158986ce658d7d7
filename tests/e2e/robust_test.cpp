// The real program where the record file cannot be written: it reports or
// gives up recording, and goes on running with the pupil's notes intact.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

constexpr int kNoteX = 376, kNoteY = 24, kNoteW = 249, kNoteH = 153;
// The check box's square, without its caption and focus frame.
constexpr int kTickX = 464, kTickY = 362, kTickW = 16, kTickH = 18;

class RecordFileFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(p.window(), 0u) << p.Stderr();
    p.MoveTo(300, 200);
    Sleep(0.5);
    p.Click(at::kNotepad);
    Sleep(0.2);
    p.Type("Notiz bleibt");
    p.Click(at::kStop);  // focus out of the notepad
    p.Click(at::kStart);
    Sleep(0.5);
    notes = Crop(p.Snapshot(), kNoteX, kNoteY, kNoteW, kNoteH);
    unticked = Crop(p.Snapshot(), kTickX, kTickY, kTickW, kTickH);
  }
  std::vector<uint32_t> Notes() { return Crop(p.Snapshot(), kNoteX, kNoteY, kNoteW, kNoteH); }
  // With the pointer away: a hovered check box is drawn lighter.
  std::vector<uint32_t> Tick() {
    p.MoveTo(300, 200);
    Sleep(0.3);
    return Crop(p.Snapshot(), kTickX, kTickY, kTickW, kTickH);
  }

  Program p;
  std::vector<uint32_t> notes, unticked;
};

TEST_F(RecordFileFaults, FullDiskShowsOneBoxAndTheProgramGoesOn) {
  ASSERT_EQ(symlink("/dev/full", (p.dir() + "/tl.txt").c_str()), 0);
  p.Click(at::kRecord);
  auto box = p.WaitBox(5);
  ASSERT_TRUE(box) << "error box";
  EXPECT_NE(p.Stderr().find("Disk Full"), std::string::npos) << p.Stderr();
  // The ticks go on behind the box and retry the switch-on: still one box,
  // still running.
  Sleep(10);
  ASSERT_TRUE(p.Running()) << p.Stderr();
  EXPECT_EQ(FindBox(p.pid(), p.window()), box);
  KeyToWindow(*box, "alt+o");  // OK: ignore and go on
  EXPECT_TRUE(WaitFor([&] { return !FindBox(p.pid(), p.window()); }, 5));
  Sleep(2.5);
  EXPECT_FALSE(FindBox(p.pid(), p.window())) << "the switch-on is not retried again";
  EXPECT_TRUE(p.Running());
  EXPECT_EQ(Tick(), unticked);
  EXPECT_EQ(Notes(), notes);
}

TEST_F(RecordFileFaults, DirectoryInTheWayUnticksSilently) {
  ASSERT_EQ(mkdir((p.dir() + "/tl.txt").c_str(), 0755), 0);
  p.Click(at::kRecord);
  Sleep(2.5);  // past the next tick
  EXPECT_FALSE(FindBox(p.pid(), p.window()));
  EXPECT_TRUE(p.Running());
  EXPECT_EQ(Tick(), unticked);
  EXPECT_EQ(p.Stderr(), "");
  EXPECT_EQ(Notes(), notes);
  struct stat st{};
  ASSERT_EQ(stat((p.dir() + "/tl.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}

}  // namespace
}  // namespace e2e
