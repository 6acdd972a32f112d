// Synthesizes the clock's six animal and ambient sound effects as 16-bit mono WAV files.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kNyquist = kRate / 2.0;
constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * kPi;

using Buffer = std::vector<double>;

// Fixed seeds keep every build byte-identical, so the generated files never show up as changed.
struct Rng {
    std::uint32_t state;
    double uniform()  // [0, 1)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 4294967296.0;
    }
    double bipolar() { return 2.0 * uniform() - 1.0; }
};

class OnePole {
public:
    explicit OnePole(double cutoff) : a_(std::exp(-kTwoPi * cutoff / kRate)) {}
    double lowpass(double x) { return y_ = (1.0 - a_) * x + a_ * y_; }
    double highpass(double x) { return x - lowpass(x); }

private:
    double a_;
    double y_ = 0.0;
};

// Constant 0 dB peak gain band-pass; several in parallel stand in for vocal or wooden resonances.
class Resonator {
public:
    Resonator(double freq, double q) {
        const double w = kTwoPi * freq / kRate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        b0_ = alpha / a0;
        a1_ = -2.0 * std::cos(w) / a0;
        a2_ = (1.0 - alpha) / a0;
    }
    double process(double x) {
        const double y = b0_ * (x - x2_) - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double b0_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Frequencies glide sample by sample, so phase has to be integrated rather than computed from t.
struct Osc {
    double phase = 0.0;
    double next(double freq) {
        const double p = phase;
        phase = std::fmod(phase + kTwoPi * freq / kRate, kTwoPi);
        return p;
    }
};

// Additive rather than a naive sawtooth: partials above Nyquist would fold back as whistles.
double harmonics(double phase, double f0, double rolloff) {
    double sum = 0.0;
    for (int k = 1; k * f0 < kNyquist * 0.9; ++k) sum += std::sin(k * phase) / std::pow(k, rolloff);
    return sum;
}

// Raised-cosine attack and release around a flat middle; zero outside [0, len].
double swell(double t, double len, double attack, double release) {
    if (t <= 0.0 || t >= len) return 0.0;
    if (t < attack) return 0.5 - 0.5 * std::cos(kPi * t / attack);
    if (t > len - release) return 0.5 - 0.5 * std::cos(kPi * (len - t) / release);
    return 1.0;
}

double smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

Buffer silence(double seconds) { return Buffer(static_cast<std::size_t>(std::lround(seconds * kRate)), 0.0); }

void mixAt(Buffer& out, double start, const Buffer& piece, double gain = 1.0) {
    const auto offset = static_cast<std::size_t>(start * kRate);
    for (std::size_t i = 0; i < piece.size() && offset + i < out.size(); ++i) out[offset + i] += gain * piece[i];
}

// Strip DC, bring the peak to -3 dBFS and fade the ends so playback never starts or stops with a click.
void finish(Buffer& s) {
    OnePole dc(30.0);
    for (double& x : s) x = dc.highpass(x);
    double peak = 0.0;
    for (double x : s) peak = std::max(peak, std::abs(x));
    const double gain = peak > 0.0 ? std::pow(10.0, -3.0 / 20.0) / peak : 0.0;
    const auto fade = static_cast<std::size_t>(0.015 * kRate);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::size_t edge = std::min(i, s.size() - 1 - i);
        const double f = edge < fade ? 0.5 - 0.5 * std::cos(kPi * double(edge) / double(fade)) : 1.0;
        s[i] *= gain * f;
    }
}

void put(std::vector<char>& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void putTag(std::vector<char>& bytes, const char (&tag)[5]) { bytes.insert(bytes.end(), tag, tag + 4); }

bool writeWav(const std::filesystem::path& path, const Buffer& s) {
    const auto dataBytes = static_cast<std::uint32_t>(s.size() * 2);
    std::vector<char> bytes;
    bytes.reserve(44 + dataBytes);
    putTag(bytes, "RIFF");
    put(bytes, 36 + dataBytes, 4);
    putTag(bytes, "WAVE");
    putTag(bytes, "fmt ");
    put(bytes, 16, 4);  // fmt chunk size
    put(bytes, 1, 2);   // PCM
    put(bytes, 1, 2);   // mono
    put(bytes, kRate, 4);
    put(bytes, kRate * 2, 4);  // bytes per second
    put(bytes, 2, 2);          // block align
    put(bytes, 16, 2);         // bits per sample
    putTag(bytes, "data");
    put(bytes, dataBytes, 4);
    for (double x : s) {
        const long v = std::clamp(std::lround(x * 32767.0), -32768L, 32767L);
        put(bytes, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)), 2);
    }
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}

