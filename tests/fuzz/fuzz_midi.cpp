// Fuzzing MIDI intake: event lists of any length and contents, delivered
// over several blocks of audio of any size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/orv_vst.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvVst effect(nullptr);
    effect.setSampleRate(44100.0f);
    effect.resume();
    std::size_t at = 0;
    std::vector<float> l(5000, 0.3f), r(5000, -0.2f);
    float* io[2] = {l.data(), r.data()};
    while (at + 3 <= size) {
        const int count = data[at] % 64;
        const int frames = (data[at + 1] | (data[at + 2] << 8)) % 5000;
        at += 3;
        std::vector<VstMidiEvent> midi;
        for (int i = 0; i < count && at + 8 <= size; ++i, at += 8) {
            VstMidiEvent m{};
            m.type = data[at] % 3 == 0 ? kVstSysExType : kVstMidiType;
            std::int32_t delta;
            std::memcpy(&delta, data + at + 1, 4);
            m.deltaFrames = delta % 6000;
            std::memcpy(m.midiData, data + at + 5, 3);
            midi.push_back(m);
        }
        std::vector<char> block(offsetof(VstEvents, events) + sizeof(VstEvent*) * (midi.size() + 1));
        auto* list = reinterpret_cast<VstEvents*>(block.data());
        list->numEvents = static_cast<VstInt32>(midi.size());
        auto** pointers = reinterpret_cast<VstEvent**>(block.data() + offsetof(VstEvents, events));
        for (std::size_t i = 0; i < midi.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&midi[i]);
        effect.processEvents(list);
        effect.processReplacing(io, io, frames);
    }
    return 0;
}
