// Every way out of the real program while recording: the quit question, the
// window manager's close, termination signals (also while a box is open),
// the window destroyed from outside and the display lost. Lines still in the
// record file's buffer must reach the file, whole.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// One simulated minute every 33 ms: five half hours in about five seconds.
constexpr int kSpeed = 30;

// Reads a FIFO named tl.txt from before the program opens it until stopped,
// keeping it open across the program's close and reopen at switch-on.
class FifoReader {
 public:
  explicit FifoReader(const std::string& path) {
    fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd_ >= 0) thread_ = std::thread([this] { Loop(); });
  }
  ~FifoReader() { Stop(); }
  bool ok() const { return fd_ >= 0; }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  std::string Text() {
    std::lock_guard<std::mutex> lock(mu_);
    return text_;
  }

 private:
  void Loop() {
    char buf[512];
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      poll(&p, 1, 20);
      // Without a writer the FIFO reads as at its end; the program comes back.
      ssize_t n;
      while ((n = read(fd_, buf, sizeof buf)) > 0) {
        std::lock_guard<std::mutex> lock(mu_);
        text_.append(buf, static_cast<size_t>(n));
      }
      if (n == 0) Sleep(0.01);
    }
  }
  int fd_ = -1;
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::string text_;
  std::thread thread_;
};

// Where the lines go: the file, or a FIFO of that name with a reader.
enum class Target { kFile, kFifo };

struct Recorder {
  Program& p;
  std::unique_ptr<FifoReader> reader;
  std::string Text() { return reader ? reader->Text() : p.File("tl.txt"); }
};

// What has reached the file while recording runs: the switch-on's two lines,
// then whole blocks of 256 bytes; the rest is still in the buffer.
void ExpectWholeBlocks(const std::string& text) {
  const size_t first = text.find('\n'), second = text.find('\n', first + 1);
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_EQ((text.size() - (second + 1)) % 256, 0u) << text;
}

// Records for five half hours, then stops the run (STOP), so that nothing
// more is written while the test looks and the ways out begin: the lines
// since the last whole block are in the buffer then.
void RecordFiveLines(Recorder& r) {
  Program& p = r.p;
  p.Click(at::kRecord);
  ASSERT_TRUE(WaitFor([&] { return Lines(r.Text()).size() >= 2; }, 30)) << r.Text();
  const auto start = p.Clock();
  ASSERT_TRUE(start) << "the clock readout cannot be read";
  ASSERT_TRUE(p.WaitForClock(*start + 150, 120)) << "the simulated clock stood still";
  p.Click(at::kStop);
  ASSERT_TRUE(p.WaitForSelection("STOP", 30));
  ExpectWholeBlocks(r.Text());
}

// Header, switch-on line and consecutive half hours, all whole, up to the
// last half hour the clock had reached when the way out began (`shown`).
void ExpectAllLines(const std::string& text, int shown) {
  bool whole = false;
  const auto lines = Lines(text, &whole);
  EXPECT_TRUE(whole) << text;
  ASSERT_GE(lines.size(), 2u + 5u) << text;
  EXPECT_EQ(lines[0], "Zeit;Innentemp;Arbeit;CO2");
  // The clock was not reset, so the times go on from where recording began.
  const double first = std::stod(lines[2].substr(0, lines[2].find(';')));
  double last = 0;
  for (size_t i = 2; i < lines.size(); ++i) {
    last = std::stod(lines[i].substr(0, lines[i].find(';')));
    EXPECT_DOUBLE_EQ(last, first + 0.5 * static_cast<double>(i - 2)) << "line " << i + 1;
    EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ';'), 4) << lines[i];
  }
  EXPECT_GE(last, 0.5 * (shown / 30)) << "lines up to the clock's " << shown << " minutes\n"
                                      << text;
}

TEST(Quit, CancelKeepsRunningOkEndsWithZero) {
  Program p(Speed(kSpeed));
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  Recorder r{p, nullptr};
  RecordFiveLines(r);
  p.Click(at::kEnde);
  auto box = p.WaitBox(10);
  ASSERT_TRUE(box) << "quit question";
  EXPECT_EQ(TitleOf(*box), "Moment mal:");
  KeyToWindow(*box, "Escape");  // Cancel
  EXPECT_TRUE(WaitFor([&] { return !FindBox(p.pid(), p.window()); }, 10));
  // Still running, and activated as the box went: START again, the clock
  // goes on.
  ASSERT_TRUE(p.WaitForSelection("START", 30));
  const auto now = p.Clock();
  ASSERT_TRUE(now);
  ASSERT_TRUE(p.WaitForClock(*now + 2, 30));

  p.Click(at::kEnde);
  box = p.WaitBox(10);
  ASSERT_TRUE(box);
  const auto shown = p.Clock();
  ASSERT_TRUE(shown);
  KeyToWindow(*box, "alt+o");  // OK
  EXPECT_EQ(p.WaitExit(30), std::optional<int>(0));
  ExpectAllLines(p.File("tl.txt"), *shown);
  EXPECT_EQ(Complaints(p.Stderr()), "");
}

