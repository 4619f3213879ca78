#include "jokes/Random.h"

#include <cstdint>

namespace {
std::uint32_t randomState = 1;
}

void seedRandom(unsigned int seed)
{
    randomState = seed;
}

int nextRandom()
{
    // Unsigned arithmetic wraps modulo 2^32 by definition.
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFFu);
}
