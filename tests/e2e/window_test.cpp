// The real program seen from outside: its window at start, and the pupil's
// controls (sun, heater, U-value table, notepad, RESET) by real clicks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kBlack = 0x000000, kDarkRed = 0x800000;

// Pixels of the rectangle that are none of the given colours.
int CountOther(const std::vector<uint32_t>& snap, int x, int y, int w, int h,
               std::vector<uint32_t> except) {
  int n = 0;
  for (uint32_t p : Crop(snap, x, y, w, h))
    n += std::find(except.begin(), except.end(), p) == except.end();
  return n;
}

TEST(Start, WindowTitleHintsAndScene) {
  Program p;
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  EXPECT_EQ(p.stored_x, 461);
  EXPECT_EQ(p.stored_y, 137);
  EXPECT_EQ(p.Title(), "PYROVANTIKA 3.1 Linux portable                         ");
  int x, y, w, h;
  WindowOrigin(p.window(), &x, &y, &w, &h);
  EXPECT_EQ(w, 682);
  EXPECT_EQ(h, 451);
  const XSizeHints hints = p.SizeHints();
  ASSERT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize)) << "fixed size is hinted";
  EXPECT_EQ(hints.min_width, 682);
  EXPECT_EQ(hints.max_width, 682);
  EXPECT_EQ(hints.min_height, 451);
  EXPECT_EQ(hints.max_height, 451);

  // The first simulation tick paints the sun.
  ASSERT_TRUE(WaitFor([&] { return p.Pixel(80, 50) == kGrey; }, 30)) << p.Stderr();
  const auto s = p.Snapshot();
  ASSERT_EQ(s.size(), 682u * 451u);
  struct {
    const char* what;
    int x, y;
    uint32_t rgb;
  } const table[] = {
      {"sky, right of the sparks' range", 640, 20, kSky},
      {"sky, below the sparks' range", 300, 158, kSky},
      {"meadow", 60, 440, kMeadow},
      {"meadow right of the house", 350, 275, kMeadow},
      {"house wall", 160, 262, kGrey},
      {"roof", 190, 180, kDarkRed},
      {"sun, grey while off", 80, 50, kGrey},
  };
  for (const auto& c : table)
    EXPECT_EQ(s[c.y * 682 + c.x], c.rgb) << c.what << " at " << c.x << "," << c.y;
  // Pictures and readouts: something other than the ground they stand on.
  EXPECT_GT(CountOther(s, 24, 360, 105, 54, {kMeadow}), 500) << "tree";
  EXPECT_GT(CountOther(s, 312, 304, 105, 54, {kMeadow}), 500) << "second tree";
  EXPECT_GT(CountOther(s, 576, 256, 49, 28, {kMeadow}), 100) << "shrub";
  EXPECT_GT(CountColour(s, 200, 384, 45, 24, kRed), 10) << "heater readout in red";
  EXPECT_GT(CountColour(s, 528, 192, 73, 25, kBlack), 10) << "clock readout";
  EXPECT_GT(CountColour(s, 376, 24, 249, 153, kBlue), 50) << "notepad text";
  EXPECT_EQ(CountColour(s, 256, 16, 297, 209, kAqua), 0) << "U-value table hidden";

  EXPECT_TRUE(WaitFor([&] { return p.Title() == "PYROVANTIKA 3.1 Raumheizung"; }, 30))
      << p.Title();
  EXPECT_EQ(Complaints(p.Stderr()), "");
}

class Controls : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(p.window(), 0u) << p.Stderr(); }
  void TearDown() override {
    EXPECT_TRUE(p.Running());
    EXPECT_EQ(Complaints(p.Stderr()), "");
  }
  Program p{Speed(10)};
};