// A caw is a rough, period-doubled buzz: the sub-octave and pitch-synchronous noise give the rasp,
// the formants give the nasal "aah".
Buffer crow() {
    Rng rng{0xC0A5u};
    Buffer out = silence(2.5);
    const std::array<std::array<double, 3>, 3> caws{{{0.05, 0.46, 560.0}, {0.78, 0.42, 600.0}, {1.52, 0.55, 540.0}}};
    for (const auto& [start, len, base] : caws) {
        Buffer caw = silence(len);
        Osc voice, sub;
        std::array<Resonator, 3> formants{Resonator(1250, 5), Resonator(2000, 6), Resonator(3100, 7)};
        double jitter = 0.0;
        for (std::size_t n = 0; n < caw.size(); ++n) {
            const double t = double(n) / kRate;
            const double u = t / len;
            jitter = 0.995 * jitter + 0.004 * rng.bipolar();
            const double f0 = base * (1.0 + 0.12 * std::sin(kPi * std::min(u * 3.0, 1.0)) - 0.18 * u + jitter);
            const double ph = voice.next(f0);
            const double buzz = harmonics(ph, f0, 0.9) * (0.7 + 0.3 * std::sin(sub.next(f0 / 2)));
            const double rasp = rng.bipolar() * (0.6 + 0.4 * std::cos(ph));
            const double src = 0.6 * buzz + 0.9 * rasp;
            const double shaped =
                formants[0].process(src) + 0.8 * formants[1].process(src) + 0.5 * formants[2].process(src);
            caw[n] = shaped * swell(t, len, 0.03, 0.18);
        }
        mixAt(out, start, caw);
    }
    return out;
}

// "hoo ... hoo-hoo": soft, nearly pure low tones with a little breath on top.
Buffer owl() {
    Rng rng{0x0417u};
    Buffer out = silence(2.4);
    const std::array<std::array<double, 3>, 3> hoots{{{0.10, 0.60, 340.0}, {1.10, 0.24, 325.0}, {1.45, 0.70, 335.0}}};
    for (const auto& [start, len, base] : hoots) {
        Buffer hoot = silence(len);
        Osc voice;
        OnePole breathFilter(900.0);
        for (std::size_t n = 0; n < hoot.size(); ++n) {
            const double t = double(n) / kRate;
            const double u = t / len;
            const double f = base * (0.96 + 0.06 * std::sin(kPi * u) + 0.004 * std::sin(kTwoPi * 5.0 * t));
            const double ph = voice.next(f);
            const double tone = std::sin(ph) + 0.12 * std::sin(2 * ph) + 0.04 * std::sin(3 * ph);
            const double breath = 0.25 * breathFilter.lowpass(rng.bipolar());
            hoot[n] = (tone + breath) * swell(t, len, 0.07, std::min(0.25, len * 0.5));
        }
        mixAt(out, start, hoot);
    }
    return out;
}

// Stick-slip friction: an irregular train of clicks rings the door's wooden resonances. At low
// rates the clicks are heard one by one; as the door speeds up they fuse into a squeak whose
// pitch is the click rate, so the resonances must be damped enough not to drown it.
Buffer door() {
    Rng rng{0xD002u};
    const double len = 2.8;
    Buffer out = silence(len);
    std::array<Resonator, 4> wood{Resonator(480, 6), Resonator(1100, 7), Resonator(2200, 8), Resonator(3600, 9)};
    double untilNextClick = 0.05;
    double wobble = 0.0;
    for (std::size_t n = 0; n < out.size(); ++n) {
        const double t = double(n) / kRate;
        const double u = t / len;
        // Two pushes on the door: the rate swells up, falls back, then swells again higher.
        const double push = 0.7 * std::pow(std::sin(kPi * std::min(u / 0.42, 1.0)), 2) +
                            std::pow(std::sin(kPi * std::clamp((u - 0.38) / 0.62, 0.0, 1.0)), 3);
        wobble = 0.9995 * wobble + 0.002 * rng.bipolar();
        const double rate = (10.0 + 420.0 * push * push) * (1.0 + wobble);
        double x = 0.0;
        untilNextClick -= 1.0 / kRate;
        if (untilNextClick <= 0.0) {
            x = 0.5 + 0.5 * rng.uniform();
            untilNextClick = (1.0 + 0.2 * rng.bipolar()) / rate;
        }
        const double y =
            wood[0].process(x) + 0.9 * wood[1].process(x) + 0.7 * wood[2].process(x) + 0.4 * wood[3].process(x);
        out[n] = y * swell(t, len, 0.05, 0.3) * (0.4 + 0.6 * smoothstep(push));
    }
    return out;
}

