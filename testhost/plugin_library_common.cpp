#include "plugin_library.h"

namespace vsthost {

VstIntPtr hostVersionAnswer = kVstVersion;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? hostVersionAnswer : 0;
}

AEffect* PluginLibrary::instantiate(audioMasterCallback callback) const {
    return entry_ ? entry_(callback) : nullptr;
}

std::string directoryOf(const std::string& path) {
    const auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace vsthost
