// Setting controls, heater and sun switches, the U-value table, FormCreate,
// the final title and the run controls on the real window.
#include <gtk/gtk.h>

#include <chrono>
#include <string>

#include "tests/app/app_fixture.h"
#include "tests/framework/boxes.h"

namespace apptest {
namespace {

using namespace farbe_ach16;
using fw::TUDBtnType;

class ControlsTest : public AppTest {};

enum class Ctl { SetPoint, Outside, UValue };

struct UpDownCase {
  Ctl ctl;
  short start;  // position before the click (range of the handler in force)
  TUDBtnType arrow;
  short position;
  long double value;
  const char* caption;
};

TEST_F(ControlsTest, UpDownRangeEndsAndCaptions) {
  const UpDownCase cases[] = {
      {Ctl::SetPoint, 25, TUDBtnType::btNext, 25, 25.0L, "25"},
      {Ctl::SetPoint, 15, TUDBtnType::btPrev, 15, 15.0L, "15"},
      {Ctl::Outside, 36, TUDBtnType::btNext, 36, 36.0L, "36"},
      {Ctl::Outside, -20, TUDBtnType::btPrev, -20, -20.0L, "-20"},
      {Ctl::Outside, 1, TUDBtnType::btPrev, 0, 0.0L, "0"},
      {Ctl::UValue, 60, TUDBtnType::btNext, 60, 6.0L, "6.0"},
      {Ctl::UValue, 1, TUDBtnType::btPrev, 1, 0.1L, "0.1"},
  };
  for (const UpDownCase& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.ctl) << " from " << c.start);
    fw::TUpDown* u = c.ctl == Ctl::SetPoint ? F().UpDown1
                     : c.ctl == Ctl::Outside ? F().UpDown2
                                             : F().UpDown3;
    u->Step(TUDBtnType::btNext);  // first click: the handler's range from now on
    u->SetPosition(c.start);
    u->Step(c.arrow);
    EXPECT_EQ(u->Position(), c.position);
    switch (c.ctl) {
      case Ctl::SetPoint:
        EXPECT_EQ(room::SetPoint, c.value);
        EXPECT_EQ(F().Label5->Caption(), c.caption);
        break;
      case Ctl::Outside:
        EXPECT_EQ(room::OutsideTemp, c.value);
        EXPECT_EQ(F().Label6->Caption(), c.caption);
        break;
      case Ctl::UValue:
        EXPECT_EQ(room::UValue, c.value);
        EXPECT_EQ(F().Label7->Caption(), c.caption);
        break;
    }
  }
}

TEST_F(ControlsTest, FirstClickAfterStartStepsFromTheStartPositions) {
  struct Case {
    Ctl ctl;
    TUDBtnType arrow;
    short position;
    long double value;
    const char* caption;
    short min, max;
  } cases[] = {
      {Ctl::SetPoint, TUDBtnType::btNext, 21, 21.0L, "21", 15, 25},
      {Ctl::SetPoint, TUDBtnType::btPrev, 19, 19.0L, "19", 15, 25},
      {Ctl::Outside, TUDBtnType::btNext, 11, 11.0L, "11", -20, 36},
      {Ctl::Outside, TUDBtnType::btPrev, 9, 9.0L, "9", -20, 36},
      {Ctl::UValue, TUDBtnType::btNext, 11, 1.1L, "1.1", 1, 60},
      {Ctl::UValue, TUDBtnType::btPrev, 9, 0.9L, "0.9", 1, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.ctl) << " " << c.position);
    SetUp();  // as after program start: range 0..100, positions from paint and FormCreate
    fw::TUpDown* u = c.ctl == Ctl::SetPoint ? F().UpDown1
                     : c.ctl == Ctl::Outside ? F().UpDown2
                                             : F().UpDown3;
    u->Step(c.arrow);
    EXPECT_EQ(u->Position(), c.position);
    EXPECT_EQ(u->Min(), c.min);
    EXPECT_EQ(u->Max(), c.max);
    const long double v = c.ctl == Ctl::SetPoint ? room::SetPoint
                          : c.ctl == Ctl::Outside ? room::OutsideTemp
                                                  : room::UValue;
    EXPECT_EQ(v, c.value);
    fw::TLabel* l = c.ctl == Ctl::SetPoint ? F().Label5
                    : c.ctl == Ctl::Outside ? F().Label6
                                            : F().Label7;
    EXPECT_EQ(l->Caption(), c.caption);
  }
}

