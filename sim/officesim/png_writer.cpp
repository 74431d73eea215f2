#include "sim/officesim/png_writer.h"

#include <array>
#include <stdexcept>

namespace orvan::sim {
namespace {

// Deflate's length and distance codes: base value and extra bits of each.
constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::size_t kWindow = 32768;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr int kChainSteps = 48;  // how far back along a hash chain a match is looked for

class BitWriter {
 public:
  // Extra bits and block headers go least significant bit first.
  void Bits(std::uint32_t value, int count) {
    buffer_ |= value << filled_;
    filled_ += count;
    while (filled_ >= 8) {
      out_.push_back(static_cast<char>(buffer_ & 0xFF));
      buffer_ >>= 8;
      filled_ -= 8;
    }
  }
  // Huffman codes go most significant bit first.
  void Code(std::uint32_t code, int length) {
    std::uint32_t reversed = 0;
    for (int i = 0; i < length; ++i)
      reversed = (reversed << 1) | ((code >> i) & 1);
    Bits(reversed, length);
  }
  std::string Finish() {
    if (filled_ > 0) out_.push_back(static_cast<char>(buffer_ & 0xFF));
    buffer_ = 0;
    filled_ = 0;
    return std::move(out_);
  }
  std::string& bytes() { return out_; }

 private:
  std::string out_;
  std::uint32_t buffer_ = 0;
  int filled_ = 0;
};

// The fixed code of a literal byte or of a length symbol (256-287).
void Symbol(BitWriter& out, unsigned symbol) {
  if (symbol < 144) {
    out.Code(0x30 + symbol, 8);
  } else if (symbol < 256) {
    out.Code(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    out.Code(symbol - 256, 7);
  } else {
    out.Code(0xC0 + symbol - 280, 8);
  }
}

void Match(BitWriter& out, std::size_t length, std::size_t distance) {
  unsigned code = 28;
  while (kLengthBase[code] > length)
    --code;
  Symbol(out, 257 + code);
  out.Bits(static_cast<std::uint32_t>(length - kLengthBase[code]), kLengthExtra[code]);
  unsigned dcode = 29;
  while (kDistanceBase[dcode] > distance)
    --dcode;
  out.Code(dcode, 5);
  out.Bits(static_cast<std::uint32_t>(distance - kDistanceBase[dcode]), kDistanceExtra[dcode]);
}

std::uint32_t Adler32(const std::string& bytes) {
  std::uint32_t a = 1, b = 0;
  for (const char c : bytes) {
    a = (a + static_cast<unsigned char>(c)) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void BigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  BigEndian(png, static_cast<std::uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : body)
    crc = CrcTable()[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
  png += body;
  BigEndian(png, crc ^ 0xFFFFFFFFu);
}

}  // namespace

std::string Deflate(const std::string& bytes) {
  BitWriter out;
  out.bytes() = "\x78\x01";  // deflate, 32 KB window, no dictionary, fastest
  out.Bits(1, 1);            // the last block
  out.Bits(1, 2);            // fixed Huffman codes
  constexpr std::size_t kHashSize = 1 << 15;
  std::vector<std::int64_t> head(kHashSize, -1);
  std::vector<std::int64_t> previous(bytes.size(), -1);
  auto hash = [&](std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & (kHashSize - 1);
  };
  auto remember = [&](std::size_t at) {
    if (at + kMinMatch > bytes.size()) return;
    const std::size_t h = hash(at);
    previous[at] = head[h];
    head[h] = static_cast<std::int64_t>(at);
  };
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t best_length = 0, best_distance = 0;
    if (at + kMinMatch <= bytes.size()) {
      const std::size_t limit = std::min(kMaxMatch, bytes.size() - at);
      std::int64_t candidate = head[hash(at)];
      for (int step = 0; candidate >= 0 && step < kChainSteps; ++step) {
        const auto from = static_cast<std::size_t>(candidate);
        if (at - from > kWindow) break;
        std::size_t length = 0;
        while (length < limit && bytes[from + length] == bytes[at + length])
          ++length;
        if (length > best_length) {
          best_length = length;
          best_distance = at - from;
          if (length == limit) break;
        }
        candidate = previous[from];
      }
    }
    if (best_length >= kMinMatch) {
      Match(out, best_length, best_distance);
      for (std::size_t i = 0; i < best_length; ++i)
        remember(at + i);
      at += best_length;
    } else {
      Symbol(out, static_cast<unsigned char>(bytes[at]));
      remember(at);
      ++at;
    }
  }
  Symbol(out, 256);  // end of block
  std::string stream = out.Finish();
  BigEndian(stream, Adler32(bytes));
  return stream;
}

std::string EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels) {
  if (width <= 0 || height <= 0 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    throw std::invalid_argument("a PNG picture needs width * height pixels");
  }
  std::string rows;
  rows.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
  for (int y = 0; y < height; ++y) {
    rows.push_back('\0');  // no filter: back references find the repeats
    for (int x = 0; x < width; ++x) {
      const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x];
      rows.push_back(static_cast<char>((pixel >> 16) & 0xFF));
      rows.push_back(static_cast<char>((pixel >> 8) & 0xFF));
      rows.push_back(static_cast<char>(pixel & 0xFF));
    }
  }
  std::string header;
  BigEndian(header, static_cast<std::uint32_t>(width));
  BigEndian(header, static_cast<std::uint32_t>(height));
  header +=
      std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  std::string png("\x89PNG\r\n\x1a\n", 8);
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", Deflate(rows));
  Chunk(png, "IEND", "");
  return png;
}

}  // namespace orvan::sim
