// The effect object and the two-level dispatcher, driven natively through
// the AEffect record as a host would.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/orv_vst.h"
#include "midi_events.h"

namespace {

VstIntPtr answer2400(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

class Dispatcher : public ::testing::Test {
protected:
    orvVst* object = new orvVst(answer2400);
    AEffect* e = object->getAeffect();

    ~Dispatcher() override {
        if (e) e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
    std::string text(VstInt32 opcode, VstInt32 index = 0) {
        char buffer[256];
        std::memset(buffer, 'x', sizeof buffer);
        call(opcode, index, 0, buffer);
        return buffer;
    }
};

TEST_F(Dispatcher, RecordOfANewInstance) {
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numPrograms, 0);
    EXPECT_EQ(e->numParams, 26);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->uniqueID, fourCharCode('o', 'r', 'v', '1'));
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->object, object);
    EXPECT_NE(reinterpret_cast<void*>(e->process), reinterpret_cast<void*>(e->processReplacing));
}

TEST_F(Dispatcher, ConstructionLeavesOnlyTheEffectsConfiguration) {
    const orv::EffectCore& core = object->core();
    EXPECT_EQ(core.capabilityFlags, 7u);
    EXPECT_EQ(core.panel.editorWidth, 544);
    EXPECT_EQ(core.panel.editorHeight, 356);
    EXPECT_EQ(core.numInputs, 2);
    EXPECT_EQ(core.chunksFlag, 1);
    EXPECT_EQ(core.blockSize, 1024);
    EXPECT_EQ(core.sampleRate, 44100.0f);
    EXPECT_EQ(core.dsp->logCounter(), 0);
    EXPECT_TRUE(object->isReady());
    EXPECT_TRUE(object->isSuspended());
    EXPECT_EQ(object->eventListCapacity(), 1024);
    // The cache starts with the normalised defaults.
    EXPECT_FLOAT_EQ(core.panel.cachedValue(orv::kOutput), std::sqrt(0.5f));
    EXPECT_EQ(core.panel.cachedValue(orv::kLink), 1.0f);
}

TEST(IoConfiguration, ChannelCountsAreLimitedTo16) {
    orv::EffectCore core;
    AEffect record{};
    core.numInputs = 20;
    core.numOutputs = 2;
    publishIoConfiguration(core, record);
    EXPECT_EQ(core.numInputs, 16);
    EXPECT_EQ(record.numInputs, 16);
    EXPECT_EQ(record.numOutputs, 2);
}