TEST_F(ControlsTest, FormCreatePutsOutsideAndUValueControlsBackTo10) {
  for (int i = 0; i < 25; ++i) F().UpDown2->Step(TUDBtnType::btPrev);
  F().UpDown3->Step(TUDBtnType::btNext);
  ASSERT_EQ(room::OutsideTemp, -15.0L);
  F().RadioButton2->SetChecked(true);  // STOP
  LossStep = 7;
  HeatStep = 9;

  F().FormCreate(nullptr);

  EXPECT_EQ(F().UpDown2->Position(), 10);
  EXPECT_EQ(F().UpDown3->Position(), 10);
  EXPECT_EQ(room::OutsideTemp, -15.0L);
  EXPECT_EQ(F().Label6->Caption(), "-15");
  EXPECT_EQ(room::UValue, 1.1L);
  EXPECT_TRUE(F().RadioButton1->Checked());
  EXPECT_FALSE(room::Stopped);
  EXPECT_TRUE(F().Timer1->Enabled());
  EXPECT_TRUE(F().Timer4->Enabled());
  EXPECT_EQ(LossStep, 0);
  EXPECT_EQ(HeatStep, 0);
  EXPECT_EQ(LossSquareX, 255);
  EXPECT_EQ(LossSquareY, 240);
  EXPECT_EQ(HeatSquareX, 220);
  EXPECT_EQ(HeatSquareY, 160);
  EXPECT_EQ(SquareWidth, 6);
  EXPECT_EQ(SquareHeight, 6);

  F().UpDown2->Step(TUDBtnType::btNext);
  EXPECT_EQ(room::OutsideTemp, 11.0L);
  F().UpDown3->Step(TUDBtnType::btNext);
  EXPECT_EQ(room::UValue, 1.1L);
}

struct HeaterCase {
  bool button;  // Button5Click, else Label18Click
  bool startOn;
  const char* caption;
  fw::TColor font;
  fw::TColor lampCentre;  // clNone: the lamp is not drawn
  fw::TColor pen, brush;  // clNone: as left before
};

TEST_F(ControlsTest, HeaterSwitchByButtonAndByTheHouse) {
  constexpr fw::TColor kLeftPen = 0x123456, kLeftBrush = 0x654321;
  const HeaterCase cases[] = {
      {true, true, "AUS", 0x000000, 0x000000, kDarkBlue, 0x000000},
      {true, false, "EIN", 0x0000FF, 0x00FF00, fw::clNone, 0x00FF00},
      {false, true, "AUS", 0x000000, fw::clNone, kDarkBlue, kGrey},
      {false, false, "EIN", 0x0000FF, fw::clNone, fw::clNone, fw::clNone},
  };
  for (const HeaterCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.button ? "Button5" : "Label18") << " from "
                                    << (c.startOn ? "on" : "off"));
    F().Aufbau(nullptr);
    room::HeaterOn = c.startOn;
    C().Pen.Color = kLeftPen;
    C().Brush.Color = kLeftBrush;
    if (c.button)
      F().Button5Click(F().Button5);
    else
      F().Label18Click(F().Label18);

    EXPECT_EQ(room::HeaterOn, !c.startOn);
    EXPECT_EQ(F().Label8->Caption(), c.caption);
    EXPECT_EQ(F().Label8->Font().Color, c.font);
    EXPECT_EQ(C().Pen.Color, c.pen == fw::clNone ? kLeftPen : c.pen);
    EXPECT_EQ(C().Brush.Color, c.brush == fw::clNone ? kLeftBrush : c.brush);
    // The lamp, and its outline in the pen colour in force.
    EXPECT_EQ(Pixel(238, 205), c.lampCentre == fw::clNone ? kGrey : c.lampCentre);
    if (c.lampCentre != fw::clNone) {
      EXPECT_TRUE(Near(233, 205, c.pen == fw::clNone ? kLeftPen : c.pen));
    }
    // Switching off draws the taller chimney, up to y = 105.
    if (!c.startOn) {
      EXPECT_EQ(Pixel(223, 107), kSky);
    } else {
      EXPECT_EQ(Pixel(223, 105), kDarkBlue);
      EXPECT_EQ(Pixel(223, 107), kGrey);
      EXPECT_EQ(Pixel(223, 104), kSky);
    }
  }
}

