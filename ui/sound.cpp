#include "ui/sound.h"

#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace {

// An asynchronous play from memory reads the image while it sounds, after
// PlaySoundA has returned: the images are made once and never freed, not even
// at exit, when a play may still be running.
const std::string& TickWave() {
    static const std::string* wave = new std::string(MakeTickWave());
    return *wave;
}

const std::string& ChimeWave() {
    static const std::string* wave = new std::string(MakeChimeWave());
    return *wave;
}

void PlayCue(void*, SoundCue cue) {
    const std::string& wave = cue == SoundCue::Tick ? TickWave() : ChimeWave();
    // NODEFAULT: a failed play is silence, not the system's error sound. A
    // new play ends the one before, so a chime is never queued behind ticks.
    PlaySoundA(wave.data(), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
}

}  // namespace

SoundPlayer SystemSoundPlayer() { return SoundPlayer{nullptr, PlayCue}; }

SoundState MakeSystemSound() {
    SoundState sound;
    sound.player = SystemSoundPlayer();
    return sound;
}

void SetSoundOn(SoundState& sound, bool on) {
    sound.on = on;
    // Switched off in the middle of a chime: stop it too.
    if (!on) PlaySoundA(nullptr, nullptr, 0);
}

void SoundCandidateShown(SoundState& sound) { SoundOnCandidate(sound, GetTickCount()); }

void SoundResultTaken(SoundState& sound) { SoundOnResult(sound, GetTickCount()); }