TEST_F(Dispatcher, IdentityAnswers) {
    EXPECT_EQ(call(effGetVendorVersion), 101);
    EXPECT_EQ(call(effGetVstVersion), 2400);
    EXPECT_EQ(call(effGetPlugCategory), 0);
    EXPECT_EQ(call(effGetTailSize), 0);
    EXPECT_EQ(call(effIdentify), 0x4E764566);
    EXPECT_EQ(call(effCanBeAutomated, 7), 1);
    EXPECT_EQ(call(effCanBeAutomated, 1000), 1);
    EXPECT_EQ(call(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(text(effGetEffectName), "orvq41x(Velmar)");
    EXPECT_EQ(text(effGetVendorString), "ORV Works");
    EXPECT_EQ(text(effGetProductString), "Velmar processor");
    EXPECT_EQ(call(effGetEffectName, 0, 0, nullptr), 1);
}

TEST_F(Dispatcher, ParameterNamesAndLabelsAreCutAndBounded) {
    EXPECT_EQ(text(effGetParamName, 10), "M-BP_Fre");
    EXPECT_EQ(text(effGetParamName, 8), "M-LS_Fre");
    EXPECT_EQ(text(effGetParamName, 0), "Mode");
    EXPECT_EQ(text(effGetParamName, 25), "");
    EXPECT_EQ(text(effGetParamLabel, 1), "[%]");
    EXPECT_EQ(text(effGetParamLabel, 8), "[Hz]");
    EXPECT_EQ(text(effGetParamLabel, 0), "");
    EXPECT_EQ(text(effGetParamName, -1), "");
    EXPECT_EQ(text(effGetParamName, 26), "");
    EXPECT_EQ(text(effGetParamLabel, 1 << 30), "");
}

TEST_F(Dispatcher, CanDoIsExactAndNeverZero) {
    const auto canDo = [&](const char* s) {
        std::string copy = s;
        return call(effCanDo, 0, 0, copy.data());
    };
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receivevstmidievent"), -1);
    EXPECT_EQ(canDo("bypass"), -1);
    EXPECT_EQ(canDo(""), -1);
    EXPECT_EQ(canDo("sendVstEvents"), -1);
    EXPECT_EQ(call(effCanDo, 0, 0, nullptr), -1);
}

TEST_F(Dispatcher, ProgramsAndBlockSize) {
    EXPECT_EQ(call(effSetProgram, 0, 3), 0);
    EXPECT_EQ(call(effGetProgram), 0);
    EXPECT_EQ(text(effGetProgramName), "");
    EXPECT_EQ(call(effGetProgramNameIndexed, 0, 0, nullptr), 1);
    EXPECT_EQ(call(effSetBlockSize, 0, 4096), 0);
    EXPECT_EQ(object->getBlockSize(), 4096);
    EXPECT_EQ(object->core().blockSize, 1024);
}

TEST_F(Dispatcher, SuspendAndResume) {
    call(effMainsChanged, 0, 1);
    EXPECT_FALSE(object->isSuspended());
    call(effMainsChanged, 0, 1);
    EXPECT_FALSE(object->isSuspended());
    call(effMainsChanged, 0, 0);
    EXPECT_TRUE(object->isSuspended());
}

TEST_F(Dispatcher, FallbacksAnswerZero) {
    // Opcodes neither level handles, or that reach the 1.0 level without an
    // action there, answer 0; so do numbers past the VST 2.4 range.
    for (VstInt32 opcode : {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80,
                            150, -1}) {
        char scratch[256] = {};
        EXPECT_EQ(call(opcode, 1, 1, scratch, 1.0f), 0) << "opcode " << opcode;
    }
    for (VstInt32 opcode : {33, 34, 38, 39, 40, 41, 42, 44, 56, 62, 64, 65, 66, 67, 68, 70, 71, 72,
                            74, 75, 76, 77, 78, 79}) {
        EXPECT_EQ(call(opcode), 0) << "opcode " << opcode;
    }
    EXPECT_EQ(call(effVendorSpecific, fourCharCode('P', 'r', 'e', 'S'), 0, nullptr, 2.0f), 0);
    EXPECT_EQ(call(effString2Parameter, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, TotalSamplesEchoesAsSigned32Bit) {
    EXPECT_EQ(call(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(call(effSetTotalSampleToProcess, 0, (VstIntPtr{1} << 32) + 5), 5);
    EXPECT_EQ(call(effSetTotalSampleToProcess, 0, -7), -7);
}

TEST_F(Dispatcher, EditorOpcodesBeforeAWindowExists) {
    ERect* rect = nullptr;
    EXPECT_EQ(call(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 544);
    EXPECT_EQ(rect->bottom - rect->top, 356);
    EXPECT_EQ(call(effEditClose), 0);  // unpaired: nothing to close
    EXPECT_EQ(call(effEditIdle), 0);
    EXPECT_EQ(call(effEditKeyDown, 'a', 1, nullptr, 1e30f), 0);
    EXPECT_EQ(call(effSetEditKnobMode, 0, 1), 1);
}

TEST_F(Dispatcher, SpeakerArrangementStoresNone) {
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* in = &dummy;
    VstSpeakerArrangement* out = &dummy;
    EXPECT_EQ(call(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(call(effGetSpeakerArrangement, 0, 0, nullptr), 0);
}

// midi note-on messages followed by other events of the same size.
VstEvents* buildEvents(vsthost::MidiEventList& list, int midi, int other) {
    for (int i = 0; i < midi + other; ++i) list.add(0, 0x90, 0, 0, i < midi ? kVstMidiType : kVstSysExType);
    return list.events();
}

TEST_F(Dispatcher, EventIntake) {
    vsthost::MidiEventList list;
    VstEvents* events = buildEvents(list, 3, 2);
    EXPECT_EQ(call(effProcessEvents, 0, 0, events), 0);  // suspended: nothing stored
    EXPECT_EQ(object->storedEventCount(), 0);
    call(effMainsChanged, 0, 1);
    EXPECT_EQ(call(effProcessEvents, 0, 0, events), 1);
    EXPECT_EQ(object->storedEventCount(), 3);
    EXPECT_EQ(call(effProcessEvents, 0, 0, nullptr), 1);
}

TEST_F(Dispatcher, EventCapacityGrowsAndKeepsStoredEntries) {
    call(effMainsChanged, 0, 1);
    vsthost::MidiEventList first, second;
    EXPECT_EQ(call(effProcessEvents, 0, 0, buildEvents(first, 1500, 0)), 1);
    EXPECT_EQ(object->eventListCapacity(), 1532);
    EXPECT_EQ(object->storedEventCount(), 1500);
    // Entries still waiting need room together with new ones.
    EXPECT_EQ(call(effProcessEvents, 0, 0, buildEvents(second, 100, 0)), 1);
    EXPECT_EQ(object->storedEventCount(), 1600);
    EXPECT_GE(object->eventListCapacity(), 1600);
}

TEST(Entry, CloseAnswersOneThroughTheEntry) {
    auto* object = new orvVst(answer2400);
    AEffect* e = object->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
}

}  // namespace
