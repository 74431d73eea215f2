// PNG files of pictures made in memory: 8-bit RGB, compressed with deflate's fixed codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvan::sim {

// The PNG file's bytes for a picture of 0xRRGGBB pixels, top row first (width * height of them).
std::string EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels);

// The zlib stream (deflate with fixed Huffman codes and back references) of the bytes.
std::string Deflate(const std::string& bytes);

}  // namespace orvan::sim