// Chirps of four short pulses on a high carrier that sags slightly within each pulse.
Buffer cricket() {
    Buffer out = silence(3.0);
    const double pulseLen = 0.02, pulseGap = 0.034;
    Osc carrier;
    for (double chirp = 0.08; chirp < 2.7; chirp += 0.5) {
        for (int p = 0; p < 4; ++p) {
            Buffer pulse = silence(pulseLen);
            for (std::size_t n = 0; n < pulse.size(); ++n) {
                const double u = double(n) / double(pulse.size());
                const double ph = carrier.next(4400.0 * (1.0 - 0.03 * u));
                const double shape = std::pow(std::sin(kPi * u), 2);
                pulse[n] = (std::sin(ph) + 0.12 * std::sin(2 * ph)) * shape;
            }
            mixAt(out, chirp + p * pulseGap, pulse, p == 3 ? 0.8 : 1.0);
        }
    }
    return out;
}

// Howl: rises into a held, wavering note, then falls away.
Buffer wolf() {
    Rng rng{0x3017u};
    const double len = 3.6;
    Buffer out = silence(len);
    Osc voice;
    OnePole throat(1400.0);
    Resonator mouth(900.0, 2.5);
    OnePole breathFilter(3000.0);
    for (std::size_t n = 0; n < out.size(); ++n) {
        const double t = double(n) / kRate;
        const double rise = smoothstep(t / 0.9);
        const double fall = smoothstep((t - 2.3) / 1.1);
        const double vibrato = 1.0 + 0.015 * std::sin(kTwoPi * 5.5 * t) * smoothstep((t - 0.6) / 0.5);
        const double f0 = (260.0 + 300.0 * rise - 240.0 * fall) * vibrato;
        const double ph = voice.next(f0);
        const double tone = harmonics(ph, f0, 1.8);
        const double voiced = 0.7 * throat.lowpass(tone) + 0.5 * mouth.process(tone);
        const double breath = 0.03 * breathFilter.lowpass(rng.bipolar());
        out[n] = (voiced + breath) * swell(t, len, 0.3, 0.7);
    }
    return out;
}

// One frog call: syllables of buzz, each chopped into pulses, through a throat resonance.
Buffer croak(Rng& rng, double f0, double formant, int syllables, double sylLen, double pulseRate) {
    const double gap = 0.05;
    const double len = syllables * sylLen + (syllables - 1) * gap;
    Buffer call = silence(len);
    Osc voice, pulser;
    Resonator throat(formant, 4.0);
    for (std::size_t n = 0; n < call.size(); ++n) {
        const double t = double(n) / kRate;
        const int syl = std::min(static_cast<int>(t / (sylLen + gap)), syllables - 1);
        const double ts = t - syl * (sylLen + gap);
        const double f = f0 * (1.0 + 0.08 * syl) * (1.05 - 0.1 * ts / sylLen);
        const double buzz = harmonics(voice.next(f), f, 0.8) + 0.3 * rng.bipolar();
        const double pulses = std::pow(0.5 + 0.5 * std::sin(pulser.next(pulseRate)), 3);
        call[n] = throat.process(buzz) * pulses * swell(ts, sylLen, 0.01, 0.04);
    }
    return call;
}

Buffer frogs() {
    Rng rng{0xF406u};
    Buffer out = silence(3.2);
    struct Frog {
        double f0, formant;
        int syllables;
        double sylLen, pulseRate, gain;
        std::vector<double> calls;
    };
    // Three frogs of different sizes calling out of step with each other; every call is
    // rendered afresh with a slightly different pitch so repeats don't sound pasted.
    const std::array<Frog, 3> pond{{{110.0, 450.0, 1, 0.32, 28.0, 1.0, {0.05, 1.15, 2.25}},
                                    {180.0, 750.0, 2, 0.11, 40.0, 0.8, {0.50, 1.60, 2.65}},
                                    {260.0, 1200.0, 2, 0.08, 55.0, 0.6, {0.85, 1.95}}}};
    for (const Frog& frog : pond) {
        for (double start : frog.calls) {
            const double detune = 1.0 + 0.04 * rng.bipolar();
            mixAt(out, start, croak(rng, frog.f0 * detune, frog.formant, frog.syllables, frog.sylLen, frog.pulseRate),
                  frog.gain);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " OUTDIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::cerr << "make_sounds: cannot create " << dir << ": " << ec.message() << '\n';
        return 1;
    }
    struct Sound {
        const char* name;
        Buffer (*make)();
    };
    const std::array<Sound, 6> sounds{{{"Crow.wav", crow},
                                       {"owl2.wav", owl},
                                       {"door2.wav", door},
                                       {"cricket.wav", cricket},
                                       {"wolf.wav", wolf},
                                       {"frogs.wav", frogs}}};
    for (const auto& [name, make] : sounds) {
        Buffer samples = make();
        finish(samples);
        if (!writeWav(dir / name, samples)) {
            std::cerr << "make_sounds: cannot write " << (dir / name) << '\n';
            return 1;
        }
    }
    return 0;
}
