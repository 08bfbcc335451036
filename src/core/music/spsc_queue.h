// A fixed-size single-producer single-consumer ring: the audio thread pushes,
// the dispatch thread pops. Neither side ever waits; a full ring refuses.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

template <class T, uint32_t N>
struct SpscQueue {
    static_assert((N & (N - 1)) == 0, "N must be a power of two");
    T items[N];
    std::atomic<uint32_t> head{0};  // next to pop; written by the consumer
    std::atomic<uint32_t> tail{0};  // next to push; written by the producer

    // Producer only. False when full.
    bool push(const T& v)
    {
        const uint32_t t = tail.load(std::memory_order_relaxed);
        if (t - head.load(std::memory_order_acquire) == N) return false;
        items[t & (N - 1)] = v;
        tail.store(t + 1, std::memory_order_release);
        return true;
    }
    // Consumer only. False when empty; the item stays queued.
    bool peek(T* v) const
    {
        const uint32_t h = head.load(std::memory_order_relaxed);
        if (h == tail.load(std::memory_order_acquire)) return false;
        *v = items[h & (N - 1)];
        return true;
    }
    // Consumer only: drops the item peek returned.
    void pop() { head.store(head.load(std::memory_order_relaxed) + 1, std::memory_order_release); }
};
