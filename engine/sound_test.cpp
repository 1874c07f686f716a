#include "engine/sound.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Played {
    SoundCue cue;
    uint32_t atMs;
};

struct FakePlayer {
    std::vector<Played> played;
    uint32_t now = 0;
};

void RecordPlay(void* context, SoundCue cue) {
    FakePlayer* fake = static_cast<FakePlayer*>(context);
    fake->played.push_back({cue, fake->now});
}

enum class Event { Candidate, Result, SoundOff, SoundOn };
struct Step {
    Event event;
    uint32_t atMs;
};

// Runs the steps against a fresh state (sound on) starting the clock at
// `start`; returns the cues played, with their times relative to start.
std::vector<Played> PlaySteps(const std::vector<Step>& steps, uint32_t start = 1000) {
    FakePlayer fake;
    SoundState sound;
    sound.on = true;
    sound.player = {&fake, RecordPlay};
    for (const Step& s : steps) {
        fake.now = start + s.atMs;
        switch (s.event) {
            case Event::Candidate: SoundOnCandidate(sound, fake.now); break;
            case Event::Result: SoundOnResult(sound, fake.now); break;
            case Event::SoundOff: sound.on = false; break;
            case Event::SoundOn: sound.on = true; break;
        }
    }
    for (Played& p : fake.played) p.atMs -= start;
    return fake.played;
}

std::string Describe(const std::vector<Played>& played) {
    std::string text;
    for (const Played& p : played) text += (p.cue == SoundCue::Tick ? "T@" : "C@") + std::to_string(p.atMs) + " ";
    return text;
}

std::vector<Step> CandidatesEvery(uint32_t gapMs, uint32_t untilMs, uint32_t fromMs = 0) {
    std::vector<Step> steps;
    for (uint32_t t = fromMs; t < untilMs; t += gapMs) steps.push_back({Event::Candidate, t});
    return steps;
}

TEST(Sound, TicksAndChimesAsTheRulesSay) {
    using E = Event;
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::string expected;
    };
    std::vector<Step> resultDuringRolling = CandidatesEvery(10, 200);
    resultDuringRolling.push_back({E::Result, 200});
    for (const Step& s : CandidatesEvery(10, 700, 210)) resultDuringRolling.push_back(s);

    const Case cases[] = {
        {"slow candidates each tick", CandidatesEvery(100, 400), "T@0 T@100 T@200 T@300 "},
        {"a candidate every millisecond gives at most one tick per 50 ms", CandidatesEvery(1, 200),
         "T@0 T@50 T@100 T@150 "},
        {"candidates every 30 ms tick every other time", CandidatesEvery(30, 200), "T@0 T@60 T@120 T@180 "},
        {"exactly 50 ms apart ticks", {{E::Candidate, 0}, {E::Candidate, 50}}, "T@0 T@50 "},
        {"49 ms apart does not", {{E::Candidate, 0}, {E::Candidate, 49}}, "T@0 "},
        {"one chime per result, however close", {{E::Result, 0}, {E::Result, 1}, {E::Result, 2}},
         "C@0 C@1 C@2 "},
        {"no tick cuts a chime short; rolling ticks again after it", resultDuringRolling,
         "T@0 T@50 T@100 T@150 C@200 T@550 T@600 T@650 "},
        {"off: silence", {{E::SoundOff, 0}, {E::Candidate, 0}, {E::Result, 100}, {E::Candidate, 600}}, ""},
        {"switched on again mid-draw",
         {{E::SoundOff, 0}, {E::Candidate, 0}, {E::SoundOn, 10}, {E::Candidate, 20}, {E::Result, 30}},
         "T@20 C@30 "},
    };
    for (const Case& c : cases) EXPECT_EQ(Describe(PlaySteps(c.steps)), c.expected) << c.what;
}

TEST(Sound, TheLimitHoldsAcrossTheClocksWrap) {
    // 30 ms before the millisecond clock wraps to 0.
    const uint32_t start = 0xFFFFFFFFu - 29;
    EXPECT_EQ(Describe(PlaySteps(CandidatesEvery(10, 200), start)), "T@0 T@50 T@100 T@150 ");
    EXPECT_EQ(Describe(PlaySteps({{Event::Result, 0}, {Event::Candidate, 100}, {Event::Candidate, 400}}, start)),
              "C@0 T@400 ");
}

TEST(Sound, NoPlayerIsSilenceNotACrash) {
    SoundState sound;
    sound.on = true;
    SoundOnCandidate(sound, 5);
    SoundOnResult(sound, 6);
    EXPECT_FALSE(sound.ticked);
    EXPECT_FALSE(sound.chimed);
}

uint32_t Read32(const std::string& s, std::size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
    return v;
}
uint16_t Read16(const std::string& s, std::size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8);
}
std::vector<int16_t> SamplesOf(const std::string& wave) {
    std::vector<int16_t> samples((wave.size() - 44) / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(Read16(wave, 44 + 2 * i));
    return samples;
}

TEST(Sound, WaveHeaderDescribesItsData) {
    const std::vector<int16_t> samples = {0, 1, -1, 32767, -32768};
    const std::string wave = MakeWave(samples);
    ASSERT_EQ(wave.size(), 44u + 10u);
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(Read32(wave, 4), wave.size() - 8);
    EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Read32(wave, 16), 16u);
    EXPECT_EQ(Read16(wave, 20), 1);   // PCM
    EXPECT_EQ(Read16(wave, 22), 1);   // mono
    EXPECT_EQ(Read32(wave, 24), uint32_t(kSoundSampleRate));
    EXPECT_EQ(Read32(wave, 28), uint32_t(kSoundSampleRate * 2));
    EXPECT_EQ(Read16(wave, 32), 2);
    EXPECT_EQ(Read16(wave, 34), 16);
    EXPECT_EQ(wave.substr(36, 4), "data");
    EXPECT_EQ(Read32(wave, 40), 10u);
    EXPECT_EQ(SamplesOf(wave), samples);
}

TEST(Sound, TickIsShortAndChimeIsBriefAndNeitherClicksOrClips) {
    struct Case {
        const char* what;
        std::string wave;
        double minMs, maxMs;
    };
    const Case cases[] = {
        {"tick", MakeTickWave(), 5, kTickGapMs},  // shorter than the gap between ticks
        {"chime", MakeChimeWave(), 150, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_GT(c.wave.size(), 44u);
        EXPECT_EQ(Read32(c.wave, 40), c.wave.size() - 44);
        const std::vector<int16_t> s = SamplesOf(c.wave);
        const double ms = 1000.0 * s.size() / kSoundSampleRate;
        EXPECT_GE(ms, c.minMs);
        EXPECT_LE(ms, c.maxMs);
        int peak = 0;
        for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
        EXPECT_GT(peak, 3000);   // audible
        EXPECT_LT(peak, 32000);  // not clipped
        // Starts and ends near silence: a jump there is a click.
        EXPECT_LT(std::abs(int(s.front())), 500);
        EXPECT_LT(std::abs(int(s.back())), 500);
    }
    EXPECT_EQ(SamplesOf(MakeChimeWave()).size(), std::size_t(kChimeMs) * kSoundSampleRate / 1000);
}

}  // namespace
