// The program's one pseudo-random sequence: 0..32767, never seeded, shared by
// every layer in the order the layers run.
#pragma once
#include <cstdint>
#include <initializer_list>

constexpr int kDemoRandMax = 32767;

// Next value of the sequence, 0..kDemoRandMax.
int demo_rand();

// Number of values taken since start (or since demo_rand_reset_for_test).
uint64_t demo_rand_count();

// Tests only: restart the sequence from its fixed start.
void demo_rand_reset_for_test();
// Tests only: the next calls return these values (each masked to 15 bits)
// before the sequence continues where it stood.
void demo_rand_queue_for_test(std::initializer_list<int> values);