// Opens the quit question and leaves it open.
void OpenQuitQuestion(Program& p) {
  p.Click(at::kEnde);
  const auto box = p.WaitBox(10);
  ASSERT_TRUE(box) << "quit question";
  ASSERT_EQ(TitleOf(*box), "Moment mal:");
}

// Ways out that need no answer, each ending with 0 and every line written.
struct WayOut {
  const char* name;
  Target target;
  void (*end)(Program&);
  const char* notice;  // a toolkit notice the way out itself provokes
};

const WayOut kWaysOut[] = {
    {"WindowManagerClose", Target::kFile, [](Program& p) { p.Close(); }, ""},
    // Another client destroying the window (a kill tool, a crashed window
    // manager): nothing can be shown any more, so the program ends like a close.
    {"WindowDestroyedFromOutside", Target::kFile,
     [](Program& p) {
       XDestroyWindow(Dpy(), p.window());
       XSync(Dpy(), False);
     },
     "unexpectedly destroyed"},
    {"Term", Target::kFile, [](Program& p) { p.Kill(SIGTERM); }, ""},
    {"Hup", Target::kFile, [](Program& p) { p.Kill(SIGHUP); }, ""},
    // A logout signals every program and follows with SIGKILL: an open box
    // must not hold the end up.
    {"TermWithTheQuitQuestionOpen", Target::kFile,
     [](Program& p) {
       OpenQuitQuestion(p);
       p.Kill(SIGTERM);
     },
     ""},
    {"IntWithTheQuitQuestionOpen", Target::kFile,
     [](Program& p) {
       OpenQuitQuestion(p);
       p.Kill(SIGINT);
     },
     ""},
    {"TermRecordingIntoAFifo", Target::kFifo, [](Program& p) { p.Kill(SIGTERM); }, ""},
};

void PrintTo(const WayOut& w, std::ostream* os) { *os << w.name; }

class WaysOut : public ::testing::TestWithParam<WayOut> {};

TEST_P(WaysOut, EndWithZeroAndEveryLineWritten) {
  Program p(Speed(kSpeed));
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  Recorder r{p, nullptr};
  if (GetParam().target == Target::kFifo) {
    ASSERT_EQ(mkfifo((p.dir() + "/tl.txt").c_str(), 0600), 0);
    r.reader = std::make_unique<FifoReader>(p.dir() + "/tl.txt");
    ASSERT_TRUE(r.reader->ok());
  }
  RecordFiveLines(r);
  const auto shown = p.Clock();
  ASSERT_TRUE(shown);
  GetParam().end(p);
  EXPECT_EQ(p.WaitExit(30), std::optional<int>(0));
  EXPECT_FALSE(p.Signalled());
  if (r.reader) {
    // What the program wrote before it ended has reached the reader.
    WaitFor([&] { return Lines(r.Text()).size() >= 7; }, 5);
    r.reader->Stop();
  }
  ExpectAllLines(r.Text(), *shown);
  EXPECT_EQ(Complaints(p.Stderr(), GetParam().notice), "");
}

INSTANTIATE_TEST_SUITE_P(Quit, WaysOut, ::testing::ValuesIn(kWaysOut),
                         [](const auto& info) { return std::string(info.param.name); });

