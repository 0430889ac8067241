#include "host/audio_effect.h"

#include <cstdlib>
#include <cstring>

#include "host/aeff_editor.h"

namespace {

// The 32-bit host callback ABI turns a true/false answer into 1 or 0.
VstIntPtr boolAnswer(bool b) { return b ? 1 : 0; }

// Modifier bits travel as a float; anything outside a byte's range counts as none.
unsigned char modifierFromOpt(float opt) {
    if (!(opt >= 0.0f && opt < 256.0f)) return 0;
    return static_cast<unsigned char>(static_cast<int>(opt));
}

VstKeyCode keyCodeFrom(VstInt32 index, VstIntPtr value, float opt) {
    VstKeyCode key{};
    key.character = index;
    key.virt = static_cast<unsigned char>(value & 0xFF);
    key.modifier = modifierFromOpt(opt);
    return key;
}

void writeEmptyText(char* text) {
    if (text) text[0] = '\0';
}

AudioEffect* objectOf(AEffect* e) { return static_cast<AudioEffect*>(e->object); }

// The six entry functions of the record. Each runs on the thread the host
// calls it from and forwards to the object.
VstIntPtr dispatchEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                        float opt) {
    AudioEffect* effect = objectOf(e);
    if (opcode == effClose) {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void processEntry(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    objectOf(e)->process(inputs, outputs, frames);
}

void processReplacingEntry(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    objectOf(e)->processReplacing(inputs, outputs, frames);
}

void processDoubleEntry(AEffect* e, double** inputs, double** outputs, VstInt32 frames) {
    objectOf(e)->processDoubleReplacing(inputs, outputs, frames);
}

void setParameterEntry(AEffect* e, VstInt32 index, float value) {
    objectOf(e)->setParameter(index, value);
}

float getParameterEntry(AEffect* e, VstInt32 index) { return objectOf(e)->getParameter(index); }

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback master, VstInt32, VstInt32)
    : audioMaster(master), cEffect{} {
    // The record's values at this point are the plug-in layer's defaults; the
    // derived effect's construction replaces them before any host reads them.
    cEffect.flags = effFlagsCanReplacing;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.processReplacing = processReplacingEntry;
    cEffect.processDoubleReplacing = processDoubleEntry;
    cEffect.magic = kEffectMagic;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    cEffect.version = 1;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setFlag(VstInt32 flag, bool state) {
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
    if (!audioMaster) return 0;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::getProgramName(char* name) { writeEmptyText(name); }
void AudioEffect::getParameterLabel(VstInt32, char* label) { writeEmptyText(label); }
void AudioEffect::getParameterDisplay(VstInt32, char* text) { writeEmptyText(text); }
void AudioEffect::getParameterName(VstInt32, char* text) { writeEmptyText(text); }

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getMasterVersion() {
    if (!audioMaster) return 1;
    const auto answer = static_cast<VstInt32>(callHost(audioMasterVersion));
    return answer == 0 ? 1 : answer;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(VstInt32 input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

// Dispatcher thread. The VST 1.0 opcodes; every other opcode answers 0.
VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
        if (value < numPrograms) setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName: setProgramName(static_cast<char*>(ptr)); return 0;
    case effGetProgramName: getProgramName(static_cast<char*>(ptr)); return 0;
    case effGetParamLabel: getParameterLabel(index, static_cast<char*>(ptr)); return 0;
    case effGetParamDisplay: getParameterDisplay(index, static_cast<char*>(ptr)); return 0;
    case effGetParamName: getParameterName(index, static_cast<char*>(ptr)); return 0;
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        // Hosts ask before open and pass ERect**; a null place gets nothing.
        if (!editor || !ptr) return 0;
        return boolAnswer(editor->getRect(static_cast<ERect**>(ptr)));
    case effEditOpen: return editor ? boolAnswer(editor->open(ptr)) : 0;
    case effEditClose:
        if (editor) editor->close();
        return 0;
    case effEditIdle:
        if (editor) editor->idle();
        return 0;
    case effIdentify: return fourCharCode('N', 'v', 'E', 'f');
    case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk: return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default: return 0;
    }
}

// Dispatcher thread. The 2.x opcodes; the rest fall back to AudioEffect's level.
VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    switch (opcode) {
    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return boolAnswer(canParameterBeAutomated(index));
    case effString2Parameter: return boolAnswer(string2parameter(index, static_cast<char*>(ptr)));
    case effGetProgramNameIndexed:
        return boolAnswer(
            getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)));
    case effGetInputProperties: return boolAnswer(getInputProperties(index, ptr));
    case effGetOutputProperties: return boolAnswer(getOutputProperties(index, ptr));
    case effGetPlugCategory: return getPlugCategory();
    case effOfflineNotify: return boolAnswer(offlineNotify(ptr, static_cast<VstInt32>(value), index != 0));
    case effOfflinePrepare: return boolAnswer(offlinePrepare(ptr, static_cast<VstInt32>(value)));
    case effOfflineRun: return boolAnswer(offlineRun(ptr, static_cast<VstInt32>(value)));
    case effProcessVarIo: return boolAnswer(processVariableIo(ptr));
    case effSetSpeakerArrangement:
        return boolAnswer(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                                static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBypass: return boolAnswer(setBypass(value != 0));
    case effGetEffectName: return boolAnswer(getEffectName(static_cast<char*>(ptr)));
    case effGetVendorString: return boolAnswer(getVendorString(static_cast<char*>(ptr)));
    case effGetProductString: return boolAnswer(getProductString(static_cast<char*>(ptr)));
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return canDo(static_cast<char*>(ptr));
    case effGetTailSize: return getGetTailSize();
    case effGetParameterProperties: return boolAnswer(getParameterProperties(index, ptr));
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
        if (!editor) return 0;
        {
            VstKeyCode key = keyCodeFrom(index, value, opt);
            return editor->onKeyDown(key);
        }
    case effEditKeyUp:
        if (!editor) return 0;
        {
            VstKeyCode key = keyCodeFrom(index, value, opt);
            return editor->onKeyUp(key);
        }
    case effSetEditKnobMode:
        return editor ? boolAnswer(editor->setKnobMode(static_cast<VstInt32>(value))) : 0;
    case effGetMidiProgramName: return getMidiProgramName(index, ptr);
    case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
    case effGetMidiProgramCategory: return getMidiProgramCategory(index, ptr);
    case effHasMidiProgramsChanged: return boolAnswer(hasMidiProgramsChanged(index));
    case effGetMidiKeyName: return boolAnswer(getMidiKeyName(index, ptr));
    case effBeginSetProgram: return boolAnswer(beginSetProgram());
    case effEndSetProgram: return boolAnswer(endSetProgram());
    case effGetSpeakerArrangement:
        return boolAnswer(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                                static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin: return getNextShellPlugin(static_cast<char*>(ptr));
    case effStartProcess: return startProcess();
    case effStopProcess: return stopProcess();
    case effSetTotalSampleToProcess:
        return setTotalSampleToProcess(static_cast<VstInt32>(value));
    case effSetPanLaw: return boolAnswer(setPanLaw(static_cast<VstInt32>(value), opt));
    case effBeginLoadBank: return beginLoadBank(ptr);
    case effBeginLoadProgram: return beginLoadProgram(ptr);
    case effSetProcessPrecision: return boolAnswer(setProcessPrecision(static_cast<VstInt32>(value)));
    case effGetNumMidiInputChannels: return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels: return getNumMidiOutputChannels();
    default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool AudioEffectX::getProgramNameIndexed(VstInt32, VstInt32, char* text) {
    writeEmptyText(text);
    return true;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                         VstSpeakerArrangement** pluginOutput) {
    if (pluginInput) *pluginInput = nullptr;
    if (pluginOutput) *pluginOutput = nullptr;
    return false;
}

VstInt32 AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::beginEdit(VstInt32 index) { return callHost(audioMasterBeginEdit, index) != 0; }
bool AudioEffectX::endEdit(VstInt32 index) { return callHost(audioMasterEndEdit, index) != 0; }
bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }

double AudioEffectX::updateSampleRate() {
    const VstIntPtr answer = callHost(audioMasterGetSampleRate);
    if (answer > 0) sampleRate = static_cast<float>(answer);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    const VstIntPtr answer = callHost(audioMasterGetBlockSize);
    if (answer > 0) blockSize = static_cast<VstInt32>(answer);
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency() {
    return static_cast<VstInt32>(callHost(audioMasterGetInputLatency));
}
VstInt32 AudioEffectX::getOutputLatency() {
    return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency));
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

VstInt32 AudioEffectX::getCurrentProcessLevel() {
    return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel));
}
VstInt32 AudioEffectX::getAutomationState() {
    return static_cast<VstInt32>(callHost(audioMasterGetAutomationState));
}

bool AudioEffectX::getHostVendorString(char* text) {
    return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}
bool AudioEffectX::getHostProductString(char* text) {
    return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}
VstInt32 AudioEffectX::getHostVendorVersion() {
    return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion));
}
VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 arg1, VstIntPtr arg2, void* ptrArg,
                                           float floatArg) {
    return callHost(audioMasterVendorSpecific, arg1, arg2, ptrArg, floatArg);
}
VstInt32 AudioEffectX::canHostDo(char* text) {
    return callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0;
}
VstInt32 AudioEffectX::getHostLanguage() {
    return static_cast<VstInt32>(callHost(audioMasterGetLanguage));
}
void* AudioEffectX::getDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}
bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }
bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}
bool AudioEffectX::openFileSelector(void* selector) {
    if (!selector) return false;
    return callHost(audioMasterOpenFileSelector, 0, 0, selector) != 0;
}
bool AudioEffectX::closeFileSelector(void* selector) {
    if (!selector) return false;
    return callHost(audioMasterCloseFileSelector, 0, 0, selector) != 0;
}
bool AudioEffectX::getChunkFile(void* nativePath) {
    if (!nativePath) return false;
    return callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}

