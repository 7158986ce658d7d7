// Every way out of the real program while recording: the quit question, the
// window manager's close and termination signals. Lines still in the record
// file's buffer must reach the file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include <ostream>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// Records for about 2.5 simulated hours: five data lines, all of them still
// in the buffer (the file holds only what the switch-on closed).
void RecordAWhile(Program& p) {
  p.MoveTo(300, 200);
  Sleep(0.5);
  p.Click(at::kRecord);
  Sleep(15.5);
  ASSERT_EQ(Lines(p.File("tl.txt")).size(), 2u) << "the data lines should still be buffered";
}

// Header, switch-on line and consecutive half hours from 0.50 on, all whole.
void ExpectAllLines(const Program& p, size_t at_least) {
  bool whole = false;
  const std::string text = p.File("tl.txt");
  const auto lines = Lines(text, &whole);
  EXPECT_TRUE(whole) << text;
  ASSERT_GE(lines.size(), 2 + at_least) << text;
  EXPECT_EQ(lines[0], "Zeit;Innentemp;Arbeit;CO2");
  // The clock was not reset, so the times go on from where recording began.
  const double first = std::stod(lines[2].substr(0, lines[2].find(';')));
  for (size_t i = 2; i < lines.size(); ++i) {
    const double t = std::stod(lines[i].substr(0, lines[i].find(';')));
    EXPECT_DOUBLE_EQ(t, first + 0.5 * static_cast<double>(i - 2)) << "line " << i + 1;
    EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ';'), 4) << lines[i];
  }
}

TEST(Quit, CancelKeepsRunningOkEndsWithZero) {
  Program p(Speed(10));
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  RecordAWhile(p);
  p.Click(at::kEnde);
  auto box = p.WaitBox(5);
  ASSERT_TRUE(box) << "quit question";
  EXPECT_EQ(TitleOf(*box), "Moment mal:");
  KeyToWindow(*box, "Escape");  // Cancel
  EXPECT_TRUE(WaitFor([&] { return !FindBox(p.pid(), p.window()); }, 5));
  Sleep(1.0);
  ASSERT_TRUE(p.Running());

  p.Click(at::kEnde);
  box = p.WaitBox(5);
  ASSERT_TRUE(box);
  KeyToWindow(*box, "alt+o");  // OK
  EXPECT_EQ(p.WaitExit(10), std::optional<int>(0));
  ExpectAllLines(p, 5);
  EXPECT_EQ(Complaints(p.Stderr()), "");
}

// Ways out that need no answer, each ending with 0 and every line written.
struct WayOut {
  const char* name;
  void (*end)(Program&);
  const char* notice;  // a toolkit notice the way out itself provokes
};

const WayOut kWaysOut[] = {
    {"WindowManagerClose", [](Program& p) { p.Close(); }, ""},
    // Another client destroying the window (a kill tool, a crashed window
    // manager): nothing can be shown any more, so the program ends like a close.
    {"WindowDestroyedFromOutside",
     [](Program& p) {
       XDestroyWindow(Dpy(), p.window());
       XSync(Dpy(), False);
     },
     "unexpectedly destroyed"},
    {"Term", [](Program& p) { p.Kill(SIGTERM); }, ""},
    {"Hup", [](Program& p) { p.Kill(SIGHUP); }, ""},
};

void PrintTo(const WayOut& w, std::ostream* os) { *os << w.name; }

class WaysOut : public ::testing::TestWithParam<WayOut> {};

TEST_P(WaysOut, EndWithZeroAndEveryLineWritten) {
  Program p(Speed(10));
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  RecordAWhile(p);
  GetParam().end(p);
  EXPECT_EQ(p.WaitExit(10), std::optional<int>(0));
  EXPECT_FALSE(p.Signalled());
  ExpectAllLines(p, 5);
  EXPECT_EQ(Complaints(p.Stderr(), GetParam().notice), "");
}

INSTANTIATE_TEST_SUITE_P(Quit, WaysOut, ::testing::ValuesIn(kWaysOut),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs argv with DISPLAY=display; its exit code.
int RunOn(const std::string& display, const std::vector<std::string>& argv) {
  const char* old = std::getenv("DISPLAY");
  const std::string saved = old ? old : "";
  setenv("DISPLAY", display.c_str(), 1);
  const int rc = Run(argv);
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
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  ASSERT_EQ(c, '\n') << "own X server gave no display number: " << number;
  const std::string display = ":" + number;
  // A failed assertion must not leave the server behind.
  struct Reaper {
    pid_t pid;
    ~Reaper() {
      if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
      }
    }
  } reaper{server};

  Options o = Speed(10);
  o.env = {"DISPLAY=" + display};
  o.find_window = false;  // it is on the other server
  Program p(o);
  ASSERT_TRUE(WaitFor(
      [&] {
        return RunOn(display, {"xdotool", "search", "--sync", "--onlyvisible", "--name",
                               "^PYROVANTIKA 3"}) == 0;
      },
      20));
  // The window stands at its stored place, 461,137; RECORD is at 474,371.
  RunOn(display, {"xdotool", "mousemove", "761", "337"});
  Sleep(0.5);
  RunOn(display, {"xdotool", "mousemove", "935", "508", "click", "1"});
  Sleep(15.5);
  ASSERT_TRUE(p.Running()) << p.Stderr();
  ASSERT_EQ(Lines(p.File("tl.txt")).size(), 2u) << "the data lines should still be buffered";
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  reaper.pid = 0;
  EXPECT_EQ(p.WaitExit(10), std::optional<int>(1));
  EXPECT_FALSE(p.Signalled());
  ExpectAllLines(p, 5);
}

}  // namespace
}  // namespace e2e
