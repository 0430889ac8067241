#include "plugin_library.h"

namespace vsthost {

VstIntPtr hostVersionAnswer = kVstVersion;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? hostVersionAnswer : 0;
}

PluginLibrary::PluginLibrary(const std::string& path) : library_(path) {
    if (!library_.loaded()) {
        error_ = library_.error();
        return;
    }
    void* symbol = library_.symbol("VSTPluginMain");
    if (!symbol) symbol = library_.symbol("main");
    if (!symbol) {
        error_ = "the library has no VSTPluginMain or main entry";
        return;
    }
    entry_ = reinterpret_cast<PluginEntry>(symbol);
}

AEffect* PluginLibrary::instantiate(audioMasterCallback callback) const {
    return entry_ ? entry_(callback) : nullptr;
}

std::string platformPath(std::string p) {
#if defined(_WIN32)
    if (!p.empty() && p[0] == '/') {
        for (char& c : p)
            if (c == '/') c = '\\';
        p = "Z:" + p;
    }
#endif
    return p;
}

}  // namespace vsthost
