#include "dsp/input_stage.h"

#include <algorithm>
#include <cmath>

#include "dsp/chain_settings.h"

namespace orv {
namespace {

float sanitized(float x) { return std::isfinite(x) ? x : 0.0f; }

}  // namespace

void GainRamps::resize(int blockSize) {
    for (std::vector<float>& r : ramp_) r.assign(static_cast<std::size_t>(blockSize), 0.0f);
}

bool GainRamps::steady(const StateBlock& s) {
    if (!started_) {
        for (int k = 0; k < 2; ++k) gain_[k] = s.channel[kSlotGain][k];
        started_ = true;
    }
    return !s.bypass && gain_[0] == s.channel[kSlotGain][0] && gain_[1] == s.channel[kSlotGain][1];
}

void GainRamps::fill(const StateBlock& s, int n) {
    steady(s);
    for (int k = 0; k < 2; ++k) {
        float* ramp = ramp_[k].data();
        if (s.bypass) {
            std::fill(ramp, ramp + n, 1.0f);
            continue;
        }
        const float target = s.channel[kSlotGain][k];
        const float from = gain_[k];
        if (target != from) {
            const float step = (target - from) / static_cast<float>(n);
            for (int j = 0; j < n; ++j) ramp[j] = from + static_cast<float>(j) * step;
        } else {
            std::fill(ramp, ramp + n, from);
        }
        gain_[k] = target;
    }
}

void encodeInputs(int mode, const float* const in[2], const GainRamps& ramps, float* m, float* s, int n) {
    const float* rampM = ramps.ramp(0);
    const float* rampS = ramps.ramp(1);
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
}

void decodeOutputs(int mode, const float* m, const float* s, float* const out[2], int n) {
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

}  // namespace orv