TEST_F(ControlsTest, SunSwitchByButtonAndByTheSun) {
  for (bool button : {true, false}) {
    SCOPED_TRACE(button ? "Button4" : "Label22");
    const auto click = [&] {
      if (button)
        F().Button4Click(F().Button4);
      else
        F().Label22Click(F().Label22);
    };
    F().Timer3->SetEnabled(true);
    click();
    EXPECT_FALSE(F().Timer3->Enabled());
    EXPECT_TRUE(room::SunOn);
    EXPECT_EQ(Pixel(80, 50), 0x00FFFFu);
    EXPECT_EQ(C().Pen.Color, kDarkBlue);
    EXPECT_EQ(C().Brush.Color, 0x00FFFFu);
    EXPECT_TRUE(F().Label3->Visible()) << "the switch leaves the sun's label alone";
    click();
    EXPECT_FALSE(room::SunOn);
    EXPECT_EQ(Pixel(80, 50), kGrey);
    EXPECT_EQ(C().Brush.Color, kGrey);
  }
}

TEST_F(ControlsTest, UValueTableShowsAndHides) {
  F().Label11Click(F().Label11);
  EXPECT_TRUE(F().Memo2->Visible());
  F().Label11Click(F().Label11);
  EXPECT_TRUE(F().Memo2->Visible());
  F().Memo2onclick(F().Memo2);
  EXPECT_FALSE(F().Memo2->Visible());
}

TEST_F(ControlsTest, FinalTitleOnce) {
  F().Timer5->SetEnabled(true);
  F().Timer5Timer(F().Timer5);
  EXPECT_EQ(F().Caption(), "PYROVANTIKA 3.1 Raumheizung");
  EXPECT_FALSE(F().Timer5->Enabled());
}

TEST_F(ControlsTest, QuitQuestionClosesOnlyOnOk) {
  for (gint response : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_OK}) {
    SCOPED_TRACE(response);
    std::string title, text;
    {
      // Answers the quit question once it is open, noting its title and text.
      const boxes::AnswerWhen answer(
          [](GtkWidget*) { return true; },
          [&](GtkWidget* box) {
            title = gtk_window_get_title(GTK_WINDOW(box));
            gchar* t = nullptr;
            g_object_get(box, "text", &t, nullptr);
            text = t ? t : "";
            g_free(t);
            gtk_dialog_response(GTK_DIALOG(box), response);
          },
          "no box opened");
      F().Button3Click(F().Button3);
    }
    EXPECT_EQ(title, "Moment mal:");
    EXPECT_EQ(text, "Programm wirklich verlassen?");
    EXPECT_EQ(fw::Application->Terminated(), response == GTK_RESPONSE_OK);
  }
}

// ---- run controls ----

class RunControlsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // Count the handler runs through the bound events, as the framework calls them.
    Count(F().RadioButton1, runs1_);
    Count(F().RadioButton2, runs2_);
    Count(F().RadioButton3, runs3_);
  }
  void TearDown() override {
    F().RadioButton1->OnClick = saved_[0];
    F().RadioButton2->OnClick = saved_[1];
    F().RadioButton3->OnClick = saved_[2];
    AppTest::TearDown();
  }
  void Count(fw::TRadioButton* b, int& n) {
    saved_[b == F().RadioButton1 ? 0 : b == F().RadioButton2 ? 1 : 2] = b->OnClick;
    fw::TNotifyEvent inner = b->OnClick;
    b->OnClick = [inner, &n](fw::TObject* s) {
      ++n;
      inner(s);
    };
  }
  // A real click on RESET: the pointer's press and release on its widget.
  void ClickReset() { ClickOn(F().RadioButton3); }
  void Dirty() {
    Ticks(157);  // 2:37 h
    room::CO2PerDay = 5.0L;
  }
  void ExpectResetReadouts() {
    EXPECT_EQ(F().Label2->Caption(), "CO2: 0.0 kg/Tag");
    EXPECT_EQ(F().Label15->Caption(), "0:00 h");
    EXPECT_EQ(F().Label16->Caption(), "0 kWh");
    EXPECT_EQ(room::CO2PerDay, 0.0L);
    EXPECT_EQ(room::SimMinutes, 0.0L);
    EXPECT_EQ(room::SimHours, 0.0L);
    EXPECT_EQ(room::HeatingWork, 0.000001L);
  }
  int runs1_ = 0, runs2_ = 0, runs3_ = 0;
  fw::TNotifyEvent saved_[3];
};

TEST_F(RunControlsTest, StopAndStart) {
  F().RadioButton2->SetChecked(true);
  EXPECT_TRUE(room::Stopped);
  EXPECT_FALSE(F().Timer1->Enabled());
  EXPECT_FALSE(F().Timer4->Enabled());
  EXPECT_EQ(runs1_, 1);
  EXPECT_EQ(runs2_, 1);
  F().RadioButton1->SetChecked(true);
  EXPECT_FALSE(room::Stopped);
  EXPECT_TRUE(F().Timer1->Enabled());
  EXPECT_TRUE(F().Timer4->Enabled());
  EXPECT_EQ(runs1_, 2);
  EXPECT_EQ(runs2_, 2);
}

