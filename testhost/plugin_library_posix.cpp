#include <dlfcn.h>

#include "plugin_library.h"

namespace vsthost {

PluginLibrary::PluginLibrary(const std::string& path) {
    module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) {
        const char* why = dlerror();
        error_ = why ? why : "cannot load the library";
        return;
    }
    void* symbol = dlsym(module_, "VSTPluginMain");
    if (!symbol) symbol = dlsym(module_, "main");
    if (!symbol) {
        error_ = "the library has no VSTPluginMain or main entry";
        return;
    }
    entry_ = reinterpret_cast<PluginEntry>(symbol);
}

PluginLibrary::~PluginLibrary() {
    if (module_) dlclose(module_);
}

}  // namespace vsthost
