// The one pseudo-random generator (MT19937) shared by every caller.
#pragma once
#include <cstdint>

namespace fw {

// Seeds from the current time in whole seconds (32 bits); the generator
// restarts from that seed at the next draw.
void SeedRandom();

// Seeds with an explicit value (tests, and SeedRandom itself).
void SeedRandomWith(std::uint32_t seed);

// n >= 1: the upper 32 bits of u * n for the next 32-bit output u.
std::uint32_t RandomBelow(std::uint32_t n);

}  // namespace fw
