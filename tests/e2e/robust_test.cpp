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
    p.Click(at::kNotepad);
    p.Type("Notiz bleibt");
    p.Click(at::kStop);  // focus out of the notepad
    p.Click(at::kStart);
    p.MoveTo(300, 200);  // a hovered check box is drawn lighter
    // The text is in, the caret gone and the box drawn once they stand still.
    ASSERT_TRUE(WaitUnchanged([&] { return std::pair(Notes(), TickPixels()); }, 1.5, 30));
    notes = Notes();
    unticked = TickPixels();
  }
  std::vector<uint32_t> Notes() { return Crop(p.Snapshot(), kNoteX, kNoteY, kNoteW, kNoteH); }
  std::vector<uint32_t> TickPixels() { return Crop(p.Snapshot(), kTickX, kTickY, kTickW, kTickH); }
  // Waits for the clock to go on by a few simulated minutes: ticks have run.
  void SomeTicks() {
    const auto now = p.Clock();
    ASSERT_TRUE(now) << "the clock readout cannot be read";
    ASSERT_TRUE(p.WaitForClock(*now + 3, 60)) << p.Stderr();
  }

  Program p;
  std::vector<uint32_t> notes, unticked;
};

TEST_F(RecordFileFaults, FullDiskShowsOneBoxAndTheProgramGoesOn) {
  ASSERT_EQ(symlink("/dev/full", (p.dir() + "/tl.txt").c_str()), 0);
  p.Click(at::kRecord);
  auto box = p.WaitBox(10);
  ASSERT_TRUE(box) << "error box";
  XMoveWindow(Dpy(), *box, 700, 500);  // off the clock's readout
  XSync(Dpy(), False);
  EXPECT_NE(p.Stderr().find("Disk Full"), std::string::npos) << p.Stderr();
  // The ticks go on behind the box and retry the switch-on once, which fails
  // again: still one box, still running.
  const auto reports = [&] {
    const std::string err = p.Stderr();
    size_t n = 0;
    for (size_t at = err.find("HandleException"); at != std::string::npos;
         at = err.find("HandleException", at + 1))
      ++n;
    return n;
  };
  EXPECT_TRUE(WaitFor([&] { return reports() >= 2; }, 30)) << p.Stderr();
  SomeTicks();
  ASSERT_TRUE(p.Running()) << p.Stderr();
  EXPECT_EQ(FindBox(p.pid(), p.window()), box);
  KeyToWindow(*box, "alt+o");  // OK: ignore and go on
  EXPECT_TRUE(WaitFor([&] { return !FindBox(p.pid(), p.window()); }, 10));
  SomeTicks();
  EXPECT_FALSE(FindBox(p.pid(), p.window())) << "the switch-on is not retried again";
  EXPECT_EQ(reports(), 2u);
  EXPECT_TRUE(p.Running());
  p.MoveTo(300, 200);
  EXPECT_TRUE(WaitFor([&] { return TickPixels() == unticked; }, 20));
  EXPECT_TRUE(WaitFor([&] { return Notes() == notes; }, 20));
}

TEST_F(RecordFileFaults, DirectoryInTheWayUnticksSilently) {
  ASSERT_EQ(mkdir((p.dir() + "/tl.txt").c_str(), 0755), 0);
  p.Click(at::kRecord);
  SomeTicks();  // past the next tick
  EXPECT_FALSE(FindBox(p.pid(), p.window()));
  EXPECT_TRUE(p.Running());
  p.MoveTo(300, 200);
  EXPECT_TRUE(WaitFor([&] { return TickPixels() == unticked; }, 20));
  EXPECT_EQ(p.Stderr(), "");
  EXPECT_EQ(Notes(), notes);
  struct stat st{};
  ASSERT_EQ(stat((p.dir() + "/tl.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}

}  // namespace
}  // namespace e2e
