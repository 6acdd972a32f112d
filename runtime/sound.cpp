#include "sound.h"

#include <QString>

namespace rt {

namespace {

class SilentOutput : public SoundOutput {
public:
    bool play(const std::string&, std::uint32_t) override { return false; }
};

SilentOutput silent;
SoundOutput* current = &silent;

}  // namespace

void setSoundOutput(SoundOutput* output) { current = output ? output : &silent; }

std::string toAnsi(const std::string& text) { return QString::fromStdString(text).toLocal8Bit().toStdString(); }

std::int32_t sndPlaySoundA(const std::string& ansiName, std::uint32_t flags) {
    return current->play(ansiName, flags) ? 1 : 0;
}

}  // namespace rt
