#include "dsp/dsp_engine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "dsp/biquad_pair.h"

namespace orv {
namespace {

constexpr float kShelfQ = 0.7f;
constexpr float kLowPassQ = 0.7f;
constexpr std::int64_t kHalfRateFactor = 500;  // Sample (kHz) * 500 = the reduced Nyquist frequency, Hz
constexpr float kMsPerSecond = 0.001f;
constexpr int kAutoRingMs = 100;
constexpr int kMaxRingSize = 1 << 22;

// Truncates toward zero into [lo, hi]; a value that is not a number gives lo.
std::int32_t truncClamped(float v, std::int32_t lo, std::int32_t hi) {
    if (!(v >= static_cast<float>(lo))) return lo;
    if (v >= static_cast<float>(hi)) return hi;
    return static_cast<std::int32_t>(v);
}

float sanitized(float x) { return std::isfinite(x) ? x : 0.0f; }

void initSection(BiquadSection& s, SectionType type, float q) {
    s = BiquadSection{};
    s.type = type;
    s.q = q;
}

}  // namespace

DspEngine::DspEngine(int blockSize) : blockSize_(blockSize) {
    job_.filters.clear();
    for (ChannelSections& c : sections) {
        initSection(c.lowShelf, SectionType::LowShelf, kShelfQ);
        initSection(c.highShelf, SectionType::HighShelf, kShelfQ);
        initSection(c.peaking, SectionType::Peaking, 1.0f);
        initSection(c.lowPass, SectionType::LowPassTwice, kLowPassQ);
        c.lowShelf.next = &c.highShelf;
        c.highShelf.next = &c.peaking;
    }
}

void DspEngine::setQuantisation(int bits) {
    const int b = std::clamp(bits, 0, kFullWordLength);
    quantScale = static_cast<float>(1 << b);
    quantScaleReciprocal = 1.0f / quantScale;
}

void DspEngine::setHoldPeriod(float fs, std::int32_t sampleKHz) {
    finishCarried();  // the carried samples' hold runs on before the count restarts
    const float period = sampleKHz > 0 ? fs / static_cast<float>(sampleKHz) * kMsPerSecond : 0.0f;
    holdPeriod = std::max<std::int32_t>(1, truncClamped(period, 0, 1 << 30));
    holdPeriodReciprocal = 1.0f / static_cast<float>(holdPeriod);
    holdCounter = holdPeriod;
}

void DspEngine::setLowPassFromSample(float fs) {
    for (ChannelSections& c : sections) {
        c.lowPass.freq = lowPassFrequency();
        designSection(c.lowPass, fs);
    }
}

float DspEngine::lowPassFrequency() const {
    return static_cast<float>(static_cast<std::int64_t>(state.sample) * kHalfRateFactor);
}

void DspEngine::setAutoWindow(float fs, int blockMinimum) {
    autoWindow = truncClamped(fs * kMsPerSecond * static_cast<float>(state.autoMs), 0, kMaxRingSize);
    if (autoWindow != 0 && autoWindow < blockMinimum) autoWindow = blockMinimum;
}

namespace {

// Which section field each per-channel value feeds (gain and Comp feed none).
struct SlotTarget {
    BiquadSection ChannelSections::*section;
    float BiquadSection::*field;
};
constexpr SlotTarget kSlotTargets[kChannelSlots] = {
    {nullptr, nullptr},
    {nullptr, nullptr},
    {&ChannelSections::lowShelf, &BiquadSection::freq},
    {&ChannelSections::lowShelf, &BiquadSection::gainDb},
    {&ChannelSections::peaking, &BiquadSection::freq},
    {&ChannelSections::peaking, &BiquadSection::q},
    {&ChannelSections::peaking, &BiquadSection::gainDb},
    {&ChannelSections::highShelf, &BiquadSection::freq},
    {&ChannelSections::highShelf, &BiquadSection::gainDb},
};

}  // namespace

BiquadSection* DspEngine::copyChannelValue(int channel, int slot) {
    const SlotTarget& target = kSlotTargets[slot];
    if (!target.section) return nullptr;
    BiquadSection& section = sections[channel].*target.section;
    section.*target.field = state.channel[slot][channel];
    return &section;
}

void DspEngine::applyChannelValue(int channel, int slot, float fs) {
    if (BiquadSection* section = copyChannelValue(channel, slot)) designSection(*section, fs);
}

void DspEngine::loadChannelFilters(int channel, float fs) {
    for (int slot = 0; slot < kChannelSlots; ++slot) copyChannelValue(channel, slot);
    ChannelSections& c = sections[channel];
    designSection(c.lowShelf, fs);
    designSection(c.highShelf, fs);
    designSection(c.peaking, fs);
}

void DspEngine::resizeRings(float fs) {
    const std::int32_t wanted = std::max<std::int32_t>(
        blockSize_, truncClamped(fs * kMsPerSecond * kAutoRingMs + static_cast<float>(blockSize_),
                                 0, kMaxRingSize));
    std::int32_t size = 2;
    while (size < wanted) size <<= 1;
    ringMask_ = size - 1;
    ring_.assign(2 * static_cast<std::size_t>(size), 0.0f);
    for (int k = 0; k < 2; ++k) {
        // A smaller ring must not be indexed with positions of the old one.
        guard_[k].writeIndex &= ringMask_;
        if (guard_[k].segmentStart != -1) guard_[k].segmentStart &= ringMask_;
    }
}

void DspEngine::configure(float fs, int blockSize) {
    finishCarried();  // into the buffers about to be replaced
    if (blockSize > 0) {
        blockSize_ = blockSize;
        for (int k = 0; k < 2; ++k) {
            work_[k].assign(static_cast<std::size_t>(blockSize), 0.0f);
            ramp_[k].assign(static_cast<std::size_t>(blockSize), 0.0f);
        }
        pairs_.assign(2 * static_cast<std::size_t>(blockSize + kCarriedPairs), 0.0f);
    }
    setAutoWindow(fs, 0);
    setHoldPeriod(fs, state.sample);
    resizeRings(fs);
    for (ChannelSections& c : sections) {
        // The cutoff follows Sample again, not a value clamped at an earlier rate.
        c.lowPass.freq = lowPassFrequency();
        designSection(c.lowShelf, fs);
        designSection(c.highShelf, fs);
        designSection(c.peaking, fs);
        designSection(c.lowPass, fs);
    }
    fusedShape_ = hasFusedShape();
}

int DspEngine::processBlock(const float* const in[2], float* const out[2], int n) {
    if (n <= 0 || n > blockSize_ || work_[0].empty()) return 0;
    if (state.bypass) {
        processInputStage(in, out, n);
        const float output = state.output;
        for (int k = 0; k < 2; ++k)
            for (int j = 0; j < n; ++j) out[k][j] *= output;
        return 0;
    }
    if (!processFused(in, out, n)) processStepByStep(in, out, n);
    return 0;
}

void DspEngine::processStepByStep(const float* const in[2], float* const out[2], int n) {
    syncFilterState();
    processInputStage(in, out, n);
    processOutputStage(out, n);
}

void DspEngine::processInputStage(const float* const in[2], float* const out[2], int n) {
    syncFilterState();
    fillGainRamps(n);
    float* m = work_[0].data();
    float* s = work_[1].data();
    const float* rampM = ramp_[0].data();
    const float* rampS = ramp_[1].data();
    const int mode = clampedMode(state.mode);
    if (encodesMidSide(mode)) {
        for (int j = 0; j < n; ++j) {
            const float l = sanitized(in[0][j]);
            const float r = sanitized(in[1][j]);
            m[j] = (r + l) * rampM[j] * 0.5f;
            s[j] = (l - r) * rampS[j] * 0.5f;
        }
    } else {
        for (int j = 0; j < n; ++j) {
            m[j] = sanitized(in[0][j]) * rampM[j];
            s[j] = sanitized(in[1][j]) * rampS[j];
        }
    }
    if (!state.bypass) {
        runChainPair(&sections[0].lowShelf, &sections[1].lowShelf, m, s, n);
        recoverFilters(m, s, n);
    }
    if (decodesMidSide(mode)) {
        for (int j = 0; j < n; ++j) {
            const float mj = m[j];
            const float sj = s[j];
            out[0][j] = sj + mj;
            out[1][j] = mj - sj;
        }
    } else {
        std::copy(m, m + n, out[0]);
        std::copy(s, s + n, out[1]);
    }
}

bool DspEngine::gainsSteady() {
    if (!rampStarted_) {
        // The first piece starts from the gains in force, not from a stale default.
        for (int k = 0; k < 2; ++k) rampGain_[k] = state.channel[kSlotGain][k];
        rampStarted_ = true;
    }
    return !state.bypass && rampGain_[0] == state.channel[kSlotGain][0] &&
           rampGain_[1] == state.channel[kSlotGain][1];
}

void DspEngine::fillGainRamps(int n) {
    gainsSteady();
    for (int k = 0; k < 2; ++k) {
        float* ramp = ramp_[k].data();
        if (state.bypass) {
            std::fill(ramp, ramp + n, 1.0f);
            continue;
        }
        const float target = state.channel[kSlotGain][k];
        const float from = rampGain_[k];
        if (target != from) {
            const float step = (target - from) / static_cast<float>(n);
            for (int j = 0; j < n; ++j) ramp[j] = from + static_cast<float>(j) * step;
        } else {
            std::fill(ramp, ramp + n, from);
        }
        rampGain_[k] = target;
    }
}

// A filter driven past the float range, or fed a non-finite coefficient, is
// cleared, and what it produced becomes silence, so that one bad piece cannot
// leave the effect producing NaN. Each output feeds its own state (and the
// next section's input), so a non-finite output always shows in the y values
// at the end of the piece.
bool DspEngine::resetBrokenFilters() {
    constexpr std::uint32_t kExponent = 0x7F800000u;  // all ones: infinite or not a number
    bool bad = false;
    for (ChannelSections& c : sections)
        for (const BiquadSection* s : {&c.lowShelf, &c.highShelf, &c.peaking, &c.lowPass})
            for (const BiquadStage& st : s->stage)
                for (float v : {st.y1, st.y2})
                    bad |= (std::bit_cast<std::uint32_t>(v) & kExponent) == kExponent;
    if (!bad) return false;
    for (ChannelSections& c : sections)
        for (BiquadSection* s : {&c.lowShelf, &c.highShelf, &c.peaking, &c.lowPass})
            resetIfNotFinite(*s);
    return true;
}

void DspEngine::recoverFilters(float* a, float* b, int n) {
    if (!resetBrokenFilters()) return;
    for (float* samples : {a, b})
        for (int j = 0; j < n; ++j) samples[j] = sanitized(samples[j]);
}

float DspEngine::quantise(float v) const {
    if (state.bit >= kFullWordLength) return v;
    const float scaled = v * quantScale;
    if (!(std::fabs(scaled) < kQuantRange)) return std::isfinite(v) ? v : 0.0f;
    return static_cast<float>(static_cast<std::int32_t>(scaled)) * quantScaleReciprocal;
}

void DspEngine::sampleAndHold(float* const out[2], int n) {
    if (holdPeriod > 1) {
        const bool interpolate = state.interpolate != 0;
        for (int j = 0; j < n; ++j) {
            if (holdCounter >= holdPeriod) {
                for (int k = 0; k < 2; ++k) {
                    held_[k][0] = held_[k][1];
                    held_[k][1] = quantise(out[k][j]);
                }
                holdCounter = -1;
            }
            const float position = static_cast<float>(holdCounter) * holdPeriodReciprocal;
            for (int k = 0; k < 2; ++k) {
                const float previous = held_[k][0];
                out[k][j] = interpolate ? previous + (held_[k][1] - previous) * position : previous;
            }
            ++holdCounter;
        }
        return;
    }
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < 2; ++k) {
            out[k][j] = quantise(out[k][j]);
            held_[k][0] = held_[k][1] = out[k][j];
        }
    }
    // The counter only matters once it reaches the period; it must not overflow.
    holdCounter = std::max(holdCounter, holdPeriod);
}

