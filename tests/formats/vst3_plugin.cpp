// The VST3 plug-in through DPF's VST3 interface headers: the module entry,
// the factory, the component with its audio processor and edit controller,
// parameter changes and MIDI controllers (through the controller's MIDI
// mapping, as VST3 hosts send them), state streams and latency.
#include <travesty/audio_processor.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/events.h>
#include <travesty/factory.h>

#include <cstring>
#include <map>
#include <stdexcept>

#include "format_plugins.h"
#include "plugin_library.h"

namespace formats {
namespace {

constexpr int32_t kAudio = 0, kEvent = 1, kInput = 0, kOutput = 1;

// A host-side object as VST3 passes them: the address of a pointer to the
// function table.
template <class Table>
struct Object {
    Table* table;
    Table functions{};
    Object() : table(&functions) {
        functions.query_interface = [](void*, const v3_tuid, void** out) -> v3_result {
            *out = nullptr;
            return V3_NO_INTERFACE;
        };
        functions.ref = [](void*) -> uint32_t { return 1; };
        functions.unref = [](void*) -> uint32_t { return 1; };
    }
    void* self() { return this; }
};

template <class T, class Table>
T& objectOf(void* self) {
    return *static_cast<T*>(static_cast<Object<Table>*>(self));
}

struct ValueQueue : Object<v3_param_value_queue_cpp> {
    v3_param_id id;
    std::vector<std::pair<int32_t, double>> points;
    explicit ValueQueue(v3_param_id param) : id(param) {
        functions.queue.get_param_id = [](void* s) { return objectOf<ValueQueue, v3_param_value_queue_cpp>(s).id; };
        functions.queue.get_point_count = [](void* s) {
            return static_cast<int32_t>(objectOf<ValueQueue, v3_param_value_queue_cpp>(s).points.size());
        };
        functions.queue.get_point = [](void* s, int32_t i, int32_t* offset, double* value) -> v3_result {
            const auto& p = objectOf<ValueQueue, v3_param_value_queue_cpp>(s).points.at(static_cast<std::size_t>(i));
            *offset = p.first;
            *value = p.second;
            return V3_OK;
        };
        functions.queue.add_point = [](void*, int32_t, double, int32_t*) -> v3_result { return V3_NOT_IMPLEMENTED; };
    }
};

struct ParameterChanges : Object<v3_param_changes_cpp> {
    std::vector<std::unique_ptr<ValueQueue>> queues;
    ParameterChanges() {
        functions.changes.get_param_count = [](void* s) {
            return static_cast<int32_t>(objectOf<ParameterChanges, v3_param_changes_cpp>(s).queues.size());
        };
        functions.changes.get_param_data = [](void* s, int32_t i) {
            auto& queue = *objectOf<ParameterChanges, v3_param_changes_cpp>(s).queues.at(static_cast<std::size_t>(i));
            return reinterpret_cast<v3_param_value_queue**>(queue.self());
        };
        functions.changes.add_param_data = [](void*, v3_param_id*, int32_t*) -> v3_param_value_queue** {
            return nullptr;
        };
    }
    void add(v3_param_id id, int32_t offset, double value) {
        for (auto& q : queues)
            if (q->id == id) {
                q->points.emplace_back(offset, value);
                return;
            }
        queues.push_back(std::make_unique<ValueQueue>(id));
        queues.back()->points.emplace_back(offset, value);
    }
};

// The headers give no C++ table for streams.
struct StreamTable : v3_funknown {
    v3_bstream stream;
};

struct Stream : Object<StreamTable> {
    std::string bytes;
    std::size_t at = 0;
    Stream() {
        functions.stream.read = [](void* s, void* buffer, int32_t n, int32_t* done) -> v3_result {
            auto& self = objectOf<Stream, StreamTable>(s);
            const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), self.bytes.size() - self.at);
            std::memcpy(buffer, self.bytes.data() + self.at, count);
            self.at += count;
            if (done) *done = static_cast<int32_t>(count);
            return V3_OK;
        };
        functions.stream.write = [](void* s, void* buffer, int32_t n, int32_t* done) -> v3_result {
            objectOf<Stream, StreamTable>(s).bytes.append(static_cast<const char*>(buffer), static_cast<std::size_t>(n));
            if (done) *done = n;
            return V3_OK;
        };
        functions.stream.seek = [](void* s, int64_t pos, int32_t mode, int64_t* result) -> v3_result {
            auto& self = objectOf<Stream, StreamTable>(s);
            const int64_t base = mode == V3_SEEK_SET ? 0 : mode == V3_SEEK_CUR ? static_cast<int64_t>(self.at)
                                                                               : static_cast<int64_t>(self.bytes.size());
            self.at = static_cast<std::size_t>(std::max<int64_t>(0, base + pos));
            if (result) *result = static_cast<int64_t>(self.at);
            return V3_OK;
        };
        functions.stream.tell = [](void* s, int64_t* pos) -> v3_result {
            *pos = static_cast<int64_t>(objectOf<Stream, StreamTable>(s).at);
            return V3_OK;
        };
    }
    v3_bstream** handle() { return reinterpret_cast<v3_bstream**>(self()); }
};

