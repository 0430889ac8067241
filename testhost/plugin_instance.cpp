#include "plugin_instance.h"

#include <cstring>

namespace vsthost {

namespace {
constexpr int kTextBuffer = 256;  // what large hosts hand out for names and texts
}

PluginInstance::PluginInstance(const PluginLibrary& library) : effect_(library.instantiate(hostCallback)) {}

PluginInstance::~PluginInstance() { close(); }

VstIntPtr PluginInstance::close() {
    if (!effect_) return 0;
    const VstIntPtr answer = call(effClose);
    effect_ = nullptr;
    return answer;
}

std::string PluginInstance::text(VstInt32 opcode, VstInt32 index) const {
    char buffer[kTextBuffer];
    std::memset(buffer, 'x', sizeof buffer);
    call(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

std::vector<unsigned char> PluginInstance::chunk() const {
    void* data = nullptr;
    const VstIntPtr size = call(effGetChunk, 0, 0, &data);
    if (!data || size <= 0) return {};
    return std::vector<unsigned char>(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

}  // namespace vsthost
