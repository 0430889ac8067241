#include <windows.h>

#include "plugin_library.h"

namespace vsthost {

SharedLibrary::SharedLibrary(const std::string& path) {
    HMODULE module = LoadLibraryA(path.c_str());
    module_ = module;
    if (!module) error_ = "cannot load the library (error " + std::to_string(GetLastError()) + ")";
}

SharedLibrary::~SharedLibrary() {
    if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

void* SharedLibrary::symbol(const char* name) const {
    return module_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), name)) : nullptr;
}

}  // namespace vsthost
