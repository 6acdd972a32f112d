// The minute chime: which sound a draw picks, what reaches the sound call,
// the tooltip that follows it, and how the system's sound output copes with
// files it cannot play.
#include "Form1.h"
#include "fakes.h"
#include "wave_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char* const kPrefix = "Boo!  The time is ";

// Sets the generator so that its next draw is value / 2^24. One step of the
// generator is s' = (s * a + c) mod 2^24 with an odd a, so it can be undone.
void steerNextDraw(std::uint32_t value) {
    constexpr std::uint32_t a = 1103515245u, c = 12345u, mask = 0xFFFFFF;
    std::uint32_t inverse = a;  // Newton's iteration for a^-1 mod 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2 - a * inverse;
    rt::setRandomState(((value - c) * inverse) & mask);
}

std::string timeText(std::int32_t msecs) { return rt::rtcStrFromVar(rt::TimeOfDay{msecs}); }

class Chime : public testing::Test {
protected:
    void SetUp() override {
        clock.set(12, 0, 30);
        Form1->Show();
    }
    FakeClock clock;
};

TEST_F(Chime, DrawPicksTheSoundByWholeSixthsWithTheStoredNamesAndFlags) {
    FakeSound sound;
    // n = floor(r * 6): the last draw below each sixth and the first at it.
    // 2^24 / 6 = 2796202.67, so sixth k begins at ceil(k * 2796202.67).
    const struct {
        std::uint32_t draw;
        const char* name;
    } cases[] = {
        {0, "Crow.wav"},          {2796202, "Crow.wav"},
        {2796203, "owl2.wav"},    {5592405, "owl2.wav"},
        {5592406, "door2.wav"},   {8388607, "door2.wav"},
        {8388608, "cricket.wav"}, {11184810, "cricket.wav"},
        {11184811, "wolf.wav"},   {13981013, "wolf.wav"},
        {13981014, "frogs.wav"},  {0xFFFFFF, "frogs.wav"},  // the largest draw, just below 1: still no seventh choice
    };
    for (const auto& c : cases) {
        steerNextDraw(c.draw);
        Form1->Timer2_Timer();
        ASSERT_FALSE(sound.calls.empty());
        EXPECT_EQ(sound.calls.back().name, c.name) << "draw " << c.draw;
        EXPECT_EQ(sound.calls.back().flags, 3u) << "SND_ASYNC | SND_NODEFAULT, nothing else";
        EXPECT_EQ(rt::randomState(), c.draw) << "one draw a tick";
    }
    EXPECT_EQ(sound.calls.size(), std::size(cases)) << "one sound a tick";
}

// The tooltip carries the time read after the sound call returned, not the
// time the tick began; until then it keeps the old text.
TEST_F(Chime, TooltipFollowsTheSoundWithTheTimeAfterIt) {
    struct SlowSound : FakeSound {
        FakeClock* clock = nullptr;
        std::string tipDuringPlay;
        bool play(const std::string& name, std::uint32_t flags) override {
            tipDuringPlay = Form1->Picture2.ToolTipText();
            clock->setMsecs(clock->msecsSinceMidnight() + 2000);
            return FakeSound::play(name, flags);
        }
    } sound;
    sound.clock = &clock;

    EXPECT_EQ(Form1->Picture2.ToolTipText(), "I am a clock.");
    Form1->Timer2_Timer();
    EXPECT_EQ(sound.tipDuringPlay, "I am a clock.");
    const std::string tip = Form1->Picture2.ToolTipText();
    EXPECT_EQ(tip, kPrefix + timeText(((12 * 60 + 0) * 60 + 32) * 1000));
    EXPECT_NE(tip.find("32"), std::string::npos) << tip;

    // The text stays until the next tick, which brings its own time.
    clock.set(12, 1, 45);
    EXPECT_EQ(Form1->Picture2.ToolTipText(), tip);
    Form1->Timer2_Timer();
    EXPECT_EQ(Form1->Picture2.ToolTipText(), kPrefix + timeText(((12 * 60 + 1) * 60 + 47) * 1000));
}

// However the sound call fails, the tick goes on to the tooltip and the
// program goes on.
TEST_F(Chime, TooltipIsSetWhateverTheSoundCallDoes) {
    struct Failing : rt::SoundOutput {
        enum { Refuse, RuntimeErr, OtherErr } how = Refuse;
        bool play(const std::string&, std::uint32_t) override {
            if (how == RuntimeErr) throw rt::RuntimeError(53, "File not found", "sndPlaySoundA");
            if (how == OtherErr) throw std::runtime_error("device lost");
            return false;
        }
    } failing;
    bool fatal = false;
    rt::setFatalErrorHandler([&](const rt::RuntimeError&, const char*) { fatal = true; });

    int minute = 1;
    auto tickExpectingTooltip = [&](const char* what) {
        clock.set(12, minute, 0);
        Form1->Picture2.setToolTipText("I am a clock.");
        EXPECT_NO_THROW(Form1->Timer2_Timer()) << what;
        EXPECT_EQ(Form1->Picture2.ToolTipText(), kPrefix + timeText((12 * 60 + minute) * 60 * 1000)) << what;
        ++minute;
    };

    rt::setSoundOutput(&failing);
    for (auto how : {Failing::Refuse, Failing::RuntimeErr, Failing::OtherErr}) {
        failing.how = how;
        tickExpectingTooltip("failing output");
    }

    // The system's own output, in a directory with none of the six files.
    QTemporaryDir empty;
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(empty.path()));
    rt::setSoundOutput(nullptr);
    tickExpectingTooltip("no sound files");
    QDir::setCurrent(cwd);
    EXPECT_FALSE(fatal);
}

