// Mutates wave headers at random and runs the check on each, built with
// AddressSanitizer and UndefinedBehaviorSanitizer: a read out of bounds or
// an overflow ends the run. Beyond that it checks what the check promises:
// it reads a few hundred bytes, and what it accepts lies inside the file and
// agrees with itself.
// Usage: wave_fuzz [RUNS [SEED]]
#include "wave.h"
#include "wave_files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace wavefile;

std::vector<std::string> seeds() {
    return {
        plain(),
        riff(chunk("JUNK", "abc") + fmt({1, 2, 44100, 24}) + chunk("LIST", "INFOx") + data(600)),
        riff(extensible({1, 6, 48000, 32}, 24) + data(480)),
        riff(extensible({3, 2, 96000, 32}, 32) + data(64)),
        riff(fmt({3, 8, 192000, 32}) + chunk("fact", le32(2)) + data(64)),
        riff(fmt({1, 1, 8000, 8}) + data(33)),
    };
}

// The values that sizes and counts are most often wrong by.
std::uint32_t edgeValue(std::mt19937& rng) {
    static const std::uint32_t values[] = {
        0,          1,      2,       3,          7,          8,          16,
        18,         40,     0x7F,    0x80,       0xFF,       0x100,      0x7FFF,
        0x8000,     0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFFE,
        0xFFFFFFFF, 7999,   8000,    192000,     192001,     0xFFFE,     rt::kMaxWaveFileBytes};
    return values[rng() % std::size(values)];
}

void mutate(std::string& f, std::mt19937& rng) {
    const int edits = 1 + int(rng() % 6);
    for (int e = 0; e < edits && !f.empty(); ++e) {
        const std::size_t at = rng() % f.size();
        switch (rng() % 6) {
        case 0: f[at] = char(f[at] ^ (1 << (rng() % 8))); break;
        case 1: f[at] = char(rng()); break;
        case 2: {  // a size, count or rate set to an edge value
            const std::string v = le32(edgeValue(rng));
            const std::size_t width = std::min<std::size_t>(rng() % 2 ? 2 : 4, f.size() - at);
            f.replace(at, width, v.data(), width);
            break;
        }
        case 3: f.resize(at); break;
        case 4: f.insert(at, f.substr(at, rng() % 48)); break;  // a chunk twice, or half of one
        case 5: f.erase(at, rng() % 16); break;
        }
    }
}

int failures = 0;
void expect(bool ok, const char* what, std::uint32_t seed, int run) {
    if (ok) return;
    std::fprintf(stderr, "wave_fuzz: %s (seed %u, run %d)\n", what, seed, run);
    ++failures;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50000;
    const std::uint32_t seed = argc > 2 ? std::uint32_t(std::strtoul(argv[2], nullptr, 0)) : 1;
    std::mt19937 rng(seed);
    const std::vector<std::string> base = seeds();
    int accepted = 0;

    for (int run = 0; run < runs; ++run) {
        std::string file = base[rng() % base.size()];
        mutate(file, rng);
        // Now and then the file claims to be larger than what is there, as a
        // sparse file or one that shrank after its size was taken.
        std::uint64_t size = file.size();
        if (rng() % 8 == 0) size += rng() % 4 ? rng() % 4096 : edgeValue(rng);

        std::size_t read = 0;
        const rt::ReadAt reader = [&](std::uint64_t at, char* out, std::size_t n) {
            // Within the claimed size, bytes past the real ones read as zeros.
            n = at < size ? std::size_t(std::min<std::uint64_t>(n, size - at)) : 0;
            const std::size_t real = at < file.size() ? std::min(n, file.size() - std::size_t(at)) : 0;
            std::memcpy(out, file.data() + at, real);
            std::memset(out + real, 0, n - real);
            read += n;
            return n;
        };

        const std::optional<rt::WaveLayout> layout = rt::findWaveLayout(reader, size);
        expect(read <= 12 + 32 * 8 + 40, "read more than the chunk headers", seed, run);
        if (!layout) continue;
        ++accepted;
        const std::uint32_t frame = layout->channels * (layout->bits / 8u);
        expect(layout->dataOffset + layout->dataBytes <= size, "data past the end", seed, run);
        expect(layout->dataBytes > 0 && layout->dataBytes % frame == 0, "data not whole frames", seed, run);
        expect(layout->dataBytes <= std::uint64_t(rt::kMaxChimeSeconds) * layout->rate * frame, "too long", seed, run);
        expect(layout->rate >= 8000 && layout->rate <= 192000 && layout->channels >= 1 && layout->channels <= 8,
               "rate or channels out of range", seed, run);

        const std::optional<rt::Chime> chime = rt::readChime(reader, size);
        const std::uint64_t widened = layout->bits == 24 ? layout->dataBytes / 3 * 4 : layout->dataBytes;
        expect(chime && chime->data.size() == widened, "accepted layout, refused samples", seed, run);
    }
    std::printf("wave_fuzz: %d runs, %d accepted, %d failures\n", runs, accepted, failures);
    return failures ? 1 : 0;
}
