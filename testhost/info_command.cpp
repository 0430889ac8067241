// orvhost info: what a host sees when it loads the plug-in.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "host_session.h"
#include "params/param_table.h"

namespace vsthost {
namespace {

constexpr int kTextBuffer = 256;  // what large hosts hand out for names and texts

std::string textOf(AEffect* e, VstInt32 opcode, VstInt32 index = 0) {
    char text[kTextBuffer] = {};
    dispatch(e, opcode, index, 0, text);
    text[kTextBuffer - 1] = '\0';
    return text;
}

std::string fourCC(VstInt32 id) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<std::uint32_t>(id) >> shift) & 0xFF);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

void printFlags(VstInt32 flags) {
    static const struct {
        VstInt32 bit;
        const char* name;
    } kFlagNames[] = {{effFlagsHasEditor, "editor"},
                      {effFlagsCanReplacing, "replacing"},
                      {effFlagsProgramChunks, "chunks"},
                      {effFlagsIsSynth, "synth"},
                      {effFlagsNoSoundInStop, "no-sound-in-stop"},
                      {effFlagsCanDoubleReplacing, "double-replacing"}};
    std::printf("flags:        0x%X (", static_cast<unsigned>(flags));
    const char* separator = "";
    for (const auto& f : kFlagNames) {
        if (flags & f.bit) {
            std::printf("%s%s", separator, f.name);
            separator = ", ";
        }
    }
    std::printf(")\n");
}

void printInfo(AEffect* e) {
    std::printf("effect:       %s\n", textOf(e, effGetEffectName).c_str());
    std::printf("vendor:       %s\n", textOf(e, effGetVendorString).c_str());
    std::printf("product:      %s\n", textOf(e, effGetProductString).c_str());
    std::printf("versions:     vendor %ld, VST %ld, record %d\n",
                static_cast<long>(dispatch(e, effGetVendorVersion)),
                static_cast<long>(dispatch(e, effGetVstVersion)), e->version);
    std::printf("unique ID:    '%s' (0x%08X)\n", fourCC(e->uniqueID).c_str(),
                static_cast<unsigned>(e->uniqueID));
    std::printf("I/O:          %d in, %d out\n", e->numInputs, e->numOutputs);
    printFlags(e->flags);
    std::printf("delay:        %d samples\n", e->initialDelay);
    std::printf("category:     %ld\n", static_cast<long>(dispatch(e, effGetPlugCategory)));
    std::printf("programs:     %d\n", e->numPrograms);
    static const char* kCanDos[] = {"receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents",
                                    "sendVstMidiEvent", "receiveVstTimeInfo", "offline",
                                    "bypass", "midiProgramNames"};
    std::printf("can do:      ");
    for (const char* c : kCanDos) {
        char text[64];
        std::snprintf(text, sizeof text, "%s", c);
        std::printf(" %s=%ld", c, static_cast<long>(dispatch(e, effCanDo, 0, 0, text)));
    }
    std::printf("\nparameters:   %d\n", e->numParams);
    // For this project's effect the table adds each parameter's unit.
    const bool ours = textOf(e, effGetEffectName) == orv::kEffectName && e->numParams == orv::kNumParams;
    std::printf("  %3s  %-10s %-6s %-10s %-9s %s\n", "#", "name", "label", "display", "value", ours ? "unit" : "");
    for (VstInt32 i = 0; i < e->numParams; ++i) {
        const std::string name = textOf(e, effGetParamName, i);
        const std::string label = textOf(e, effGetParamLabel, i);
        const float value = e->getParameter(e, i);
        const std::string display = textOf(e, effGetParamDisplay, i);
        std::printf("  %3d  %-10s %-6s %-10s %.6f  %s\n", i, name.c_str(), label.c_str(), display.c_str(), value,
                    ours ? orv::kParamTable[i].unit : "");
    }
}

}  // namespace

int runInfo(const std::string& plugin, const CommandOptions& options) {
    HostSession session(plugin);
    if (!session.ok()) {
        std::fprintf(stderr, "orvhost: %s\n", session.error().c_str());
        return 1;
    }
    if ((!options.statePath.empty() && !session.loadState(options.statePath)) ||
        !session.applySettings(options.settings)) {
        std::fprintf(stderr, "orvhost: %s\n", session.error().c_str());
        return 1;
    }
    printInfo(session.effect());
    return 0;
}

}  // namespace vsthost