std::string narrow(const int16_t* text) {
    std::string s;
    for (; *text; ++text) s += static_cast<char>(*text);
    return s;
}

template <class T>
T** queried(void* object, const v3_tuid iid) {
    void* out = nullptr;
    static_cast<v3_funknown**>(object)[0]->query_interface(object, iid, &out);
    return static_cast<T**>(out);
}

class Vst3Plugin final : public FormatPlugin {
public:
    explicit Vst3Plugin(const std::string& path);
    ~Vst3Plugin() override;

    std::vector<ParameterInfo> parameters() override { return infos_; }
    double value(int index) override;
    std::string valueText(int index, double value) override;
    void setValue(int index, double v) override;
    void start(double rate, int maxBlock) override;
    void stop() override;
    void process(const float* const in[2], float* const out[2], int frames,
                 const std::vector<ControllerMessage>& messages) override;
    std::string saveState() override;
    bool loadState(const std::string& state) override;
    std::string stateOfChunk(const std::vector<std::uint8_t>& chunk, const std::vector<double>&) override {
        return dpfStateOfChunk(chunk);
    }
    std::int64_t latency() override { return v3_cpp_obj(processor_)->get_latency_samples(processor_); }

private:
    vsthost::SharedLibrary library_;
    v3_component** component_ = nullptr;
    v3_audio_processor** processor_ = nullptr;
    v3_edit_controller** controller_ = nullptr;
    v3_midi_mapping** midi_ = nullptr;
    std::vector<ParameterInfo> infos_;
    std::vector<v3_param_id> ids_;
    ParameterChanges pending_;
    bool active_ = false;
};

Vst3Plugin::Vst3Plugin(const std::string& path) : library_(path) {
    // Linux hosts call ModuleEntry, Windows hosts InitDll, before the factory.
#if defined(_WIN32)
    if (auto* init = reinterpret_cast<bool (*)()>(library_.symbol("InitDll"))) init();
#else
    if (auto* entry = reinterpret_cast<bool (*)(void*)>(library_.symbol("ModuleEntry"))) entry(nullptr);
#endif
    auto* getFactory = reinterpret_cast<void* (*)()>(library_.symbol("GetPluginFactory"));
    if (!getFactory) throw std::runtime_error("no VST3 factory in " + path);
    auto** factory = static_cast<v3_plugin_factory**>(getFactory());
    v3_class_info info{};
    v3_cpp_obj(factory)->get_class_info(factory, 0, &info);
    v3_cpp_obj(factory)->create_instance(factory, info.class_id, v3_component_iid, reinterpret_cast<void**>(&component_));
    v3_cpp_obj_unref(factory);  // every factory the module hands out is the caller's to release
    if (!component_) throw std::runtime_error("the VST3 plug-in gave no component");
    v3_cpp_obj_initialize(component_, nullptr);
    processor_ = queried<v3_audio_processor>(component_, v3_audio_processor_iid);
    controller_ = queried<v3_edit_controller>(component_, v3_edit_controller_iid);
    midi_ = queried<v3_midi_mapping>(controller_, v3_midi_mapping_iid);
    auto* ctrl = v3_cpp_obj(controller_);
    for (int32_t i = 0; i < ctrl->get_parameter_count(controller_); ++i) {
        v3_param_info p{};
        ctrl->get_parameter_info(controller_, i, &p);
        if (p.flags & (V3_PARAM_IS_HIDDEN | V3_PARAM_READ_ONLY)) continue;
        infos_.push_back({narrow(p.title), narrow(p.units), 0.0, 1.0, p.default_normalised_value});
        ids_.push_back(p.param_id);
    }
}

