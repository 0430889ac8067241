#include <dlfcn.h>

#include "plugin_library.h"

namespace vsthost {

SharedLibrary::SharedLibrary(const std::string& path) {
    module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module_) return;
    const char* why = dlerror();
    error_ = why ? why : "cannot load the library";
}

SharedLibrary::~SharedLibrary() {
    if (module_) dlclose(module_);
}

void* SharedLibrary::symbol(const char* name) const { return module_ ? dlsym(module_, name) : nullptr; }

}  // namespace vsthost
