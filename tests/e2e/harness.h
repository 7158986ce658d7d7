// Drives the real program binary from outside: X input through xdotool,
// observation through Xlib (pixels, title, size hints), files and exit codes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/probe/probe.h"

namespace e2e {

using probe::CpuSeconds;
using probe::Dpy;
using probe::FindWindow;
using probe::Now;
using probe::Pixels;
using probe::ReadFile;
using probe::Sleep;
using probe::TitleOf;
using probe::WaitFor;
using probe::WindowOrigin;

// Runs a command (argv[0] looked up in PATH), waits, returns its exit code.
int Run(const std::vector<std::string>& argv, std::string* out = nullptr);


struct Options {
  int speed = 1;               // faketime speed-up factor, 1 = real time
  std::string workdir;         // empty: a fresh temp dir
  std::vector<std::string> prefix;  // e.g. valgrind and its arguments
  std::vector<std::string> env;     // extra NAME=value entries
  bool find_window = true;     // false: the window is on another display
  bool move_to_origin = true;  // keeps clicks and pixels independent of the screen size
  long file_size_limit = -1;   // RLIMIT_FSIZE of the program in bytes, -1: none set
  // A clock whose speed-up the test changes while the program runs
  // (Program::SetSpeed), starting at this factor; 0: the fixed `speed`.
  double changeable_speed = 0;
};

inline Options Speed(int x) {
  Options o;
  o.speed = x;
  return o;
}

// rgb of a pixel as 0xRRGGBB.
constexpr uint32_t kSky = 0x0000AA, kMeadow = 0x249900, kGrey = 0x808080,
                   kYellow = 0xFFFF00, kAqua = 0x00FFFF;

// Client coordinates of the controls the tests use.
struct Pt {
  int x, y;
};
namespace at {
constexpr Pt kStart{480, 283}, kStop{480, 307}, kReset{480, 331}, kRecord{474, 371},
    kEnde{508, 420}, kSunButton{56, 116}, kSunDisc{80, 50}, kHeaterButton{264, 396},
    kHouse{240, 255}, kUWert{164, 364}, kUTable{360, 190}, kNotepad{500, 150},
    kOutsideDown{264, 338}, kUUp{264, 356};
}  // namespace at

class Program {
 public:
  explicit Program(Options o = {});
  ~Program();  // kills a program that is still running
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  pid_t pid() const { return pid_; }
  Window window() const { return win_; }
  const std::string& dir() const { return dir_; }
  // Where the window was before the harness moved it.
  int stored_x = -1, stored_y = -1;

  // The changeable clock's new speed-up (Options::changeable_speed). The
  // program sees its time jump as if it had run at this speed from its start:
  // every timer fires once, then at the new pace.
  void SetSpeed(double x);

  bool Running();  // not yet exited (reaps it if it has)
  std::optional<int> ExitCode() const { return exit_code_; }
  bool Signalled() const { return signalled_; }
  // Waits for the end; the exit code, or nullopt on timeout or a signal death.
  std::optional<int> WaitExit(double timeout);
  void Kill(int sig);

  void MoveTo(int x, int y);           // pointer, client coordinates
  void Click(int x, int y, int n = 1, int button = 1);
  void Click(Pt p, int n = 1) { Click(p.x, p.y, n); }
  // The first box this program opens within timeout seconds.
  std::optional<Window> WaitBox(double timeout);
  void Drag(int x0, int y0, int x1, int y1);
  void Key(const std::string& keysym);  // to the focused window
  void Type(const std::string& text);
  void Close();                         // WM_DELETE_WINDOW, as a window manager sends it

  uint32_t Pixel(int x, int y);
  // The client area as 0xRRGGBB values, row-major 682 x 451.
  std::vector<uint32_t> Snapshot();
  // The simulated clock as its readout shows it now (see ClockMinutes);
  // nullopt when it cannot be read within a few seconds (covered, gone).
  std::optional<int> Clock();
  // Waits until the clock readout shows at least `minutes`.
  bool WaitForClock(int minutes, double timeout);
  // Asks for a repaint of a small part of the sky, marked from outside
  // first, and waits until the program's paint has covered the mark: the
  // window is painted, and every event sent to it before has been handled.
  bool Repaints(double timeout);
  // Waits until the run control shows selected (see RunSelection).
  bool WaitForSelection(const std::string& control, double timeout);
  std::string Title();
  // The size hints a window manager would read (WM_NORMAL_HINTS).
  XSizeHints SizeHints();
  std::string Stderr() const;
  std::string File(const std::string& name) const;
  long RssKiB() const;

