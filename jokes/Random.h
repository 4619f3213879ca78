#ifndef GRINSEL_RANDOM_H
#define GRINSEL_RANDOM_H

// The program's one random generator: a 32-bit linear congruential state
// that starts at 1, so an unseeded run is reproducible.
void seedRandom(unsigned int seed);

// Advances the state; returns a value from 0 to 32767.
int nextRandom();

#endif
