// orvhost: a command-line VST 2.4 host. `info PLUGIN` prints what a host sees
// when it loads the plug-in; `editor PLUGIN OUT.png` (Windows) pictures its editor.
#include <cstdio>
#include <cstring>
#include <string>

#include <vector>

#include "parameter_setting.h"
#include "plugin_library.h"
#include "png_writer.h"
#if defined(_WIN32)
#include "editor_host_win32.h"
#endif

namespace {

using vsthost::dispatch;

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
    std::printf("  %3s  %-10s %-6s %-10s %s\n", "#", "name", "label", "display", "value");
    for (VstInt32 i = 0; i < e->numParams; ++i) {
        const std::string name = textOf(e, effGetParamName, i);
        const std::string label = textOf(e, effGetParamLabel, i);
        const float value = e->getParameter(e, i);
        const std::string display = textOf(e, effGetParamDisplay, i);
        std::printf("  %3d  %-10s %-6s %-10s %.6f\n", i, name.c_str(), label.c_str(),
                    display.c_str(), value);
    }
}

#if defined(_WIN32)
// Opens the editor in a window of our own, lets it paint and saves a PNG.
int saveEditorPicture(AEffect* effect, const std::string& out) {
    ERect* rect = nullptr;
    if (!(effect->flags & effFlagsHasEditor) || !dispatch(effect, effEditGetRect, 0, 0, &rect) ||
        !rect) {
        std::fprintf(stderr, "orvhost: the plug-in has no editor\n");
        return 1;
    }
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    HWND parent = vsthost::createParentWindow(width + 64, height + 64);
    dispatch(effect, effEditOpen, 0, 0, parent);
    vsthost::pumpMessages(300);
    HWND editor = GetWindow(parent, GW_CHILD);
    int w = 0, h = 0;
    const auto pixels = vsthost::captureWindow(editor ? editor : parent, w, h);
    dispatch(effect, effEditClose);
    if (!vsthost::writePng(out, pixels, w, h)) {
        std::fprintf(stderr, "orvhost: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("saved the editor (%d x %d) to %s\n", w, h, out.c_str());
    return 0;
}
#endif

int usage() {
    std::fprintf(stderr,
                 "usage: orvhost info PLUGIN\n"
#if defined(_WIN32)
                 "       orvhost editor PLUGIN OUT.png [--set NAME=VALUE]...\n"
#endif
    );
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string command = argv[1];
    const std::string pluginPath = argv[2];
    std::vector<std::string> settings;
    std::vector<std::string> positional;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--set" && i + 1 < argc)
            settings.push_back(argv[++i]);
        else
            positional.push_back(a);
    }
    const bool editorCommand = command == "editor";
    if (command != "info" && !editorCommand) return usage();
#if !defined(_WIN32)
    if (editorCommand) return usage();
#endif
    if (editorCommand && positional.size() != 1) return usage();
    vsthost::PluginLibrary library(pluginPath);
    if (!library.loaded()) {
        std::fprintf(stderr, "orvhost: %s: %s\n", pluginPath.c_str(), library.error().c_str());
        return 1;
    }
    AEffect* effect = library.instantiate(vsthost::hostCallback);
    if (!effect || effect->magic != kEffectMagic) {
        std::fprintf(stderr, "orvhost: %s: the plug-in gave no VST 2.4 instance\n", pluginPath.c_str());
        return 1;
    }
    dispatch(effect, effOpen);
    int status = 0;
    for (const std::string& setting : settings) {
        const vsthost::SettingResult r = vsthost::applySetting(effect, setting);
        if (!r.ok) {
            std::fprintf(stderr, "orvhost: %s\n", r.error.c_str());
            status = 2;
            break;
        }
    }
    if (status == 0) {
        if (command == "info") printInfo(effect);
#if defined(_WIN32)
        else status = saveEditorPicture(effect, positional[0]);
#endif
    }
    dispatch(effect, effClose);
    return status;
}
