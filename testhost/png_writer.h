// Writes 24-bit RGB pictures as PNG files (stored, uncompressed deflate
// blocks: no compression library is needed).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vsthost {

// pixels: width * height colours as 0x00BBGGRR, row by row from the top.
bool writePng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width,
              int height);

}  // namespace vsthost
