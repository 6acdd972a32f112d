// Reading a wave file for the chime: a check of everything the file claims,
// and the samples in a layout the audio output takes. Plain POSIX, no Qt, so
// that it can be fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rt {

// A chime lasts seconds and is held in memory whole: a file or a sound
// larger than this is refused.
constexpr std::uint64_t kMaxWaveFileBytes = 16u << 20;
constexpr std::uint32_t kMaxChimeSeconds = 60;

// Where a wave file's samples lie and what they are.
struct WaveLayout {
    bool isFloat = false;  // IEEE float samples, else integer PCM
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;  // frames per second
    std::uint16_t bits = 0;  // per sample
    std::uint64_t dataOffset = 0;
    std::uint32_t dataBytes = 0;  // whole frames only
};

// Copies up to `count` bytes from `offset` of a file into `out`; returns how
// many it copied, fewer only at the end of the file or on an error.
using ReadAt = std::function<std::size_t(std::uint64_t offset, char* out, std::size_t count)>;

// The layout of a RIFF/WAVE file of `fileBytes` bytes, if it is a chime:
// integer PCM of 8, 16, 24 or 32 bits or 32-bit float, 1 to 8 channels,
// 8000 to 192000 frames a second, fields that agree with one another, one
// format chunk before a data chunk that lies inside the file. Reads a few
// hundred bytes at most, whatever the file claims.
std::optional<WaveLayout> findWaveLayout(const ReadAt& read, std::uint64_t fileBytes);

// A chime's samples as the audio output takes them: 24-bit samples are
// widened to 32 bits, which every output knows.
struct Chime {
    enum class Sample { UInt8, Int16, Int32, Float };
    Sample sample = Sample::Int16;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::vector<char> data;  // interleaved frames, little-endian
};

// The samples of a chime file, read at once after its check.
std::optional<Chime> readChime(const ReadAt& read, std::uint64_t fileBytes);

// The same for a file by path. Only a regular file is read, and opening it
// never blocks: a FIFO, a device or a directory of that name is refused.
std::optional<Chime> readChimeFile(const std::string& path);

}  // namespace rt
