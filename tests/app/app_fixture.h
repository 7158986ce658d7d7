// One real main window per test program, built from the real description
// under a headless X server; tests drive its handlers directly and read the
// window's pixels back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "app/farbe_ach16.h"
#include "app/model/record_file.h"
#include "app/model/room.h"
#include "framework/forms.h"

namespace apptest {

// The colours of the painted scene, as the window shows them (0xBBGGRR).
constexpr fw::TColor kSky = 0xAA0000;
constexpr fw::TColor kMeadow = 0x009924;
constexpr fw::TColor kDarkBlue = 0x800000;
constexpr fw::TColor kGrey = 0x808080;
constexpr fw::TColor kYellow = 0x00FFFF;
constexpr fw::TColor kRoof = 0x000080;
constexpr fw::TColor kRoofPen = 0x808000;
constexpr fw::TColor kRed = 0x0000FF;
constexpr fw::TColor kMagenta = 0xFF00FF;
constexpr fw::TColor kGreen = 0x00FF00;
constexpr fw::TColor kOrange = 0x00CCFF;
constexpr fw::TColor kBlack = 0x000000;
constexpr fw::TColor kWhite = 0xFFFFFF;

// Puts model, animation variables and controls back to their start values,
// stops every timer (nothing runs unless a test calls it), clears the record
// file and paints the scene once.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  TForm1& F() { return *Form1; }
  fw::TCanvas& C() { return *Form1->Canvas(); }
  fw::TColor Pixel(int x, int y);
  // True when (x, y) or one of its 8 neighbours has the colour (for line
  // ends and outlines, whose exact pixels are the toolkit's choice).
  bool Near(int x, int y, fw::TColor colour);
  void StopTimers();
  // Runs n ticks; stops at the first failed assertion inside.
  void Ticks(int n);
  // A real left click (xdotool) in the middle of a windowed control, with
  // the events it causes run.
  void ClickOn(fw::TControl* c);
  // A real key (xdotool) to the window, with the focus on a control; runs
  // the events until done() holds (the toolkit completes a key's activation
  // a moment later), then what is due.
  void PressKey(fw::TWinControl* focus, const std::string& keysym,
                const std::function<bool()>& done);
  // Writes Checked without running the program's handlers.
  static void SetCheckedQuietly(fw::TButtonControl* b, bool v);
  // The record file in the test's working directory ("" when missing).
  static std::string ReadRecordFile();
  static void RemoveRecordFile();
};

// Values the generator gives after SeedRandomWith(seed), one per call.
class ExpectedRandom {
 public:
  explicit ExpectedRandom(std::uint32_t seed) : g_(seed) {}
  std::uint32_t Below(std::uint32_t n) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(g_()) * n) >> 32);
  }

 private:
  std::mt19937 g_;
};

}  // namespace apptest