TEST_F(Chime, FirstTickComesAMinuteAfterTheLoadNotOnTheMinute) {
    EXPECT_EQ(Form1->Timer2.Interval(), 60000);
    auto* timer = Form1->window()->findChild<QTimer*>("Timer2");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive()) << "runs from the load on";
    EXPECT_EQ(timer->interval(), 60000);
    EXPECT_FALSE(timer->isSingleShot());
    // Loaded at 12:00:30: a tick aligned to the minute would come in 30 s.
    EXPECT_GT(timer->remainingTime(), 59000);
    EXPECT_EQ(Form1->Picture2.ToolTipText(), "I am a clock.");
}

// The seam the end-to-end tests speed the timer up with, and the timer
// driving the chime.
TEST(ChimeTimer, IntervalOverrideDrivesTheChimeFromTheTimer) {
    FakeClock clock;
    clock.set(9, 15, 0);
    FakeSound sound;
    rt::setTimerInterval("Timer2", 30);
    Form1->Show();
    rt::setTimerInterval("Timer2", 0);
    EXPECT_EQ(Form1->Timer2.Interval(), 60000);
    QElapsedTimer waited;
    waited.start();
    while (sound.calls.size() < 2 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_GE(sound.calls.size(), 2u);
    EXPECT_EQ(Form1->Picture2.ToolTipText(), kPrefix + timeText((9 * 60 + 15) * 60 * 1000));
}

// ---- The system's sound output ----

class SoundFiles : public testing::Test {
protected:
    std::string write(const char* name, const std::string& bytes, std::uintmax_t sparseSize = 0) {
        return wavefile::writeFile(dir.filePath(name).toStdString(), bytes, sparseSize);
    }
    QTemporaryDir dir;
};

TEST_F(SoundFiles, BareNamesAreLookedForInTheWorkingDirectoryFirst) {
    const std::string here = write("Crow.wav", wavefile::plain());
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_EQ(QFileInfo(QString::fromStdString(rt::findSoundFile("Crow.wav"))).canonicalFilePath(),
              QFileInfo(QString::fromStdString(here)).canonicalFilePath());
    // The name is used as given: no other case is tried.
    EXPECT_EQ(rt::findSoundFile("crow.wav"), "");
    EXPECT_EQ(rt::findSoundFile("no such sound.wav"), "");
    EXPECT_EQ(rt::findSoundFile(""), "");
    // A name with a directory is not searched for.
    QDir::setCurrent(cwd);
    EXPECT_EQ(rt::findSoundFile(here), here);
    EXPECT_EQ(rt::findSoundFile("nowhere/Crow.wav"), "");
}

// The sound call returns at once whatever the file: even one of gigabytes,
// or one that claims to be, is never read on the caller's thread.
TEST_F(SoundFiles, TheSystemOutputNeverWaits) {
    using namespace wavefile;
    const std::string files[] = {
        write("empty.wav", {}),
        write("cut.wav", plain().substr(0, 30)),
        write("zeros.wav", "RIFF" + le32(0x7FFFFFFF) + "WAVE", std::uintmax_t(1) << 31),
        write("claim.wav", riff(fmt()) + chunk("data", "", 0x7FFFFFC0), (std::uintmax_t(1) << 31) - 20),
        write("full.wav", riff(fmt({1, 2, 44100, 16}) + data(10 << 20))),
        dir.filePath("absent.wav").toStdString(),
        write("ok.wav", plain()),
    };
    QElapsedTimer t;
    for (const std::string& f : files) {
        t.start();
        rt::sndPlaySoundA(f, rt::SND_ASYNC | rt::SND_NODEFAULT);
        EXPECT_LT(t.elapsed(), 50) << f;
    }
}

}  // namespace

namespace {

// Marks the moment of every chime and every read of the time of day: the
// first is the load's seed, then each redraw reads it once.
class Stopwatch : public FakeClock, public FakeSound {
public:
    Stopwatch() { since.start(); }
    std::int32_t msecsSinceMidnight() const override {
        reads.push_back(since.elapsed());
        return FakeClock::msecsSinceMidnight();
    }
    bool play(const std::string& name, std::uint32_t flags) override {
        chimes.push_back(since.elapsed());
        return FakeSound::play(name, flags);
    }
    QElapsedTimer since;
    mutable std::vector<qint64> reads;
    std::vector<qint64> chimes;
};

}  // namespace

// A minute of real time: the chime comes 60 s after the load to within 50 ms
// (Qt's default timer puts so long an interval on a whole second of its own
// clock, up to a second early), and the redraws keep their 100 ms meanwhile.
TEST(ChimeTiming, TheFirstChimeComesAMinuteAfterTheLoadWhileTheRedrawKeepsItsPace) {
    Stopwatch watch;
    Form1->Show();
    QEventLoop loop;
    QTimer::singleShot(61000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_FALSE(watch.reads.empty());
    const qint64 loaded = watch.reads.front();
    ASSERT_EQ(watch.chimes.size(), 1u);
    EXPECT_NEAR(double(watch.chimes[0] - loaded), 60000.0, 50.0);

    const auto redraws =
        std::count_if(watch.reads.begin() + 1, watch.reads.end(), [loaded](qint64 at) { return at - loaded < 60000; });
    EXPECT_NEAR(double(redraws), 600.0, 15.0) << "redraws in the minute";
}
