#include "sound.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QString>
#include <QUrl>

#include <algorithm>
#include <array>

#ifndef CLOCK_SOUND_DIR
#define CLOCK_SOUND_DIR ""
#endif

namespace rt {

namespace {

std::uint32_t le32(const char* p) {
    return std::uint32_t(std::uint8_t(p[0])) | std::uint32_t(std::uint8_t(p[1])) << 8 |
           std::uint32_t(std::uint8_t(p[2])) << 16 | std::uint32_t(std::uint8_t(p[3])) << 24;
}
std::uint16_t le16(const char* p) { return std::uint16_t(std::uint8_t(p[0]) | std::uint8_t(p[1]) << 8); }

// Plays through Qt's sound effects. One effect at a time: the next sound
// replaces it, so a clock that chimes for weeks holds one effect, not one a
// minute.
class SystemOutput : public SoundOutput {
public:
    bool play(const std::string& ansiName, std::uint32_t flags) override {
        if (!QCoreApplication::instance()) return false;
        if ((flags & SND_NOSTOP) && effect_ && effect_->isPlaying()) return false;
        if (effect_) effect_->stop();

        const std::string path = findSoundFile(ansiName);
        if (path.empty() || !isPlayableWave(path)) return false;
        // Without a device Qt would accept the sound and never finish it.
        if (QMediaDevices::audioOutputs().isEmpty()) return false;

        const QUrl url = QUrl::fromLocalFile(QString::fromLocal8Bit(path.c_str()));
        if (!effect_ || effect_->source() != url || effect_->status() != QSoundEffect::Ready) {
            delete effect_;
            // Owned by the application, so it goes before the audio system does.
            effect_ = new QSoundEffect(QCoreApplication::instance());
            effect_->setSource(url);
        }
        // While the file is still loading this only queues the sound.
        effect_->play();
        return true;
    }

private:
    QPointer<QSoundEffect> effect_;
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

bool isPlayableWave(const std::string& path) {
    QFile f(QString::fromLocal8Bit(path.c_str()));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const qint64 size = f.size();

    std::array<char, 16> buf{};
    if (f.read(buf.data(), 12) != 12) return false;
    if (QByteArray(buf.data(), 4) != "RIFF" || QByteArray(buf.data() + 8, 4) != "WAVE") return false;

    std::uint16_t blockAlign = 0;
    qint64 pos = 12;
    while (pos + 8 <= size) {
        if (!f.seek(pos) || f.read(buf.data(), 8) != 8) return false;
        const QByteArray id(buf.data(), 4);
        const qint64 chunk = le32(buf.data() + 4);
        const qint64 body = pos + 8;
        if (id == "fmt ") {
            if (chunk < 16 || f.read(buf.data(), 16) != 16) return false;
            const std::uint16_t tag = le16(buf.data());
            const std::uint16_t channels = le16(buf.data() + 2);
            const std::uint32_t rate = le32(buf.data() + 4);
            const std::uint16_t bits = le16(buf.data() + 14);
            blockAlign = le16(buf.data() + 12);
            const bool pcm = tag == 1 || tag == 0xFFFE;
            const bool knownBits = bits == 8 || bits == 16 || bits == 24 || bits == 32;
            const bool floats = tag == 3 && bits == 32;
            if (!(pcm && knownBits) && !floats) return false;
            if (channels == 0 || rate == 0 || blockAlign == 0) return false;
        } else if (id == "data") {
            // A data chunk that claims more than the file holds leaves the
            // player loading for ever: such a file is as malformed as any.
            return blockAlign != 0 && chunk >= blockAlign && chunk <= size - body;
        }
        pos = body + chunk + (chunk & 1);
    }
    return false;
}

}  // namespace rt
