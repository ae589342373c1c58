#include "Random.h"

#include <QDateTime>

namespace {

uint32_t& Seed() {
    static uint32_t seed = 0;
    return seed;
}

uint32_t Next() {
    uint32_t& s = Seed();
    s = s * 0x08088405u + 1u;  // unsigned: wraps modulo 2^32 by definition
    return s;
}

}  // namespace

double Random() { return double(Next()) * (1.0 / 4294967296.0); }

int32_t Random(int32_t range) {
    if (range <= 0) return 0;
    // The high half of seed * range: uniform in [0, range) without a modulo bias
    // beyond 2^-32.
    return int32_t((uint64_t(Next()) * uint64_t(range)) >> 32);
}

void Randomize() {
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    Seed() = uint32_t(uint64_t(ms) ^ (uint64_t(ms) >> 32));
}

int32_t RandSeed() { return int32_t(Seed()); }

void SetRandSeed(int32_t seed) { Seed() = uint32_t(seed); }