TEST_F(RunControlsTest, ResetWhileRunning) {
  Dirty();
  const long double temp = room::RoomTemp, t = room::SimTimeHours;
  F().Timer1->SetEnabled(true);
  const auto t0 = std::chrono::steady_clock::now();
  ClickReset();
  const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0);

  EXPECT_EQ(runs3_, 4);
  EXPECT_EQ(runs1_, 4);
  EXPECT_EQ(runs2_, 0);
  EXPECT_GE(ms.count(), 12.0) << "four pauses of 3 ms";
  EXPECT_TRUE(F().RadioButton1->Checked());
  EXPECT_FALSE(F().RadioButton3->Checked());
  EXPECT_FALSE(room::Stopped);
  EXPECT_TRUE(F().Timer1->Enabled());
  EXPECT_TRUE(F().Timer4->Enabled());
  ExpectResetReadouts();
  EXPECT_EQ(room::RoomTemp, temp);
  EXPECT_EQ(room::SimTimeHours, t);
  StopTimers();

  Ticks(1);
  EXPECT_EQ(F().Label15->Caption(), "0:01 h");
  EXPECT_EQ(room::SimTimeHours, 1.0L / 60.0L);
}

TEST_F(RunControlsTest, ResetWhileStoppedStaysStoppedAfterAPaint) {
  Dirty();
  F().RadioButton2->SetChecked(true);
  F().Aufbau(nullptr);  // a paint switches Timer1 on while stopped
  ASSERT_TRUE(F().Timer1->Enabled());
  runs1_ = runs2_ = runs3_ = 0;

  ClickReset();

  EXPECT_EQ(runs3_, 4);
  EXPECT_EQ(runs2_, 4);
  EXPECT_EQ(runs1_, 0);
  EXPECT_TRUE(F().RadioButton2->Checked());
  EXPECT_TRUE(room::Stopped);
  EXPECT_FALSE(F().Timer1->Enabled());
  EXPECT_FALSE(F().Timer4->Enabled());
  ExpectResetReadouts();

  Ticks(1);
  EXPECT_EQ(F().Label16->Caption(), "0.00 kWh");
  EXPECT_EQ(F().Label15->Caption(), "0:00 h");
  EXPECT_EQ(F().Label2->Caption(), "CO2: 0.0 kg/Tag");
}

// RESET chosen by keyboard (Space, its accelerator) goes through the first
// selection only: two runs of its handler and two pauses, not a click's four.
TEST_F(RunControlsTest, ResetByKeyboardSelectsOnce) {
  for (const char* key : {"space", "alt+r"}) {
    SCOPED_TRACE(key);
    Dirty();
    runs1_ = runs2_ = runs3_ = 0;
    PressKey(F().RadioButton3, key, [&] { return runs3_ >= 2; });
    EXPECT_EQ(runs3_, 2);
    EXPECT_EQ(runs1_, 2);
    EXPECT_EQ(runs2_, 0);
    EXPECT_TRUE(F().RadioButton1->Checked());
    EXPECT_FALSE(F().RadioButton3->Checked());
    EXPECT_FALSE(room::Stopped);
    // The clock and the counters are reset (a paint that the focus change
    // brings may write the readouts anew meanwhile).
    EXPECT_EQ(room::SimMinutes, 0.0L);
    EXPECT_EQ(room::SimHours, 0.0L);
    EXPECT_EQ(room::CO2PerDay, 0.0L);
    EXPECT_EQ(room::HeatingWork, 0.000001L);
  }
}

TEST_F(RunControlsTest, ResetKeepsRecordingInTheSameFile) {
  F().CheckBox1->SetChecked(true);
  ASSERT_TRUE(room::Recording);
  Ticks(30);
  ClickReset();
  StopTimers();
  Ticks(60);
  F().CheckBox1->SetChecked(false);
  const std::string file = ReadRecordFile();
  const std::string head = "Zeit;Innentemp;Arbeit;CO2\n0.00;20.00;0.00;0.00;\n0.50;";
  ASSERT_EQ(file.rfind(head, 0), 0u) << file;
  std::size_t lines = 0;
  for (char ch : file) lines += ch == '\n';
  EXPECT_EQ(lines, 5u) << file;
  EXPECT_NE(file.find("\n0.50;", head.size()), std::string::npos) << file;
  EXPECT_NE(file.find("\n1.00;", head.size()), std::string::npos) << file;
}

}  // namespace
}  // namespace apptest
