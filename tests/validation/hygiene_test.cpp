// The plug-in leaves the process as it found it: the C locale, the
// floating-point control words and (Windows) the DPI awareness stay the same
// across loading, processing and opening the editor.
#include <xmmintrin.h>

#include <clocale>
#include <cstring>
#include <string>

#include "validation.h"

#if defined(_WIN32)
#include <windows.h>

#include "editor_host_win32.h"
#endif

namespace validation {
namespace {

using Hygiene = Suite;

struct ProcessSettings {
    std::string locale;
    unsigned mxcsr;
    unsigned short x87;
    int dpiAware;
    bool operator==(const ProcessSettings&) const = default;
};

ProcessSettings current() {
    ProcessSettings s{};
    s.locale = std::setlocale(LC_ALL, nullptr);
    s.mxcsr = _mm_getcsr();
    __asm__ volatile("fnstcw %0" : "=m"(s.x87));
#if defined(_WIN32)
    s.dpiAware = IsProcessDPIAware() ? 1 : 0;
#endif
    return s;
}

TEST_F(Hygiene, LoadingProcessingAndTheEditorChangeNothing) {
    const ProcessSettings before = current();
    vsthost::PluginLibrary again(pluginPath());
    ASSERT_TRUE(again.loaded());
    EXPECT_TRUE(current() == before) << "after loading";
    Instance e(again);
    e.call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e.call(effMainsChanged, 0, 1);
    Stereo s(4096, 0.5f);
    e.process(s.ptr, s.ptr, 4096);
    EXPECT_TRUE(current() == before) << "after processing";
#if defined(_WIN32)
    HWND parent = vsthost::createParentWindow(600, 400);
    e.call(effEditOpen, 0, 0, parent);
    vsthost::pumpMessages(100);
    EXPECT_TRUE(current() == before) << "with the editor open";
    e.call(effEditClose);
#endif
    e.close();
    EXPECT_TRUE(current() == before) << "after closing";
}

}  // namespace
}  // namespace validation
