// Heat-balance step: one step from chosen states, and a long run.
// Expected bit patterns ("exact") come from an independent exact-rational
// emulation of the step with 64-bit-significand round-to-nearest-even
// arithmetic; the 7-decimal values were worked out by hand from the
// formulas, as a second look at the same numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "app/model/room.h"

namespace {

using namespace room;

// |got - want| below half a unit of the 7th decimal.
#define EXPECT_7(got, want) EXPECT_LT(std::fabs((got) - (want)), 0.5e-7L) << #got << " = " << static_cast<double>(got)

void CaseDefaults() {
  ResetToLoadValues();
  SimTimeHours = 1.0L;  // one simulated hour since the start, unless a case says otherwise
}

struct StepCase {
  const char* name;
  std::function<void()> setup;
  long double room7;      // RoomTemp after the step, to 7 decimals (by hand)
  long double room_bits;  // RoomTemp after the step, exact
  long double heater;     // HeaterPowerW after the step, exact
  long double loss;       // LossPowerW after the step, exact
  long double work_bits;  // HeatingWork, exact
  long double co2_bits;   // CO2PerDay, exact
};

TEST(HeatBalance, OneStepFromChosenStates) {
  const StepCase cases[] = {
      {"first step from load", [] { ResetToLoadValues(); }, 19.9862837L, 0x9fe3e8b66c386f4cp-59L, 0.0L, 1000.0L,
       0.000001L, 0x9ae147ae147ae147p-60L},
      {"demand below loss", [] { CaseDefaults(); RoomTemp = 19.5L; UValue = 3.0L; }, 19.5117274L,
       0x9c18048cfd124eecp-59L, 0xe78fffffffffffffp-52L, 2850.0L, 0xfcee9dd7ecbb7f9cp-68L, 0x99061f7ecb62139ap-64L},
      {"demand equal to loss", [] { CaseDefaults(); RoomTemp = 19.0L; UValue = 2.0L; }, 19.0L, 19.0L, 1800.0L,
       1800.0L, 0xf5c4a83b1d0c8041p-69L, 0x94b093dc156a1f84p-65L},
      {"demand below 800", [] { CaseDefaults(); RoomTemp = 19.5L; OutsideTemp = 18.0L; }, 19.5089156L,
       0x9c12425639a81e0fp-59L, 800.0L, 150.0L, 0xda783f652907ef70p-70L, 0x842c96fe7b623da9p-66L},
      {"raised loss below 800", [] { CaseDefaults(); RoomTemp = 19.5L; OutsideTemp = 19.0L; UValue = 6.0L; },
       19.5068581L, 0x9c0e0ba4c9e3c85ap-59L, 800.0L, 300.0L, 0xda783f652907ef70p-70L, 0x842c96fe7b623da9p-66L},
      {"above greatest power", [] { CaseDefaults(); SetPoint = 25.0L; OutsideTemp = -20.0L; UValue = 6.0L; },
       19.8902697L, 0x9f1f45b361c37a60p-59L, 16000.0L, 24000.0L, 0x8888aa1677c9f463p-65L, 0xa534b9538195a525p-62L},
      {"outside warmer", [] { CaseDefaults(); OutsideTemp = 30.0L; }, 20.0137163L, 0xa01c174993c790b4p-59L, 0.0L,
       -1000.0L, 0.000001L, 0xa267488e8f2475abp-80L},
      {"outside warmer, room below band", [] { CaseDefaults(); RoomTemp = 19.5L; OutsideTemp = 30.0L; },
       19.5253751L, 0x9c33f7e1b7cacbb4p-59L, 800.0L, -1050.0L, 0xda783f652907ef70p-70L, 0x842c96fe7b623da9p-66L},
      {"heater off", [] { CaseDefaults(); RoomTemp = 19.5L; HeaterOn = false; HeaterPowerW = 1800.0L; },
       19.4869695L, 0x9be55046e6cf3688p-59L, 0.0L, 950.0L, 0.000001L, 0xa267488e8f2475abp-80L},
      {"sun on", [] { CaseDefaults(); SunOn = true; }, 19.9931419L, 0x9ff1f45b361c37a6p-59L, 0.0L, 1000.0L,
       0.000001L, 0xa267488e8f2475abp-80L},
      {"band keeps 1800", [] { CaseDefaults(); RoomTemp = 20.1L; HeaterPowerW = 1800.0L; }, 20.1108359L,
       0xa0e2fdeac41b18b8p-59L, 1800.0L, 0xfc80000000000001p-54L, 0xf5c4a83b1d0c8041p-69L, 0x94b093dc156a1f84p-65L},
      {"band keeps 0", [] { CaseDefaults(); RoomTemp = 19.9L; }, 19.8864209L, 0x9f1763d35189ca58p-59L, 0.0L,
       0xf77fffffffffffffp-54L, 0.000001L, 0xa267488e8f2475abp-80L},
      {"on the lower bound", [] { CaseDefaults(); RoomTemp = 20.0L - 0.2L; }, 19.7865580L,
       0x9e4adef036db2564p-59L, 0.0L, 0xf4ffffffffffffffp-54L, 0.000001L, 0xa267488e8f2475abp-80L},
      {"on the upper bound", [] { CaseDefaults(); RoomTemp = 20.0L + 0.2L; HeaterPowerW = 1800.0L; },
       20.2106987L, 0xa1af82cddec9bdacp-59L, 1800.0L, 0xff00000000000001p-54L, 0xf5c4a83b1d0c8041p-69L,
       0x94b093dc156a1f84p-65L},
      {"above band", [] { CaseDefaults(); RoomTemp = 20.5L; HeaterPowerW = 1800.0L; }, 20.4855979L,
       0xa3e28125f1a1a810p-59L, 0.0L, 1050.0L, 0.000001L, 0xa267488e8f2475abp-80L},
      {"CO2 rate", [] { CaseDefaults(); HeatingWork = 1.0L; HeaterPowerW = 1800.0L; SimTimeHours = 2.0L; },
       20.0109730L, 0xa0167907a96c73c4p-59L, 1800.0L, 1000.0L, 0x83d70a3d70a3d70ap-63L, 0x9f86c226809d4951p-61L},
      {"first step after RESET at 2.5 h",
       [] { CaseDefaults(); HeaterPowerW = 1800.0L; SimTimeHours = 2.5L; }, 20.0109730L, 0xa0167907a96c73c4p-59L,
       1800.0L, 1000.0L, 0xf5c4a83b1d0c8041p-69L, 0xede752f9bbdcff37p-67L},
  };
  for (const StepCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.setup();
    HeatBalanceStep();
    EXPECT_7(RoomTemp, c.room7);
    EXPECT_EQ(RoomTemp, c.room_bits);
    EXPECT_EQ(HeaterPowerW, c.heater);
    EXPECT_EQ(HeaterPowerKW, c.heater / 1000.0L);
    EXPECT_EQ(LossPowerW, c.loss);
    EXPECT_EQ(LossPowerKW, c.loss / 1000.0L);
    EXPECT_EQ(HeatingWork, c.work_bits);
    EXPECT_EQ(CO2PerDay, c.co2_bits);
    EXPECT_EQ(SunPowerKW, SunOn ? 0.5L : 0.0L);
    EXPECT_TRUE(HeaterPowerW == 0.0L || (HeaterPowerW >= 800.0L && HeaterPowerW <= 16000.0L));
  }
}

TEST(HeatBalance, ValuesWorkedOutByHand) {
  // Two steps from the load values: the first divides by the start time.
  ResetToLoadValues();
  EXPECT_EQ(SunPowerKW, 0.5L);
  HeatBalanceStep();
  EXPECT_EQ(LossPowerW, 1000.0L);
  EXPECT_EQ(LossPowerKW, 1.0L);
  EXPECT_EQ(HeaterPowerW, 0.0L);
  EXPECT_EQ(SunPowerKW, 0.0L);
  EXPECT_EQ(HeatingWork, 0.000001L);
  EXPECT_7(CO2PerDay, 9.68L);
  SimTimeHours = 1.0L / 60.0L;
  HeatBalanceStep();
  EXPECT_7(RoomTemp, 19.9725862L);
  EXPECT_7(LossPowerW, 998.6283708L);
  EXPECT_7(CO2PerDay, 0.0005808L);
  EXPECT_EQ(RoomTemp, 0x9fc7db49f91fafbcp-59L);

  // Demand below the loss: 1.3 x 2850 lies just below 3705.
  CaseDefaults();
  RoomTemp = 19.5L;
  UValue = 3.0L;
  HeatBalanceStep();
  EXPECT_LT(HeaterPowerW, 3705.0L);
  EXPECT_GT(HeaterPowerW, 3704.9999999999L);
  EXPECT_EQ(3705.0L - HeaterPowerW, 0x1p-52L);  // about 2.2e-16
  EXPECT_7(HeaterPowerKW, 3.705L);

  // A demand equal to the loss is not raised: the room stays exactly at 19.
  CaseDefaults();
  RoomTemp = 19.0L;
  UValue = 2.0L;
  HeatBalanceStep();
  EXPECT_EQ(RoomTemp, 19.0L);

  // At the greatest power the heating work grows by 0.2666667 per step.
  CaseDefaults();
  SetPoint = 25.0L;
  OutsideTemp = -20.0L;
  UValue = 6.0L;
  HeatBalanceStep();
  EXPECT_7(HeatingWork - 0.000001L, 0.2666667L);
  EXPECT_EQ(HeaterPowerKW, 16.0L);
  EXPECT_EQ(LossPowerKW, 24.0L);

  // The CO2 rate: 1.03 kWh in 2 h make 4.9852 kg/day.
  CaseDefaults();
  HeatingWork = 1.0L;
  HeaterPowerW = 1800.0L;
  SimTimeHours = 2.0L;
  HeatBalanceStep();
  EXPECT_7(HeatingWork, 1.03L);
  EXPECT_7(CO2PerDay, 4.9852L);

  // After a RESET at 2.5 h the first step still divides by 2.5, the next by
  // the tick's 1/60.
  CaseDefaults();
  HeaterPowerW = 1800.0L;
  SimTimeHours = 2.5L;
  HeatBalanceStep();
  EXPECT_7(HeatingWork, 0.030001L);
  EXPECT_7(CO2PerDay, 0.1161639L);
  SimTimeHours = 1.0L / 60.0L;
  HeatBalanceStep();
  EXPECT_7(HeatingWork, 0.060001L);
  EXPECT_7(CO2PerDay, 34.8485808L);
  EXPECT_EQ(CO2PerDay, 0x8b64f25d800dd758p-58L);
}

TEST(HeatBalance, ConstantsAreTheNearestExtendedValues) {
  // The second CO2 factor: 5.0L / 3.0L is the correctly rounded quotient,
  // 0xd555555555555555p-63; its neighbours are farther from 5/3.
  const long double q = 5.0L / 3.0L;
  EXPECT_EQ(q, 0xd555555555555555p-63L);
  EXPECT_EQ(q, 1.66666666666666666666666666666666667L);
  EXPECT_EQ(1.3L, 0xa666666666666666p-63L);  // just below 1.3
  EXPECT_EQ(((100.0L * 0.29L) * 2.5L) * 1005.6L, 72906.0L);
}

TEST(HeatBalance, LongRunSwitchesAtSteps16_53_83) {
  ResetToLoadValues();
  struct Expect {
    int step;
    long double before_bits;  // RoomTemp the step finds
    long double before7;      // the same, to 7 decimals (by hand)
    long double heater_after;
    long double room_after_bits;
    long double work_after_bits;
    long double co2_after_bits;
  };
  const Expect expects[] = {
      {16, 0x9e5ea8414d14f763p-59L, 19.7962194L, 1800.0L, 0x9e75b3d45be9ddfcp-59L, 0xf5c4a83b1d0c8041p-69L,
       0x94b093dc156a1f84p-63L},
      {53, 0xa19e9c7698e542c0p-59L, 20.2024469L, 0.0L, 0xa181f3972ae63974p-59L, 0x8e148344c37e6f6dp-63L,
       0xc65d9fa3f16e8dc8p-60L},
      {83, 0x9e53b45cdce53a55p-59L, 19.7908714L, 1800.0L, 0x9e6ac3c878ac4104p-59L, 0x91eb8d8234224677p-63L,
       0x813154b3970e1cabp-60L},
  };
  std::size_t next = 0;
  int switches = 0;
  long double last_heater = 0.0L;
  for (int step = 1; step <= 1440; ++step) {
    const long double before = RoomTemp;
    HeatBalanceStep();
    if (HeaterPowerW != last_heater) {
      ++switches;
      if (switches <= 3) {
        ASSERT_LT(next, std::size(expects));
        EXPECT_EQ(step, expects[next].step) << "switch " << switches;
      }
      last_heater = HeaterPowerW;
    }
    if (next < std::size(expects) && step == expects[next].step) {
      const Expect& e = expects[next];
      SCOPED_TRACE(step);
      EXPECT_EQ(before, e.before_bits);
      EXPECT_7(before, e.before7);
      EXPECT_EQ(HeaterPowerW, e.heater_after);
      EXPECT_EQ(RoomTemp, e.room_after_bits);
      EXPECT_EQ(HeatingWork, e.work_after_bits);
      EXPECT_EQ(CO2PerDay, e.co2_after_bits);
      ++next;
    }
    if (step < 16) {
      EXPECT_EQ(HeaterPowerW, 0.0L) << step;
    }
    AdvanceClock();
  }
  EXPECT_EQ(next, std::size(expects));
  // After 1440 steps (24 h): the emulation's values.
  EXPECT_EQ(SimHours, 24.0L);
  EXPECT_EQ(SimMinutes, 0.0L);
  EXPECT_EQ(RoomTemp, 0x9f0bb67621344978p-59L);
  EXPECT_EQ(HeatingWork, 0xbecccd530489d2c2p-59L);
  EXPECT_EQ(CO2PerDay, 0x9a04dad440b81f82p-60L);
}

}  // namespace
