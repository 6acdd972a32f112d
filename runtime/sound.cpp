#include "sound.h"

#include "wave.h"

#include <pulse/channelmap.h>
#include <pulse/def.h>
#include <pulse/sample.h>
#include <pulse/simple.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#ifndef CLOCK_SOUND_DIR
#define CLOCK_SOUND_DIR ""
#endif

namespace rt {

namespace {

// Plays sounds on a thread of its own, straight to the PulseAudio server, so
// that reading a file, reaching the server and feeding it never hold the
// user-interface thread. Each sound opens a connection of its own: a server
// that was restarted, or started after the clock, is used from the next
// sound on. Only the newest request counts, and it cuts off the sound that
// is playing.
class Player {
public:
    ~Player() {
        if (!started_) return;
        // A thread still inside the sound library while the program's
        // statics are torn down could crash the exit.
        std::unique_lock lock(shared_->mutex);
        shared_->quit = true;
        shared_->wake.notify_all();
        shared_->ended.wait_for(lock, std::chrono::milliseconds(500), [this] { return shared_->finished; });
    }

    // Plays the file at path; an empty path only stops the sound playing.
    void play(const std::string& path) {
        if (!started_) {
            if (path.empty()) return;
            std::thread([s = shared_] { run(*s); }).detach();
            started_ = true;
        }
        std::lock_guard lock(shared_->mutex);
        shared_->next = path;
        shared_->wake.notify_all();
    }

    bool busy() const {
        std::lock_guard lock(shared_->mutex);
        return shared_->playing || (shared_->next && !shared_->next->empty());
    }

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable wake, ended;
        std::optional<std::string> next;
        bool playing = false;
        bool quit = false;
        bool finished = false;
    };

    static void run(Shared& s) {
        std::unique_lock lock(s.mutex);
        for (;;) {
            s.wake.wait(lock, [&] { return s.next || s.quit; });
            if (s.quit) break;
            const std::string path = std::move(*s.next);
            s.next.reset();
            s.playing = !path.empty();
            lock.unlock();
            if (!path.empty())
                if (const std::optional<Chime> chime = readChimeFile(path)) playOne(s, *chime);
            lock.lock();
            s.playing = false;
        }
        s.finished = true;
        s.ended.notify_all();
    }

    static bool interrupted(Shared& s) {
        std::lock_guard lock(s.mutex);
        return s.next || s.quit;
    }

    static void playOne(Shared& s, const Chime& chime) {
        pa_sample_spec spec{};
        switch (chime.sample) {
        case Chime::Sample::UInt8: spec.format = PA_SAMPLE_U8; break;
        case Chime::Sample::Int16: spec.format = PA_SAMPLE_S16LE; break;
        case Chime::Sample::Int24: spec.format = PA_SAMPLE_S24LE; break;
        case Chime::Sample::Int32: spec.format = PA_SAMPLE_S32LE; break;
        case Chime::Sample::Float: spec.format = PA_SAMPLE_FLOAT32LE; break;
        }
        spec.rate = chime.rate;
        spec.channels = std::uint8_t(chime.channels);
        // Wave files order their channels the way WAVE_FORMAT_EXTENSIBLE does.
        pa_channel_map map;
        pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX);
        // A short buffer, so that a newer sound cuts this one off at once.
        const std::size_t step = pa_frame_size(&spec) * (chime.rate / 20);
        pa_buffer_attr buffer;
        buffer.maxlength = buffer.prebuf = buffer.minreq = buffer.fragsize = std::uint32_t(-1);
        buffer.tlength = std::uint32_t(4 * step);

        int error = 0;
        pa_simple* out = pa_simple_new(nullptr, "Clock", PA_STREAM_PLAYBACK, nullptr, "chime", &spec, &map,
                                       &buffer, &error);
        if (!out) return;
        bool cut = false;
        for (std::size_t at = 0; at < chime.data.size() && !cut; at += step) {
            cut = interrupted(s) ||
                  pa_simple_write(out, chime.data.data() + at, std::min(step, chime.data.size() - at), &error) < 0;
        }
        if (cut) pa_simple_flush(out, &error);
        else pa_simple_drain(out, &error);
        pa_simple_free(out);
    }

    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    bool started_ = false;
};

class SystemOutput : public SoundOutput {
public:
    bool play(const std::string& ansiName, std::uint32_t flags) override {
        if ((flags & SND_NOSTOP) && player_.busy()) return false;
        const std::string path = findSoundFile(ansiName);
        player_.play(path);
        return !path.empty();
    }

private:
    Player player_;
};

SystemOutput systemOutput;
SoundOutput* current = &systemOutput;

}  // namespace

void setSoundOutput(SoundOutput* output) { current = output ? output : &systemOutput; }

std::string toAnsi(const std::string& text) { return QString::fromStdString(text).toLocal8Bit().toStdString(); }

std::int32_t sndPlaySoundA(const std::string& ansiName, std::uint32_t flags) {
    return current->play(ansiName, flags) ? 1 : 0;
}

std::string findSoundFile(const std::string& ansiName) {
    if (ansiName.empty()) return {};
    const QString name = QString::fromLocal8Bit(ansiName.c_str());
    auto isFile = [](const QString& p) { return QFileInfo(p).isFile(); };
    if (name.contains(QLatin1Char('/'))) return isFile(name) ? ansiName : std::string();

    QStringList dirs{QDir::currentPath()};
    if (QCoreApplication::instance()) {
        const QDir programDir(QCoreApplication::applicationDirPath());
        dirs << programDir.path();
        // The installed folder is found from the program's own place, so that
        // an installation under any prefix finds its sounds.
        if (*CLOCK_SOUND_DIR) dirs << programDir.filePath(QString::fromUtf8(CLOCK_SOUND_DIR));
    }
    for (const QString& dir : dirs) {
        const QString p = QDir(dir).filePath(name);
        if (isFile(p)) return p.toLocal8Bit().toStdString();
    }
    return {};
}

}  // namespace rt
