// The real program where the record file cannot be written: it reports or
// gives up recording, and goes on running with the pupil's notes intact.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <ostream>
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
    // The text is in, the caret gone and the box drawn once a repaint asked
    // for after them shows.
    ASSERT_TRUE(p.Repaints(30));
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

// ---- a record file that cannot take a block

// One simulated minute every 33 ms: the first block of lines is due after
// about twelve seconds.
constexpr int kFast = 30;

// The error box for a refused block is up, and the window goes on behind
// it: it is painted. (The tick that opened the box waits for its answer, so
// the clock stands meanwhile.)
void ReportedAsFullDisk(Program& p) {
  const auto box = p.WaitBox(120);
  ASSERT_TRUE(box) << "error box\n" << p.Stderr();
  EXPECT_EQ(TitleOf(*box), "pyrovantika");
  XMoveWindow(Dpy(), *box, 700, 500);  // off the window
  XSync(Dpy(), False);
  EXPECT_NE(p.Stderr().find("Disk Full"), std::string::npos) << p.Stderr();
  EXPECT_TRUE(p.Repaints(30)) << "the window goes on behind the box";
}

// The data lines after the header: whole, in order, and after the switch-on
// line (the time RECORD was ticked) half hours apart where `consecutive`,
// else later each time.
void ExpectWholeLinesInOrder(const std::string& text, bool consecutive, size_t at_least) {
  bool whole = false;
  const auto lines = Lines(text, &whole);
  EXPECT_TRUE(whole) << text;
  ASSERT_GE(lines.size(), 1 + at_least) << text;
  EXPECT_EQ(lines[0], "Zeit;Innentemp;Arbeit;CO2");
  double prev = -1;
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ';'), 4) << lines[i];
    const double t = std::stod(lines[i].substr(0, lines[i].find(';')));
    if (prev >= 0) {
      if (consecutive && i > 2)
        EXPECT_DOUBLE_EQ(t, prev + 0.5) << "line " << i + 1;
      else
        EXPECT_GT(t, prev) << "line " << i + 1;
    }
    prev = t;
  }
}

// A FIFO named tl.txt whose reader stays but stops reading: the block that
// it cannot take now is refused like a full disk, instead of a write that
// waits and freezes the window. A signal then ends the program as usual,
// and what it could keep reaches the reader once it reads again.
TEST(RecordFileBlocked, AReaderThatStopsReadingIsAFullDisk) {
  Program p(Speed(kFast));
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  const std::string fifo = p.dir() + "/tl.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_EQ(fcntl(reader, F_SETPIPE_SZ, 4096), 4096);
  // Filled but for room for the switch-on's header and first line.
  const std::string filler(4096 - 100, '#');
  const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(write(writer, filler.data(), filler.size()), static_cast<ssize_t>(filler.size()));
  close(writer);
  std::string got;
  const auto drain = [&] {
    char buf[4096];
    ssize_t n;
    while ((n = read(reader, buf, sizeof buf)) > 0) got.append(buf, static_cast<size_t>(n));
  };

  p.Click(at::kRecord);
  ReportedAsFullDisk(p);
  drain();  // reading again: now there is room
  p.Kill(SIGTERM);
  EXPECT_EQ(p.WaitExit(30), std::optional<int>(0));
  EXPECT_FALSE(p.Signalled());
  drain();
  close(reader);
  ASSERT_EQ(got.compare(0, filler.size(), filler), 0);
  // The switch-on's two lines, then lines kept whole at the refusals.
  ExpectWholeLinesInOrder(got.substr(filler.size()), false, 2);
  EXPECT_EQ(Complaints(p.Stderr()), "");
}

// A file-size limit (ulimit -f) stops the file like a full disk, instead of
// SIGXFSZ killing the program with a torn last line; the file stays at whole
// lines.
TEST(RecordFileBlocked, AFileSizeLimitIsAFullDisk) {
  Options o = Speed(kFast);
  o.file_size_limit = 300;  // the switch-on's lines and most of one block
  Program p(o);
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  p.Click(at::kRecord);
  ReportedAsFullDisk(p);
  p.Kill(SIGTERM);
  EXPECT_EQ(p.WaitExit(30), std::optional<int>(0));
  EXPECT_FALSE(p.Signalled());
  ExpectWholeLinesInOrder(p.File("tl.txt"), true, 5);
  EXPECT_EQ(Complaints(p.Stderr()), "");
}

// ---- a key held down as the focus moves between the program's windows

