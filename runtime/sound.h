// The system's sound call: plays a wave file by name, in the background.
// Output goes through a seam, so tests can record what was asked for.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

constexpr std::uint32_t SND_SYNC = 0x00;
constexpr std::uint32_t SND_ASYNC = 0x01;
constexpr std::uint32_t SND_NODEFAULT = 0x02;
constexpr std::uint32_t SND_NOSTOP = 0x10;

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts the named sound; returns whether it could be started.
    virtual bool play(const std::string& ansiName, std::uint32_t flags) = 0;
};

// The output in use; the system's own unless a test installed another.
// Passing nullptr restores the system's. The caller keeps ownership.
void setSoundOutput(SoundOutput* output);

// Text as the system's 8-bit code page holds it.
std::string toAnsi(const std::string& text);

std::int32_t sndPlaySoundA(const std::string& ansiName, std::uint32_t flags);

}  // namespace rt
