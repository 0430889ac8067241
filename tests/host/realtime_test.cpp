// The audio entry allocates nothing: every heap allocation in the process is
// counted while processReplacing runs. This binary replaces malloc and its
// relatives, so it is built without sanitizers.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "host/orv_vst.h"
#include "midi_events.h"

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
}

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void note() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}
}  // namespace

extern "C" {
void* malloc(std::size_t n) {
    note();
    return __libc_malloc(n);
}
void* calloc(std::size_t count, std::size_t n) {
    note();
    return __libc_calloc(count, n);
}
void* realloc(void* p, std::size_t n) {
    note();
    return __libc_realloc(p, n);
}
void* aligned_alloc(std::size_t alignment, std::size_t n) {
    note();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t n) {
    note();
    *out = __libc_memalign(alignment, n);
    return *out ? 0 : 12;
}
}

namespace {

long allocationsDuring(orvVst& e, std::vector<float>& l, std::vector<float>& r, int frames) {
    float* io[2] = {l.data(), r.data()};
    allocations.store(0);
    counting.store(true);
    e.processReplacing(io, io, frames);
    counting.store(false);
    return allocations.load();
}

TEST(RealTime, ProcessingAllocatesNothing) {
    orvVst effect(nullptr);
    effect.setSampleRate(48000.0f);
    effect.resume();
    std::vector<float> l(100000), r(100000);
    for (std::size_t j = 0; j < l.size(); ++j) {
        l[j] = std::sin(0.01f * j);
        r[j] = std::cos(0.017f * j);
    }
    // Every stage at work.
    const float settings[][2] = {{0, 0.4f}, {2, 0.9f}, {3, 0.35f}, {5, 1.0f}, {7, 0.5f},
                                 {9, 0.7f}, {12, 0.3f}, {14, 0.6f}, {24, 0.0f}, {16, 0.5f}};
    for (const auto& s : settings) effect.setParameter(static_cast<VstInt32>(s[0]), s[1]);
    EXPECT_EQ(allocationsDuring(effect, l, r, 100000), 0);
    for (int frames : {0, 1, 7, 64, 511, 1024, 1025, 4096}) {
        vsthost::MidiEventList events;
        events.add(frames / 2, 0xB0, 20, 90);
        effect.processEvents(events.events());
        EXPECT_EQ(allocationsDuring(effect, l, r, frames), 0) << frames << " frames";
    }
}

}  // namespace
