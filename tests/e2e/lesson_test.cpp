// A whole lesson on the real program, its record file checked line by line
// against the room model run through the same sequence of events.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/model/room.h"
#include "framework/format.h"
#include "tests/e2e/harness.h"

namespace e2e {
namespace {

std::string Line() {
  return fw::FormatFixed(room::SimTimeHours, 2) + ";" + fw::FormatFixed(room::RoomTemp, 2) +
         ";" + fw::FormatFixed(room::HeatingWork, 2) + ";" +
         fw::FormatFixed(room::CO2PerDay, 2) + ";";
}

// One running tick as the model sees it: heat step, clock, record trigger.
void Tick(std::vector<std::string>* lines) {
  room::HeatBalanceStep();
  room::AdvanceClock();
  if (lines && (room::SimMinutes == 30 || room::SimMinutes == 0)) lines->push_back(Line());
}

// The file expected when k ticks ran with the start settings before STOP,
// then the outside temperature and the U-value were set, RECORD switched on
// and the run went on.
std::vector<std::string> Expected(int k, int outside, int u_tenths, int running_ticks) {
  room::ResetToLoadValues();
  for (int i = 0; i < k; ++i) Tick(nullptr);
  room::OutsideTemp = outside;
  room::UValue = static_cast<long double>(u_tenths) / 10;
  std::vector<std::string> lines{"Zeit;Innentemp;Arbeit;CO2", Line()};
  for (int i = 0; i < running_ticks; ++i) Tick(&lines);
  return lines;
}

std::vector<std::string> Numbers(int from, int to, bool tenths) {
  std::vector<std::string> v;
  for (int i = from; i <= to; ++i)
    v.push_back(tenths ? std::to_string(i / 10) + "." + std::to_string(i % 10) : std::to_string(i));
  return v;
}

TEST(Lesson, RecordFileMatchesTheModel) {
  Program p(Speed(10));
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  // The pointer's arrival activates the window (START, once) before the click.
  p.Click(480, 307);  // STOP
  ASSERT_TRUE(WaitUnchanged([&] { return p.Clock(); }, 1.5, 30)) << "the clock stands";
  p.Click(264, 338, 15);  // outside temperature: lower arrow of UpDown2
  p.Click(264, 356, 15);  // U-value: upper arrow of UpDown3
  // What the readouts show is what the model uses; read them once they stand.
  const auto outside = [&] { return ShownText(p.Snapshot(), 200, 320, 26, 24, Numbers(-20, 36, false)); };
  const auto u_value = [&] { return ShownText(p.Snapshot(), 200, 352, 45, 24, Numbers(1, 60, true)); };
  ASSERT_TRUE(WaitUnchanged([&] { return std::pair(outside(), u_value()); }, 1.0, 30));
  ASSERT_TRUE(outside() && u_value());
  const int o = std::stoi(*outside());
  const int u = static_cast<int>(std::lround(std::stod(*u_value()) * 10));
  // Fifteen steps from 10 and 1.0 give -5 and 2.5; at ten times the speed a
  // busy machine may let an arrow's repeat add a step, so only the way is sure.
  EXPECT_LT(o, 10);
  EXPECT_GT(u, 10);
  p.Click(474, 371);  // RECORD on
  ASSERT_TRUE(WaitFor([&] { return Lines(p.File("tl.txt")).size() == 2; }, 30));
  const auto start = p.Clock();
  ASSERT_TRUE(start);
  p.Click(480, 283);  // START
  ASSERT_TRUE(p.WaitForClock(*start + 3 * 60 + 1, 120));  // three simulated hours
  p.Click(474, 371);  // RECORD off
  ASSERT_TRUE(WaitFor([&] { return Lines(p.File("tl.txt")).size() >= 8; }, 30))
      << "header, switch-on line and six half hours expected:\n"
      << p.File("tl.txt");
  ASSERT_TRUE(p.Running());
  bool whole;
  const std::string text = p.File("tl.txt");
  const auto got = Lines(text, &whole);
  EXPECT_TRUE(whole);

  // Find how many ticks ran before STOP from the switch-on line alone.
  int k = -1;
  for (int i = 0; i <= 600 && k < 0; ++i)
    if (Expected(i, o, u, 0)[1] == got[1]) k = i;
  ASSERT_GE(k, 0) << "switch-on line matches no number of start ticks: " << got[1];
  const auto want = Expected(k, o, u, 4 * 60);
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_LT(i, want.size());
    EXPECT_EQ(got[i], want[i]) << "line " << i + 1 << " (k = " << k << ")";
  }
  EXPECT_EQ(Complaints(p.Stderr()), "");
}

}  // namespace
}  // namespace e2e
