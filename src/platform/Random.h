// The process-wide pseudo-random source: a 32-bit linear congruential
// generator (seed = seed * 0x08088405 + 1), as the classic runtime uses.  A
// given seed always yields the same sequence, so tests seed it with
// SetRandSeed.  Everything runs on the user-interface thread.
#pragma once

#include <cstdint>

// A number in [0, 1) with 32 bits of randomness.
double Random();
// A whole number r with 0 <= r < range; 0 when range <= 0.
int32_t Random(int32_t range);
// Seeds the generator from the clock.
void Randomize();

int32_t RandSeed();
void SetRandSeed(int32_t seed);
