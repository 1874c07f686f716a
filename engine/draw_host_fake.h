#pragma once
// A main window for engine tests: control texts and states in maps, message
// boxes in a list, name files in memory. The test thread plays the UI thread:
// the roller's delivery requests are served by PumpCandidates.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/draw_session.h"

struct FakeWindow {
    // UI-thread side: touched by the engine's UI-thread calls only.
    std::map<int, std::string> texts;
    std::map<int, bool> enabled;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    std::vector<std::pair<int, std::string>> writes;
    std::function<void(int id, const std::string& text)> onWrite;
    std::string selectedFile;
    std::string selectedInterval = "1";  // the interval list's first item
    int focused = kStartButton;
    std::string numberPreset;
    std::string namePreset;
    std::vector<DrawMode> presetReads;

    // Roller side, under the mutex.
    std::mutex mutex;
    std::condition_variable requested;
    long requests = 0;
    long served = 0;
    std::map<std::string, std::string> files;
    std::vector<std::string> loads;
    TimeOfDay time{12, 0, 0, 0};

    FakeWindow();  // the start-up texts of the main window
    DrawHost host();
    void setFile(const std::string& path, const std::string& content);
    void setTime(const TimeOfDay& t);
    // Waits for a delivery request that has not been served yet.
    bool waitForRequest(std::chrono::milliseconds timeout);
};

// Serves delivery requests until `count` candidates reached the display or
// the timeout passed; returns how many did.
int PumpCandidates(DrawSession& session, FakeWindow& window, int count,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Pumps candidates until the display shows `text`; false on timeout.
bool PumpUntilShown(DrawSession& session, FakeWindow& window, const std::string& text,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The display texts of up to `count` delivered candidates.
std::vector<std::string> CollectCandidates(DrawSession& session, FakeWindow& window, int count);
