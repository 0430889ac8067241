// Exact work on float audio files for the real-host tests (sox goes through
// 32-bit integers and rounds small floats):
//   audio_tool merge LEFT.wav RIGHT.wav OUT.wav [SILENCE]
//     two mono files as one stereo file, after SILENCE frames of silence
//   audio_tool compare A.wav B.wav LAG
//     the largest difference between A[i] and B[i + LAG] over the frames
//     both have, and how many samples differ
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Audio {
    int channels = 0;
    int rate = 0;
    std::vector<float> samples;  // interleaved
    std::size_t frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

bool read(const char* path, Audio& audio) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (!file) {
        std::fprintf(stderr, "audio_tool: cannot read %s\n", path);
        return false;
    }
    audio.channels = info.channels;
    audio.rate = info.samplerate;
    audio.samples.resize(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
    sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return true;
}

int merge(const char* left, const char* right, const char* out, long silence) {
    Audio l, r;
    if (!read(left, l) || !read(right, r)) return 2;
    if (l.channels != 1 || r.channels != 1 || l.frames() != r.frames()) {
        std::fprintf(stderr, "audio_tool: %s and %s are not two mono files of one length\n", left, right);
        return 2;
    }
    std::vector<float> stereo(2 * (static_cast<std::size_t>(silence) + l.frames()), 0.0f);
    for (std::size_t i = 0; i < l.frames(); ++i) {
        stereo[2 * (static_cast<std::size_t>(silence) + i)] = l.samples[i];
        stereo[2 * (static_cast<std::size_t>(silence) + i) + 1] = r.samples[i];
    }
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = l.rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(out, SFM_WRITE, &info);
    if (!file) return 2;
    sf_writef_float(file, stereo.data(), static_cast<sf_count_t>(stereo.size() / 2));
    sf_close(file);
    return 0;
}

int compare(const char* a, const char* b, long lag) {
    Audio x, y;
    if (!read(a, x) || !read(b, y)) return 2;
    if (x.channels != y.channels || lag < 0) return 2;
    const std::size_t channels = static_cast<std::size_t>(x.channels);
    const std::size_t offset = static_cast<std::size_t>(lag);
    const std::size_t frames = std::min(x.frames(), y.frames() > offset ? y.frames() - offset : 0);
    double largest = 0;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < frames * channels; ++i) {
        const double d = std::fabs(static_cast<double>(x.samples[i]) - y.samples[i + offset * channels]);
        differing += d != 0;
        largest = std::max(largest, d);
    }
    std::printf("%.9g %zu %zu\n", largest, differing, frames * channels);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "merge" && (argc == 5 || argc == 6)) return merge(argv[2], argv[3], argv[4], argc == 6 ? std::atol(argv[5]) : 0);
    if (command == "compare" && argc == 5) return compare(argv[2], argv[3], std::atol(argv[4]));
    std::fprintf(stderr, "usage: audio_tool merge LEFT RIGHT OUT [SILENCE] | compare A B LAG\n");
    return 2;
}
