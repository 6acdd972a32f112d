#include "sound.h"

#include "wave.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#ifndef CLOCK_SOUND_DIR
#define CLOCK_SOUND_DIR ""
#endif

namespace rt {

namespace {

// Requests to play are numbered: the user-interface thread counts those it
// asked for, the sound thread the last one it is done with.
struct Requests {
    std::atomic<std::uint64_t> asked{0};
    std::atomic<std::uint64_t> ended{0};
};

// Lives on the sound thread: reads and checks a file, then plays exactly the
// bytes it checked, so that nothing the file says or does later reaches Qt.
// One sound at a time; the next one cuts it off.
class ChimePlayer : public QObject {
public:
    explicit ChimePlayer(std::shared_ptr<Requests> requests) : requests_(std::move(requests)) {}
    ~ChimePlayer() override { stop(); }

    // An empty path only stops the sound playing.
    void play(std::uint64_t request, const std::string& path) {
        // A newer request is on its way: this one would only be cut off.
        if (request != requests_->asked.load()) return;
        stop();
        if (!path.empty())
            if (std::optional<Chime> chime = readChimeFile(path)) start(request, std::move(*chime));
        if (!sink_) requests_->ended = request;
    }

private:
    void start(std::uint64_t request, Chime chime) {
        // Asked on every sound: a server that went away and came back has
        // a new default device.
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) return;
        QAudioFormat format;
        switch (chime.sample) {
        case Chime::Sample::UInt8: format.setSampleFormat(QAudioFormat::UInt8); break;
        case Chime::Sample::Int16: format.setSampleFormat(QAudioFormat::Int16); break;
        case Chime::Sample::Int32: format.setSampleFormat(QAudioFormat::Int32); break;
        case Chime::Sample::Float: format.setSampleFormat(QAudioFormat::Float); break;
        }
        format.setSampleRate(int(chime.rate));
        format.setChannelCount(chime.channels);
        // A wave file's channels come in the order of Qt's positions, front
        // left first; Qt's defaults for three or more channels differ.
        format.setChannelConfig(chime.channels == 1 ? QAudioFormat::ChannelConfigMono
                                                    : QAudioFormat::ChannelConfig((2u << chime.channels) - 2));

        samples_ = std::move(chime.data);
        buffer_.setData(QByteArray::fromRawData(samples_.data(), qsizetype(samples_.size())));
        buffer_.open(QIODevice::ReadOnly);
        sink_ = new QAudioSink(device, format);
        playing_ = request;
        connect(sink_, &QAudioSink::stateChanged, this, [this, request, format, sink = sink_](QAudio::State state) {
            // Lost its server: let the stream go, though not from inside the
            // sink's own signal. All handed over: the server still holds the
            // last of the sound, up to a buffer's worth. (Idle before the
            // end is a stall the sink recovers from.)
            std::chrono::milliseconds after{0};
            if (state == QAudio::IdleState && buffer_.atEnd())
                after = std::chrono::milliseconds(format.durationForBytes(qint32(sink->bufferSize())) / 1000 + 50);
            else if (state != QAudio::StoppedState)
                return;
            QTimer::singleShot(after, this, [this, request] {
                if (playing_ == request) stop();
            });
        });
        sink_->start(&buffer_);
    }

    void stop() {
        QAudioSink* sink = std::exchange(sink_, nullptr);
        if (!sink) return;
        requests_->ended = std::exchange(playing_, 0);
        sink->stop();
        buffer_.close();
        buffer_.setData(QByteArray());
        samples_ = {};
        // Qt's sink runs this thread's events while it is destroyed: not in
        // the middle of this.
        sink->deleteLater();
    }

    std::shared_ptr<Requests> requests_;
    QAudioSink* sink_ = nullptr;
    QBuffer buffer_;
    std::vector<char> samples_;
    std::uint64_t playing_ = 0;
};

// The thread sounds are read and played on, so that neither a file nor Qt's
// sound system nor the sound server can hold the user-interface thread:
// that thread only hands on a path. Started by the first sound.
class SoundThread {
public:
    void play(const std::string& path) {
        if (!thread_) {
            if (path.empty()) return;
            start();
        }
        const std::uint64_t request = ++requests_->asked;
        QMetaObject::invokeMethod(
            player_, [player = player_, request, path] { player->play(request, path); }, Qt::QueuedConnection);
    }

    bool busy() const { return thread_ && requests_->ended.load() != requests_->asked.load(); }

    bool end() {
        if (!thread_) return true;
        QMetaObject::invokeMethod(
            player_,
            [player = player_] {
                delete player;
                QThread::currentThread()->quit();
            },
            Qt::QueuedConnection);
        const bool ended = thread_->wait(QDeadlineTimer(500));
        // A thread that is still running cannot be destroyed; it is left to
        // the end of the process.
        if (ended) delete thread_;
        thread_ = nullptr;
        player_ = nullptr;
        return ended;
    }

private:
    void start() {
        thread_ = new QThread;
        thread_->setObjectName("sound");
        player_ = new ChimePlayer(requests_);
        player_->moveToThread(thread_);
        thread_->start();
        // Before the application goes, whoever made it.
        qAddPostRoutine([] { endSound(); });
    }

    std::shared_ptr<Requests> requests_ = std::make_shared<Requests>();
    QThread* thread_ = nullptr;
    ChimePlayer* player_ = nullptr;
};

class SystemOutput : public SoundOutput {
public:
    bool play(const std::string& ansiName, std::uint32_t flags) override {
        if (!QCoreApplication::instance()) return false;
        if ((flags & SND_NOSTOP) && sounds_.busy()) return false;
        const std::string path = findSoundFile(ansiName);
        sounds_.play(path);
        return !path.empty();
    }

    bool end() { return sounds_.end(); }

private:
    SoundThread sounds_;
};

SystemOutput systemOutput;
SoundOutput* current = &systemOutput;

}  // namespace

void setSoundOutput(SoundOutput* output) { current = output ? output : &systemOutput; }

std::string toAnsi(const std::string& text) { return QString::fromStdString(text).toLocal8Bit().toStdString(); }

std::int32_t sndPlaySoundA(const std::string& ansiName, std::uint32_t flags) {
    return current->play(ansiName, flags) ? 1 : 0;
}

bool endSound() { return systemOutput.end(); }

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