// A signal still ends a program that cannot record: its error box open, or a
// FIFO without a reader in the way (a failed switch-on, silent, that must not
// wait for a reader).
TEST(Quit, SignalEndsAProgramThatCannotRecord) {
  const struct {
    const char* what;
    const char* target;  // what tl.txt is made
    bool box;            // the switch-on reports an error
  } cases[] = {
      {"error box open", "/dev/full", true},
      {"FIFO without a reader", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Program p(Speed(kSpeed));
    ASSERT_NE(p.window(), 0u) << p.Stderr();
    const std::string file = p.dir() + "/tl.txt";
    if (*c.target)
      ASSERT_EQ(symlink(c.target, file.c_str()), 0);
    else
      ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    p.Click(at::kRecord);
    if (c.box) {
      const auto box = p.WaitBox(10);
      ASSERT_TRUE(box) << "error box";
      EXPECT_EQ(TitleOf(*box), "pyrovantika");
      XMoveWindow(Dpy(), *box, 700, 500);  // off the clock's readout
      XSync(Dpy(), False);
    }
    // The program goes on: the clock runs on behind the box, or without it.
    const auto now = p.Clock();
    ASSERT_TRUE(now);
    ASSERT_TRUE(p.WaitForClock(*now + 3, 30)) << p.Stderr();
    EXPECT_EQ(FindBox(p.pid(), p.window()).has_value(), c.box);
    p.Kill(SIGTERM);
    EXPECT_EQ(p.WaitExit(30), std::optional<int>(0));
    EXPECT_FALSE(p.Signalled());
    EXPECT_EQ(Complaints(p.Stderr()), "");
  }
}

// A box whose window another client destroys (a stray tool, a window
// manager that breaks) is answered with neither OK nor Cancel, without a
// toolkit critical or an X error: the quit question's handler goes on as
// after Cancel, and the program runs on until asked again; the error report
// ends the program at once with 0, the record file written with whole lines.
struct GoneBox {
  const char* name;
  const char* wm;
  bool error_box;  // the report of a refused block, else the quit question
};

const GoneBox kGoneBoxes[] = {
    {"QuitQuestion", "", false},
    {"QuitQuestionUnderOpenbox", "openbox", false},
    {"ErrorBox", "", true},
    {"ErrorBoxUnderOpenbox", "openbox", true},
};

void PrintTo(const GoneBox& g, std::ostream* os) { *os << g.name; }

class BoxDestroyed : public ::testing::TestWithParam<GoneBox> {};

TEST_P(BoxDestroyed, IsNoOkAndLeavesNoFault) {
  const GoneBox& c = GetParam();
  WindowManager wm(c.wm);
  ASSERT_TRUE(wm.ready()) << wm.Diagnosis();
  Options o = Speed(kSpeed);
  o.move_to_origin = wm.none();
  if (c.error_box) o.file_size_limit = 300;  // the switch-on's lines and most of a block
  Program p(o);
  ASSERT_NE(p.window(), 0u) << p.Stderr() << wm.Diagnosis();
  Recorder r{p, nullptr};
  std::optional<Window> box;
  if (c.error_box) {
    p.Click(at::kRecord);
    box = p.WaitBox(120);
    ASSERT_TRUE(box) << "the report of the refused block\n" << p.Stderr();
  } else {
    RecordFiveLines(r);  // ends with STOP selected
    p.Click(at::kEnde);
    box = p.WaitBox(30);
    ASSERT_TRUE(box) << "quit question";
  }
  XDestroyWindow(Dpy(), *box);
  XSync(Dpy(), False);

  const auto no_fault = [&] {
    EXPECT_EQ(Complaints(p.Stderr(), "unexpectedly destroyed"), "");
    EXPECT_EQ(p.Stderr().find("X error"), std::string::npos) << p.Stderr();
  };
  if (c.error_box) {
    EXPECT_EQ(p.WaitExit(30), std::optional<int>(0)) << p.Stderr();
    EXPECT_FALSE(p.Signalled());
    bool whole = false;
    const auto lines = Lines(p.File("tl.txt"), &whole);
    EXPECT_TRUE(whole) << p.File("tl.txt");
    ASSERT_GE(lines.size(), 2u) << p.File("tl.txt");
    EXPECT_EQ(lines[0], "Zeit;Innentemp;Arbeit;CO2");
    for (size_t i = 1; i < lines.size(); ++i)
      EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ';'), 4) << lines[i];
    no_fault();
    return;
  }
  // As after Cancel: the box gone, the window activated (START selected
  // again), the clock going on.
  ASSERT_TRUE(WaitFor([&] { return !FindBox(p.pid(), p.window()) || !p.Running(); }, 30));
  ASSERT_TRUE(p.WaitForSelection("START", 30)) << p.Stderr();
  const auto now = p.Clock();
  ASSERT_TRUE(now);
  ASSERT_TRUE(p.WaitForClock(*now + 2, 30)) << p.Stderr();
  // Asked again, OK ends the program as usual.
  p.Click(at::kEnde);
  box = p.WaitBox(30);
  ASSERT_TRUE(box) << "quit question again";
  const auto shown = p.Clock();
  ASSERT_TRUE(shown);
  KeyToWindow(*box, "alt+o");
  EXPECT_EQ(p.WaitExit(30), std::optional<int>(0)) << p.Stderr();
  ExpectAllLines(p.File("tl.txt"), *shown);
  no_fault();
}

