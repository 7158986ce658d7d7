// FormatFixed / FormatGeneral, MT19937 and Pause.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <csignal>
#include <ctime>
#include <random>
#include <string>
#include <sys/time.h>

#include "framework/format.h"
#include "framework/pause.h"
#include "framework/random.h"

namespace {

struct FixedCase {
  long double x;
  int d;
  const char* text;
};

const FixedCase kFixedCases[] = {
    // Halves away from zero, a negative zero keeps its sign, the readouts'
    // and the record file's values.
    {-0.04L, 1, "-0.0"}, {0.04L, 1, "0.0"}, {0.05L, 1, "0.1"}, {0.25L, 1, "0.3"},
    {0.125L, 2, "0.13"}, {2.5L, 0, "3"}, {-2.5L, 0, "-3"}, {9.96L, 1, "10.0"},
    {20.0L, 0, "20"}, {0.000001L, 2, "0.00"}, {-3.5L, 2, "-3.50"}, {20.0L, 2, "20.00"},
    {0.5L, 2, "0.50"}, {1.0L, 2, "1.00"}, {9.68L, 2, "9.68"},
    // Halves at each decimal count, away from zero.
    {0.5L, 0, "1"}, {1.5L, 0, "2"}, {-0.5L, 0, "-1"}, {0.05L, 1, "0.1"}, {0.15L, 1, "0.2"},
    {0.0005L, 3, "0.001"},
    // The algorithm taken literally (checked against an exact emulation of its
    // steps): after adding the half the digits are cut, and 0.005 + 0.005
    // lands just below 0.01, so these show the lower value; 99.95L is stored
    // further below the half than the last-place lift reaches.
    {0.005L, 2, "0.00"}, {1.005L, 2, "1.00"}, {-0.005L, 2, "-0.00"}, {99.95L, 1, "99.9"},
    {2.675L, 2, "2.68"}, {1.45L, 1, "1.5"},
    // Just below a half by more than the last place: cut.
    {0.4999999L, 0, "0"}, {0.0049999L, 2, "0.00"}, {0.1249999L, 2, "0.12"},
    // Carries.
    {9.995L, 2, "10.00"}, {99.5L, 0, "100"}, {99.96L, 1, "100.0"}, {0.9999L, 3, "1.000"}, {-9.995L, 2, "-10.00"},
    {19.999999L, 2, "20.00"},
    // Zeros.
    {0.0L, 0, "0"}, {0.0L, 2, "0.00"}, {-0.0L, 0, "-0"}, {-0.0L, 2, "-0.00"}, {-0.004L, 2, "-0.00"},
    // Large whole numbers.
    {1e15L, 0, "1000000000000000"}, {123456789012345678.0L, 0, "123456789012345678"},
    {18446744073709551615.0L, 0, "18446744073709551615"}, {4294967296.0L, 2, "4294967296.00"},
    {-72906.0L, 1, "-72906.0"},
};

TEST(FormatFixed, TableOfCases) {
  for (const FixedCase& c : kFixedCases) {
    EXPECT_EQ(fw::FormatFixed(c.x, c.d), c.text) << "x=" << static_cast<double>(c.x) << " d=" << c.d;
  }
}

TEST(FormatFixed, LastPlaceBelowHalfIsLiftedButTwoPlacesAreNot) {
  const long double half = 0.5L;
  const long double one_below = std::nextafter(half, 0.0L);
  EXPECT_EQ(fw::FormatFixed(one_below, 0), "1");
  long double far_below = half;
  for (int i = 0; i < 8; ++i) far_below = std::nextafter(far_below, 0.0L);
  EXPECT_EQ(fw::FormatFixed(far_below, 0), "0");
}

TEST(FormatFixed, NotAffectedByLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  if (!german) german = std::setlocale(LC_NUMERIC, "de_DE");
  if (!german) {
    // No German locale installed: still check under C.UTF-8 and verify that
    // the C library's own decimal point is not consulted.
    std::setlocale(LC_NUMERIC, "C.UTF-8");
  } else {
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  }
  EXPECT_EQ(fw::FormatFixed(20.0L, 2), "20.00");
  EXPECT_EQ(fw::FormatFixed(-3.5L, 2), "-3.50");
  EXPECT_EQ(fw::FormatGeneral(0.1L), "0.1");
  EXPECT_EQ(fw::FormatGeneral(20.0L), "20");
  std::setlocale(LC_ALL, saved.c_str());
  if (!german) GTEST_SKIP() << "no German locale installed; checked under C.UTF-8 only";
}

TEST(FormatGeneral, TableOfCases) {
  const struct {
    long double x;
    const char* text;
  } cases[] = {
      {20.0L, "20"}, {-20.0L, "-20"}, {0.0L, "0"}, {59.0L, "59"}, {15.0L, "15"}, {36.0L, "36"},
      {100.0L, "100"}, {0.1L, "0.1"}, {1.5L, "1.5"}, {-0.25L, "-0.25"}, {1.0L / 3.0L, "0.33333333333333"}  /* cut to 16 characters */,
      {123456789012345.0L, "123456789012345"}, {0.00001L, "0.00001"},
  };
  for (const auto& c : cases) EXPECT_EQ(fw::FormatGeneral(c.x), c.text) << static_cast<double>(c.x);
}

TEST(FormatGeneral, ExponentFormIsSane) {
  const long double values[] = {1e-6L, -1e-6L, 1234567890123456.0L, -123456789012345.0L, 1e300L, 1e-300L};
  for (long double v : values) {
    const std::string t = fw::FormatGeneral(v);
    ASSERT_FALSE(t.empty());
    EXPECT_LE(t.size(), 24u) << t;
    EXPECT_NE(t.find('E'), std::string::npos) << t;
    for (char ch : t) EXPECT_TRUE((ch >= '0' && ch <= '9') || ch == '.' || ch == '-' || ch == '+' || ch == 'E') << t;
  }
  EXPECT_EQ(fw::FormatGeneral(1e-6L), "1E-6");
  EXPECT_EQ(fw::FormatGeneral(1234567890123456.0L), "1.23456789012346E+15");
}

// Reads the raw 32-bit outputs through RandomBelow: with n = 2^32 - 1 the
// result is floor(u * (2^32 - 1) / 2^32) = u - 1 for u > 0, u = 0 for u = 0.
TEST(Random, MatchesStdMt19937AndKnownValue) {
  for (std::uint32_t seed : {5489u, 0u, 1u, 0xFFFFFFFFu, 20240101u}) {
    fw::SeedRandomWith(seed);
    std::mt19937 ref(seed);
    for (int i = 0; i < 2000; ++i) {
      const std::uint32_t u = ref();
      const std::uint32_t expect = static_cast<std::uint32_t>((std::uint64_t{u} * 0xFFFFFFFFu) >> 32);
      ASSERT_EQ(fw::RandomBelow(0xFFFFFFFFu), expect) << "seed " << seed << " draw " << i;
    }
  }
  // The 10000th output for the default seed is 4123659995.
  fw::SeedRandomWith(5489u);
  std::uint32_t r = 0;
  for (int i = 0; i < 10000; ++i) r = fw::RandomBelow(0xFFFFFFFFu);
  EXPECT_EQ(r, static_cast<std::uint32_t>((std::uint64_t{4123659995u} * 0xFFFFFFFFu) >> 32));
}

TEST(Random, BelowIsUpperHalfOfProductAndInRange) {
  fw::SeedRandomWith(77u);
  std::mt19937 ref(77u);
  const std::uint32_t ns[] = {1u, 2u, 3u, 7u, 10u, 100u, 682u, 451u, 1000000007u, 0x80000000u};
  for (int round = 0; round < 300; ++round)
    for (std::uint32_t n : ns) {
      const std::uint32_t u = ref();
      const std::uint32_t r = fw::RandomBelow(n);
      ASSERT_EQ(r, static_cast<std::uint32_t>((std::uint64_t{u} * n) >> 32));
      ASSERT_LT(r, n);
      if (n == 1u) {
        ASSERT_EQ(r, 0u);
      }
    }
}

TEST(Random, SeedAppliesAtNextDrawAndRepeatsWithinASecond) {
  // Seeding restarts the sequence even in the middle of one.
  fw::SeedRandomWith(9u);
  const std::uint32_t a = fw::RandomBelow(1000000u);
  fw::RandomBelow(5u);
  fw::SeedRandomWith(9u);
  EXPECT_EQ(fw::RandomBelow(1000000u), a);

  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = std::time(nullptr);
    fw::SeedRandom();
    std::uint32_t first[20];
    for (auto& v : first) v = fw::RandomBelow(1000000u);
    fw::SeedRandom();
    std::uint32_t second[20];
    for (auto& v : second) v = fw::RandomBelow(1000000u);
    if (std::time(nullptr) != before) continue;  // crossed a second: retry
    for (int i = 0; i < 20; ++i) EXPECT_EQ(first[i], second[i]);
    std::mt19937 ref(static_cast<std::uint32_t>(before));
    EXPECT_EQ(first[0], static_cast<std::uint32_t>((std::uint64_t{ref()} * 1000000u) >> 32));
    return;
  }
  FAIL() << "could not stay within one second";
}

volatile std::sig_atomic_t g_alarms = 0;
void OnAlarm(int) { g_alarms = g_alarms + 1; }

TEST(Pause, ServesTheWholeTimeAcrossSignals) {
  struct sigaction sa {};
  sa.sa_handler = OnAlarm;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: nanosleep returns EINTR
  struct sigaction old {};
  ASSERT_EQ(sigaction(SIGALRM, &sa, &old), 0);
  itimerval it{};
  it.it_value.tv_usec = 50000;
  it.it_interval.tv_usec = 50000;
  ASSERT_EQ(setitimer(ITIMER_REAL, &it, nullptr), 0);
  const auto start = std::chrono::steady_clock::now();
  fw::Pause(1250);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
  sigaction(SIGALRM, &old, nullptr);
  EXPECT_GE(g_alarms, 5);
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 1250);
  // No pause: back at once (the bound leaves a loaded machine room).
  const auto s2 = std::chrono::steady_clock::now();
  fw::Pause(0);
  EXPECT_LT(std::chrono::steady_clock::now() - s2, std::chrono::milliseconds(1000));
}

}  // namespace
