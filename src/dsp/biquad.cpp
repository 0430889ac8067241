#include "dsp/biquad.h"

#include <cmath>

namespace orv {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfLn2 = 0.34657359027997264;
constexpr float kDefaultQ = 0.707f;
constexpr float kLowestFreq = 0.5f;
constexpr float kHighPassFloor = 10.0f;
constexpr float kLowPassFloor = 100.0f;
constexpr float kLowPassCeilingShare = 0.49f;

void clampFrequency(BiquadSection& s, float fs) {
    switch (s.type) {
    case SectionType::HighPassTwice: s.cascade = true; [[fallthrough]];
    case SectionType::HighPass:
        if (s.freq < kHighPassFloor) s.freq = kHighPassFloor;
        break;
    case SectionType::LowPassTwice: s.cascade = true; [[fallthrough]];
    case SectionType::LowPass:
        if (s.freq < kLowPassFloor) s.freq = kLowPassFloor;
        if (s.freq > kLowPassCeilingShare * fs) s.freq = kLowPassCeilingShare * fs;
        break;
    case SectionType::AllPassTwice: s.cascade = true; break;
    default: break;
    }
}

struct Raw {
    float b0, b1, b2, a0, a1, a2;
};

Raw rawCoefficients(const BiquadSection& s, float w0) {
    const float sn = std::sin(w0);
    const float cs = std::cos(w0);
    const double csDouble = std::cos(static_cast<double>(w0));
    float alpha = sn / (2.0f * s.q);
    float a = 1.0f;
    switch (s.type) {
    case SectionType::Peaking:
        alpha = static_cast<float>(sn * std::sinh(kHalfLn2 * s.q * w0 / sn));
        break;
    case SectionType::BandPass:
        alpha = sn * std::sinh(static_cast<float>(kHalfLn2) * s.q * w0 / sn);
        break;
    default: break;
    }
    if (s.type == SectionType::Peaking || s.type == SectionType::HighShelf ||
        s.type == SectionType::LowShelf)
        a = static_cast<float>(std::pow(10.0, static_cast<double>(s.gainDb * 0.025f)));
    const float rootA2Alpha = 2.0f * std::sqrt(a) * alpha;
    switch (s.type) {
    case SectionType::HighPass:
    case SectionType::HighPassTwice:
        return {(1 + cs) / 2, -(1 + cs), (1 + cs) / 2, 1 + alpha, -2 * cs, 1 - alpha};
    case SectionType::LowPass:
    case SectionType::LowPassTwice:
        return {(1 - cs) / 2, 1 - cs, (1 - cs) / 2, 1 + alpha,
                static_cast<float>(-2.0 * csDouble), 1 - alpha};
    case SectionType::AllPassTwice:
        return {1 - alpha, -2 * cs, 1 + alpha, 1 + alpha, -2 * cs, 1 - alpha};
    case SectionType::Peaking:
        return {1 + alpha * a, -2 * cs, 1 - alpha * a, 1 + alpha / a, -2 * cs, 1 - alpha / a};
    case SectionType::HighShelf:
        return {a * ((a + 1) + (a - 1) * cs + rootA2Alpha),
                static_cast<float>(-2.0 * a * ((a - 1) + (a + 1) * csDouble)),
                a * ((a + 1) + (a - 1) * cs - rootA2Alpha),
                (a + 1) - (a - 1) * cs + rootA2Alpha,
                2 * ((a - 1) - (a + 1) * cs),
                (a + 1) - (a - 1) * cs - rootA2Alpha};
    case SectionType::LowShelf:
        return {a * ((a + 1) - (a - 1) * cs + rootA2Alpha),
                2 * a * ((a - 1) - (a + 1) * cs),
                a * ((a + 1) - (a - 1) * cs - rootA2Alpha),
                (a + 1) + (a - 1) * cs + rootA2Alpha,
                -2 * ((a - 1) + (a + 1) * cs),
                (a + 1) + (a - 1) * cs - rootA2Alpha};
    case SectionType::BandPass:
        return {alpha, 0, -alpha, 1 + alpha, -2 * cs, 1 - alpha};
    }
    return {1, 0, 0, 1, 0, 0};  // an unknown type passes the signal unchanged
}

float normalised(float c, float inverseA0) {
    const float v = c * inverseA0;
    return std::fabs(v) < kFlushThreshold ? 0.0f : v;
}

bool finite(const BiquadStage& st) {
    return std::isfinite(st.x1) && std::isfinite(st.x2) && std::isfinite(st.y1) &&
           std::isfinite(st.y2);
}

}  // namespace

void designSection(BiquadSection& s, float fs) {
    if (fs == 0.0f) return;
    if (s.q == 0.0f) s.q = kDefaultQ;
    if (s.freq < kLowestFreq) s.freq = kLowestFreq;
    if (!(s.mix > 0.0f && s.mix < 1.0f)) s.mix = 1.0f;
    clampFrequency(s, fs);
    const float w0 = static_cast<float>(static_cast<double>(s.freq) * kTwoPi / fs);
    const Raw r = rawCoefficients(s, w0);
    const float inverseA0 = 1.0f / r.a0;
    s.b0 = normalised(r.b0, inverseA0);
    s.b1 = normalised(r.b1, inverseA0);
    s.b2 = normalised(r.b2, inverseA0);
    s.a1 = normalised(r.a1, inverseA0);
    s.a2 = normalised(r.a2, inverseA0);
    ++s.revision;
}

void resetIfNotFinite(BiquadSection& section) {
    for (BiquadStage& st : section.stage) {
        if (!finite(st)) st = BiquadStage{};
    }
}

}  // namespace orv