bool AudioEffectX::offlineRead(void* offline, VstInt32 option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}
bool AudioEffectX::offlineWrite(void* offline, VstInt32 option) {
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}
bool AudioEffectX::offlineStart(void* ptr, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles) {
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, ptr) != 0;
}
VstInt32 AudioEffectX::offlineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}
VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

void AudioEffectX::wantEvents(VstInt32 filter) { callHost(audioMasterWantMidi, 0, filter); }
VstInt32 AudioEffectX::tempoAt(VstInt32 pos) {
    return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos));
}
VstInt32 AudioEffectX::getNumAutomatableParameters() {
    return static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters));
}
VstInt32 AudioEffectX::getParameterQuantization() {
    return static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization));
}
bool AudioEffectX::needIdle() { return callHost(audioMasterNeedIdle) != 0; }
AEffect* AudioEffectX::getPreviousPlug(VstInt32 input) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug, input));
}
AEffect* AudioEffectX::getNextPlug(VstInt32 output) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug, output));
}
VstInt32 AudioEffectX::willProcessReplacing() {
    return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate));
}
void AudioEffectX::setOutputSamplerate(float rate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}
VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetInputSpeakerArrangement));
}
VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetOutputSpeakerArrangement));
}
void* AudioEffectX::openWindow(void* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}
bool AudioEffectX::closeWindow(void* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

namespace {

std::size_t arrangementBytes(VstInt32 channels) {
    const std::size_t n = channels > 0 ? static_cast<std::size_t>(channels) : 0;
    return offsetof(VstSpeakerArrangement, speakers) + n * sizeof(VstSpeakerProperties);
}

}  // namespace

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels) {
    if (!arrangement) return false;
    std::free(*arrangement);
    auto* fresh = static_cast<VstSpeakerArrangement*>(std::calloc(1, arrangementBytes(nbChannels)));
    if (fresh) fresh->numChannels = nbChannels;
    *arrangement = fresh;
    return fresh != nullptr;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (!arrangement) return false;
    std::free(*arrangement);
    *arrangement = nullptr;
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, const VstSpeakerProperties* from) {
    if (!to || !from) return false;
    std::memcpy(to, from, sizeof(VstSpeakerProperties));
    to->name[kVstSpeakerNameLength - 1] = '\0';
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, const VstSpeakerArrangement* from) {
    if (!from) return false;
    if (!deallocateArrangement(to)) return false;
    if (!allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    // Both arrangements really hold numChannels speakers, whatever the declared size.
    VstSpeakerProperties* target = (*to)->speakers;
    const VstSpeakerProperties* source = from->speakers;
    for (VstInt32 i = 0; i < from->numChannels; ++i) {
        if (!copySpeaker(target + i, source + i)) return false;
    }
    return true;
}
