// One plug-in instance for a command of orvhost: loaded, checked, opened,
// and closed when the session ends. Failures are one line for the user.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugin_library.h"

namespace vsthost {

class HostSession {
public:
    // Loads the library and creates an instance; ok() tells whether it worked.
    explicit HostSession(const std::string& path);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    bool ok() const { return effect_ != nullptr; }
    const std::string& error() const { return error_; }
    AEffect* effect() const { return effect_; }

    // Applies NAME=VALUE settings; false with error() set at the first bad one.
    bool applySettings(const std::vector<std::string>& settings);
    // Loads a saved state; false with error() set when unreadable or refused.
    bool loadState(const std::string& path);
    // Writes the plug-in's state.
    bool saveState(const std::string& path);
    // Sample rate, block size and resume, in the order hosts use.
    void start(float sampleRate, int blockSize);

private:
    std::unique_ptr<PluginLibrary> library_;
    AEffect* effect_ = nullptr;
    std::string error_;
};

// Processes one block through the instance (replacing if it can, else
// accumulating into cleared outputs).
void processBlock(AEffect* effect, float** inputs, float** outputs, int frames);

}  // namespace vsthost
