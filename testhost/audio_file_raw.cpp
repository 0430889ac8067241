// Audio files on Windows: raw interleaved 32-bit float streams. The wrapper
// script converts to and from WAV with sox, outside the Windows program.
#include <cstdio>

#include "audio_file.h"

namespace vsthost {

bool readAudio(const std::string& path, const RawFormat& raw, AudioData& out, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": cannot open the file";
        return false;
    }
    std::vector<float> interleaved;
    float buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, sizeof(float), 4096, f)) > 0)
        interleaved.insert(interleaved.end(), buffer, buffer + got);
    std::fclose(f);
    if (raw.channels <= 0 || raw.sampleRate <= 0 || interleaved.size() % raw.channels != 0) {
        error = path + ": not a stream of " + std::to_string(raw.channels) + "-channel 32-bit floats";
        return false;
    }
    out.sampleRate = raw.sampleRate;
    const std::size_t frames = interleaved.size() / raw.channels;
    out.channels.assign(static_cast<std::size_t>(raw.channels), std::vector<float>(frames));
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < raw.channels; ++c) out.channels[c][i] = interleaved[i * raw.channels + c];
    return true;
}

bool writeAudio(const std::string& path, const AudioData& data, std::string& error) {
    const std::string part = path + ".part";
    std::FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) {
        error = path + ": cannot write the file";
        return false;
    }
    bool ok = true;
    for (std::size_t i = 0; i < data.frames() && ok; ++i)
        for (const auto& channel : data.channels) ok = ok && std::fwrite(&channel[i], sizeof(float), 1, f) == 1;
    ok = std::fclose(f) == 0 && ok;
    std::remove(path.c_str());
    if (!ok || std::rename(part.c_str(), path.c_str()) != 0) {
        std::remove(part.c_str());
        error = path + ": cannot write the file";
        return false;
    }
    return true;
}

}  // namespace vsthost
