// Random clicks, drags and keys all over the real program's window from a
// fixed, logged seed. The quit question is always answered with Cancel; any
// other box is a failure. Nothing may crash or complain on stderr.
//
// PYRO_MONKEY_SEED and PYRO_MONKEY_SECONDS replay or shorten a run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

unsigned long EnvOr(const char* name, unsigned long fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtoul(v, nullptr, 10) : fallback;
}

void ExpectQuiet(const Program& p) {
  const std::string err = p.Stderr();
  EXPECT_EQ(Complaints(err), "");
  EXPECT_EQ(err.find("HandleException"), std::string::npos) << err;
}

TEST(Monkey, RandomInputNeverBreaksTheProgram) {
  const unsigned long seed = EnvOr("PYRO_MONKEY_SEED", 20261210);
  const double seconds = static_cast<double>(EnvOr("PYRO_MONKEY_SECONDS", 120));
  std::printf("[ monkey   ] seed %lu, %.0f s (replay: PYRO_MONKEY_SEED=%lu)\n", seed, seconds,
              seed);
  RecordProperty("seed", std::to_string(seed));
  std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
  const auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::vector<std::string> keys = {
      "Tab", "shift+Tab", "space", "Return", "Up", "Down", "Left", "Right", "Home", "End",
      "BackSpace", "a", "7", "Escape", "alt+s", "alt+a", "alt+p", "alt+r", "alt+c", "alt+e"};
  // The up-down arrows, where holding the button matters.
  const std::vector<Pt> arrows = {{264, 294}, {264, 307}, {264, 326}, {264, 339},
                                  {264, 357}, {264, 370}};

  auto p = std::make_unique<Program>();
  ASSERT_NE(p->window(), 0u) << p->Stderr();
  int actions = 0, questions = 0, restarts = 0;
  const double end = Now() + seconds;
  while (Now() < end) {
    const int kind = below(100);
    const int x = below(682), y = below(451);
    if (kind < 45) {
      p->Click(x, y);
    } else if (kind < 55) {
      p->Click(x, y, 2 + below(2));
    } else if (kind < 60) {
      p->Click(x, y, 1, 3);
    } else if (kind < 70) {
      p->Drag(x, y, below(682), below(451));
    } else if (kind < 75) {
      const Pt a = arrows[below(static_cast<int>(arrows.size()))];
      e2e::Run({"xdotool", "mousemove", "--window", std::to_string(p->window()), std::to_string(a.x),
           std::to_string(a.y), "mousedown", "1", "sleep", "0.6", "mouseup", "1"});
    } else if (!FindBox(p->pid(), p->window())) {
      p->Key(keys[below(static_cast<int>(keys.size()))]);
    }
    ++actions;
    Sleep(0.03 + 0.01 * below(8));
    // Answer whatever the action opened before the next one can reach it.
    for (int tries = 0; tries < 50; ++tries) {
      const auto box = FindBox(p->pid(), p->window());
      if (!box) break;
      if (TitleOf(*box) == "Moment mal:") {
        ++questions;
        KeyToWindow(*box, "Escape");
      } else {
        ADD_FAILURE() << "unexpected box \"" << TitleOf(*box) << "\" after action " << actions
                      << "\n" << p->Stderr();
        KeyToWindow(*box, "alt+o");
      }
      Sleep(0.1);
    }
    if (!p->Running()) {
      // A stray key can reach OK of the quit question before it is answered.
      ASSERT_EQ(p->ExitCode(), std::optional<int>(0))
          << "ended after action " << actions << "\n" << p->Stderr();
      ExpectQuiet(*p);
      p = std::make_unique<Program>();
      ASSERT_NE(p->window(), 0u) << p->Stderr();
      ++restarts;
    }
  }
  std::printf("[ monkey   ] %d actions, %d quit questions answered, %d restarts\n", actions,
              questions, restarts);
  EXPECT_TRUE(p->Running());
  ExpectQuiet(*p);
}

}  // namespace
}  // namespace e2e
