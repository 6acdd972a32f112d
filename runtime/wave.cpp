#include "wave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace rt {

namespace {

// Chunks looked at before the format and the data must have been found:
// enough for the metadata that editors write, and a bound on the reading
// that a file full of empty chunks cannot lift.
constexpr int kMaxChunks = 32;

std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

bool readExactly(const ReadAt& read, std::uint64_t offset, void* out, std::size_t count) {
    return read(offset, static_cast<char*>(out), count) == count;
}

// The tail every WAVE_FORMAT_EXTENSIBLE sub-format GUID shares; its first
// two bytes are the plain format tag.
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::optional<WaveLayout> parseFormat(const ReadAt& read, std::uint64_t offset, std::uint32_t size) {
    if (size < 16) return std::nullopt;
    unsigned char f[40] = {};
    const std::size_t wanted = size < sizeof f ? size : sizeof f;
    if (!readExactly(read, offset, f, wanted)) return std::nullopt;

    std::uint16_t tag = le16(f);
    const std::uint16_t channels = le16(f + 2);
    const std::uint32_t rate = le32(f + 4);
    const std::uint32_t byteRate = le32(f + 8);
    const std::uint16_t blockAlign = le16(f + 12);
    const std::uint16_t bits = le16(f + 14);
    if (tag == 0xFFFE) {
        const std::uint16_t extra = le16(f + 16), validBits = le16(f + 18);
        if (size < 40 || extra < 22 || validBits == 0 || validBits > bits) return std::nullopt;
        if (std::memcmp(f + 26, kGuidTail, sizeof kGuidTail) != 0) return std::nullopt;
        tag = le16(f + 24);
    }

    const bool pcm = tag == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    const bool floats = tag == 3 && bits == 32;
    if (!pcm && !floats) return std::nullopt;
    if (channels < 1 || channels > 8 || rate < 8000 || rate > 192000) return std::nullopt;
    if (blockAlign != channels * (bits / 8) || byteRate != std::uint64_t(rate) * blockAlign) return std::nullopt;

    WaveLayout layout;
    layout.isFloat = floats;
    layout.channels = channels;
    layout.rate = rate;
    layout.bits = bits;
    return layout;
}

}  // namespace

std::optional<WaveLayout> findWaveLayout(const ReadAt& read, std::uint64_t fileBytes) {
    if (fileBytes < 12 || fileBytes > kMaxWaveFileBytes) return std::nullopt;
    unsigned char head[12];
    if (!readExactly(read, 0, head, sizeof head)) return std::nullopt;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return std::nullopt;

    std::optional<WaveLayout> format;
    std::uint64_t pos = 12;
    for (int i = 0; i < kMaxChunks && pos + 8 <= fileBytes; ++i) {
        unsigned char chunk[8];
        if (!readExactly(read, pos, chunk, sizeof chunk)) return std::nullopt;
        const std::uint32_t size = le32(chunk + 4);
        const std::uint64_t body = pos + 8;
        // A chunk that claims more than the file holds is a broken file, or a
        // player told to read what is not there.
        if (size > fileBytes - body) return std::nullopt;

        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (format) return std::nullopt;  // two formats: which one would be played?
            format = parseFormat(read, body, size);
            if (!format) return std::nullopt;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!format) return std::nullopt;
            const std::uint32_t frame = format->channels * (format->bits / 8);
            const std::uint32_t whole = size - size % frame;
            const std::uint64_t perSecond = std::uint64_t(format->rate) * frame;
            if (whole == 0 || whole > kMaxChimeSeconds * perSecond) return std::nullopt;
            format->dataOffset = body;
            format->dataBytes = whole;
            return format;
        }
        pos = body + size + (size & 1);
    }
    return std::nullopt;
}

std::optional<Chime> readChime(const ReadAt& read, std::uint64_t fileBytes) {
    const std::optional<WaveLayout> layout = findWaveLayout(read, fileBytes);
    if (!layout) return std::nullopt;

    Chime chime;
    switch (layout->bits) {
    case 8: chime.sample = Chime::Sample::UInt8; break;
    case 16: chime.sample = Chime::Sample::Int16; break;
    default: chime.sample = layout->isFloat ? Chime::Sample::Float : Chime::Sample::Int32; break;
    }
    chime.channels = layout->channels;
    chime.rate = layout->rate;
    chime.data.resize(layout->dataBytes);
    // The file may have shrunk since its size was taken.
    if (!readExactly(read, layout->dataOffset, chime.data.data(), chime.data.size())) return std::nullopt;
    if (layout->bits == 24) {
        // Each sample becomes the high three bytes of a 32-bit one.
        std::vector<char> wide(chime.data.size() / 3 * 4);
        for (std::size_t in = 0, out = 0; in < chime.data.size(); in += 3, out += 4) {
            wide[out] = 0;
            std::memcpy(&wide[out + 1], &chime.data[in], 3);
        }
        chime.data = std::move(wide);
    }
    return chime;
}

std::optional<Chime> readChimeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<Chime> chime;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const ReadAt read = [fd](std::uint64_t offset, char* out, std::size_t count) {
            std::size_t done = 0;
            while (done < count) {
                const ssize_t n = ::pread(fd, out + done, count - done, off_t(offset + done));
                if (n > 0)
                    done += std::size_t(n);
                else if (n == 0 || errno != EINTR)
                    break;
            }
            return done;
        };
        chime = readChime(read, std::uint64_t(st.st_size));
    }
    ::close(fd);
    return chime;
}

}  // namespace rt
