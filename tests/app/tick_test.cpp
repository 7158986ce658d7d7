// The simulation tick on the real window: readouts, trend, sun and rays,
// sky pixels, clock and record triggers, the stopped tick.
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "framework/random.h"
#include "tests/app/app_fixture.h"

namespace apptest {
namespace {

using namespace farbe_ach16;

// Points on each of the three rays, clear of the disc and of each other.
const int kRayPoints[][2] = {{114, 90}, {105, 95}, {140, 100}};

class TickTest : public AppTest {
 protected:
  // First non-sky pixel going down column 80 from the sky above the disc.
  fw::TColor DiscOutline() {
    for (int y = 10; y < 50; ++y) {
      const fw::TColor c = Pixel(80, y);
      if (c != kSky) return c;
    }
    return fw::clNone;
  }
  // A sky pixel that neither the sun, its rays nor a control covers later.
  static bool Uncovered(int x, int y) {
    const auto in = [&](int l, int t, int r, int b) { return x >= l && x < r && y >= t && y < b; };
    return !in(45, 15, 155, 135) && !in(376, 24, 625, 177) && !in(24, 104, 89, 129);
  }
};

TEST_F(TickTest, FirstTickFromTheStartValues) {
  ExpectedRandom untouched(1);
  Ticks(1);

  EXPECT_EQ(F().Label16->Caption(), "0.00 kWh");
  EXPECT_EQ(F().Label20->Caption(), "1.0 kW");
  EXPECT_EQ(F().Label19->Caption(), "0.0 kW");
  EXPECT_EQ(F().Label2->Caption(), "CO2: 9.7 kg/Tag");
  EXPECT_EQ(F().Label5->Caption(), "20");
  EXPECT_EQ(F().Label9->Caption(), "Innen");
  EXPECT_EQ(F().Label15->Caption(), "0:01 h");
  EXPECT_EQ(F().Label1->Caption(), "20.0");
  EXPECT_EQ(F().Label1->Color(), fw::clBtnFace);
  EXPECT_EQ(F().Button3->Font().Color, 0x0000FFu);
  EXPECT_TRUE(F().Image8->Visible());
  EXPECT_FALSE(F().Image9->Visible());
  EXPECT_FALSE(F().Label3->Visible());
  EXPECT_EQ(room::SimTimeHours, 1.0L / 60.0L);
  EXPECT_EQ(room::PrevRoomTemp, room::RoomTemp);
  EXPECT_LT(room::RoomTemp, 20.0L);

  // No heater power: no random number taken for sky pixels.
  EXPECT_EQ(fw::RandomBelow(1000), untouched.Below(1000));

  // Grey disc with a dark blue outline, dark blue rays.
  EXPECT_EQ(Pixel(80, 50), kGrey);
  EXPECT_EQ(DiscOutline(), kDarkBlue);
  for (auto& p : kRayPoints) EXPECT_TRUE(Near(p[0], p[1], kDarkBlue)) << p[0] << "," << p[1];
  EXPECT_EQ(C().Pen.Width, 1);
  EXPECT_EQ(C().Pen.Color, kDarkBlue);
  EXPECT_EQ(C().Brush.Color, kGrey);

  // The second tick divides by 1/60 h.
  Ticks(1);
  EXPECT_EQ(F().Label2->Caption(), "CO2: 0.0 kg/Tag");
  EXPECT_EQ(F().Label15->Caption(), "0:02 h");
}

TEST_F(TickTest, SunAndRaysFollowSunAndLossStep) {
  struct Case {
    bool sun;
    std::int32_t lossStep;
    fw::TColor disc, rays;
    bool label3;
  } cases[] = {
      {true, 1, kYellow, kYellow, true},
      {true, 2, kYellow, kDarkBlue, true},
      {true, 0, kYellow, kDarkBlue, true},
      {false, 3, kGrey, kDarkBlue, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "sun " << c.sun << " LossStep " << c.lossStep);
    F().Aufbau(nullptr);
    room::SunOn = c.sun;
    LossStep = c.lossStep;
    Ticks(1);
    EXPECT_EQ(Pixel(80, 50), c.disc);
    for (auto& p : kRayPoints) EXPECT_TRUE(Near(p[0], p[1], c.rays));
    EXPECT_EQ(C().Pen.Color, c.rays);
    EXPECT_EQ(F().Label3->Visible(), c.label3);
    if (c.sun) {
      EXPECT_EQ(F().Label3->Caption(), "0.5 kW");
    }
  }
}

TEST_F(TickTest, HeaterComesOnAt16AndGoesOffAt53WithSkyPixels) {
  int checked = 0;
  for (int minute = 1; minute <= 60; ++minute) {
    SCOPED_TRACE(testing::Message() << "minute " << minute);
    const std::uint32_t seed = 1000 + minute;
    fw::SeedRandomWith(seed);
    ExpectedRandom r(seed);
    Ticks(1);
    const bool heating = minute >= 16 && minute < 53;
    ASSERT_EQ(room::HeaterPowerW > 0.0L, heating);
    if (heating) {
      const int x = static_cast<int>(r.Below(590));
      const int y = static_cast<int>(r.Below(150));
      const struct { int x, y; fw::TColor c; } dots[] = {
          {x + 5, y + 2, 0xFFFFFF}, {x + 6, y + 3, 0x0000FF}, {x + 2, y + 2, 0xFF00FF}};
      for (const auto& d : dots) {
        if (!Uncovered(d.x, d.y)) continue;
        EXPECT_EQ(Pixel(d.x, d.y), d.c) << d.x << "," << d.y;
        ++checked;
      }
    } else {
      EXPECT_EQ(fw::RandomBelow(1u << 31), r.Below(1u << 31)) << "a random number was taken";
    }
    if (minute == 16) {
      EXPECT_EQ(F().Label15->Caption(), "0:16 h");
      EXPECT_EQ(F().Label19->Caption(), "1.8 kW");
      EXPECT_TRUE(F().Image9->Visible());
      EXPECT_FALSE(F().Image8->Visible());
    }
    if (minute == 53) {
      EXPECT_EQ(F().Label15->Caption(), "0:53 h");
      EXPECT_EQ(F().Label19->Caption(), "0.0 kW");
    }
    if (minute == 9) {
      EXPECT_EQ(F().Label15->Caption(), "0:09 h");
    }
    if (minute == 10) {
      EXPECT_EQ(F().Label15->Caption(), "0:10 h");
    }
    if (minute == 60) {
      EXPECT_EQ(F().Label15->Caption(), "1:00 h");
      EXPECT_EQ(room::SimTimeHours, 1.0L);
      EXPECT_EQ(room::SimMinutes, 0.0L);
    }
  }
  EXPECT_GT(checked, 40) << "too few sky pixels could be checked";
}

TEST_F(TickTest, RecordLineAtHalfPastAndTheFileAfterThreeHours) {
  F().CheckBox1->SetChecked(true);  // the pupil ticks RECORD before the first tick
  ASSERT_TRUE(room::Recording);
  Ticks(180);
  EXPECT_EQ(F().Label15->Caption(), "3:00 h");
  EXPECT_TRUE(F().CheckBox1->Checked());
  F().CheckBox1->SetChecked(false);
  ASSERT_FALSE(room::Recording);

  std::istringstream in(ReadRecordFile());
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "Zeit;Innentemp;Arbeit;CO2");
  EXPECT_EQ(lines[1], "0.00;20.00;0.00;0.00;");
  EXPECT_EQ(lines[2], "0.50;19.96;0.45;9.01;");
  const char* times[] = {"0.50;", "1.00;", "1.50;", "2.00;", "2.50;", "3.00;"};
  for (int i = 0; i < 6; ++i) {
    const std::string& l = lines[2 + i];
    EXPECT_EQ(l.rfind(times[i], 0), 0u) << l;
    int fields = 0;
    for (char ch : l) fields += ch == ';';
    EXPECT_EQ(fields, 4) << l;
    EXPECT_EQ(l.back(), ';') << l;
  }
}

TEST_F(TickTest, StoppedTickTouchesOnlyBoxEndeColourAndThreeReadouts) {
  Ticks(20);  // heater on, sky pixels, a sun on the canvas
  room::SunOn = true;
  F().RadioButton2->SetChecked(true);
  ASSERT_TRUE(room::Stopped);
  StopTimers();
  F().Aufbau(nullptr);  // sky over the sun: a stopped tick must not redraw it
  StopTimers();

  const auto captions = [&] {
    std::vector<std::string> v;
    for (fw::TLabel* l : {F().Label1, F().Label2, F().Label3, F().Label5, F().Label9, F().Label15})
      v.push_back(l->Caption());
    return v;
  };
  const auto before = captions();
  const long double minutes = room::SimMinutes, temp = room::RoomTemp,
                    prev = room::PrevRoomTemp, work = room::HeatingWork, t = room::SimTimeHours;
  const bool img8 = F().Image8->Visible(), img9 = F().Image9->Visible(),
             lab3 = F().Label3->Visible();
  F().Button3->SetFontColor(fw::clBlack);
  for (fw::TLabel* l : {F().Label16, F().Label19, F().Label20}) l->SetCaption("x");
  ASSERT_GT(room::HeaterPowerW, 0.0L);
  fw::SeedRandomWith(5);
  ExpectedRandom untouched(5);

  Ticks(3);

  EXPECT_EQ(captions(), before);
  EXPECT_EQ(room::SimMinutes, minutes);
  EXPECT_EQ(room::RoomTemp, temp);
  EXPECT_EQ(room::PrevRoomTemp, prev);
  EXPECT_EQ(room::HeatingWork, work);
  EXPECT_EQ(room::SimTimeHours, t);
  EXPECT_EQ(F().Image8->Visible(), img8);
  EXPECT_EQ(F().Image9->Visible(), img9);
  EXPECT_EQ(F().Label3->Visible(), lab3);
  EXPECT_EQ(Pixel(80, 50), kSky);
  EXPECT_EQ(fw::RandomBelow(1000), untouched.Below(1000));

  EXPECT_EQ(F().Button3->Font().Color, 0x0000FFu);
  // The 20th minute's values. Unheated, the room loses (T - 10) / 729.06 K
  // a minute (100 W/K against a store of 72906) and is below 19.8 degC
  // after minute 15, so the heater runs from minute 16 on at
  // (20 - 10) K * 180 W/K = 1800 W.
  // 0.15 kWh: five heating minutes of 1.8 kW / 60 on the 0.000001 start.
  EXPECT_EQ(F().Label16->Caption(), "0.15 kWh");
  // 1.8 kW: the heater at 1800 W.
  EXPECT_EQ(F().Label19->Caption(), "1.8 kW");
  // 1.0 kW: 100 W/K * U 1.0 through a room at 19.84 degC (minute 19's
  // end) over 10 degC outside, 984 W.
  EXPECT_EQ(F().Label20->Caption(), "1.0 kW");
}

TEST_F(TickTest, EqualTemperatureShowsTheFallingArrow) {
  room::OutsideTemp = 20.0L;
  room::HeaterOn = false;
  Ticks(1);
  EXPECT_EQ(room::RoomTemp, 20.0L);
  EXPECT_TRUE(F().Image8->Visible());
  EXPECT_FALSE(F().Image9->Visible());
}

}  // namespace
}  // namespace apptest
