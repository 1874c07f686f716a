#pragma once
// The draw's sounds through the system, from memory. UI thread only: FORM1
// calls these as its display shows a candidate and as a result is taken.
#include "engine/sound.h"

void SetSoundOn(bool on);
bool IsSoundOn();
void SoundCandidateShown();
void SoundResultTaken();

// Plays through PlaySoundA without waiting; a failed play is silence.
SoundPlayer SystemSoundPlayer();
