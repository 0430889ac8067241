#include "midi_events.h"

#include <algorithm>
#include <cstddef>

namespace vsthost {

void MidiEventList::add(VstInt32 deltaFrames, int status, int data1, int data2, VstInt32 type) {
    VstMidiEvent m{};
    m.type = type;
    m.byteSize = sizeof m;
    m.deltaFrames = deltaFrames;
    m.midiData[0] = static_cast<char>(status);
    m.midiData[1] = static_cast<char>(data1);
    m.midiData[2] = static_cast<char>(data2);
    midi_.push_back(m);
}

VstEvents* MidiEventList::events() {
    // VstEvents ends in a two-entry pointer array; longer lists extend it.
    const std::size_t entries = std::max<std::size_t>(midi_.size(), 2);
    block_.assign(offsetof(VstEvents, events) + sizeof(VstEvent*) * entries, 0);
    auto* list = reinterpret_cast<VstEvents*>(block_.data());
    list->numEvents = static_cast<VstInt32>(midi_.size());
    auto** pointers = reinterpret_cast<VstEvent**>(block_.data() + offsetof(VstEvents, events));
    for (std::size_t i = 0; i < midi_.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&midi_[i]);
    return list;
}

}  // namespace vsthost
