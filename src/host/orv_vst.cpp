#include "host/orv_vst.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/aeff_editor.h"
#include "editor/control_layout.h"
#include "host/editor_factory.h"
#include "host/diag_log.h"
#include "platform/platform.h"

namespace {

constexpr VstInt32 kInitialEventCapacity = 1024;
constexpr VstInt32 kEventGrowthMargin = 32;
constexpr int kEffectNameChars = 32;
constexpr int kDisplayChars = 8;
constexpr int kStatusValuesChanged = 1 << 0;
constexpr int kStatusRepaint = 1 << 1;

bool validIndex(VstInt32 index) { return index >= 0 && index < orv::kNumParams; }

}  // namespace

void publishIoConfiguration(orv::EffectCore& core, AEffect& record) {
    core.numInputs = std::min<std::uint8_t>(core.numInputs, orv::kMaxChannels);
    core.numOutputs = std::min<std::uint8_t>(core.numOutputs, orv::kMaxChannels);
    record.numInputs = core.numInputs;
    record.numOutputs = core.numOutputs;
}

// Loader's thread (whichever host thread creates the instance).
orvVst::orvVst(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 0, 0) {
    eventList = std::make_unique<orv::MidiMessage[]>(kInitialEventCapacity);
    eventCapacity = kInitialEventCapacity;
    core_.setPluginLayerDefaults(sampleRate, blockSize);
    diaglog::recordModulePath();
    core_.configureEffect();
    publishIoConfiguration(core_, cEffect);
    setFlag(effFlagsIsSynth, core_.synthFlag != 0);
    setFlag(effFlagsProgramChunks, core_.chunksFlag != 0);
    setFlag(effFlagsCanReplacing, true);
    cEffect.uniqueID = core_.uniqueID;
    numPrograms = cEffect.numPrograms = core_.numPrograms;
    numParams = cEffect.numParams = core_.numParams;
    refreshParameterCache();
    if (core_.declaresEditor()) {
        editor = createEditor(this, *this);
        setFlag(effFlagsHasEditor, editor != nullptr);
    }
    readyFlag.store(true);
    suspended.store(true);
}

// Thread of effClose; nothing else runs on this instance any more.
orvVst::~orvVst() {
    suspended.store(true);
    // The editor reads the core while it tears its window down (on Linux
    // its own thread may be painting until then), so it goes first.
    delete editor;
    editor = nullptr;
    diaglog::writeLog("%d\n", core_.dsp ? core_.dsp->logCounter() : 0);
    core_.dsp.reset();
    eventList.reset();
    diaglog::closeLog();
}


// Dispatcher thread; hosts toggle these freely, so both are idempotent.
void orvVst::suspend() { suspended.store(true); }
void orvVst::resume() { suspended.store(false); }

// Dispatcher thread; serialised with the audio pass.
void orvVst::setSampleRate(float rate) {
    bool taken = false;
    withExclusiveState([&] { taken = core_.changeSampleRate(rate); });
    if (taken) sampleRate = rate;
}

void orvVst::changeBlockSize(VstInt32 n) {
    if (n <= 0) return;
    withExclusiveState([&] {
        core_.configureAudio(sampleRate, n);
        core_.blockSize = n;
    });
    blockSize = n;
}

void orvVst::refreshParameterCache() {
    char scratch[orv::kDisplayTextSize];
    for (int i = 0; i < orv::kNumParams; ++i)
        core_.panel.storeCachedValue(i, core_.readParameter(i, scratch, sizeof scratch));
}

void orvVst::requestFullRepaint(bool increment) {
    void* window = core_.panel.editorWindow.load();
    if (!window) return;
    if (increment)
        core_.panel.changeCounter.fetch_add(1);
    else
        core_.panel.changeCounter.store(1);
    platform::invalidateWindow(window);
}

