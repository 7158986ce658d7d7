// The painted scene, the heat-loss animation and the heater animation with
// the frost warning, read back from the real window.
#include <cmath>

#include "framework/random.h"
#include "tests/app/app_fixture.h"

namespace apptest {
namespace {

using namespace farbe_ach16;

class SceneTest : public AppTest {
 protected:
  // Columns x0..x0+5 of row y all have the colour.
  bool Row6(int x0, int y, fw::TColor c) {
    for (int x = x0; x < x0 + 6; ++x)
      if (Pixel(x, y) != c) return false;
    return true;
  }
  // Rows y0..y0+5 of column x all have the colour.
  bool Column6(int x, int y0, fw::TColor c) {
    for (int y = y0; y < y0 + 6; ++y)
      if (Pixel(x, y) != c) return false;
    return true;
  }
  void LossTick() { F().Timer1Timer(F().Timer1); }
  void HeatTick() { F().Timer4Timer(F().Timer4); }
};

TEST_F(SceneTest, PaintDrawsMeadowSkyHouseRoofAndChimney) {
  room::HeatingWork = 1.234L;
  F().Timer3->SetEnabled(true);
  F().Timer1->SetEnabled(false);
  F().Aufbau(nullptr);
  struct P {
    int x, y;
    fw::TColor c;
    const char* what;
  } table[] = {
      {300, 0, kDarkBlue, "sky top edge"},
      {0, 50, kDarkBlue, "left edge"},
      {300, 50, kSky, "sky"},
      {300, 159, kDarkBlue, "sky bottom edge"},
      {300, 160, kMeadow, "meadow under the sky"},
      {350, 400, kMeadow, "meadow"},
      {300, 450, kDarkBlue, "meadow bottom edge"},
      {681, 300, kDarkBlue, "meadow right edge"},
      {680, 300, kMeadow, "meadow inside its right edge"},
      {150, 230, kDarkBlue, "house left wall"},
      {249, 230, kDarkBlue, "house right wall"},
      {250, 230, kMeadow, "right of the house"},
      {200, 260, kGrey, "house"},
      {200, 269, kDarkBlue, "house bottom edge"},
      {200, 270, kMeadow, "under the house"},
      {200, 190, kRoofPen, "roof base over the house top"},
      {200, 150, kRoof, "roof"},
      {200, 119, kSky, "above the apex"},
      {223, 110, kDarkBlue, "chimney top"},
      {223, 109, kSky, "above the chimney"},
      {218, 130, kDarkBlue, "chimney left edge"},
      {217, 130, kSky, "left of the chimney"},
      {227, 130, kDarkBlue, "chimney right edge"},
      {223, 130, kGrey, "chimney"},
      {223, 169, kDarkBlue, "chimney bottom edge"},
      {223, 170, kRoof, "roof under the chimney"},
  };
  for (const P& p : table) EXPECT_EQ(Pixel(p.x, p.y), p.c) << p.what << " (" << p.x << "," << p.y << ")";

  EXPECT_FALSE(F().Timer3->Enabled());
  EXPECT_TRUE(F().Timer1->Enabled());
  EXPECT_EQ(F().UpDown1->Position(), 20);
  EXPECT_EQ(F().Label5->Caption(), "20");
  EXPECT_EQ(F().Label16->Caption(), "1.23 kWh");
  EXPECT_EQ(F().Label20->Caption(), "0.0 kW");
  EXPECT_EQ(F().Label19->Caption(), "0.0 kW");
  EXPECT_EQ(F().Button5->Caption(), "0/I");
  EXPECT_EQ(C().Pen.Color, kDarkBlue);
  EXPECT_EQ(C().Brush.Color, kGrey);
}

// ---- heat-loss squares ----

TEST_F(SceneTest, LossSquaresStartAndMove) {
  LossTick();
  EXPECT_EQ(LossStep, 1);
  EXPECT_EQ(C().Pen.Color, kRed);
  EXPECT_EQ(C().Brush.Color, kRed);
  for (int k : {0, 20, 40}) {
    SCOPED_TRACE(k);
    for (int y = 240; y < 246; ++y) EXPECT_TRUE(Row6(255 + k, y, kRed)) << y;
    EXPECT_EQ(Pixel(254 + k, 242), kMeadow);
    EXPECT_EQ(Pixel(261 + k, 242), kMeadow);
    EXPECT_EQ(Pixel(257 + k, 239), kMeadow);
    EXPECT_EQ(Pixel(257 + k, 246), kMeadow);
  }

  LossTick();  // one pixel to the right
  EXPECT_EQ(LossStep, 2);
  for (int k : {0, 20, 40}) {
    SCOPED_TRACE(k);
    EXPECT_TRUE(Column6(255 + k, 240, kMeadow));
    for (int y = 240; y < 246; ++y) EXPECT_TRUE(Row6(256 + k, y, kRed)) << y;
    EXPECT_TRUE(Column6(262 + k, 240, kMeadow));
  }
  EXPECT_EQ(C().Pen.Color, kRed) << "a moving tick sets no colour";
}

TEST_F(SceneTest, LossStepWrapsAfterTwentyMoves) {
  LossTick();
  for (int i = 0; i < 19; ++i) LossTick();
  EXPECT_EQ(LossStep, 20);
  LossTick();  // twentieth move
  EXPECT_EQ(LossStep, 21);
  for (int k : {0, 20, 40}) EXPECT_TRUE(Column6(275 + k, 240, kRed)) << k;
  EXPECT_TRUE(Column6(274, 240, kMeadow));

  C().Pen.Color = kBlack;
  LossTick();  // new starting squares, no copy
  EXPECT_EQ(LossStep, 1);
  EXPECT_EQ(C().Pen.Color, kRed);
  EXPECT_TRUE(Row6(255, 240, kRed));
}

TEST_F(SceneTest, NegativeLossKeepsTheSquaresAndLossStep) {
  LossTick();
  room::LossPowerKW = -0.1L;
  LossStep = 7;
  C().Pen.Color = kBlack;
  LossTick();
  EXPECT_EQ(LossStep, 7);
  EXPECT_EQ(C().Pen.Color, kBlack);
  EXPECT_TRUE(Row6(255, 240, kRed));
  room::LossPowerKW = 0.0L;  // exactly 0 animates
  LossTick();
  EXPECT_EQ(LossStep, 8);
}

// ---- heater ----

TEST_F(SceneTest, NoHeatingRepaintsChimneyAndLamps) {
  struct Case {
    bool on;
    fw::TColor right, pen, brush;
  } cases[] = {{true, kGreen, kSky, kSky}, {false, kBlack, kGrey, kBlack}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.on);
    F().Aufbau(nullptr);
    room::HeaterOn = c.on;
    HeatStep = 5;
    PuffTurn = true;
    HeatTick();
    EXPECT_EQ(Pixel(223, 105), kDarkBlue);
    EXPECT_EQ(Pixel(223, 107), kGrey);
    EXPECT_EQ(Pixel(225, 205), kGrey);
    EXPECT_EQ(Pixel(238, 205), c.right);
    EXPECT_EQ(C().Pen.Color, c.pen);
    EXPECT_EQ(C().Brush.Color, c.brush);
    EXPECT_EQ(HeatStep, 5);
    EXPECT_TRUE(PuffTurn);
  }
}

TEST_F(SceneTest, HeatSquaresStartMoveAndWrap) {
  room::HeaterPowerW = 1.0L;  // exactly 1 W heats
  HeatTick();
  EXPECT_EQ(HeatStep, 1);
  EXPECT_TRUE(PuffTurn);
  EXPECT_EQ(C().Pen.Color, kMagenta);
  EXPECT_EQ(C().Brush.Color, kMagenta);
  EXPECT_EQ(Pixel(225, 205), kOrange);
  EXPECT_EQ(Pixel(238, 205), kGreen);
  EXPECT_TRUE(Near(220, 205, kWhite));
  for (int d : {0, 16, 32}) {
    SCOPED_TRACE(d);
    EXPECT_TRUE(Column6(220, 154 - d, kMagenta));
    EXPECT_TRUE(Column6(225, 154 - d, kMagenta));
    EXPECT_EQ(Pixel(226, 156 - d), kGrey);
    EXPECT_EQ(Pixel(219, 156 - d), kGrey);
    EXPECT_EQ(Pixel(222, 160 - d), kGrey);
    EXPECT_EQ(Pixel(222, 153 - d), kGrey);
  }

  // In the grey chimney every copy window would leave the same squares, so
  // two white marks per square show where its window lies: across x
  // 219..226, on the row the window's top row goes to and on the window's
  // last row. A window of x 220..225 copied one row up paints over the
  // first mark and doubles the second (rows 153..164 for the lowest square,
  // 136..147 and 120..131 above it); a window a row higher, lower, longer,
  // shorter or wider leaves another picture.
  struct Rows {
    int from, to;
    fw::TColor c;
  };
  const struct {
    int d, markTop, markBottom;
    Rows rows[5];  // x 220..225 after the move
  } squares[] = {
      {0, 152, 164,
       {{151, 152, kGrey}, {153, 158, kMagenta}, {159, 162, kGrey}, {163, 164, kWhite}, {165, 165, kGrey}}},
      {16, 135, 147,
       {{134, 136, kGrey}, {137, 142, kMagenta}, {143, 145, kGrey}, {146, 147, kWhite}, {148, 148, kGrey}}},
      {32, 119, 131,
       {{118, 120, kGrey}, {121, 126, kMagenta}, {127, 129, kGrey}, {130, 131, kWhite}, {132, 132, kGrey}}},
  };
  for (const auto& sq : squares)
    for (int y : {sq.markTop, sq.markBottom})
      for (int x = 219; x <= 226; ++x) C().SetPixel(x, y, kWhite);

  HeatTick();  // one pixel up
  EXPECT_EQ(HeatStep, 2);
  EXPECT_EQ(C().Pen.Color, kSky) << "second heating tick paints over a puff";
  for (const auto& sq : squares) {
    SCOPED_TRACE(sq.d);
    for (const Rows& r : sq.rows)
      for (int y = r.from; y <= r.to; ++y) EXPECT_TRUE(Row6(220, y, r.c)) << y;
    // Beside the window the marks stay as painted.
    for (int x : {219, 226}) {
      EXPECT_EQ(Pixel(x, sq.markTop), kWhite) << x;
      EXPECT_EQ(Pixel(x, sq.markBottom - 1), kGrey) << x;
      EXPECT_EQ(Pixel(x, sq.markBottom), kWhite) << x;
    }
  }

  HeatTick();  // copied, no puff step
  EXPECT_EQ(C().Pen.Color, kDarkBlue);
  EXPECT_EQ(C().Brush.Color, kGrey);

  HeatStep = 16;
  HeatTick();
  EXPECT_EQ(HeatStep, 17);
  HeatTick();
  EXPECT_EQ(HeatStep, 1);
  EXPECT_TRUE(Column6(220, 154, kMagenta));
}

TEST_F(SceneTest, HeaterSwitchedOffWhileHeatingDrawsNoLamp) {
  room::HeaterPowerW = 1000.0L;
  room::HeaterOn = false;
  HeatTick();
  EXPECT_EQ(Pixel(225, 205), kGrey) << "house background, no lamp";
  EXPECT_EQ(Pixel(238, 205), kGrey);
  EXPECT_EQ(HeatStep, 1);
}

TEST_F(SceneTest, PuffsAlternateOverFourHeatingTicks) {
  room::HeaterPowerW = 1000.0L;
  fw::SeedRandomWith(77);
  ExpectedRandom r(77);
  struct Step {
    bool turnAfter, phaseAfter;
  } steps[] = {{true, true}, {false, false}, {true, false}, {false, true}};
  for (int i = 0; i < 4; ++i) {
    HeatTick();
    EXPECT_EQ(PuffTurn, steps[i].turnAfter) << i;
    EXPECT_EQ(PuffPhase, steps[i].phaseAfter) << i;
  }
  const int x = static_cast<int>(r.Below(9)) + 215;
  const int y = static_cast<int>(r.Below(29)) + 80;
  const int w = static_cast<int>(r.Below(12)) + 3;
  const int h = static_cast<int>(r.Below(7)) + 3;
  EXPECT_EQ(NewPuffX, x);
  EXPECT_EQ(NewPuffY, y);
  EXPECT_EQ(PuffX, x);
  EXPECT_EQ(PuffY, y);
  EXPECT_EQ(PuffWidth, w);
  EXPECT_EQ(PuffHeight, h);
  const int cx = x + w / 2, cy = y - h + h / 2;
  EXPECT_EQ(Pixel(cx, cy), kMagenta);
  EXPECT_EQ(C().Pen.Color, kMagenta);

  HeatTick();
  HeatTick();  // paints the puff over in the sky's colour
  EXPECT_EQ(Pixel(cx, cy), kSky);
  EXPECT_EQ(fw::RandomBelow(1000), r.Below(1000)) << "painting over takes no random number";

  // Without heating the tick paints the sky over the last puff's box.
  HeatTick();
  HeatTick();  // a new puff
  ASSERT_TRUE(PuffPhase);
  room::HeaterPowerW = 0.0L;
  HeatTick();
  for (int py = PuffY - PuffHeight; py < PuffY; ++py)
    for (int px = PuffX; px < PuffX + PuffWidth; ++px) ASSERT_EQ(Pixel(px, py), kSky) << px << "," << py;
}

TEST_F(SceneTest, FrostWarningBelowThreeDegrees) {
  struct Case {
    long double temp;
    bool shown;
  } cases[] = {
      {std::nextafter(3.0L, 0.0L), true},
      {3.0L, false},
      {-5.0L, true},
      {20.0L, false},
  };
  for (long double power : {0.0L, 1000.0L}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "power " << static_cast<double>(power) << " temp "
                                      << static_cast<double>(c.temp));
      room::HeaterPowerW = power;
      room::RoomTemp = c.temp;
      HeatTick();
      EXPECT_EQ(F().Label21->Visible(), c.shown);
    }
  }
}

}  // namespace
}  // namespace apptest