TEST_F(Controls, SunByButtonAndByClickOnTheSun) {
  // The first tick paints the sun, grey while off.
  ASSERT_TRUE(WaitFor([&] { return p.Pixel(at::kSunDisc.x, at::kSunDisc.y) == kGrey; }, 20));
  p.Click(at::kSunButton);
  EXPECT_TRUE(WaitFor([&] { return p.Pixel(80, 50) == kYellow; }, 20));
  // The sun's power is shown by the next tick.
  EXPECT_TRUE(WaitFor([&] { return CountColour(p.Snapshot(), 136, 136, 54, 18, kRed) > 10; }, 20));
  p.Click(at::kSunDisc);
  EXPECT_TRUE(WaitFor([&] { return p.Pixel(80, 50) == kGrey; }, 20));
  EXPECT_TRUE(WaitFor([&] { return CountColour(p.Snapshot(), 136, 136, 54, 18, kRed) == 0; }, 20));
}

TEST_F(Controls, HeaterByButtonAndOnTheHouse) {
  const auto red = [&] { return CountColour(p.Snapshot(), 200, 384, 45, 24, kRed); };
  const auto black = [&] { return CountColour(p.Snapshot(), 200, 384, 45, 24, kBlack); };
  ASSERT_TRUE(WaitFor([&] { return red() > 10; }, 20));
  p.Click(at::kHeaterButton);  // off: "AUS" in black
  EXPECT_TRUE(WaitFor([&] { return red() == 0 && black() > 10; }, 20));
  p.Click(at::kHouse);  // on again: "EIN" in red
  EXPECT_TRUE(WaitFor([&] { return red() > 10 && black() == 0; }, 20));
}

TEST_F(Controls, UValueTableShownAndHidden) {
  p.Click(at::kUWert);
  EXPECT_TRUE(WaitFor([&] { return p.Pixel(at::kUTable.x, at::kUTable.y) == kAqua; }, 20));
  p.Click(at::kUTable);
  EXPECT_TRUE(WaitFor([&] { return p.Pixel(at::kUTable.x, at::kUTable.y) == kMeadow; }, 20))
      << std::hex << p.Pixel(at::kUTable.x, at::kUTable.y);
}

TEST_F(Controls, NotepadKeepsTypedText) {
  const auto notepad = [&] { return Crop(p.Snapshot(), 376, 24, 249, 153); };
  const int before = CountColour(p.Snapshot(), 376, 24, 249, 153, kBlue);
  p.Click(at::kNotepad);
  p.Type("Messung 1: 21 Grad");
  p.Click(at::kStop);  // focus leaves the notepad: no caret in the picture
  // The text is in and the caret gone once a repaint asked for after them
  // shows.
  ASSERT_TRUE(p.Repaints(30));
  const auto typed = notepad();
  EXPECT_GT(CountColour(p.Snapshot(), 376, 24, 249, 153, kBlue), before + 50);
  // Ticks, the sun, a whole repaint and START again leave the text alone.
  p.Click(at::kSunButton);
  p.Click(at::kUWert);
  ASSERT_TRUE(WaitFor([&] { return p.Pixel(at::kUTable.x, at::kUTable.y) == kAqua; }, 20));
  p.Click(at::kUTable);
  p.Click(at::kStart);
  EXPECT_TRUE(WaitFor([&] { return notepad() == typed; }, 20));
}

TEST_F(Controls, ArrowKeysMoveTheRunSelection) {
  // The clock readout changes with every running tick.
  const auto runs = [&] {
    const auto now = p.Clock();
    return p.WaitForSelection("START", 30) && now && p.WaitForClock(*now + 2, 30);
  };
  p.Click(at::kStart);  // START selected and focused
  ASSERT_TRUE(runs());
  p.Key("Down");  // to STOP, selecting it (not to RESET, which would run on)
  EXPECT_TRUE(p.WaitForSelection("STOP", 30));
  p.Key("Up");  // back to START
  EXPECT_TRUE(runs());
}

// The keyboard: Tab leaves the notepad for the next control in TabOrder, the
// RECORD box.
TEST_F(Controls, TabLeavesTheNotepadForTheRecordBox) {
  p.Click(at::kNotepad);
  p.Type("ab");
  p.Key("Tab");
  p.Key("space");  // ticks RECORD: the file appears
  EXPECT_TRUE(WaitFor([&] { return Lines(p.File("tl.txt")).size() == 2; }, 20)) << p.File("tl.txt");
}