 private:
  Options opt_;
  std::string dir_;
  pid_t pid_ = -1;
  Window win_ = 0;
  std::optional<int> exit_code_;
  bool signalled_ = false;
  bool exited_ = false;
  bool own_dir_ = false;
};

// Pixels of colour rgb in the rectangle (x, y, w, h) of a Snapshot().
int CountColour(const std::vector<uint32_t>& snap, int x, int y, int w, int h, uint32_t rgb);
// The rectangle (x, y, w, h) of a Snapshot(), row by row.
std::vector<uint32_t> Crop(const std::vector<uint32_t>& snap, int x, int y, int w, int h);

// A box (any other mapped window of pid), if one is open.
std::optional<Window> FindBox(pid_t pid, Window main);

// The toolkit's warnings and criticals among the lines of a stderr text,
// leaving out lines that contain `expected` (a notice the case provokes).
std::string Complaints(const std::string& err, const std::string& expected = "");

// A client message about `window` of the given type, sent to `to` for the
// clients that select `mask` there (a window manager: the root, with the
// substructure masks).
void SendClientMessage(Window to, Window window, const char* type, const std::vector<long>& data,
                       long mask);

// Gives a window the keyboard focus, then sends it a key.
void KeyToWindow(Window w, const std::string& keysym);

// Which of the candidates the label at (x, y, w, h) of a Snapshot() shows in
// black, read by comparing its text with each laid out in the labels' face.
std::optional<std::string> ShownText(const std::vector<uint32_t>& snap, int x, int y, int w, int h,
                                     const std::vector<std::string>& candidates);

// The run control ("START", "STOP" or "RESET") that a Snapshot() shows
// selected: the one whose indicator has the dot; nullopt unless exactly one.
std::optional<std::string> RunSelection(const std::vector<uint32_t>& snap);

// Minutes since 0:00 that the simulated clock's readout shows in a
// Snapshot(), read by comparing its text with "H:MM h" laid out in the
// readout's face; nullopt when it shows nothing of that form. The stored
// caption, shown until the first running tick, reads as 21.
std::optional<int> ClockMinutes(const std::vector<uint32_t>& snap);

// The lines of a text, each without its "\n"; `whole` tells whether the
// text ended with "\n".
std::vector<std::string> Lines(const std::string& text, bool* whole = nullptr);

// ---- window managers

// The windows a property of the root names, as window managers announce
// themselves, the active window and the stacking order; the one window, or
// 0 unless exactly one.
std::vector<Window> RootWindowsProperty(const char* name);
Window RootWindowProperty(const char* name);
// The window manager's focus, the active window it announces.
inline Window Active() { return RootWindowProperty("_NET_ACTIVE_WINDOW"); }
// Mapped, inside a frame of the window manager's.
bool Framed(Window w);

// A window manager on the test's X server, with a home of its own (fluxbox
// writes its settings there, twm finds its config there), and another
// program's window that it has framed: it takes windows in from then on.
// "" starts none.
class WindowManager {
 public:
  explicit WindowManager(const std::string& name);
  ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  bool ready() const { return pid_ < 0 || ready_; }
  bool none() const { return pid_ < 0; }
  Window other() const { return other_; }

  // What the X server holds and whether the window manager still runs.
  std::string Diagnosis();
  // What it has written on its stdout and stderr so far.
  std::string Output() const;

 private:
  bool Alive();
  static bool Running(bool announces);

  pid_t pid_ = -1;
  bool announces_ = true;  // sets _NET_SUPPORTING_WM_CHECK on the root
  std::string home_;
  Window other_ = 0;
  bool ready_ = false;
};

// The program under a window manager, which places it (none: at the origin).
std::unique_ptr<Program> StartUnder(const WindowManager& wm, int speed);

}  // namespace e2e
