// MT19937 with standard parameters, seeding and tempering.
#include "framework/random.h"

#include <ctime>

namespace fw {
namespace {

constexpr int kN = 624;
constexpr int kM = 397;
constexpr std::uint32_t kMatrixA = 0x9908B0DFu;
constexpr std::uint32_t kUpper = 0x80000000u;
constexpr std::uint32_t kLower = 0x7FFFFFFFu;

struct Generator {
  std::uint32_t mt[kN];
  int index = kN;        // the next output's place; at kN the state twists first
  bool pending = true;   // a seed waits to be applied at the next draw
  std::uint32_t seed = 5489u;

  void Apply() {
    mt[0] = seed;
    for (int i = 1; i < kN; ++i)
      mt[i] = 1812433253u * (mt[i - 1] ^ (mt[i - 1] >> 30)) + static_cast<std::uint32_t>(i);
    index = kN;
    pending = false;
  }

  void Twist() {
    for (int i = 0; i < kN; ++i) {
      std::uint32_t y = (mt[i] & kUpper) | (mt[(i + 1) % kN] & kLower);
      std::uint32_t v = mt[(i + kM) % kN] ^ (y >> 1);
      if (y & 1u) v ^= kMatrixA;
      mt[i] = v;
    }
    index = 0;
  }

  std::uint32_t Next() {
    if (pending) Apply();
    if (index >= kN) Twist();
    std::uint32_t y = mt[index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
  }
};

Generator& TheGenerator() {
  static Generator g;  // the one generator of the program
  return g;
}

}  // namespace

void SeedRandomWith(std::uint32_t seed) {
  Generator& g = TheGenerator();
  g.seed = seed;
  g.pending = true;
}

void SeedRandom() {
  SeedRandomWith(static_cast<std::uint32_t>(std::time(nullptr)));
}

std::uint32_t RandomBelow(std::uint32_t n) {
  const std::uint64_t u = TheGenerator().Next();
  return static_cast<std::uint32_t>((u * n) >> 32);
}

}  // namespace fw
