// The up-down control driven by real pointer input (xdotool) on a private
// X server: step rules, clicks, hold-to-repeat timing and quick presses.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"

using fw::TUDBtnType;
using fw::TUpDown;

namespace {

struct StepRecord {
  gint64 ms;
  TUDBtnType button;
  short position;
};

gint64 NowMs() { return g_get_monotonic_time() / 1000; }

// Runs the event loop for about ms milliseconds.
void RunFor(int ms) {
  gint64 end = NowMs() + ms;
  while (NowMs() < end) {
    while (gtk_events_pending()) gtk_main_iteration();
    g_usleep(1000);
  }
}

void Xdo(const std::string& args) {
  std::string cmd = "xdotool " + args;
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

class UpDownTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gtk_init(nullptr, nullptr); }

  void SetUp() override {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, 200, 100);
    gtk_container_add(GTK_CONTAINER(window_), fixed);
    ud_ = std::make_unique<TUpDown>(nullptr);
    ud_->SetBounds(40, 30, 33, 25);
    ud_->CreateHandle();
    gtk_fixed_put(GTK_FIXED(fixed), ud_->Widget(), 40, 30);
    ud_->OnClick = [this](fw::TObject* sender, TUDBtnType b) {
      EXPECT_EQ(sender, ud_.get());
      steps_.push_back({NowMs(), b, ud_->Position()});
    };
    gtk_widget_show_all(window_);
    RunFor(50);
    gdk_window_get_origin(ud_->Widget()->window, &ox_, &oy_);
    MoveTo(-20, -20);
  }

  void TearDown() override {
    Xdo("mouseup 1");
    RunFor(10);
    ud_.reset();
    gtk_widget_destroy(window_);
    RunFor(10);
  }

  // Pointer to a point given in the control's own coordinates.
  void MoveTo(int x, int y) {
    Xdo("mousemove " + std::to_string(ox_ + x) + " " + std::to_string(oy_ + y));
  }
  void Click(int x, int y, int button = 1) {
    MoveTo(x, y);
    Xdo("click " + std::to_string(button));
    RunFor(30);
  }

  GtkWidget* window_ = nullptr;
  std::unique_ptr<TUpDown> ud_;
  std::vector<StepRecord> steps_;
  int ox_ = 0, oy_ = 0;
};

TEST_F(UpDownTest, StepStaysInRangeAndAlwaysRunsOnClick) {
  struct Case {
    short min, max, pos;
    int inc;
    TUDBtnType button;
    short expect;
  } cases[] = {
      {0, 100, 10, 1, TUDBtnType::btNext, 11},
      {0, 100, 10, 1, TUDBtnType::btPrev, 9},
      {15, 25, 25, 1, TUDBtnType::btNext, 25},    // at the top: stays, still a click
      {15, 25, 15, 1, TUDBtnType::btPrev, 15},
      {0, 100, 97, 5, TUDBtnType::btNext, 100},   // overshoot lands on Max
      {0, 100, 3, 5, TUDBtnType::btPrev, 0},
      {-20, 36, -19, 1, TUDBtnType::btPrev, -20},
      {0, 100, 200, 1, TUDBtnType::btPrev, 199},  // unchecked position above Max
      {0, 100, 200, 1, TUDBtnType::btNext, 100},
      {10, 20, 5, 1, TUDBtnType::btNext, 6},      // below Min going up
      {0, 32767, 32767, 1, TUDBtnType::btNext, 32767},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " at " << c.pos);
    TUpDown u(nullptr);
    u.SetMin(c.min);
    u.SetMax(c.max);
    u.SetPosition(c.pos);
    u.Increment = c.inc;
    std::vector<std::pair<TUDBtnType, short>> seen;
    u.OnClick = [&](fw::TObject*, TUDBtnType b) { seen.push_back({b, u.Position()}); };
    u.Step(c.button);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, c.button);
    EXPECT_EQ(seen[0].second, c.expect);  // already moved when the handler runs
    EXPECT_EQ(u.Position(), c.expect);
  }
}

TEST_F(UpDownTest, WritesFromCodeClampButRunNoHandler) {
  ud_->SetPosition(50);
  ud_->SetMin(60);
  EXPECT_EQ(ud_->Position(), 60);
  ud_->SetMax(55);  // below Min: Position follows the newer bound
  EXPECT_EQ(ud_->Position(), 55);
  ud_->SetMax(100);
  ud_->SetMin(0);
  EXPECT_EQ(ud_->Position(), 55);
  ud_->SetPosition(-300);  // stored unchecked
  EXPECT_EQ(ud_->Position(), -300);
  ud_->SetMin(0);  // unchanged value: no clamp either
  EXPECT_EQ(ud_->Position(), -300);
  RunFor(20);
  EXPECT_TRUE(steps_.empty());
}

TEST_F(UpDownTest, ArrowsSplitTheHeightAndLeaveTheSpareRow) {
  struct Case {
    int x, y;
    int steps;
    TUDBtnType button;
  } cases[] = {
      {0, 0, 1, TUDBtnType::btNext},   {32, 11, 1, TUDBtnType::btNext},
      {16, 12, 1, TUDBtnType::btPrev}, {32, 23, 1, TUDBtnType::btPrev},
      {16, 24, 0, TUDBtnType::btNext},  // bottom row belongs to neither arrow
  };
  ud_->SetPosition(50);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    steps_.clear();
    Click(c.x, c.y);
    RunFor(300);  // keeps presses apart: no quick series
    ASSERT_EQ(int(steps_.size()), c.steps);
    if (c.steps) {
      EXPECT_EQ(steps_[0].button, c.button);
    }
  }
}

