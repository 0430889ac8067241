// One instance of a loaded plug-in, closed when it goes out of scope: the
// host side of every test and of orvhost's sessions.
#pragma once

#include <string>
#include <vector>

#include "plugin_library.h"

namespace vsthost {

class PluginInstance {
public:
    explicit PluginInstance(const PluginLibrary& library);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    AEffect* operator->() const { return effect_; }
    AEffect* get() const { return effect_; }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) const {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }
    // The text an opcode writes (into a large, pre-filled buffer).
    std::string text(VstInt32 opcode, VstInt32 index = 0) const;
    // Processes n frames of in (separate buffers or the same as out).
    void process(float* const* in, float* const* out, int n) const {
        effect_->processReplacing(effect_, const_cast<float**>(in), const_cast<float**>(out), n);
    }
    // The state the plug-in hands out (effGetChunk).
    std::vector<unsigned char> chunk() const;
    // Closes now; answers what the entry answered.
    VstIntPtr close();

private:
    AEffect* effect_;
};

}  // namespace vsthost
