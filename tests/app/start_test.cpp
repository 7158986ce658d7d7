// The program's start that cannot go on (a description it cannot read, a
// window system without timers) ends with one line on the diagnostic output
// and exit code 2, before any window is shown, and not by a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What a program left behind: its diagnostic output and its wait status.
struct Ended {
  bool ended = false;  // false: still running at the deadline, killed
  int status = 0;
  std::string err;
};

// Runs program with no arguments, its standard output thrown away, and
// collects its diagnostic output until it ends. A program that is still
// running after the deadline is killed.
Ended RunToEnd(const char* program, std::chrono::seconds deadline) {
  Ended out;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << errno;
    return out;
  }
  // Under LeakSanitizer the count of the toolkit's suppressed allocations
  // would follow the line; a leak it reports still shows, and sets the code.
  std::vector<std::string> env;
  std::string lsan = "print_suppressions=0";
  for (char** e = environ; *e; ++e) {
    const std::string var = *e;
    if (var.rfind("LSAN_OPTIONS=", 0) == 0)
      lsan = var.substr(std::strlen("LSAN_OPTIONS=")) + ":" + lsan;
    else
      env.push_back(var);
  }
  env.push_back("LSAN_OPTIONS=" + lsan);
  std::vector<char*> envp;
  for (auto& var : env) envp.push_back(var.data());
  envp.push_back(nullptr);
  char* const argv[] = {const_cast<char*>(program), nullptr};

  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0 || dup2(null, 1) < 0 || dup2(fds[1], 2) < 0) _exit(126);
    execve(program, argv, envp.data());
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    ADD_FAILURE() << "fork: " << errno;
    return out;
  }
  const auto end = std::chrono::steady_clock::now() + deadline;
  const auto left_ms = [&] {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0));
  };
  bool reading = true;
  while (reading) {
    pollfd p{fds[0], POLLIN, 0};
    const int n = poll(&p, 1, left_ms());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the deadline, or a poll that cannot go on
    char buf[256];
    const ssize_t got = read(fds[0], buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got > 0)
      out.err.append(buf, static_cast<std::size_t>(got));
    else
      reading = false;
  }
  close(fds[0]);
  // The exit follows the end of the output at once, but a busy machine may
  // take its time.
  for (;;) {
    const pid_t w = waitpid(pid, &out.status, WNOHANG);
    if (w == pid) {
      out.ended = true;
      break;
    }
    if (w < 0 && errno != EINTR) break;
    if (left_ms() == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, &out.status, 0);
      break;
    }
    usleep(10000);
  }
  return out;
}

// Far longer than a start that stops takes, even on a busy machine.
constexpr std::chrono::seconds kDeadline(60);

struct StartCase {
  const char* what;
  const char* program;
  const char* err;  // the whole diagnostic output
};

TEST(ProgramStart, AStartThatCannotGoOnEndsWithOneLineAndCode2) {
  const StartCase cases[] = {
      {"a colour the reader does not know", BROKEN_PROGRAM,
       "pyrovantika: Label5.Color: unknown colour 'clPink'\n"},
      {"a window system that gives no timers", NO_TIMERS_PROGRAM,
       "pyrovantika: No timers available\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Ended r = RunToEnd(c.program, kDeadline);
    if (!r.ended) {
      ADD_FAILURE() << "the program did not end within " << kDeadline.count()
                    << " s; its output: " << r.err;
      continue;
    }
    if (!WIFEXITED(r.status)) {
      ADD_FAILURE() << "the program was killed by signal " << WTERMSIG(r.status)
                    << "; its output: " << r.err;
      continue;
    }
    EXPECT_EQ(WEXITSTATUS(r.status), 2) << r.err;
    EXPECT_EQ(r.err, c.err);
  }
}

}  // namespace