Vst3Plugin::~Vst3Plugin() {
    stop();
    for (void* object : {static_cast<void*>(midi_), static_cast<void*>(controller_), static_cast<void*>(processor_)})
        if (object) static_cast<v3_funknown**>(object)[0]->unref(object);
    v3_cpp_obj_terminate(component_);
    v3_cpp_obj_unref(component_);
#if defined(_WIN32)
    if (auto* exit = reinterpret_cast<bool (*)()>(library_.symbol("ExitDll"))) exit();
#else
    if (auto* exit = reinterpret_cast<bool (*)()>(library_.symbol("ModuleExit"))) exit();
#endif
}

double Vst3Plugin::value(int index) {
    return v3_cpp_obj(controller_)->get_parameter_normalised(controller_, ids_.at(static_cast<std::size_t>(index)));
}

std::string Vst3Plugin::valueText(int index, double v) {
    v3_str_128 text{};
    v3_cpp_obj(controller_)->get_parameter_string_for_value(controller_, ids_.at(static_cast<std::size_t>(index)), v,
                                                            text);
    return narrow(text);
}

// Hosts send a change to the controller for its view and to the processor
// with the next block.
void Vst3Plugin::setValue(int index, double v) {
    const v3_param_id id = ids_.at(static_cast<std::size_t>(index));
    v3_cpp_obj(controller_)->set_parameter_normalised(controller_, id, v);
    pending_.add(id, 0, v);
}

void Vst3Plugin::start(double rate, int maxBlock) {
    stop();
    v3_process_setup setup{V3_REALTIME, V3_SAMPLE_32, maxBlock, rate};
    v3_cpp_obj(processor_)->setup_processing(processor_, &setup);
    auto* component = v3_cpp_obj(component_);
    component->activate_bus(component_, kAudio, kInput, 0, true);
    component->activate_bus(component_, kAudio, kOutput, 0, true);
    component->activate_bus(component_, kEvent, kInput, 0, true);
    component->set_active(component_, true);
    v3_cpp_obj(processor_)->set_processing(processor_, true);
    active_ = true;
}

void Vst3Plugin::stop() {
    if (!active_) return;
    v3_cpp_obj(processor_)->set_processing(processor_, false);
    v3_cpp_obj(component_)->set_active(component_, false);
    active_ = false;
}

void Vst3Plugin::process(const float* const in[2], float* const out[2], int frames,
                         const std::vector<ControllerMessage>& messages) {
    for (const ControllerMessage& m : messages) {
        v3_param_id id = 0;
        v3_cpp_obj(midi_)->get_midi_controller_assignment(midi_, 0, static_cast<int16_t>(m.status & 0x0F), m.number, &id);
        pending_.add(id, static_cast<int32_t>(m.frame), m.value / 127.0);
    }
    float* inputs[2] = {const_cast<float*>(in[0]), const_cast<float*>(in[1])};
    float* outputs[2] = {out[0], out[1]};
    v3_audio_bus_buffers input{2, 0, {inputs}};
    v3_audio_bus_buffers output{2, 0, {outputs}};
    v3_param_changes** changes = reinterpret_cast<v3_param_changes**>(pending_.self());
    v3_process_data data{};
    data.process_mode = V3_REALTIME;
    data.symbolic_sample_size = V3_SAMPLE_32;
    data.nframes = frames;
    data.num_input_buses = 1;
    data.num_output_buses = 1;
    data.inputs = &input;
    data.outputs = &output;
    data.input_params = changes;
    v3_cpp_obj(processor_)->process(processor_, &data);
    pending_.queues.clear();
}

std::string Vst3Plugin::saveState() {
    Stream stream;
    if (v3_cpp_obj(component_)->get_state(component_, stream.handle()) != V3_OK) return {};
    return stream.bytes;
}

// The component takes the state, and the controller the same bytes, as
// hosts hand them to both.
bool Vst3Plugin::loadState(const std::string& state) {
    Stream stream;
    stream.bytes = state;
    if (v3_cpp_obj(component_)->set_state(component_, stream.handle()) != V3_OK) return false;
    Stream again;
    again.bytes = state;
    v3_cpp_obj(controller_)->set_component_state(controller_, again.handle());
    return true;
}

}  // namespace

std::unique_ptr<FormatPlugin> openVst3(const std::string& bundleLibrary) {
    return std::make_unique<Vst3Plugin>(bundleLibrary);
}

}  // namespace formats
