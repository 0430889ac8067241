// A JACK client that feeds a sine into the effect's JACK program and reads
// back what it gives: the program must register two inputs and two outputs
// and give a signal that is neither silent nor broken.
// Usage: jack_probe CLIENT_NAME_OF_THE_PROGRAM
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFrequency = 440.0;
constexpr float kAmplitude = 0.3f;
constexpr auto kWaitForPorts = std::chrono::seconds(10);
constexpr auto kListen = std::chrono::seconds(1);

struct Probe {
    jack_port_t* send[2] = {};
    jack_port_t* receive[2] = {};
    double phase = 0;
    double step = 0;
    std::atomic<long> frames{0};
    std::atomic<double> energy{0};
    std::atomic<bool> broken{false};
};

int process(jack_nframes_t n, void* arg) {
    auto* p = static_cast<Probe*>(arg);
    float* out[2];
    for (int k = 0; k < 2; ++k) out[k] = static_cast<float*>(jack_port_get_buffer(p->send[k], n));
    for (jack_nframes_t j = 0; j < n; ++j) {
        out[0][j] = out[1][j] = kAmplitude * static_cast<float>(std::sin(p->phase));
        p->phase += p->step;
    }
    double sum = 0;
    for (int k = 0; k < 2; ++k) {
        const auto* in = static_cast<const float*>(jack_port_get_buffer(p->receive[k], n));
        for (jack_nframes_t j = 0; j < n; ++j) {
            if (!std::isfinite(in[j])) p->broken.store(true);
            sum += static_cast<double>(in[j]) * in[j];
        }
    }
    p->energy.store(p->energy.load() + sum);
    p->frames.fetch_add(static_cast<long>(n));
    return 0;
}

// The program's audio ports, inputs or outputs.
std::vector<std::string> portsOf(jack_client_t* client, const std::string& program, unsigned long direction) {
    std::vector<std::string> names;
    if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, direction)) {
        for (const char** p = ports; *p; ++p)
            if (std::string(*p).rfind(program + ":", 0) == 0) names.push_back(*p);
        jack_free(ports);
    }
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CLIENT_NAME_OF_THE_PROGRAM\n", argv[0]);
        return 2;
    }
    const std::string program = argv[1];
    jack_client_t* client = jack_client_open("orvprobe", JackNoStartServer, nullptr);
    if (!client) {
        std::fprintf(stderr, "jack_probe: no JACK server\n");
        return 1;
    }
    Probe probe;
    probe.step = 2 * kPi * kFrequency / jack_get_sample_rate(client);
    const char* names[2] = {"1", "2"};
    for (int k = 0; k < 2; ++k) {
        probe.send[k] = jack_port_register(client, (std::string("out_") + names[k]).c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                           JackPortIsOutput, 0);
        probe.receive[k] = jack_port_register(client, (std::string("in_") + names[k]).c_str(),
                                              JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    }
    jack_set_process_callback(client, process, &probe);
    jack_activate(client);
    std::vector<std::string> inputs, outputs;
    const auto deadline = std::chrono::steady_clock::now() + kWaitForPorts;
    while (std::chrono::steady_clock::now() < deadline) {
        inputs = portsOf(client, program, JackPortIsInput);
        outputs = portsOf(client, program, JackPortIsOutput);
        if (inputs.size() == 2 && outputs.size() == 2) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::printf("jack_probe: %s has %zu inputs and %zu outputs\n", program.c_str(), inputs.size(), outputs.size());
    if (inputs.size() != 2 || outputs.size() != 2) return 1;
    for (int k = 0; k < 2; ++k) {
        jack_connect(client, jack_port_name(probe.send[k]), inputs[static_cast<std::size_t>(k)].c_str());
        jack_connect(client, outputs[static_cast<std::size_t>(k)].c_str(), jack_port_name(probe.receive[k]));
    }
    std::this_thread::sleep_for(kListen);
    const long frames = probe.frames.load();
    const double rms = frames > 0 ? std::sqrt(probe.energy.load() / (2.0 * static_cast<double>(frames))) : 0;
    jack_client_close(client);
    std::printf("jack_probe: %ld frames, output RMS %.4f\n", frames, rms);
    // The sine's RMS is 0.21; the effect at its defaults keeps it (the
    // first frames are the look-ahead's silence).
    return !probe.broken.load() && rms > 0.05 && rms < 1.0 ? 0 : 1;
}
