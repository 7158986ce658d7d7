// State of the simulated room and its one-minute heat-balance step
// (see room.h). Every operation is an x87 extended (long double) operation,
// evaluated one at a time as bracketed here: the results are fixed to the
// last bit, so nothing may be reordered or fused.
#include "app/model/room.h"

namespace room {

bool Stopped = false;
bool HeaterOn = true;
bool SunOn = false;
bool Recording = false;
long double SetPoint = 20.0L;
long double OutsideTemp = 10.0L;
long double UValue = 1.0L;
long double RoomTemp = 20.0L;
long double PrevRoomTemp = 20.0L;
long double HeaterPowerW = 0.0L;
long double HeaterPowerKW = 0.0L;
long double LossPowerW = 0.0L;
long double LossPowerKW = 0.0L;
long double SunPowerKW = 0.5L;
long double SimMinutes = 0.0L;
long double SimHours = 0.0L;
long double SimTimeHours = 0.000001L;
long double HeatingWork = 0.000001L;
long double CO2PerDay = 0.0L;
long double StoredHeat = 0.0L;
long double NetHeat = 0.0L;

namespace {

// A variable of the state and its value at program load.
template <class T>
struct Saved {
  T* var;
  T load;
  void Restore() const { *var = load; }
};

// The state as loaded, taken before anything runs: the variables above hold
// their start values from the program's load on.
const Saved<bool> kLoadedFlags[] = {
    {&Stopped, Stopped}, {&HeaterOn, HeaterOn}, {&SunOn, SunOn}, {&Recording, Recording}
};
const Saved<long double> kLoadedReals[] = {
    {&SetPoint, SetPoint}, {&OutsideTemp, OutsideTemp}, {&UValue, UValue}, {&RoomTemp, RoomTemp},
    {&PrevRoomTemp, PrevRoomTemp}, {&HeaterPowerW, HeaterPowerW},
    {&HeaterPowerKW, HeaterPowerKW}, {&LossPowerW, LossPowerW}, {&LossPowerKW, LossPowerKW},
    {&SunPowerKW, SunPowerKW}, {&SimMinutes, SimMinutes}, {&SimHours, SimHours},
    {&SimTimeHours, SimTimeHours}, {&HeatingWork, HeatingWork}, {&CO2PerDay, CO2PerDay},
    {&StoredHeat, StoredHeat}, {&NetHeat, NetHeat}
};

// Model factors: unit variables that nothing writes.
long double HeatCapFactor1 = 100.0L;
long double HeatCapFactor2 = 0.29L;
long double HeatCapFactor3 = 2.5L;
long double HeatCapFactor4 = 1005.6L;
long double LossFactor = 100.0L;

// Constants of the step, each the long double nearest to the decimal.
constexpr long double kBand = 0.2L;
constexpr long double kDemandPerK = 180.0L;
constexpr long double kLossRaise = 1.3L;
constexpr long double kMinPower = 800.0L;
constexpr long double kMaxPower = 16000.0L;
constexpr long double kSunPower = 0.5L;
constexpr long double kWPerKW = 1000.0L;
constexpr long double kKWPerW = 0.001L;
constexpr long double kStepsPerHour = 60.0L;
constexpr long double kHoursPerDay = 24.0L;
constexpr long double kCO2Factor1 = 0.242L;
constexpr long double kCO2Factor2 = 5.0L / 3.0L;  // correctly rounded: nearest to 5/3

long double HeatCapacity() {
  return ((HeatCapFactor1 * HeatCapFactor2) * HeatCapFactor3) * HeatCapFactor4;
}

}  // namespace

void ResetToLoadValues() {
  for (const auto& v : kLoadedFlags) v.Restore();
  for (const auto& v : kLoadedReals) v.Restore();
}

void HeatBalanceStep() {
  const long double Ti = RoomTemp;
  const long double Ta = OutsideTemp;
  const long double Ts = SetPoint;
  const long double U = UValue;

  // The heat the room holds above the outside, and what the walls lose.
  StoredHeat = HeatCapacity() * (Ti - Ta);
  LossPowerW = (LossFactor * U) * (Ti - Ta);

  // Two-point control with a band of +-0.2 K.
  if (!HeaterOn) {
    HeaterPowerW = 0.0L;
  } else {
    if (Ti < Ts - kBand) {
      HeaterPowerW = (Ts - Ta) * kDemandPerK;
      if (HeaterPowerW < LossPowerW) HeaterPowerW = kLossRaise * LossPowerW;
      if (HeaterPowerW < kMinPower) HeaterPowerW = kMinPower;
    }
    if (Ti > Ts + kBand) HeaterPowerW = 0.0L;
  }

  // The heater's limits.
  if (HeaterPowerW > kMaxPower) HeaterPowerW = kMaxPower;
  if (HeaterPowerW < 0.0L) HeaterPowerW = 0.0L;

  // What is left after a minute's loss, with the heater's gain.
  NetHeat = (StoredHeat - LossPowerW) + HeaterPowerW;

  // The sun's gain.
  SunPowerKW = SunOn ? kSunPower : 0.0L;
  if (SunOn) NetHeat = NetHeat + (kWPerKW * SunPowerKW);

  // The new room temperature, and the powers in kW for the readouts.
  RoomTemp = (NetHeat / HeatCapacity()) + Ta;

  LossPowerKW = LossPowerW / kWPerKW;
  HeaterPowerKW = HeaterPowerW / kWPerKW;

  // One minute of the heater's work, and the CO2 rate of the work so far
  // over the time so far.
  HeatingWork = ((HeaterPowerW * kKWPerW) / kStepsPerHour) + HeatingWork;

  CO2PerDay = (((HeatingWork * kHoursPerDay) / SimTimeHours) * kCO2Factor1) * kCO2Factor2;
}

void AdvanceClock() {
  SimMinutes = SimMinutes + 1.0L;
  if (SimMinutes == 60.0L) {
    SimMinutes = 0.0L;
    SimHours = SimHours + 1.0L;
  }
  // The quotient first, then the hours.
  SimTimeHours = SimMinutes / 60.0L + SimHours;
}

}  // namespace room
