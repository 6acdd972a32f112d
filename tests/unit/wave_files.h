// Wave files built from chunks, so that a test can break any part of one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace wavefile {

inline std::string le32(std::uint32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = char(v >> (8 * i));
    return b;
}
inline std::string le16(std::uint16_t v) { return le32(v).substr(0, 2); }

// A chunk with its pad byte when the body is odd; `claimed` overrides the size.
inline std::string chunk(const char* id, const std::string& body, std::int64_t claimed = -1) {
    std::string c = std::string(id, 4) + le32(std::uint32_t(claimed >= 0 ? claimed : std::int64_t(body.size()))) + body;
    if (body.size() & 1) c += '\0';
    return c;
}

struct Format {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 22050;
    std::uint16_t bits = 16;
    int alignError = 0;     // added to the block align that would be right
    int byteRateError = 0;  // added to the byte rate that would be right
};

inline std::string fmtBody(const Format& f) {
    const std::uint32_t align = f.channels * (f.bits / 8u);
    return le16(f.tag) + le16(f.channels) + le32(f.rate) + le32(f.rate * align + f.byteRateError) +
           le16(std::uint16_t(align + f.alignError)) + le16(f.bits);
}
inline std::string fmt(const Format& f = {}) { return chunk("fmt ", fmtBody(f)); }

// WAVE_FORMAT_EXTENSIBLE around a plain format tag.
inline std::string extensible(
    Format f, std::uint16_t validBits,
    const std::string& guidTail = std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14)) {
    const std::uint16_t subTag = f.tag;
    f.tag = 0xFFFE;
    return chunk("fmt ", fmtBody(f) + le16(22) + le16(validBits) + le32(0) + le16(subTag) + guidTail);
}

inline std::string riff(const std::string& chunks) {
    return "RIFF" + le32(std::uint32_t(4 + chunks.size())) + "WAVE" + chunks;
}
inline std::string data(std::size_t bytes, char fill = 0) { return chunk("data", std::string(bytes, fill)); }

// A tenth of a second of 16-bit mono at 22050 Hz: the plainest chime.
inline std::string plain() { return riff(fmt() + data(4410)); }

// Writes the bytes to path, then stretches the file to `sparseSize` bytes of
// which only those written take room on the disk.
inline std::string writeFile(const std::string& path, const std::string& bytes, std::uintmax_t sparseSize = 0) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    if (sparseSize) std::filesystem::resize_file(path, sparseSize);
    return path;
}

}  // namespace wavefile
