// Loads a VST 2.4 plug-in library the way hosts do and creates instances
// through its entry. The host side talks to an instance only through the
// AEffect record.
#pragma once

#include <string>

#include "host/vst_interface.h"

namespace vsthost {

using PluginEntry = AEffect* (*)(audioMasterCallback);

// A loaded shared library (a .so or a DLL), unloaded with the object.
class SharedLibrary {
public:
    explicit SharedLibrary(const std::string& path);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool loaded() const { return module_ != nullptr; }
    const std::string& error() const { return error_; }
    // The exported symbol, or null.
    void* symbol(const char* name) const;

private:
    void* module_ = nullptr;
    std::string error_;
};

class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path);

    bool loaded() const { return entry_ != nullptr; }
    const std::string& error() const { return error_; }
    // Calls the entry; null when the plug-in gives no instance.
    AEffect* instantiate(audioMasterCallback callback) const;

private:
    SharedLibrary library_;
    PluginEntry entry_ = nullptr;
    std::string error_;
};

// The host call-back. It answers audioMasterVersion with hostVersionAnswer
// (2400 unless a test changes it) and everything else with 0.
extern VstIntPtr hostVersionAnswer;
VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                       void* ptr, float opt);

// Dispatcher shorthand.
inline VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// A file path as this platform's file functions take it: under Wine a Unix
// path (as test drivers pass them) becomes one on the Z: drive.
std::string platformPath(std::string path);

}  // namespace vsthost