// START stays a tab stop while STOP is selected: Tab from the heater's
// button reaches it, and Space selects it.
TEST_F(Controls, TabReachesStartWhileStopped) {
  p.Click(at::kStop);
  ASSERT_TRUE(p.WaitForSelection("STOP", 30));
  p.Click(at::kHeaterButton);  // twice: the heater as it was, the focus on the button
  p.Click(at::kHeaterButton);
  p.Key("Tab");
  p.Key("space");
  const auto now = p.Clock();
  ASSERT_TRUE(now);
  EXPECT_TRUE(p.WaitForClock(*now + 2, 30)) << "START selected: the simulation runs";
}

// The up-downs are tab stops and show it; the keyboard steps nothing.
TEST_F(Controls, UpDownsAreTabStopsThatStepNothing) {
  const auto arrows = [&](int top) { return Crop(p.Snapshot(), 248, top, 33, 25); };
  const auto set_point = [&] {
    return ShownText(p.Snapshot(), 200, 288, 26, 24, {"19", "20", "21"});
  };
  p.Click(at::kSunButton);  // the focus on the sun's button (TabOrder 1)
  p.MoveTo(300, 200);       // nothing hovered
  ASSERT_TRUE(p.Repaints(30));  // and drawn so
  const auto plain1 = arrows(288), plain2 = arrows(320);
  ASSERT_TRUE(WaitFor([&] { return set_point() == "20"; }, 20));
  p.Key("Tab");  // UpDown1
  EXPECT_TRUE(WaitFor([&] { return arrows(288) != plain1; }, 20)) << "UpDown1 shows the focus";
  EXPECT_EQ(arrows(320), plain2);
  p.Key("space");
  p.Key("Return");
  p.Key("Tab");  // UpDown2
  EXPECT_TRUE(WaitFor([&] { return arrows(320) != plain2 && arrows(288) == plain1; }, 20));
  EXPECT_EQ(set_point(), "20") << "the keys stepped UpDown1";
}

// The data lines' times (first field) after the switch-on line.
std::vector<std::string> Times(const std::string& file) {
  std::vector<std::string> t;
  const auto lines = Lines(file);
  for (size_t i = 2; i < lines.size(); ++i) t.push_back(lines[i].substr(0, lines[i].find(';')));
  return t;
}

TEST_F(Controls, ResetWhileRunningAndWhileStopped) {
  p.Click(at::kReset);  // the clock from 0:00
  p.Click(at::kRecord);
  ASSERT_TRUE(p.WaitForClock(31, 60));  // a line at 0.50
  p.Click(at::kReset);  // while running: the clock goes back and runs on
  ASSERT_TRUE(WaitFor([&] { return p.Clock().value_or(99) < 31; }, 30));
  ASSERT_TRUE(p.WaitForClock(31, 60));  // a line at 0.50 again, not at 1.00
  p.Click(at::kStop);
  p.Click(at::kReset);  // while stopped: the clock goes back, the run stays stopped
  ASSERT_TRUE(WaitFor([&] { return p.Clock() == 0; }, 30));
  EXPECT_TRUE(p.WaitForSelection("STOP", 30));
  ASSERT_TRUE(p.Repaints(30));  // what the ticks since would have shown
  EXPECT_EQ(p.Clock(), 0);
  p.Click(at::kStart);
  ASSERT_TRUE(p.WaitForClock(31, 60));
  p.Click(at::kRecord);  // off: the buffer goes to the file
  // Each RESET starts the time column again at 0.50: three runs of half
  // hours, each from 0.50 on.
  ASSERT_TRUE(WaitFor([&] { return Times(p.File("tl.txt")).size() >= 3; }, 30)) << p.File("tl.txt");
  std::vector<std::string> starts;
  double prev = -1;
  for (const auto& t : Times(p.File("tl.txt"))) {
    const double v = std::stod(t);
    if (v != prev + 0.5) starts.push_back(t);
    prev = v;
  }
  EXPECT_EQ(starts, (std::vector<std::string>{"0.50", "0.50", "0.50"})) << p.File("tl.txt");
}

}  // namespace
}  // namespace e2e
