// The base class's number-to-text helpers. Each writes at most maxLen
// characters and always a terminator at position maxLen, so the caller's
// buffer must hold maxLen + 1 bytes.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "host/audio_effect.h"

namespace {

constexpr int kFloatTextWidth = 8;
constexpr double kFloatLimitPositive = 99999999.0;
constexpr double kFloatLimitNegative = 9999999.0;
constexpr std::int64_t kIntLimit = 100000000;
constexpr const char* kHugeText = "Huge!";

void storeCut(const char* source, char* text, VstInt32 maxLen) {
    if (!text || maxLen < 0) return;
    const std::size_t length = std::strlen(source);
    const std::size_t kept = length < static_cast<std::size_t>(maxLen) ? length : maxLen;
    std::memcpy(text, source, kept);
    text[kept] = '\0';
    text[maxLen] = '\0';
}

char digitOf(double v) { return static_cast<char>('0' + static_cast<int>(std::fmod(v, 10.0))); }

// Formats like the plug-in layer always has: digits are truncated, the text
// fills eight characters, and the integer part keeps its lowest digits only.
void formatFloat(float value, char* out) {
    double v = value;
    if (std::isnan(v)) {
        std::strcpy(out, "NaN");
        return;
    }
    const bool negative = v < 0;
    int count = 0;
    if (negative) {
        v = -v;
        count = 1;
    }
    if ((negative && v > kFloatLimitNegative) || (!negative && v > kFloatLimitPositive)) {
        std::strcpy(out, kHugeText);
        return;
    }
    char reversed[16];
    int r = 0;
    reversed[r++] = '.';
    ++count;
    double n = std::floor(v);
    reversed[r++] = digitOf(n);
    n *= 0.1;
    ++count;
    while (n >= 1.0 && count < kFloatTextWidth) {
        reversed[r++] = digitOf(n);
        n *= 0.1;
        ++count;
    }
    if (negative) reversed[r++] = '-';
    int o = 0;
    while (r > 0) out[o++] = reversed[--r];
    if (count < kFloatTextWidth) {
        const int fractionDigits = kFloatTextWidth - count;
        double m = std::fmod(v, 1.0) * std::pow(10.0, fractionDigits);
        for (int i = fractionDigits - 1; i >= 0; --i) {
            if (m > 0) {
                out[o + i] = digitOf(m);
                m *= 0.1;
            } else {
                out[o + i] = '0';
            }
        }
        o += fractionDigits;
    }
    out[o] = '\0';
}

void formatInt(VstInt32 value, char* out) {
    std::int64_t v = value;
    if (v >= kIntLimit) {
        std::strcpy(out, kHugeText);
        return;
    }
    int o = 0;
    if (v < 0) {
        out[o++] = '-';
        v = -v;
    }
    // Ten-digit negatives have no room in the nine-digit scan.
    if (v >= 10 * kIntLimit) {
        std::strcpy(out + o, kHugeText);
        return;
    }
    bool started = false;
    for (std::int64_t div = kIntLimit; div >= 1; div /= 10) {
        const std::int64_t digit = v / div;
        v -= digit * div;
        if (digit != 0 || started) {
            out[o++] = static_cast<char>('0' + digit);
            started = true;
        }
    }
    if (!started) out[o++] = '0';
    out[o] = '\0';
}

}  // namespace

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    char buffer[32];
    formatFloat(value, buffer);
    storeCut(buffer, text, maxLen);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    char buffer[32];
    formatInt(value, buffer);
    storeCut(buffer, text, maxLen);
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    if (!(value > 0.0f)) {
        storeCut("-oo", text, maxLen);
        return;
    }
    float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    const float rate = getSampleRate();
    if (samples == 0.0f) {
        float2string(0.0f, text, maxLen);
        return;
    }
    float2string(rate / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    float2string(samples * 1000.0f / getSampleRate(), text, maxLen);
}
