#pragma once
// The draw's sounds: a short tick for each candidate the display shows and a
// chime for each result, generated here as PCM WAV images in memory, and the
// rule that keeps fast rolling from becoming noise. Playing them is the
// window's business, reached through SoundPlayer.
#include <cstdint>
#include <string>
#include <vector>

const int kSoundSampleRate = 22050;

// A complete RIFF WAVE image: PCM, mono, 16 bits, kSoundSampleRate.
std::string MakeWave(const std::vector<int16_t>& samples);
std::string MakeTickWave();
std::string MakeChimeWave();

// Length of the chime in milliseconds, as MakeChimeWave generates it.
const uint32_t kChimeMs = 350;
// At most one tick per this many milliseconds: about 20 a second.
const uint32_t kTickGapMs = 50;

enum class SoundCue { Tick, Chime };

// Plays a cue without waiting for it to end; failures are silence.
struct SoundPlayer {
    void* context = nullptr;
    void (*play)(void* context, SoundCue cue) = nullptr;
};

struct SoundState {
    bool on = false;
    SoundPlayer player;
    bool ticked = false;       // lastTickMs holds a time
    uint32_t lastTickMs = 0;   // of the last tick played
    bool chimed = false;
    uint32_t lastChimeMs = 0;  // of the last chime played
};

// A candidate reached the display at nowMs (a millisecond clock that may wrap).
// Ticks when the sound is on, the last tick is kTickGapMs or more ago and no
// chime is still sounding (a tick would cut it off).
void SoundOnCandidate(SoundState& sound, uint32_t nowMs);
// A result was taken: a chime when the sound is on.
void SoundOnResult(SoundState& sound, uint32_t nowMs);
