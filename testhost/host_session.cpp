#include "host_session.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "parameter_setting.h"

namespace vsthost {

HostSession::HostSession(const std::string& path) {
    library_ = std::make_unique<PluginLibrary>(path);
    if (!library_->loaded()) {
        const std::string& why = library_->error();
        error_ = why.rfind(path, 0) == 0 ? why : path + ": " + why;
        return;
    }
    AEffect* effect = library_->instantiate(hostCallback);
    if (!effect) {
        error_ = path + ": the plug-in returned no instance";
        return;
    }
    if (effect->magic != kEffectMagic) {
        error_ = path + ": not a VST 2.4 plug-in (wrong magic number)";
        return;
    }
    effect_ = effect;
    dispatch(effect_, effOpen);
}

HostSession::~HostSession() {
    if (!effect_) return;
    dispatch(effect_, effMainsChanged, 0, 0);
    dispatch(effect_, effClose);
}

bool HostSession::applySettings(const std::vector<std::string>& settings) {
    for (const std::string& s : settings) {
        const SettingResult r = applySetting(effect_, s);
        if (!r.ok) {
            error_ = r.error;
            return false;
        }
    }
    return true;
}

bool HostSession::loadState(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error_ = path + ": cannot read the state file";
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    if (dispatch(effect_, effSetChunk, 0, static_cast<VstIntPtr>(bytes.size()),
                 bytes.empty() ? nullptr : bytes.data()) == 0) {
        error_ = path + ": the plug-in refused this state";
        return false;
    }
    return true;
}

bool HostSession::saveState(const std::string& path) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effect_, effGetChunk, 0, 0, &data);
    if (!data || size <= 0) {
        error_ = "the plug-in has no state to save";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(data, 1, static_cast<std::size_t>(size), f) ==
                              static_cast<std::size_t>(size);
    if (f) std::fclose(f);
    if (!ok) error_ = path + ": cannot write the state file";
    return ok;
}

void HostSession::start(float sampleRate, int blockSize) {
    dispatch(effect_, effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effect_, effSetBlockSize, 0, blockSize);
    dispatch(effect_, effMainsChanged, 0, 1);
}

void processBlock(AEffect* effect, float** inputs, float** outputs, int frames) {
    if ((effect->flags & effFlagsCanReplacing) && effect->processReplacing) {
        effect->processReplacing(effect, inputs, outputs, frames);
        return;
    }
    for (int c = 0; c < effect->numOutputs; ++c) std::memset(outputs[c], 0, sizeof(float) * frames);
    effect->process(effect, inputs, outputs, frames);
}

}  // namespace vsthost
