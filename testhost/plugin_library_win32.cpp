#include <windows.h>

#include "plugin_library.h"

namespace vsthost {

PluginLibrary::PluginLibrary(const std::string& path) {
    HMODULE module = LoadLibraryA(path.c_str());
    module_ = module;
    if (!module) {
        error_ = "cannot load the library (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    FARPROC symbol = GetProcAddress(module, "VSTPluginMain");
    if (!symbol) symbol = GetProcAddress(module, "main");
    if (!symbol) {
        error_ = "the library has no VSTPluginMain or main entry";
        return;
    }
    entry_ = reinterpret_cast<PluginEntry>(reinterpret_cast<void*>(symbol));
}

PluginLibrary::~PluginLibrary() {
    if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

}  // namespace vsthost
