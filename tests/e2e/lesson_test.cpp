// A whole lesson on the real program, its record file checked line by line
// against the room model run through the same sequence of events.
#include <gtest/gtest.h>

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
  room::SimMinutes = room::SimMinutes + 1;
  if (room::SimMinutes == 60) {
    room::SimMinutes = 0;
    room::SimHours = room::SimHours + 1;
  }
  room::SimTimeHours = room::SimMinutes / 60 + room::SimHours;
  if (lines && (room::SimMinutes == 30 || room::SimMinutes == 0)) lines->push_back(Line());
}

// The file expected when k ticks ran with the start settings before STOP,
// then outside -5 and U 2.5 were set, RECORD switched on and the run went on.
std::vector<std::string> Expected(int k, int running_ticks) {
  room::ResetToLoadValues();
  for (int i = 0; i < k; ++i) Tick(nullptr);
  room::OutsideTemp = -5;
  room::UValue = static_cast<long double>(25) / 10;
  std::vector<std::string> lines{"Zeit;Innentemp;Arbeit;CO2", Line()};
  for (int i = 0; i < running_ticks; ++i) Tick(&lines);
  return lines;
}

TEST(Lesson, RecordFileMatchesTheModel) {
  Program p(Speed(10));
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  p.MoveTo(300, 200);  // the activation selects START once
  Sleep(0.3);
  p.Click(480, 307);   // STOP
  Sleep(0.3);
  p.Click(264, 338, 15);  // outside temperature: lower arrow of UpDown2
  p.Click(264, 356, 15);  // U-value: upper arrow of UpDown3
  Sleep(0.3);
  p.Click(474, 371);  // RECORD on
  Sleep(0.3);
  p.Click(480, 283);  // START
  Sleep(3 * 60 / 10.0 + 0.8);  // three simulated hours
  p.Click(474, 371);  // RECORD off
  Sleep(0.3);
  ASSERT_TRUE(p.Running());
  bool whole;
  const std::string text = p.File("tl.txt");
  const auto got = Lines(text, &whole);
  EXPECT_TRUE(whole);
  ASSERT_GE(got.size(), 8u) << "header, switch-on line and six half hours expected:\n" << text;

  // Find how many ticks ran before STOP from the switch-on line alone.
  int k = -1;
  for (int i = 0; i <= 200 && k < 0; ++i)
    if (Expected(i, 0)[1] == got[1]) k = i;
  ASSERT_GE(k, 0) << "switch-on line matches no number of start ticks: " << got[1];
  const auto want = Expected(k, 4 * 60);
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_LT(i, want.size());
    EXPECT_EQ(got[i], want[i]) << "line " << i + 1 << " (k = " << k << ")";
  }
  EXPECT_EQ(Complaints(p.Stderr()), "");
}

}  // namespace
}  // namespace e2e
