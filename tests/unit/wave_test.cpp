// The check every sound file passes before it is played: what a chime file
// can be, what it is refused for, and what the check itself reads.
#include "wave.h"
#include "wave_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

namespace {

using namespace wavefile;
using Sample = rt::Chime::Sample;

class WaveCheck : public testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes, std::uintmax_t sparseSize = 0) {
        return writeFile(dir.filePath(QString::fromStdString(name)).toStdString(), bytes, sparseSize);
    }
    QTemporaryDir dir;
};

TEST_F(WaveCheck, TakesTheFormsChimeFilesComeIn) {
    const std::string pcm24(std::string("\x01\x02\x03\x04\x05\x06", 6));
    const struct {
        const char* name;
        std::string bytes;
        Sample sample;
        int channels;
        std::uint32_t rate;
        std::size_t dataBytes;
    } good[] = {
        {"plain", plain(), Sample::Int16, 1, 22050, 4410},
        {"metadata", riff(chunk("JUNK", "x") + fmt() + chunk("LIST", "INFOx") + data(4410)), Sample::Int16, 1, 22050,
         4410},
        {"fmt18", riff(chunk("fmt ", fmtBody({}) + le16(0)) + data(4410)), Sample::Int16, 1, 22050, 4410},
        {"u8", riff(fmt({1, 1, 8000, 8}) + data(801).substr(0, 8 + 801)), Sample::UInt8, 1, 8000, 801},  // no pad byte
        {"s24x", riff(extensible({1, 2, 48000, 24}, 24) + chunk("data", pcm24)), Sample::Int32, 2, 48000, 8},
        {"float", riff(fmt({3, 2, 192000, 32}) + data(8000)), Sample::Float, 2, 192000, 8000},
        {"s32x8", riff(extensible({1, 8, 44100, 32}, 24) + data(3200)), Sample::Int32, 8, 44100, 3200},
        {"partial", riff(fmt({1, 2}) + data(4403)), Sample::Int16, 2, 22050, 4400},  // the cut frame goes
    };
    for (const auto& g : good) {
        const std::optional<rt::Chime> c = rt::readChimeFile(write(g.name, g.bytes));
        ASSERT_TRUE(c) << g.name;
        EXPECT_EQ(c->sample, g.sample) << g.name;
        EXPECT_EQ(c->channels, g.channels) << g.name;
        EXPECT_EQ(c->rate, g.rate) << g.name;
        EXPECT_EQ(c->data.size(), g.dataBytes) << g.name;
    }
    // The samples are the file's own bytes, 24-bit ones widened to 32.
    const auto s24 = rt::readChimeFile(dir.filePath("s24x").toStdString());
    EXPECT_EQ(std::string(s24->data.begin(), s24->data.end()), std::string("\0\x01\x02\x03\0\x04\x05\x06", 8));
}

TEST_F(WaveCheck, RefusesWhatCannotBeAChime) {
    const struct {
        const char* name;
        std::string bytes;
    } bad[] = {
        {"empty", ""},
        {"text", "this is not a sound, just some text that is long enough"},
        {"cut-header", plain().substr(0, 30)},
        {"cut-data", plain().substr(0, 200)},  // the data chunk claims more than the file holds
        {"no-data", riff(fmt())},
        {"no-format", riff(data(4410))},
        {"data-first", riff(data(4410) + fmt())},
        {"two-formats", riff(fmt() + fmt({1, 2}) + data(4410))},
        {"empty-data", riff(fmt() + data(0))},
        {"less-than-a-frame", riff(fmt({1, 2}) + data(3))},
        {"short-fmt", riff(chunk("fmt ", fmtBody({}).substr(0, 14)) + data(4410))},
        {"adpcm", riff(fmt({2}) + data(4410))},
        {"x-adpcm", riff(extensible({2}, 16) + data(4410))},
        {"x-foreign-guid", riff(extensible({1}, 16, std::string(14, 'g')) + data(4410))},
        {"x-valid-bits", riff(extensible({1}, 17) + data(4410))},
        {"no-channels", riff(fmt({1, 0}) + data(4410))},
        {"nine-channels", riff(fmt({1, 9}) + data(4410 * 9))},
        {"10-hz", riff(fmt({1, 1, 10}) + data(200))},
        {"7999-hz", riff(fmt({1, 1, 7999}) + data(4410))},
        {"192001-hz", riff(fmt({1, 1, 192001}) + data(4410))},
        {"12-bit", riff(fmt({1, 1, 22050, 12}) + data(4410))},
        {"float-16", riff(fmt({3, 1, 22050, 16}) + data(4410))},
        {"block-align", riff(fmt({1, 2, 22050, 16, 2}) + data(4416))},
        {"byte-rate", riff(fmt({1, 1, 22050, 16, 0, 1}) + data(4410))},
        {"61-s", riff(fmt({1, 1, 8000, 8}) + data(61 * 8000))},
        {"runaway-chunk", riff(chunk("junk", "", 0xFFFFFFF0u) + fmt() + data(4410))},
        {"huge-claim", riff(fmt()) + chunk("data", "", 0x7FFFFFC0)},
        {"zero-chunks", riff(std::string(33 * 8, '\0') + fmt() + data(4410))},
    };
    for (const auto& b : bad) EXPECT_FALSE(rt::readChimeFile(write(b.name, b.bytes))) << b.name;
}

// A file of empty chunks once had the clock walk all of it, 8 bytes at a time.
TEST(WaveLayout, ReadsAFewHundredBytesWhateverTheFileClaims) {
    std::string file = "RIFF" + le32(0) + "WAVE" + std::string(rt::kMaxWaveFileBytes - 12, '\0');
    std::size_t read = 0;
    const rt::ReadAt counting = [&](std::uint64_t at, char* out, std::size_t n) {
        n = at < file.size() ? std::min(n, file.size() - at) : 0;
        std::memcpy(out, file.data() + at, n);
        read += n;
        return n;
    };
    EXPECT_FALSE(rt::findWaveLayout(counting, file.size()));
    EXPECT_LE(read, 400u);
    // Past the limit nothing is read at all.
    read = 0;
    file += plain();
    EXPECT_FALSE(rt::findWaveLayout(counting, file.size()));
    EXPECT_EQ(read, 0u);
}

// A FIFO with no writer would hold a blocking open for ever.
TEST_F(WaveCheck, OpensOnlyRegularFilesWithoutBlocking) {
    const std::string fifo = dir.filePath("fifo.wav").toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("dir.wav"));
    for (const std::string& p : {fifo, dir.filePath("dir.wav").toStdString(), std::string("/dev/zero"),
                                 dir.filePath("absent.wav").toStdString()})
        EXPECT_FALSE(rt::readChimeFile(p)) << p;
}

}  // namespace