void DspEngine::processOutputStage(float* const out[2], int n) {
    syncFilterState();
    sampleAndHold(out, n);
    runLowPass(out, n);
    finishOutputStage(out, n);
}

void DspEngine::runLowPass(float* const out[2], int n) {
    runChainPair(&sections[0].lowPass, &sections[1].lowPass, out[0], out[1], n);
    recoverFilters(out[0], out[1], n);
}

void DspEngine::finishOutputStage(float* const out[2], int n) {
    for (int k = 0; k < 2; ++k) {
        if (autoWindow != 0)
            guardClips(k, out[k], n);
        else
            compAndOutput(k, out[k], n);
    }
}

// Comp and Output for channel k, in place.
void DspEngine::compAndOutput(int k, float* samples, int n) const {
    const float output = state.output;
    const float comp = state.channel[kSlotComp][k];
    for (int j = 0; j < n; ++j) {
        const float x = samples[j];
        samples[j] = ((1.0f - std::fabs(x)) * comp + 1.0f) * output * x;
    }
}

void DspEngine::guardClips(int channel, float* samples, int n) {
    GuardState& g = guard_[channel];
    // This channel's entries of the interleaved ring.
    const auto r = [ring = ring_.data() + channel](std::int32_t i) -> float& { return ring[2 * i]; };
    const std::int32_t mask = ringMask_;
    const std::int32_t window = autoWindow;
    std::int32_t w = g.writeIndex;
    std::int32_t z = g.segmentStart;
    float p = g.peak;
    float s = g.lastSample;
    for (int j = 0; j < n; ++j) {
        float x = samples[j];
        const float d = x - s;
        const float jump = std::fabs(d);
        if (jump > kSlopeLimit) {
            // Capped at the jump itself, so loud signals cannot run away.
            const float step = std::min(kSlopeLimit + std::fabs(x * 0.5f) * (jump - kSlopeLimit), jump);
            x = d >= 0 ? s + step : s - step;
            samples[j] = x;
        }
        r(w) = x;
        if (s * x >= 0) {
            if (((w - z) & mask) >= window) {
                p = 0.0f;
                z = -1;
            }
        } else {
            if (z != -1 && p > 1.0f) {
                const float factor = kGuardPeak / p;
                const std::int32_t length = (w - z) & mask;
                for (std::int32_t i = 0; i < length; ++i) r((z + i) & mask) *= factor;
                p = 1.0f;
            }
            z = w;
        }
        if (std::fabs(x) > p) p = std::fabs(x);
        s = x;
        w = (w + 1) & mask;
    }
    // The output is the ring delayed by the window (at most two contiguous
    // runs), through Comp and Output on its way.
    const std::int32_t start = (w - window - n) & mask;
    for (int i = 0; i < n; ++i) samples[i] = r((start + i) & mask);
    compAndOutput(channel, samples, n);
    g.writeIndex = w;
    g.segmentStart = z;
    g.peak = p;
    g.lastSample = s;
}

}  // namespace orv
