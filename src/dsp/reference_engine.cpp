#include "dsp/reference_engine.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace orv {
namespace {

float flush(float v) { return std::fabs(v) < kFlushThreshold ? 0.0f : v; }
float sanitized(float x) { return std::isfinite(x) ? x : 0.0f; }

// One direct-form-I step of a stage with the section's coefficients.
float step(const BiquadSection& s, BiquadStage& st, float x) {
    st.x1 = flush(st.x1);
    st.y1 = flush(st.y1);
    const float y = s.mix * directFormOne(s.b0, s.b1, s.b2, s.a1, s.a2, x, st.x1, st.x2, st.y1, st.y2) +
                    (1.0f - s.mix) * x;
    st.x2 = st.x1;
    st.x1 = x;
    st.y2 = st.y1;
    st.y1 = y;
    return y;
}

bool infiniteOrNaN(float v) {
    constexpr std::uint32_t kExponent = 0x7F800000u;  // all ones: infinite or not a number
    return (std::bit_cast<std::uint32_t>(v) & kExponent) == kExponent;
}

}  // namespace

void runChain(BiquadSection* first, float* samples, int n) {
    for (int j = 0; j < n; ++j) {
        float s = flush(samples[j]);
        for (BiquadSection* section = first; section; section = section->next) {
            s = flush(s);
            float y = step(*section, section->stage[0], s);
            if (section->cascade) y = step(*section, section->stage[1], flush(y));
            s = y;
        }
        samples[j] = s;
    }
}

ReferenceEngine::ReferenceEngine(float fs, int blockSize) : settings_(fs, blockSize) {}

void ReferenceEngine::configure(float fs, int blockSize) {
    if (blockSize > 0) {
        for (std::vector<float>& w : work_) w.assign(static_cast<std::size_t>(blockSize), 0.0f);
        ramps_.resize(blockSize);
    }
    settings_.configure(fs, blockSize);
    guard_.resize(fs, settings_.blockSize);
}

void ReferenceEngine::processBlock(const float* const in[2], float* const out[2], int n) {
    if (n <= 0 || n > settings_.blockSize || work_[0].empty()) return;
    inputStage(in, out, n);
    if (settings_.state.bypass) {
        for (int k = 0; k < 2; ++k)
            for (int j = 0; j < n; ++j) out[k][j] *= settings_.state.output;
        return;
    }
    outputStage(out, n);
}

void ReferenceEngine::inputStage(const float* const in[2], float* const out[2], int n) {
    const int mode = clampedMode(settings_.state.mode);
    float* m = work_[0].data();
    float* s = work_[1].data();
    ramps_.fill(settings_.state, n);
    encodeInputs(mode, in, ramps_, m, s, n);
    if (!settings_.state.bypass) {
        runChain(&settings_.sections[0].lowShelf, m, n);
        runChain(&settings_.sections[1].lowShelf, s, n);
        recoverFilters(m, s, n);
    }
    decodeOutputs(mode, m, s, out, n);
}

// A filter driven past the float range, or fed a non-finite coefficient, is
// cleared, so that one bad piece cannot leave the effect producing NaN. Each
// output feeds its own state (and the next section's input), so a
// non-finite output always shows in the y values at the end of the piece.
void ReferenceEngine::recoverFilters(float* a, float* b, int n) {
    bool broken = false;
    for (ChannelSections& c : settings_.sections)
        for (const BiquadSection* s : {&c.lowShelf, &c.highShelf, &c.peaking, &c.lowPass})
            for (const BiquadStage& st : s->stage) broken |= infiniteOrNaN(st.y1) || infiniteOrNaN(st.y2);
    if (!broken) return;
    for (ChannelSections& c : settings_.sections)
        for (BiquadSection* s : {&c.lowShelf, &c.highShelf, &c.peaking, &c.lowPass}) resetIfNotFinite(*s);
    for (float* samples : {a, b})
        for (int j = 0; j < n; ++j) samples[j] = sanitized(samples[j]);
}

void ReferenceEngine::sampleAndHold(float* const out[2], int n) {
    ChainSettings& cs = settings_;
    if (cs.holdPeriod > 1) {
        const bool interpolate = cs.state.interpolate != 0;
        for (int j = 0; j < n; ++j) {
            if (cs.holdCounter >= cs.holdPeriod) {
                for (int k = 0; k < 2; ++k) {
                    held_[k][0] = held_[k][1];
                    held_[k][1] = cs.quantise(out[k][j]);
                }
                cs.holdCounter = -1;
            }
            const float position = static_cast<float>(cs.holdCounter) * cs.holdPeriodReciprocal;
            for (int k = 0; k < 2; ++k) {
                const float previous = held_[k][0];
                out[k][j] = interpolate ? previous + (held_[k][1] - previous) * position : previous;
            }
            ++cs.holdCounter;
        }
        return;
    }
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < 2; ++k) {
            out[k][j] = cs.quantise(out[k][j]);
            held_[k][0] = held_[k][1] = out[k][j];
        }
    }
    // The counter only matters once it reaches the period; it must not overflow.
    cs.holdCounter = std::max(cs.holdCounter, cs.holdPeriod);
}

void ReferenceEngine::outputStage(float* const out[2], int n) {
    sampleAndHold(out, n);
    runChain(&settings_.sections[0].lowPass, out[0], n);
    runChain(&settings_.sections[1].lowPass, out[1], n);
    recoverFilters(out[0], out[1], n);
    for (int k = 0; k < 2; ++k) {
        if (settings_.autoWindow != 0)
            guardClips(k, out[k], n);
        else
            compAndOutput(k, out[k], n);
    }
}

void ReferenceEngine::compAndOutput(int k, float* samples, int n) const {
    const float output = settings_.state.output;
    const float comp = settings_.state.channel[kSlotComp][k];
    for (int j = 0; j < n; ++j) {
        const float x = samples[j];
        samples[j] = ((1.0f - std::fabs(x)) * comp + 1.0f) * output * x;
    }
}

void ReferenceEngine::guardClips(int channel, float* samples, int n) {
    GuardState& g = guard_.guard[channel];
    // This channel's entries of the interleaved ring.
    const auto r = [ring = guard_.ring.data() + channel](std::int32_t i) -> float& { return ring[2 * i]; };
    const std::int32_t mask = guard_.mask;
    const std::int32_t window = settings_.autoWindow;
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
            const float limited = std::min(kSlopeLimit + std::fabs(x * 0.5f) * (jump - kSlopeLimit), jump);
            x = d >= 0 ? s + limited : s - limited;
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
    // The output is the ring delayed by the window, through Comp and Output
    // on its way.
    const std::int32_t start = (w - window - n) & mask;
    for (int i = 0; i < n; ++i) samples[i] = r((start + i) & mask);
    compAndOutput(channel, samples, n);
    g.writeIndex = w;
    g.segmentStart = z;
    g.peak = p;
    g.lastSample = s;
}

}  // namespace orv
