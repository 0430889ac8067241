// Libraries that look like VST 2.4 plug-ins to a loader but are not usable:
// one entry answers no instance, the other a record with the wrong magic.
#include "host/vst_interface.h"

#if defined(ORV_BAD_PLUGIN_NO_INSTANCE)
VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback) { return nullptr; }
#else
VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    static AEffect record{};
    record.magic = fourCharCode('N', 'o', 'p', 'e');
    return &record;
}
#endif
