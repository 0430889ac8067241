// Audio files for orvhost: read into per-channel float buffers, written via
// a temporary file that is renamed only when everything was written.
#pragma once

#include <string>
#include <vector>

namespace vsthost {

struct AudioData {
    double sampleRate = 0;
    std::vector<std::vector<float>> channels;  // one buffer per channel, equal lengths
    std::size_t frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

// How a file without a header of its own is read (raw interleaved 32-bit floats).
struct RawFormat {
    double sampleRate = 44100;
    int channels = 2;
};

// Reads path; on failure answers false with a one-line reason.
bool readAudio(const std::string& path, const RawFormat& raw, AudioData& out, std::string& error);

// Writes path (the format follows the name or the build's convention), first
// into path + ".part", renamed on success; a failure leaves no file.
bool writeAudio(const std::string& path, const AudioData& data, std::string& error);

}  // namespace vsthost
