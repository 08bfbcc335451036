#include "core/base/trigger_record.h"

#include <atomic>

#include "core/base/demo_data.h"

namespace {

struct TriggerRecord {
    std::atomic<bool> on;
    std::atomic<uint32_t> counts[kHookedInstruments];
};
TriggerRecord record{};

}  // namespace

void trigger_record_enable(bool on) { record.on.store(on, std::memory_order_relaxed); }

void trigger_record_add(unsigned char n)
{
    if (!record.on.load(std::memory_order_relaxed) || n >= kHookedInstruments) return;
    record.counts[n].fetch_add(1, std::memory_order_relaxed);
}

uint32_t trigger_record_count(int n)
{
    return n >= 0 && n < kHookedInstruments ? record.counts[n].load(std::memory_order_relaxed) : 0;
}
