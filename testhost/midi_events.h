// A VstEvents block of MIDI messages, laid out the way hosts hand them over.
#pragma once

#include <vector>

#include "host/vst_interface.h"

namespace vsthost {

class MidiEventList {
public:
    // Appends a three-byte message at deltaFrames (type: kVstMidiType, or
    // another event type with the same layout).
    void add(VstInt32 deltaFrames, int status, int data1, int data2, VstInt32 type = kVstMidiType);
    // The block for effProcessEvents; valid until the list changes.
    VstEvents* events();
    bool empty() const { return midi_.empty(); }

private:
    std::vector<VstMidiEvent> midi_;
    std::vector<char> block_;
};

}  // namespace vsthost
