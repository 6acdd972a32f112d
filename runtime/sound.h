// The system's sound call: plays a wave file by name, in the background.
// Output goes through a seam, so tests can record what was asked for.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

constexpr std::uint32_t SND_ASYNC = 0x01;
constexpr std::uint32_t SND_NODEFAULT = 0x02;
constexpr std::uint32_t SND_NOSTOP = 0x10;

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts the named sound in the background; returns whether it was
    // found and handed on to be played.
    virtual bool play(const std::string& ansiName, std::uint32_t flags) = 0;
};

// The output in use; the system's own unless a test installed another.
// Passing nullptr restores the system's. The caller keeps ownership.
void setSoundOutput(SoundOutput* output);

// Text as the system's 8-bit code page holds it.
std::string toAnsi(const std::string& text);

// The system's output plays every sound in the background, whatever the
// flags, and has no default sound: a file it cannot find, or one that is not
// a chime (see wave.h), is silence.
// A new sound stops the one still playing unless SND_NOSTOP is given, in
// which case the new one is not played.
std::int32_t sndPlaySoundA(const std::string& ansiName, std::uint32_t flags);

// Stops the system's output and ends the thread it plays on, waiting a
// moment at most; called before the application goes. False when the thread
// did not end (it waits on a sound server that does not answer): Qt's sound
// system must then not be torn down, so the process should leave at once.
bool endSound();

// Where the system's output finds a file: a name with a directory as given;
// a bare name in the working directory, then beside the program, then in the
// installed sound folder. Empty when none holds it.
std::string findSoundFile(const std::string& ansiName);

}  // namespace rt
