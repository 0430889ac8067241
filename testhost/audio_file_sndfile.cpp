// Audio files through libsndfile: WAV, AIFF, FLAC and whatever else it reads.
#include <sndfile.h>

#include <cstdio>

#include "audio_file.h"

namespace vsthost {
namespace {

std::string lowerExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

int formatFor(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == "aif" || ext == "aiff") return SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
    if (ext == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
}

}  // namespace

bool readAudio(const std::string& path, const RawFormat&, AudioData& out, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = path + ": cannot read it as audio (" + sf_strerror(nullptr) + ")";
        return false;
    }
    out.sampleRate = info.samplerate;
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * info.channels);
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    out.channels.assign(static_cast<std::size_t>(info.channels),
                        std::vector<float>(static_cast<std::size_t>(got)));
    for (sf_count_t f = 0; f < got; ++f)
        for (int c = 0; c < info.channels; ++c)
            out.channels[c][static_cast<std::size_t>(f)] = interleaved[static_cast<std::size_t>(f) * info.channels + c];
    return true;
}

bool writeAudio(const std::string& path, const AudioData& data, std::string& error) {
    const std::string part = path + ".part";
    SF_INFO info{};
    info.samplerate = static_cast<int>(data.sampleRate);
    info.channels = static_cast<int>(data.channels.size());
    info.format = formatFor(path);
    SNDFILE* file = sf_open(part.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    const std::size_t frames = data.frames();
    std::vector<float> interleaved(frames * data.channels.size());
    for (std::size_t f = 0; f < frames; ++f)
        for (std::size_t c = 0; c < data.channels.size(); ++c)
            interleaved[f * data.channels.size() + c] = data.channels[c][f];
    const sf_count_t written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
    const bool closed = sf_close(file) == 0;
    if (written != static_cast<sf_count_t>(frames) || !closed || std::rename(part.c_str(), path.c_str()) != 0) {
        std::remove(part.c_str());
        error = path + ": cannot write the file";
        return false;
    }
    return true;
}

}  // namespace vsthost
