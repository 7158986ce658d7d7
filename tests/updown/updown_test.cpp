// The up-down control on a private X server: step rules, real pointer clicks
// (xdotool) for where an arrow lies and which release steps, and the timing
// rules (hold-to-repeat, quick presses) on a clock the test moves, with
// presses whose timestamps the test chooses.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/native.h"
#include "tests/gui.h"
#include "tests/framework/manual_clock.h"

using fw::TUDBtnType;
using fw::TUpDown;

namespace {

struct StepRecord {
  std::int64_t ms;  // on the test's clock
  TUDBtnType button;
  short position;
};

using guitest::Settle;
using guitest::Xdo;

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
    gtk_fixed_put(GTK_FIXED(fixed), fw::WidgetOf(*ud_), 40, 30);
    ud_->OnClick = [this](fw::TObject* sender, TUDBtnType b) {
      EXPECT_EQ(sender, ud_.get());
      steps_.push_back({clock_.NowMs(), b, ud_->Position()});
    };
    gtk_widget_show_all(window_);
    const auto viewable = [&] { return gdk_window_is_viewable(fw::WidgetOf(*ud_)->window); };
    ASSERT_TRUE(guitest::PumpUntil(viewable, 20000)) << "the up-down never became viewable";
    gdk_window_get_origin(fw::WidgetOf(*ud_)->window, &ox_, &oy_);
  }

  void TearDown() override {
    ud_.reset();
    gtk_widget_destroy(window_);
    Settle();
    EXPECT_EQ(clock_.Pending(), 0u) << "a repeat timer outlived its control";
  }

  // ---- real pointer input ----
  void MoveTo(int x, int y) {
    Xdo("mousemove " + std::to_string(ox_ + x) + " " + std::to_string(oy_ + y));
  }

  // ---- synthesized input, at times of the test's choosing ----
  void Send(GdkEventType type, int x, int y, guint32 time, guint button = 1) {
    GdkEvent* e = gdk_event_new(type);
    GdkWindow* w = fw::WidgetOf(*ud_)->window;
    if (type == GDK_MOTION_NOTIFY) {
      e->motion.window = GDK_WINDOW(g_object_ref(w));
      e->motion.x = x;
      e->motion.y = y;
      e->motion.time = time;
      e->motion.device = gdk_device_get_core_pointer();
    } else {
      e->button.window = GDK_WINDOW(g_object_ref(w));
      e->button.x = x;
      e->button.y = y;
      e->button.time = time;
      e->button.button = button;
      e->button.device = gdk_device_get_core_pointer();
    }
    gtk_main_do_event(e);
    gdk_event_free(e);
  }
  // The event time follows the test's clock, as the server's would.
  guint32 Now() { return static_cast<guint32>(clock_.NowMs() + 100000); }
  void Press(int x, int y, guint button = 1) { Send(GDK_BUTTON_PRESS, x, y, Now(), button); }
  void Release(int x, int y, guint button = 1) { Send(GDK_BUTTON_RELEASE, x, y, Now(), button); }
  void Motion(int x, int y) { Send(GDK_MOTION_NOTIFY, x, y, Now()); }

  fwtest::ManualClock clock_;  // before the control: its timers live on it
  GtkWidget* window_ = nullptr;
  std::unique_ptr<TUpDown> ud_;
  std::vector<StepRecord> steps_;
  int ox_ = 0, oy_ = 0;
};

TEST_F(UpDownTest, StepStaysInRangeOrWrapsAndAlwaysRunsOnClick) {
  struct Case {
    short min, max, pos;
    int inc;
    bool wrap;
    TUDBtnType button;
    short expect;
  } cases[] = {
      {0, 100, 10, 1, false, TUDBtnType::btNext, 11},
      {0, 100, 10, 1, false, TUDBtnType::btPrev, 9},
      {15, 25, 25, 1, false, TUDBtnType::btNext, 25},    // at the top: stays, still a click
      {15, 25, 15, 1, false, TUDBtnType::btPrev, 15},
      {0, 100, 97, 5, false, TUDBtnType::btNext, 100},   // overshoot lands on Max
      {0, 100, 3, 5, false, TUDBtnType::btPrev, 0},
      {-20, 36, -19, 1, false, TUDBtnType::btPrev, -20},
      {0, 100, 200, 1, false, TUDBtnType::btPrev, 199},  // unchecked position above Max
      {0, 100, 200, 1, false, TUDBtnType::btNext, 100},
      {10, 20, 5, 1, false, TUDBtnType::btNext, 6},      // below Min going up
      {0, 32767, 32767, 1, false, TUDBtnType::btNext, 32767},
      {15, 25, 25, 1, true, TUDBtnType::btNext, 15},     // Wrap: out at the other end
      {15, 25, 15, 1, true, TUDBtnType::btPrev, 25},
      {0, 100, 97, 5, true, TUDBtnType::btNext, 0},
      {15, 25, 24, 1, true, TUDBtnType::btNext, 25},     // within the range as without
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " at " << c.pos
                                    << (c.wrap ? " wrapping" : ""));
    TUpDown u(nullptr);
    u.SetMin(c.min);
    u.SetMax(c.max);
    u.SetPosition(c.pos);
    u.Increment = c.inc;
    u.Wrap = c.wrap;
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
  clock_.Advance(1000);
  EXPECT_TRUE(steps_.empty());
}

