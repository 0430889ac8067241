#include <algorithm>
#include <cstring>

#include "format_plugin.h"

namespace formats {
namespace {

constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Every chunk begins with four zero bytes and "orvq41x".
constexpr const char* kChunkStart = "AAAAAG9ydnE0MXg";

int digit(char c) {
    const char* at = std::strchr(kAlphabet, c);
    return c && at ? static_cast<int>(at - kAlphabet) : -1;
}

}  // namespace

std::vector<std::uint8_t> chunkOfState(const std::string& state) {
    const std::size_t start = state.find(kChunkStart);
    std::vector<std::uint8_t> bytes;
    if (start == std::string::npos) return bytes;
    unsigned bits = 0;
    int count = 0;
    for (std::size_t i = start; i < state.size() && digit(state[i]) >= 0; ++i) {
        bits = (bits << 6) | static_cast<unsigned>(digit(state[i]));
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> count));
        }
    }
    return bytes;
}

std::string base64(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned n = static_cast<unsigned>(bytes[i]) << 16 |
                           (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) | (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        for (int k = 0; k < 4; ++k)
            text += i * 8 + static_cast<std::size_t>(k) * 6 < bytes.size() * 8 ? kAlphabet[(n >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

std::string dpfStateOfChunk(const std::vector<std::uint8_t>& chunk) {
    std::string state = "__dpf_state_begin__";
    state += '\0';
    state += "chunk";
    state += '\0';
    state += base64(chunk);
    state += '\0';
    state += "__dpf_state_end__";
    state += '\0';
    state += '\xfe';
    return state;
}

}  // namespace formats