TEST_F(UpDownTest, OnlyALeftReleaseOverThePressedArrowSteps) {
  ud_->SetPosition(50);
  struct Case {
    const char* what;
    int rx, ry;  // release point
    int button;
    int steps;
  } cases[] = {
      {"same arrow", 20, 8, 1, 1},
      {"other arrow", 20, 18, 1, 0},
      {"outside", 60, 8, 1, 0},
      {"right button", 20, 8, 3, 0},
      {"middle button", 20, 8, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    steps_.clear();
    MoveTo(10, 5);
    Xdo("mousedown " + std::to_string(c.button));
    RunFor(30);
    MoveTo(c.rx, c.ry);
    RunFor(30);
    Xdo("mouseup " + std::to_string(c.button));
    RunFor(330);  // past the repeat timer: a stopped timer adds nothing
    EXPECT_EQ(int(steps_.size()), c.steps);
  }
  steps_.clear();
  MoveTo(10, 5);
  Xdo("click 4 click 5");
  RunFor(50);
  EXPECT_TRUE(steps_.empty()) << "wheel";
}

TEST_F(UpDownTest, HeldArrowRepeatsWithShorteningIntervals) {
  ud_->SetPosition(0);
  MoveTo(10, 5);
  gint64 t0 = NowMs();
  Xdo("mousedown 1");
  RunFor(1950);
  Xdo("mouseup 1");
  RunFor(40);
  // Firings at 300, then 275, 250, ... 125 apart, then every 100; one more at
  // the release.
  std::vector<int> gaps = {300, 275, 250, 225, 200, 175, 150, 125, 100, 100};
  ASSERT_EQ(steps_.size(), gaps.size() + 1);
  gint64 prev = t0;
  for (size_t i = 0; i < gaps.size(); ++i) {
    int gap = int(steps_[i].ms - prev);
    EXPECT_GE(gap, gaps[i] - 15) << "step " << i;
    EXPECT_LE(gap, gaps[i] + 40) << "step " << i;
    EXPECT_EQ(steps_[i].button, TUDBtnType::btNext);
    prev = steps_[i].ms;
  }
  EXPECT_EQ(ud_->Position(), 11);
}

TEST_F(UpDownTest, HeldArrowPausesOutsideAndReleaseOutsideAddsNone) {
  ud_->SetPosition(50);
  MoveTo(10, 18);  // lower arrow
  gint64 t0 = NowMs();
  Xdo("mousedown 1");
  RunFor(150);
  MoveTo(10, 5);  // over the other arrow: outside the held one's rectangle
  RunFor(550);    // firings at 300 and 600 find the pointer outside
  MoveTo(10, 18);
  RunFor(300);    // the firing at 900 steps (interval still 300)
  MoveTo(80, 18);
  RunFor(150);
  Xdo("mouseup 1");
  RunFor(400);
  ASSERT_EQ(steps_.size(), 1u);
  EXPECT_EQ(steps_[0].button, TUDBtnType::btPrev);
  EXPECT_GE(steps_[0].ms - t0, 880);
  EXPECT_LE(steps_[0].ms - t0, 960);
  EXPECT_EQ(ud_->Position(), 49);
}

TEST_F(UpDownTest, SecondPressOfASeriesStepsAtThePress) {
  ud_->SetPosition(50);
  MoveTo(10, 5);
  // Presses 1..6 in quick succession: the second of each series of four
  // steps at its press, every other one at its release.
  const bool at_press[] = {false, true, false, false, false, true};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(testing::Message() << "press " << i + 1);
    size_t before = steps_.size();
    Xdo("mousedown 1");
    RunFor(20);
    EXPECT_EQ(steps_.size(), before + (at_press[i] ? 1 : 0));
    Xdo("mouseup 1");
    RunFor(20);
    EXPECT_EQ(steps_.size(), before + 1);
  }
  EXPECT_EQ(ud_->Position(), 56);

  // A quick second press held down: its repeat timer runs, its release adds none.
  RunFor(400);
  steps_.clear();
  Xdo("click 1");
  RunFor(30);
  gint64 t0 = NowMs();
  Xdo("mousedown 1");
  RunFor(400);
  Xdo("mouseup 1");
  RunFor(100);
  ASSERT_EQ(steps_.size(), 3u);  // first release, second press, one repeat
  EXPECT_LE(steps_[1].ms - t0, 100);
  EXPECT_GE(steps_[2].ms - t0, 280);

  // Presses 300 ms apart are no series: each steps at its release.
  RunFor(300);
  steps_.clear();
  for (int i = 0; i < 2; ++i) {
    Xdo("mousedown 1");
    RunFor(20);
    EXPECT_TRUE(steps_.size() == size_t(i)) << "press " << i + 1;
    Xdo("mouseup 1");
    RunFor(280);
  }
  EXPECT_EQ(steps_.size(), 2u);
}

}  // namespace
