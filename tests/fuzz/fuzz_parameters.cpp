// Fuzzing parameter values: any float bit pattern for any index, then audio
// and every read-back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/orv_vst.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvVst effect(nullptr);
    effect.setSampleRate(48000.0f);
    effect.resume();
    std::vector<float> l(256), r(256);
    float* io[2] = {l.data(), r.data()};
    char text[64];
    for (std::size_t at = 0; at + 5 <= size; at += 5) {
        float value;
        std::memcpy(&value, data + at + 1, 4);
        const VstInt32 index = static_cast<std::int8_t>(data[at]);
        effect.setParameter(index, value);
        effect.getParameterDisplay(index, text);
        effect.getParameter(index);
        for (std::size_t j = 0; j < l.size(); ++j) l[j] = r[j] = std::sin(0.1f * static_cast<float>(j + at));
        effect.processReplacing(io, io, 256);
        for (float v : l)
            if (!std::isfinite(v)) __builtin_trap();  // finite parameters give finite audio
    }
    return 0;
}
