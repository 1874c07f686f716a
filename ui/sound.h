#pragma once
// The draw's sounds through the system, from memory. UI thread only: FORM1
// calls these as its display shows a candidate and as a result is taken.
#include "engine/sound.h"

// Off, playing through the system: what a main window starts with.
SoundState MakeSystemSound();
void SetSoundOn(SoundState& sound, bool on);
void SoundCandidateShown(SoundState& sound);
void SoundResultTaken(SoundState& sound);

// Plays through PlaySoundA without waiting; a failed play is silence.
SoundPlayer SystemSoundPlayer();
