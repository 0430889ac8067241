// The library's exported entry, reached by hosts as VSTPluginMain and as main.
#include <new>

#include "host/orv_vst.h"

// Host's loading thread. Asks the host's version first; a host that answers
// 0 is too old and gets no instance.
VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    if (!audioMaster) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        auto* effect = new orvVst(audioMaster);
        return effect->getAeffect();
    } catch (const std::bad_alloc&) {
        return nullptr;  // no exception may cross into the host
    }
}