// Host automation thread (user-interface or audio, never inside processReplacing).
void orvVst::setParameter(VstInt32 index, float value) {
    if (!validIndex(index)) return;
    const float x = orv::clampNormalised(value);
    withExclusiveState([&] {
        core_.setParameterValue(index, x);
        // A host reading the text right after a change must see the new one.
        displayCache.index = -1;
        if (x != core_.panel.cachedValue(index)) {
            core_.panel.storeCachedValue(index, x);
            core_.panel.markControlsOf(index);
        }
    });
}

void orvVst::applyControlValue(orv::PanelControl& record, float x) {
    if (!readyFlag.load()) return;
    const VstInt32 index = record.paramIndex;
    if (validIndex(index)) {
        if (x >= 0.0f && x <= 1.0f) core_.panel.storeCachedValue(index, x);
        withExclusiveState([&] {
            core_.setParameterValue(index, core_.panel.cachedValue(index));
            displayCache.index = -1;
            core_.panel.markControlsOf(index);
        });
    }
    platform::invalidateWindow(core_.panel.editorWindow.load());
}

void orvVst::readSnapshot(orv::ParameterSnapshot& snapshot) {
    withExclusiveState([&] {
        for (int i = 0; i < orv::kNumParams; ++i)
            snapshot.value[i] = core_.readParameter(i, snapshot.text[i], sizeof snapshot.text[i]);
    });
}

void orvVst::buildControls() {
    withExclusiveState([&] { orv::buildPanel(core_.panel, core_.state()); });
}

// Any host thread; the one-entry cache serves the usual value-then-text pair.
float orvVst::getParameter(VstInt32 index) {
    if (!validIndex(index)) return 0.0f;
    float value = 0.0f;
    bool fresh = false;
    withExclusiveState([&] {
        if (displayCache.index == index) {
            displayCache.index = -1;
            value = displayCache.value;
            return;
        }
        displayCache.index = index;
        displayCache.value = core_.readParameter(index, displayCache.text, sizeof displayCache.text);
        value = displayCache.value;
        fresh = true;
    });
    // A value served from the cache may be older than the panel's; only a
    // freshly read one updates what the panel draws.
    if (fresh) core_.panel.storeCachedValue(index, value);
    return value;
}

void orvVst::getParameterDisplay(VstInt32 index, char* text) {
    if (!text) return;
    if (!validIndex(index)) {
        text[0] = '\0';
        return;
    }
    withExclusiveState([&] {
        if (displayCache.index == index) {
            displayCache.index = -1;
        } else {
            displayCache.index = index;
            displayCache.value =
                core_.readParameter(index, displayCache.text, sizeof displayCache.text);
        }
        std::memcpy(text, displayCache.text, kDisplayChars);
        text[kDisplayChars] = '\0';
    });
}

void orvVst::copyNameEntry(int entry, char* text, int maxChars) const {
    if (!text) return;
    const char* source = nullptr;
    if (core_.names && entry >= 0 && entry < orv::kNameTableSize)
        source = (*core_.names)[entry].load(std::memory_order_relaxed);
    if (!source) {
        text[0] = '\0';
        return;
    }
    const std::size_t length = std::min<std::size_t>(std::strlen(source), maxChars);
    std::memcpy(text, source, length);
    text[length] = '\0';
}

void orvVst::getParameterName(VstInt32 index, char* text) {
    copyNameEntry(validIndex(index) ? orv::parameterNameEntry(index) : -1, text,
                  core_.paramTextLength);
}

void orvVst::getParameterLabel(VstInt32 index, char* label) {
    copyNameEntry(validIndex(index) ? orv::parameterLabelEntry(index) : -1, label,
                  core_.paramTextLength);
}

bool orvVst::getEffectName(char* name) {
    copyNameEntry(orv::kEffectNameEntry, name, kEffectNameChars);
    return true;
}

bool orvVst::getVendorString(char* text) {
    copyNameEntry(orv::kVendorEntry, text, core_.vendorTextLength);
    return true;
}

bool orvVst::getProductString(char* text) {
    copyNameEntry(orv::kProductEntry, text, core_.productTextLength);
    return true;
}