// Real clicks; the test's clock stands still, so no repeat can come in
// however long xdotool takes.
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
    MoveTo(c.x, c.y);  // more than 3 px from the case before: no click series
    Xdo("click 1");
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
  int x = 2;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    steps_.clear();
    MoveTo(x += 4, 5);  // more than 3 px from the press before: no click series
    Xdo("mousedown " + std::to_string(c.button));
    MoveTo(c.rx, c.ry);
    Xdo("mouseup " + std::to_string(c.button));
    EXPECT_EQ(int(steps_.size()), c.steps);
    EXPECT_EQ(clock_.Pending(), 0u) << "the release stops the repeat";
  }
  steps_.clear();
  MoveTo(10, 5);
  Xdo("click 4 click 5");
  EXPECT_TRUE(steps_.empty()) << "wheel";
}

TEST_F(UpDownTest, HeldArrowRepeatsWithShorteningIntervals) {
  ud_->SetPosition(0);
  Press(10, 5);
  clock_.Advance(1950);
  Release(10, 5);
  // Firings at 300, then 275, 250, ... 125 apart, then every 100; one more at
  // the release.
  const std::int64_t at[] = {300, 575, 825, 1050, 1250, 1425, 1575, 1700, 1800, 1900, 1950};
  ASSERT_EQ(steps_.size(), std::size(at));
  for (size_t i = 0; i < steps_.size(); ++i) {
    EXPECT_EQ(steps_[i].ms, at[i]) << "step " << i;
    EXPECT_EQ(steps_[i].button, TUDBtnType::btNext);
    EXPECT_EQ(steps_[i].position, static_cast<short>(i + 1));
  }
  EXPECT_EQ(clock_.Pending(), 0u);
}

TEST_F(UpDownTest, HeldArrowPausesOutsideAndReleaseOutsideAddsNone) {
  ud_->SetPosition(50);
  Press(10, 18);  // lower arrow
  clock_.Advance(150);
  Motion(10, 5);  // over the other arrow: outside the held one's rectangle
  clock_.Advance(550);  // the firings at 300 and 600 find the pointer outside
  Motion(10, 18);
  clock_.Advance(300);  // the firing at 900 steps: the interval is still 300
  Motion(80, 18);
  clock_.Advance(150);
  Release(80, 18);
  ASSERT_EQ(steps_.size(), 1u);
  EXPECT_EQ(steps_[0].ms, 900);
  EXPECT_EQ(steps_[0].button, TUDBtnType::btPrev);
  EXPECT_EQ(ud_->Position(), 49);
}

// Quick presses: the second press of a series steps at once and its release
// adds none; every other press steps at its release. The series is the
// window system's (same window, 3 px, 250 ms, any button).
TEST_F(UpDownTest, SecondPressOfASeriesStepsAtThePress) {
  struct Tap {
    std::int64_t after;  // ms after the previous release
    int x;
    guint button;
    bool at_press;  // a left press: steps at the press rather than the release
  };
  const struct {
    const char* what;
    std::vector<Tap> presses;
  } cases[] = {
      {"six quick presses: the second of each series of four",
       {{0, 10, 1, false}, {50, 10, 1, true}, {50, 10, 1, false}, {50, 10, 1, false},
        {50, 10, 1, false}, {50, 10, 1, true}}},
      {"250 ms apart still a series", {{0, 10, 1, false}, {230, 10, 1, true}}},
      {"251 ms apart no series", {{0, 10, 1, false}, {231, 10, 1, false}}},
      {"3 px apart a series, 4 px not",
       {{0, 10, 1, false}, {50, 13, 1, true}, {400, 10, 1, false}, {50, 14, 1, false}}},
      {"a right press begins the series of the left one",
       {{0, 10, 3, false}, {50, 10, 1, true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ud_->SetPosition(50);
    clock_.Advance(1000);  // no series with the case before
    steps_.clear();
    int expected = 0;
    for (size_t i = 0; i < c.presses.size(); ++i) {
      const auto& p = c.presses[i];
      SCOPED_TRACE(testing::Message() << "press " << i + 1);
      clock_.Advance(p.after);
      Press(p.x, 5, p.button);
      if (p.button == 1 && p.at_press) ++expected;
      EXPECT_EQ(int(steps_.size()), expected);
      clock_.Advance(20);  // a press and its release take 20 ms
      Release(p.x, 5, p.button);
      if (p.button == 1 && !p.at_press) ++expected;
      EXPECT_EQ(int(steps_.size()), expected);
    }
  }

  // A quick second press held down: its repeat runs, its release adds none.
  clock_.Advance(1000);
  steps_.clear();
  Press(10, 5);
  clock_.Advance(20);
  Release(10, 5);  // first step
  clock_.Advance(30);
  const std::int64_t t0 = clock_.NowMs();
  Press(10, 5);  // second of a series: steps now
  clock_.Advance(400);
  Release(10, 5);
  ASSERT_EQ(steps_.size(), 3u);  // first release, second press, one repeat
  EXPECT_EQ(steps_[1].ms, t0);
  EXPECT_EQ(steps_[2].ms, t0 + 300);
}

}  // namespace
