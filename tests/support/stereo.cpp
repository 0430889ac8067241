#include "stereo.h"

#include <algorithm>
#include <cmath>

namespace support {

Stereo::Stereo(std::size_t n, float left, float right) : l(n, left), r(n, right) {
    ptr[0] = l.data();
    ptr[1] = r.data();
}

Stereo::Stereo(const Stereo& other) : Stereo(0) { *this = other; }

Stereo& Stereo::operator=(const Stereo& other) {
    l = other.l;
    r = other.r;
    ptr[0] = l.data();
    ptr[1] = r.data();
    return *this;
}

float** Stereo::at(std::size_t from) {
    moved_[0] = l.data() + from;
    moved_[1] = r.data() + from;
    return moved_;
}

const float* const* Stereo::input(std::size_t from) {
    input_[0] = l.data() + from;
    input_[1] = r.data() + from;
    return input_;
}

bool Stereo::finite() const {
    for (std::size_t i = 0; i < l.size(); ++i)
        if (!std::isfinite(l[i]) || !std::isfinite(r[i])) return false;
    return true;
}

float Stereo::peak() const {
    float p = 0;
    for (std::size_t i = 0; i < l.size(); ++i) p = std::max({p, std::fabs(l[i]), std::fabs(r[i])});
    return p;
}

void fillTestSignal(Stereo& s, std::mt19937& random, std::size_t offset) {
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (std::size_t i = 0; i < s.l.size(); ++i) {
        const float t = static_cast<float>(i + offset);
        s.l[i] = 0.45f * std::sin(0.0571f * t) + noise(random);
        s.r[i] = 0.45f * std::sin(0.0313f * t + 1.0f) + noise(random);
    }
}

void fillSines(Stereo& s) {
    for (std::size_t j = 0; j < s.l.size(); ++j) {
        s.l[j] = 0.4f * std::sin(0.013f * static_cast<float>(j));
        s.r[j] = 0.3f * std::sin(0.021f * static_cast<float>(j) + 1.0f);
    }
}

}  // namespace support
