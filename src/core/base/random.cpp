#include "core/base/random.h"

#include <deque>

namespace {

// The classic portable rand(): a 32-bit LCG whose bits 16..30 are the value.
// Never seeded, so every run draws the same sequence.
struct RandomState {
    uint32_t next = 1;
    uint64_t count = 0;
    std::deque<int> queued;  // tests only
};
RandomState rng;

}  // namespace

int demo_rand()
{
    ++rng.count;
    if (!rng.queued.empty()) {
        const int v = rng.queued.front();
        rng.queued.pop_front();
        return v;
    }
    rng.next = rng.next * 1103515245u + 12345u;
    return static_cast<int>((rng.next >> 16) & 0x7fffu);
}

uint64_t demo_rand_count() { return rng.count; }

void demo_rand_reset_for_test() { rng = RandomState{}; }

void demo_rand_queue_for_test(std::initializer_list<int> values)
{
    for (int v : values) rng.queued.push_back(v & kDemoRandMax);
}
