#include "engine/sound.h"

#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

void AppendLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Partials of one struck note: frequency, relative amplitude, decay time.
struct Partial {
    double hz;
    double amplitude;
    double decaySeconds;
};

// Adds a note that starts at startSeconds into samples (as doubles in -1..1).
void AddNote(std::vector<double>& mix, double startSeconds, const Partial* partials, int count) {
    const std::size_t first = static_cast<std::size_t>(startSeconds * kSoundSampleRate);
    // A 2 ms rise: a note that starts at full strength clicks.
    const double attack = 0.002 * kSoundSampleRate;
    for (std::size_t i = first; i < mix.size(); ++i) {
        const double t = double(i - first) / kSoundSampleRate;
        const double rise = double(i - first) < attack ? double(i - first) / attack : 1.0;
        double value = 0;
        for (int p = 0; p < count; ++p) {
            value += partials[p].amplitude * std::exp(-t / partials[p].decaySeconds) *
                     std::sin(2 * kPi * partials[p].hz * t);
        }
        mix[i] += rise * value;
    }
}

// Fades the last fadeMs to zero (so that the end does not click) and scales
// to 16 bits at the given peak.
std::vector<int16_t> ToSamples(std::vector<double> mix, double fadeMs, double peak) {
    const std::size_t fade = static_cast<std::size_t>(fadeMs / 1000 * kSoundSampleRate);
    for (std::size_t i = 0; i < fade && i < mix.size(); ++i) mix[mix.size() - 1 - i] *= double(i) / fade;
    double loudest = 0;
    for (double v : mix) loudest = std::fmax(loudest, std::fabs(v));
    const double scale = loudest > 0 ? peak * 32767 / loudest : 0;
    std::vector<int16_t> samples(mix.size());
    for (std::size_t i = 0; i < mix.size(); ++i) samples[i] = static_cast<int16_t>(std::lround(mix[i] * scale));
    return samples;
}

std::vector<double> Silence(uint32_t ms) { return std::vector<double>(std::size_t(ms) * kSoundSampleRate / 1000); }

}  // namespace

std::string MakeWave(const std::vector<int16_t>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::string wave;
    wave.reserve(44 + dataBytes);
    wave += "RIFF";
    AppendLittleEndian(wave, 36 + dataBytes, 4);
    wave += "WAVEfmt ";
    AppendLittleEndian(wave, 16, 4);                    // format chunk size
    AppendLittleEndian(wave, 1, 2);                     // PCM
    AppendLittleEndian(wave, 1, 2);                     // mono
    AppendLittleEndian(wave, kSoundSampleRate, 4);      // samples per second
    AppendLittleEndian(wave, kSoundSampleRate * 2, 4);  // bytes per second
    AppendLittleEndian(wave, 2, 2);                     // bytes per sample frame
    AppendLittleEndian(wave, 16, 2);                    // bits per sample
    wave += "data";
    AppendLittleEndian(wave, dataBytes, 4);
    for (int16_t s : samples) AppendLittleEndian(wave, static_cast<uint16_t>(s), 2);
    return wave;
}

std::string MakeTickWave() {
    // A wooden click: a high partial that dies within a few milliseconds, soft
    // enough to sit under speech at twenty a second.
    std::vector<double> mix = Silence(15);
    const Partial click[] = {{1900, 1.0, 0.0025}, {3100, 0.4, 0.0015}};
    AddNote(mix, 0, click, 2);
    return MakeWave(ToSamples(mix, 3, 0.35));
}

std::string MakeChimeWave() {
    // Two bell notes a major third apart, the second struck a moment later.
    std::vector<double> mix = Silence(kChimeMs);
    const Partial low[] = {{1046.5, 1.0, 0.12}, {2093.0, 0.3, 0.06}};
    const Partial high[] = {{1318.5, 1.0, 0.12}, {2637.0, 0.3, 0.06}};
    AddNote(mix, 0, low, 2);
    AddNote(mix, 0.09, high, 2);
    return MakeWave(ToSamples(mix, 30, 0.6));
}

void SoundOnCandidate(SoundState& sound, uint32_t nowMs) {
    if (!sound.on || !sound.player.play) return;
    // Unsigned differences stay right across the clock's wrap.
    if (sound.chimed && nowMs - sound.lastChimeMs < kChimeMs) return;
    if (sound.ticked && nowMs - sound.lastTickMs < kTickGapMs) return;
    sound.ticked = true;
    sound.lastTickMs = nowMs;
    sound.player.play(sound.player.context, SoundCue::Tick);
}

void SoundOnResult(SoundState& sound, uint32_t nowMs) {
    if (!sound.on || !sound.player.play) return;
    sound.chimed = true;
    sound.lastChimeMs = nowMs;
    sound.player.play(sound.player.context, SoundCue::Chime);
}
