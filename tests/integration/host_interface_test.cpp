// The real plug-in library, loaded by our host: the record, the dispatcher's
// answers, the entry's refusal, instances side by side, and the log file.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "midi_events.h"
#include "plugin_fixture.h"

namespace integration {
namespace {

namespace fs = std::filesystem;

constexpr VstInt32 kExpectedFlags = 0x31;  // editor, replacing, chunks
#if defined(_WIN32)
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

using HostInterface = PluginTest;

TEST_F(HostInterface, RecordOfANewInstance) {
    PluginInstance e(*library);
    ASSERT_NE(e.get(), nullptr);
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 0);
    EXPECT_EQ(e->numParams, 26);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, kExpectedFlags);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->uniqueID, fourCharCode('o', 'r', 'v', '1'));
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
}

TEST_F(HostInterface, OpcodeAnswers) {
    PluginInstance e(*library);
    EXPECT_EQ(e.call(effOpen), 0);
    EXPECT_EQ(e.call(effGetVendorVersion), 101);
    EXPECT_EQ(e.call(effGetVstVersion), 2400);
    EXPECT_EQ(e.call(effGetPlugCategory), 0);
    EXPECT_EQ(e.call(effGetTailSize), 0);
    EXPECT_EQ(e.call(effIdentify), 0x4E764566);
    EXPECT_EQ(e.call(effCanBeAutomated, 3), 1);
    EXPECT_EQ(e.call(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(e.text(effGetEffectName), "orvq41x(Velmar)");
    EXPECT_EQ(e.text(effGetVendorString), "ORV Works");
    EXPECT_EQ(e.text(effGetProductString), "Velmar processor");
    EXPECT_EQ(e.text(effGetParamName, 10), "M-BP_Fre");
    EXPECT_EQ(e.text(effGetParamName, 25), "");
    char midi[] = "receiveVstMidiEvent";
    char lower[] = "receivevstmidievent";
    char empty[] = "";
    char bypass[] = "bypass";
    EXPECT_EQ(e.call(effCanDo, 0, 0, midi), 1);
    EXPECT_EQ(e.call(effCanDo, 0, 0, lower), -1);
    EXPECT_EQ(e.call(effCanDo, 0, 0, empty), -1);
    EXPECT_EQ(e.call(effCanDo, 0, 0, bypass), -1);
    EXPECT_EQ(e.call(effSetProgram, 0, 3), 0);
    EXPECT_EQ(e.call(effGetProgram), 0);
    EXPECT_EQ(e.call(effSetBlockSize, 0, 4096), 0);
    EXPECT_EQ(e.call(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(e.call(effMainsChanged, 0, 0), 0);
}

TEST_F(HostInterface, EventsWhileSuspendedAndRunning) {
    PluginInstance e(*library);
    vsthost::MidiEventList notes;
    for (int i = 0; i < 1500; ++i) notes.add(0, 0x90, 0, 0);
    VstEvents* events = notes.events();
    EXPECT_EQ(e.call(effProcessEvents, 0, 0, events), 0);
    e.call(effMainsChanged, 0, 1);
    EXPECT_EQ(e.call(effProcessEvents, 0, 0, events), 1);
}

TEST_F(HostInterface, EditorOpcodes) {
    PluginInstance e(*library);
    ERect* rect = nullptr;
    const VstIntPtr answer = e.call(effEditGetRect, 0, 0, &rect);
    EXPECT_EQ(answer, 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 356);
    EXPECT_EQ(rect->right, 544);
    EXPECT_EQ(e.call(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e.call(effSetEditKnobMode, 0, 1), 1);
}

TEST_F(HostInterface, HostAnsweringZeroGetsNoInstance) {
    vsthost::hostVersionAnswer = 0;
    AEffect* effect = library->instantiate(vsthost::hostCallback);
    vsthost::hostVersionAnswer = kVstVersion;
    EXPECT_EQ(effect, nullptr);
}

TEST_F(HostInterface, TwoInstancesShareNamesAndCloseIndependently) {
    PluginInstance first(*library);
    PluginInstance second(*library);
    EXPECT_EQ(first.close(), 1);
    EXPECT_EQ(second.text(effGetEffectName), "orvq41x(Velmar)");
    EXPECT_EQ(second.text(effGetParamName, 6), "M-Gain");
    EXPECT_EQ(second.text(effGetParamLabel, 8), "[Hz]");
}

// The log lands beside the library, so these tests load a private copy of it
// from a directory of their own.
class DiagnosticLog : public ::testing::Test {
protected:
    fs::path directory;
    fs::path copy;

    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        directory = fs::temp_directory_path() / ("orvq41x-log-" + name);
        fs::remove_all(directory);
        fs::create_directories(directory);
        const fs::path original(pluginPath());
        copy = directory / original.filename();
        fs::copy_file(original, copy);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }
    static std::string contents(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void createAndClose(int instances) {
        vsthost::PluginLibrary library(copy.string());
        ASSERT_TRUE(library.loaded()) << library.error();
        for (int i = 0; i < instances; ++i) {
            PluginInstance e(library);
            ASSERT_NE(e.get(), nullptr);
            EXPECT_EQ(e.close(), 1);
        }
    }
};

TEST_F(DiagnosticLog, CloseLeavesOneLineBesideTheLibrary) {
    createAndClose(1);
    EXPECT_EQ(contents(directory / "log.csv"), std::string("0") + kLineEnd);
}

TEST_F(DiagnosticLog, EachDestructionEmptiesTheFileFirst) {
    createAndClose(3);
    EXPECT_EQ(contents(directory / "log.csv"), std::string("0") + kLineEnd);
}

TEST_F(DiagnosticLog, UnwritableLogPlaceWritesNothingAndDoesNotCrash) {
    // A directory in the log file's place makes the open fail even for root.
    fs::create_directory(directory / "log.csv");
    createAndClose(1);
    EXPECT_TRUE(fs::is_directory(directory / "log.csv"));
    EXPECT_TRUE(fs::is_empty(directory / "log.csv"));
}

}  // namespace
}  // namespace integration
