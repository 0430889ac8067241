// Filter sections: measured magnitude responses against an independent
// double-precision evaluation of the cookbook formulas, the clamps and
// write-backs of the design, cascading, chaining and flushing.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "dsp/biquad.h"
#include "dsp/reference_engine.h"

namespace orv {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kFs = 48000.0f;

struct Coefficients {
    double b0, b1, b2, a0, a1, a2;
};

// The cookbook's closed forms in double precision, written independently of
// the design code (shelves with the Q form of alpha, bandwidth in octaves
// for the peaking and band-pass types).
Coefficients cookbook(SectionType type, double f0, double fs, double q, double gainDb) {
    const double w0 = 2 * kPi * f0 / fs;
    const double cs = std::cos(w0);
    const double sn = std::sin(w0);
    const double a = std::pow(10.0, gainDb / 40.0);
    const bool bandwidth = type == SectionType::Peaking || type == SectionType::BandPass;
    const double alpha =
        bandwidth ? sn * std::sinh(std::log(2.0) / 2 * q * w0 / sn) : sn / (2 * q);
    const double ra = 2 * std::sqrt(a) * alpha;
    switch (type) {
    case SectionType::HighPass:
    case SectionType::HighPassTwice:
        return {(1 + cs) / 2, -(1 + cs), (1 + cs) / 2, 1 + alpha, -2 * cs, 1 - alpha};
    case SectionType::LowPass:
    case SectionType::LowPassTwice:
        return {(1 - cs) / 2, 1 - cs, (1 - cs) / 2, 1 + alpha, -2 * cs, 1 - alpha};
    case SectionType::AllPassTwice:
        return {1 - alpha, -2 * cs, 1 + alpha, 1 + alpha, -2 * cs, 1 - alpha};
    case SectionType::Peaking:
        return {1 + alpha * a, -2 * cs, 1 - alpha * a, 1 + alpha / a, -2 * cs, 1 - alpha / a};
    case SectionType::HighShelf:
        return {a * ((a + 1) + (a - 1) * cs + ra), -2 * a * ((a - 1) + (a + 1) * cs),
                a * ((a + 1) + (a - 1) * cs - ra), (a + 1) - (a - 1) * cs + ra,
                2 * ((a - 1) - (a + 1) * cs), (a + 1) - (a - 1) * cs - ra};
    case SectionType::LowShelf:
        return {a * ((a + 1) - (a - 1) * cs + ra), 2 * a * ((a - 1) - (a + 1) * cs),
                a * ((a + 1) - (a - 1) * cs - ra), (a + 1) + (a - 1) * cs + ra,
                -2 * ((a - 1) + (a + 1) * cs), (a + 1) + (a - 1) * cs - ra};
    case SectionType::BandPass:
        return {alpha, 0, -alpha, 1 + alpha, -2 * cs, 1 - alpha};
    }
    return {1, 0, 0, 1, 0, 0};
}

double referenceDb(const Coefficients& c, double f, double fs, bool twice) {
    const std::complex<double> z1 = std::polar(1.0, -2 * kPi * f / fs);
    const std::complex<double> z2 = z1 * z1;
    const double m = std::abs((c.b0 + c.b1 * z1 + c.b2 * z2) / (c.a0 + c.a1 * z1 + c.a2 * z2));
    return (twice ? 2 : 1) * 20 * std::log10(m);
}

// Runs a sine through the section and measures the gain over whole periods
// after the transient has died away.
double measuredDb(BiquadSection s, double f) {
    const int settle = 48000;
    const int periods = 50;
    const int length = static_cast<int>(std::lround(periods * kFs / f));
    std::vector<float> x(static_cast<std::size_t>(settle + length));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = 0.25f * static_cast<float>(std::sin(2 * kPi * f * static_cast<double>(i) / kFs));
    std::vector<float> y = x;
    runChain(&s, y.data(), static_cast<int>(y.size()));
    double in = 0, out = 0;
    for (int i = settle; i < settle + length; ++i) {
        in += static_cast<double>(x[i]) * x[i];
        out += static_cast<double>(y[i]) * y[i];
    }
    return 10 * std::log10(out / in);
}

BiquadSection designed(SectionType type, float freq, float q, float gainDb) {
    BiquadSection s;
    s.type = type;
    s.freq = freq;
    s.q = q;
    s.gainDb = gainDb;
    designSection(s, kFs);
    return s;
}

struct ResponseCase {
    SectionType type;
    float freq, q, gainDb;
};

class MagnitudeResponse : public ::testing::TestWithParam<ResponseCase> {};

// Single-precision coefficients and arithmetic against the double-precision
// closed form: 0.05 dB covers float rounding of coefficients and samples at
// these frequencies, while any wrong formula term shows as a dB-sized error.
TEST_P(MagnitudeResponse, MatchesTheClosedFormAtSeveralFrequencies) {
    const ResponseCase& c = GetParam();
    const BiquadSection s = designed(c.type, c.freq, c.q, c.gainDb);
    const Coefficients ref = cookbook(c.type, s.freq, kFs, s.q, c.gainDb);
    for (double f : {60.0, 250.0, 1000.0, 3000.0, 8000.0, 15000.0}) {
        const double expected = referenceDb(ref, f, kFs, s.cascade);
        if (expected < -60) continue;  // deep stop band: the measurement floor dominates
        EXPECT_NEAR(measuredDb(s, f), expected, 0.05) << "at " << f << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, MagnitudeResponse,
    ::testing::Values(ResponseCase{SectionType::LowShelf, 200, 0.7f, 9},
                      ResponseCase{SectionType::LowShelf, 100, 0.7f, -12},
                      ResponseCase{SectionType::HighShelf, 4000, 0.7f, 6},
                      ResponseCase{SectionType::HighShelf, 2000, 0.7f, -20},
                      ResponseCase{SectionType::Peaking, 1000, 1.0f, 12},
                      ResponseCase{SectionType::Peaking, 3000, 0.3f, -18},
                      ResponseCase{SectionType::LowPassTwice, 6000, 0.7f, 0},
                      ResponseCase{SectionType::LowPass, 2000, 0.7f, 0},
                      ResponseCase{SectionType::HighPass, 500, 0.7f, 0},
                      ResponseCase{SectionType::HighPassTwice, 300, 0.7f, 0},
                      ResponseCase{SectionType::BandPass, 1000, 1.0f, 0},
                      ResponseCase{SectionType::AllPassTwice, 1000, 0.7f, 0}));

TEST(FilterDesign, CharacteristicGains) {
    const BiquadSection peak = designed(SectionType::Peaking, 1000, 1.0f, 12);
    EXPECT_NEAR(measuredDb(peak, 1000), 12.0, 0.02);
    const BiquadSection lowShelf = designed(SectionType::LowShelf, 200, 0.7f, 9);
    EXPECT_NEAR(measuredDb(lowShelf, 20), 9.0, 0.05);
    const BiquadSection band = designed(SectionType::BandPass, 2000, 1.0f, 0);
    EXPECT_NEAR(measuredDb(band, 2000), 0.0, 0.02);
    const BiquadSection allPass = designed(SectionType::AllPassTwice, 1000, 0.7f, 0);
    for (double f : {100.0, 1000.0, 10000.0}) EXPECT_NEAR(measuredDb(allPass, f), 0.0, 0.01);
}

TEST(FilterDesign, FlatShelvesAndPeakPassTheSignalUnchanged) {
    for (SectionType type : {SectionType::LowShelf, SectionType::HighShelf, SectionType::Peaking}) {
        BiquadSection s = designed(type, 1000, 0.7f, 0);
        EXPECT_NEAR(s.b0, 1.0f, 1e-6f);
        EXPECT_NEAR(s.b1, s.a1, 1e-6f);
        EXPECT_NEAR(s.b2, s.a2, 1e-6f);
        std::vector<float> x(2000);
        for (std::size_t i = 0; i < x.size(); ++i) x[i] = std::sin(0.037f * i) * 0.8f;
        std::vector<float> y = x;
        runChain(&s, y.data(), static_cast<int>(y.size()));
        for (std::size_t i = 0; i < x.size(); ++i) ASSERT_NEAR(y[i], x[i], 1e-5f);
    }
}

TEST(FilterDesign, ClampsAreWrittenBack) {
    BiquadSection lowPass = designed(SectionType::LowPassTwice, 96000, 0.7f, 0);
    EXPECT_FLOAT_EQ(lowPass.freq, 0.49f * kFs);
    BiquadSection atCd;
    atCd.type = SectionType::LowPassTwice;
    atCd.freq = 96000;
    atCd.q = 0.7f;
    designSection(atCd, 44100.0f);
    EXPECT_FLOAT_EQ(atCd.freq, 0.49f * 44100.0f);
    EXPECT_TRUE(atCd.cascade);
    EXPECT_EQ(designed(SectionType::LowPass, 50, 0.7f, 0).freq, 100.0f);
    EXPECT_EQ(designed(SectionType::HighPass, 5, 0.7f, 0).freq, 10.0f);
    EXPECT_EQ(designed(SectionType::Peaking, 0.1f, 1.0f, 0).freq, 0.5f);
    BiquadSection zeroWidth = designed(SectionType::Peaking, 1000, 0.0f, 6);
    EXPECT_EQ(zeroWidth.q, 0.707f);
    EXPECT_EQ(designed(SectionType::HighPass, 500, 0.7f, 0).cascade, false);
    EXPECT_EQ(designed(SectionType::AllPassTwice, 500, 0.7f, 0).cascade, true);
}

TEST(FilterDesign, ZeroSampleRateLeavesEverythingAsItWas) {
    BiquadSection s = designed(SectionType::Peaking, 1000, 1.0f, 6);
    const BiquadSection before = s;
    s.freq = 3000;
    designSection(s, 0.0f);
    EXPECT_EQ(s.b0, before.b0);
    EXPECT_EQ(s.a1, before.a1);
    EXPECT_EQ(s.freq, 3000.0f);
}

TEST(FilterDesign, CascadeIsTheSameBiquadTwice) {
    BiquadSection twice = designed(SectionType::LowPassTwice, 3000, 0.7f, 0);
    BiquadSection once = twice;
    once.cascade = false;
    std::vector<float> a(256, 0.0f);
    a[0] = 1.0f;
    std::vector<float> b = a;
    runChain(&twice, a.data(), 256);
    runChain(&once, b.data(), 256);
    BiquadSection again = once;
    again.stage[0] = BiquadStage{};
    runChain(&again, b.data(), 256);
    for (int i = 0; i < 256; ++i) ASSERT_FLOAT_EQ(a[i], b[i]) << i;
}

TEST(FilterDesign, ChainRunsSectionsInOrderPerSample) {
    BiquadSection first = designed(SectionType::LowShelf, 200, 0.7f, 6);
    BiquadSection second = designed(SectionType::HighShelf, 5000, 0.7f, -6);
    first.next = &second;
    BiquadSection firstAlone = first, secondAlone = second;
    firstAlone.next = nullptr;
    std::vector<float> x(500);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = std::sin(0.11f * i);
    std::vector<float> chained = x, separate = x;
    runChain(&first, chained.data(), 500);
    runChain(&firstAlone, separate.data(), 500);
    runChain(&secondAlone, separate.data(), 500);
    for (int i = 0; i < 500; ++i) ASSERT_FLOAT_EQ(chained[i], separate[i]);
}

TEST(FilterDesign, TinyValuesAreFlushedToZero) {
    BiquadSection s = designed(SectionType::Peaking, 1000, 1.0f, 0);
    s.stage[0].x1 = 1e-30f;
    s.stage[0].y1 = -1e-30f;
    float samples[2] = {1e-26f, -5e-26f};
    runChain(&s, samples, 2);
    EXPECT_EQ(samples[0], 0.0f);
    EXPECT_EQ(samples[1], 0.0f);
    EXPECT_EQ(s.stage[0].y2, 0.0f);
}

TEST(FilterDesign, NonFiniteStateIsCleared) {
    BiquadSection s = designed(SectionType::Peaking, 1000, 1.0f, 3);
    s.stage[0].y1 = std::numeric_limits<float>::quiet_NaN();
    s.stage[1].x2 = 0.5f;
    resetIfNotFinite(s);
    EXPECT_EQ(s.stage[0].y1, 0.0f);
    EXPECT_EQ(s.stage[1].x2, 0.5f);
}

}  // namespace
}  // namespace orv