VstInt32 orvVst::getVendorVersion() { return core_.vendorVersion; }

VstInt32 orvVst::canDo(char* text) {
    std::uint32_t mask = 0;
    if (text && std::strcmp(text, "receiveVstEvents") == 0)
        mask = 1;
    else if (text && std::strcmp(text, "receiveVstMidiEvent") == 0)
        mask = 2;
    return (core_.capabilityFlags & mask) ? 1 : -1;
}

bool orvVst::getProgramNameIndexed(VstInt32, VstInt32, char* text) {
    if (text) text[0] = '\0';
    return true;
}

// Dispatcher thread. The host's bytes stay valid until the next call or the
// effect's end, and never change while the host copies them.
VstInt32 orvVst::getChunk(void** data, bool) {
    withExclusiveState([&] {
        core_.stampHeader();
        chunkCopy_ = core_.state();
    });
    if (data) *data = &chunkCopy_;
    return orv::kStateSize;
}

VstInt32 orvVst::setChunk(void* data, VstInt32 byteSize, bool) {
    VstInt32 taken = 0;
    withExclusiveState([&] {
        taken = core_.applyState(data, byteSize);
        displayCache.index = -1;
        refreshParameterCache();
    });
    requestFullRepaint(true);
    return taken;
}

void orvVst::setProgram(VstInt32 program) {
    withExclusiveState([&] {
        curProgram = program;
        core_.currentProgram = program;
        refreshParameterCache();
    });
    requestFullRepaint(false);
}

// Host thread that delivers events (normally the audio thread, before processReplacing).
VstInt32 orvVst::processEvents(VstEvents* events) {
    if (suspended.load()) return 0;
    if (!events || events->numEvents <= 0) return 1;
    ensureEventRoom(events->numEvents);
    // The record's array really holds numEvents entries, whatever its declared size.
    VstEvent* const* list = events->events;
    for (VstInt32 i = 0; i < events->numEvents && eventCount < eventCapacity; ++i) {
        const VstEvent* event = list[i];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        orv::MidiMessage& entry = eventList[eventCount++];
        entry.frame = midi->deltaFrames;
        for (int b = 0; b < 3; ++b) entry.data[b] = static_cast<std::uint8_t>(midi->midiData[b]);
    }
    return 1;
}

// Entries still waiting from an earlier block keep their place when the list grows.
void orvVst::ensureEventRoom(VstInt32 incoming) {
    const std::int64_t needed = static_cast<std::int64_t>(eventCount) + incoming;
    if (needed <= eventCapacity) return;
    const VstInt32 capacity = static_cast<VstInt32>(
        std::min<std::int64_t>(needed + kEventGrowthMargin, std::int64_t{1} << 24));
    auto grown = std::make_unique<orv::MidiMessage[]>(static_cast<std::size_t>(capacity));
    std::copy(eventList.get(), eventList.get() + eventCount, grown.get());
    eventList = std::move(grown);
    eventCapacity = capacity;
}

// Audio thread. The one audio entry runs the block in pieces of the core's
// block size, whatever size the host announced, split at the events.
void orvVst::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    const orv::HostBlock block{inputs, outputs, sampleFrames, eventList.get(), eventCount};
    const orv::BlockOutcome outcome =
        orv::processHostBlock(core_, handshake_, block, orv::ControllerLink::StoredValueOnly, &suspended);
    // Unhandled events move to the front and wait for the next block.
    std::copy(eventList.get() + outcome.messagesTaken, eventList.get() + eventCount, eventList.get());
    eventCount -= outcome.messagesTaken;
    void* window = core_.panel.editorWindow.load();
    if (!window) return;
    if (outcome.status & kStatusValuesChanged) {
        core_.panel.changeCounter.fetch_add(1);
        platform::invalidateWindow(window);
    } else if (outcome.status & kStatusRepaint) {
        platform::invalidateWindow(window);
    }
}
