// Fuzzing the dispatcher: opcodes, indices, values and opt from the input,
// with pointers that are what the VST 2.4 interface says each opcode takes
// (bounded buffers, records built from the input).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/orv_vst.h"

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    template <class T>
    T take() {
        T v{};
        const std::size_t n = size < sizeof v ? size : sizeof v;
        std::memcpy(&v, data, n);
        data += n;
        size -= n;
        return v;
    }
};

constexpr std::size_t kBuffer = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvVst* effect = new orvVst(nullptr);
    AEffect* e = effect->getAeffect();
    Reader in{data, size};
    while (in.size >= 4) {
        const VstInt32 opcode = in.take<std::uint8_t>() % 90;
        const VstInt32 index = in.take<std::int32_t>();
        VstIntPtr value = in.take<std::int32_t>();
        const float opt = in.take<float>();
        if (opcode == effClose) continue;  // the entry ends the instance: done below
        std::vector<char> buffer(kBuffer, 0);
        const std::size_t text = in.size < kBuffer - 1 ? in.size : kBuffer - 1;
        std::memcpy(buffer.data(), in.data, text);
        void* ptr = buffer.data();
        void* place = nullptr;
        ERect* rect = nullptr;
        VstSpeakerArrangement* arrangements[2] = {};
        std::vector<char> events;
        switch (opcode) {
        case effGetChunk: ptr = &place; break;
        case effSetChunk: value = value < 0 ? 0 : value % static_cast<VstIntPtr>(kBuffer); break;
        case effEditGetRect: ptr = &rect; break;
        case effEditOpen: ptr = nullptr; break;
        case effGetSpeakerArrangement:
            value = reinterpret_cast<VstIntPtr>(&arrangements[0]);
            ptr = &arrangements[1];
            break;
        case effSetSpeakerArrangement: value = 0; ptr = nullptr; break;
        case effProcessEvents: {
            const int count = static_cast<int>(in.take<std::uint8_t>() % 16);
            static VstMidiEvent midi[16];
            events.assign(offsetof(VstEvents, events) + sizeof(VstEvent*) * (count + 1), 0);
            auto* list = reinterpret_cast<VstEvents*>(events.data());
            list->numEvents = count;
            auto** pointers = reinterpret_cast<VstEvent**>(events.data() + offsetof(VstEvents, events));
            for (int i = 0; i < count; ++i) {
                midi[i] = in.take<VstMidiEvent>();
                pointers[i] = reinterpret_cast<VstEvent*>(&midi[i]);
            }
            ptr = list;
            break;
        }
        default: break;
        }
        e->dispatcher(e, opcode, index, value, ptr, opt);
        if (in.size % 7 == 0) {
            std::vector<float> l(64, 0.25f), r(64, 0.25f);
            float* io[2] = {l.data(), r.data()};
            e->processReplacing(e, io, io, 64);
        }
    }
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
