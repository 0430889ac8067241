// Fuzzing the state load: any bytes of any length handed over as a chunk,
// then everything that reads the loaded values.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/orv_vst.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvVst effect(nullptr);
    std::vector<std::uint8_t> bytes(data, data + size);
    effect.setChunk(bytes.empty() ? nullptr : bytes.data(), static_cast<VstInt32>(size), false);
    char text[64];
    for (int i = 0; i < orv::kNumParams; ++i) {
        effect.getParameter(i);
        effect.getParameterDisplay(i, text);
    }
    void* chunk = nullptr;
    effect.getChunk(&chunk, false);
    effect.setSampleRate(48000.0f);
    effect.resume();
    std::vector<float> l(300, 0.5f), r(300, -0.5f);
    float* io[2] = {l.data(), r.data()};
    effect.processReplacing(io, io, 300);
    return 0;
}
