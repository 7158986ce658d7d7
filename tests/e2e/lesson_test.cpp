// A whole lesson on the real program, its record file checked to the byte:
// STOP, the outside temperature down to -5 and the U-value up to 2.5 by
// fifteen clicks each, RECORD on, three simulated hours running, RECORD off.
// Until the run starts the program's clock goes at a hundredth of real time:
// no tick comes before STOP and no arrow repeats, so what the file holds is
// known in advance.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// Worked out apart from the program: the heat-balance steps and the clock in
// an exact-rational emulation of 64-bit-significand arithmetic rounding to
// nearest (the one that gives the model's tests their bit patterns), and the
// readouts' rounding rule, from the start values (room 20 °C, set-point 20,
// heater on, sun off) with -5 °C outside and a U-value of 2.5. The heater
// comes on within the first minutes and holds the room around 20 °C.
const std::vector<std::string> kLesson = {
    "Zeit;Innentemp;Arbeit;CO2",
    "0.00;20.00;0.00;0.00;",  // switched on before the first tick
    "0.50;19.86;2.95;59.16;",
    "1.00;20.06;6.31;62.12;",
    "1.50;20.13;9.53;62.21;",
    "2.00;19.88;12.35;60.29;",
    "2.50;20.08;15.71;61.23;",
    "3.00;20.04;18.80;60.99;",
    "3.50;19.90;21.75;60.44;",
    "4.00;20.09;25.11;61.01;",
    "4.50;19.95;28.06;60.58;",
    "5.00;19.92;31.15;60.50;",
};

std::vector<std::string> Numbers(int from, int to, bool tenths) {
  std::vector<std::string> v;
  for (int i = from; i <= to; ++i)
    v.push_back(tenths ? std::to_string(i / 10) + "." + std::to_string(i % 10) : std::to_string(i));
  return v;
}

TEST(Lesson, RecordFileToTheByte) {
  Options o;
  o.changeable_speed = 0.01;
  Program p(o);
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  // The pointer's arrival activates the window (START, once) before the click.
  p.Click(at::kStop);
  ASSERT_TRUE(p.WaitForSelection("STOP", 30));
  p.Click(at::kOutsideDown, 15);
  p.Click(at::kUUp, 15);
  const auto outside = [&] {
    return ShownText(p.Snapshot(), 200, 320, 26, 24, Numbers(-20, 36, false));
  };
  const auto u_value = [&] {
    return ShownText(p.Snapshot(), 200, 352, 45, 24, Numbers(1, 60, true));
  };
  EXPECT_TRUE(WaitFor([&] { return outside() == "-5" && u_value() == "2.5"; }, 60))
      << outside().value_or("?") << " and " << u_value().value_or("?");
  p.Click(at::kRecord);  // on
  const std::string two_lines = kLesson[0] + "\n" + kLesson[1] + "\n";
  ASSERT_TRUE(WaitFor([&] { return p.File("tl.txt") == two_lines; }, 60)) << p.File("tl.txt");

  p.SetSpeed(10);  // one simulated minute every 100 ms
  p.Click(at::kStart);
  ASSERT_TRUE(p.WaitForClock(3 * 60 + 1, 120)) << "three simulated hours";
  p.Click(at::kRecord);  // off: the buffered lines to the file
  ASSERT_TRUE(WaitFor([&] { return Lines(p.File("tl.txt")).size() >= 8; }, 30))
      << "header, switch-on line and six half hours expected:\n"
      << p.File("tl.txt");
  ASSERT_TRUE(p.Running());
  bool whole = false;
  const std::string text = p.File("tl.txt");
  const auto got = Lines(text, &whole);
  EXPECT_TRUE(whole);
  ASSERT_LE(got.size(), kLesson.size()) << text;
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], kLesson[i]) << "line " << i + 1;
  EXPECT_EQ(Complaints(p.Stderr()), "");
}

}  // namespace
}  // namespace e2e