INSTANTIATE_TEST_SUITE_P(Quit, BoxDestroyed, ::testing::ValuesIn(kGoneBoxes),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs argv with DISPLAY=display; its exit code.
int RunOn(const std::string& display, const std::vector<std::string>& argv,
          std::string* out = nullptr) {
  const char* old = std::getenv("DISPLAY");
  const std::string saved = old ? old : "";
  setenv("DISPLAY", display.c_str(), 1);
  const int rc = Run(argv, out);
  setenv("DISPLAY", saved.c_str(), 1);
  return rc;
}

// The X server going away under the running program (a session ended, a
// remote display lost): no box can be shown, but the buffered lines must
// still reach the file.
TEST(Quit, LostDisplayStillWritesEveryLine) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t server = fork();
  if (server == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
           "-nolisten", "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The server writes the number and the newline apart; closing our end
  // before the newline arrives kills it with EPIPE, so read up to it.
  std::string number;
  char c = 0;
  const double end = Now() + 60;
  while (c != '\n' && Now() < end) {
    pollfd in{fds[0], POLLIN, 0};
    if (poll(&in, 1, 100) <= 0) continue;
    if (read(fds[0], &c, 1) != 1) break;  // the server ended
    if (c != '\n') number += c;
  }
  close(fds[0]);
  if (c != '\n') {
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
  }
  ASSERT_EQ(c, '\n') << "own X server gave no display number within 60 s: " << number;
  const std::string display = ":" + number;
  // A failed assertion must not leave the server behind, nor our connection
  // to it, which would end this test when the server goes.
  Display* other = nullptr;
  struct Reaper {
    pid_t pid;
    Display*& other;
    ~Reaper() {
      if (other) XCloseDisplay(other);
      if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
      }
    }
  } reaper{server, other};

  Options o = Speed(kSpeed);
  o.env = {"DISPLAY=" + display};
  o.find_window = false;  // it is on the other server
  Program p(o);
  std::string found;
  ASSERT_TRUE(WaitFor(
      [&] {
        found.clear();
        return RunOn(display,
                     {"xdotool", "search", "--sync", "--onlyvisible", "--name", "^PYROVANTIKA 3"},
                     &found) == 0;
      },
      30));
  const Window win = std::strtoul(found.c_str(), nullptr, 10);
  other = XOpenDisplay(display.c_str());
  ASSERT_TRUE(other);
  const auto clock = [&] { return ClockMinutes(Pixels(other, win, 0, 0, 682, 451)); };
  // The window stands at its stored place, 461,137; RECORD is at 474,371.
  RunOn(display, {"xdotool", "mousemove", "935", "508", "click", "1"});
  ASSERT_TRUE(WaitFor([&] { return Lines(p.File("tl.txt")).size() == 2; }, 30)) << p.Stderr();
  const auto start = clock();
  ASSERT_TRUE(start) << "the clock readout cannot be read";
  ASSERT_TRUE(WaitFor([&] { return clock().value_or(0) >= *start + 150 || !p.Running(); }, 120));
  ASSERT_TRUE(p.Running());
  // STOP, at 480,307: nothing more is written while the test looks.
  RunOn(display, {"xdotool", "mousemove", "941", "444", "click", "1"});
  ASSERT_TRUE(WaitFor(
      [&] { return RunSelection(Pixels(other, win, 0, 0, 682, 451)) == "STOP" || !p.Running(); },
      30));
  ASSERT_TRUE(p.Running());
  ExpectWholeBlocks(p.File("tl.txt"));
  const auto shown = clock();
  ASSERT_TRUE(shown);
  XCloseDisplay(other);
  other = nullptr;
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  reaper.pid = 0;
  EXPECT_EQ(p.WaitExit(30), std::optional<int>(1));
  EXPECT_FALSE(p.Signalled());
  ExpectAllLines(p.File("tl.txt"), *shown);
  EXPECT_EQ(p.Stderr(), "pyrovantika: lost the connection to the X display " + display + "\n");
}

}  // namespace
}  // namespace e2e