// The pupil keeps Return pressed a moment too long: the box it answered has
// gone, and the key's repeats go to the window the focus comes back to (or
// Return pressed on Ende goes on into the box it opened). They are no
// presses there: RECORD, which had the focus, would switch on and off at
// the repeat rate and start the file anew each time; Ende would ask again
// and again, or the quit question answer itself.
struct HeldReturn {
  const char* name;
  int speed;
  long file_size_limit;
  // Leaves the window that the Return is to be held down on, with the
  // focus on the control it would act on; whether the press opens a box
  // (rather than answering one).
  Window (*prepare)(Program&);
  bool opens_box;
};

// The recipe with a file-size limit: the first refused block's box answered
// with OK, then RECORD unticked, whose close is refused as well: its box has
// RECORD as the window's focus behind it.
Window SecondDiskFullBox(Program& p) {
  p.Click(at::kRecord);
  auto box = p.WaitBox(120);
  if (!box) return 0;
  KeyToWindow(*box, "alt+o");
  if (!WaitFor([&] { return !FindBox(p.pid(), p.window()); }, 30)) return 0;
  p.Click(at::kRecord);  // off: the close is refused
  box = p.WaitBox(30);
  return box.value_or(0);
}

Window QuitQuestion(Program& p) {
  p.Click(at::kEnde);
  return p.WaitBox(30).value_or(0);
}

// Ende with the focus, the window active: Return on it opens the question.
Window EndeFocused(Program& p) {
  const Window box = QuitQuestion(p);
  if (!box) return 0;
  KeyToWindow(box, "Escape");
  if (!WaitFor([&] { return !FindBox(p.pid(), p.window()); }, 30)) return 0;
  return p.window();
}

const HeldReturn kHeldReturns[] = {
    {"OnTheDiskFullBoxOfRecord", 30, 300, SecondDiskFullBox, false},
    {"OnTheQuitQuestion", 10, -1, QuitQuestion, false},
    {"OnEnde", 10, -1, EndeFocused, true},
};

void PrintTo(const HeldReturn& h, std::ostream* os) { *os << h.name; }

class KeyHeld : public ::testing::TestWithParam<HeldReturn> {};

TEST_P(KeyHeld, ReturnHeldDownActsOnceWhereItWasPressed) {
  const HeldReturn& c = GetParam();
  XKeyboardState keyboard{};
  XGetKeyboardControl(Dpy(), &keyboard);
  ASSERT_EQ(keyboard.global_auto_repeat, AutoRepeatModeOn) << "the server repeats no key";
  Options o = Speed(c.speed);
  o.file_size_limit = c.file_size_limit;
  Program p(o);
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  const Window on = c.prepare(p);
  ASSERT_NE(on, 0u) << "the window to hold Return on\n" << p.Stderr();
  const std::string file = p.File("tl.txt");

  // Down, and not up again until the test ends, however it ends.
  struct Release {
    ~Release() { e2e::Run({"xdotool", "keyup", "Return"}); }
  } release;
  XSetInputFocus(Dpy(), on, RevertToPointerRoot, CurrentTime);
  XSync(Dpy(), False);
  ASSERT_EQ(e2e::Run({"xdotool", "keydown", "Return"}), 0);

  std::optional<Window> box;
  if (c.opens_box) {
    box = p.WaitBox(30);
    ASSERT_TRUE(box) << "Return on Ende asks the question";
    XMoveWindow(Dpy(), *box, 700, 500);  // off the clock's readout
    XSync(Dpy(), False);
  } else {
    ASSERT_TRUE(WaitFor([&] { return !FindBox(p.pid(), p.window()); }, 30))
        << "Return answers the box";
  }
  // Two seconds of repeats, as the program's clock tells (the server
  // repeats after 660 ms, 25 times a second): the window goes on meanwhile.
  const auto now = p.Clock();
  ASSERT_TRUE(now) << "the clock readout cannot be read";
  bool other_box = false;
  ASSERT_TRUE(WaitFor(
      [&] {
        other_box = other_box || FindBox(p.pid(), p.window()) != box;
        return p.Clock().value_or(0) >= *now + 2 * c.speed || !p.Running();
      },
      120));
  ASSERT_TRUE(p.Running()) << p.Stderr();
  EXPECT_FALSE(other_box) << (c.opens_box ? "the question answered itself"
                                          : "a box came again");
  EXPECT_EQ(FindBox(p.pid(), p.window()), box);
  EXPECT_EQ(p.File("tl.txt"), file) << "the record file was left as it was";
  EXPECT_EQ(Complaints(p.Stderr()), "");
}

INSTANTIATE_TEST_SUITE_P(RecordFileFaults, KeyHeld, ::testing::ValuesIn(kHeldReturns),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
