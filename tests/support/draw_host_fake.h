#pragma once
// A main window for engine tests: what the draw shows and reads as named
// fields, message boxes in a list, name files in memory. The test thread
// plays the UI thread: the roller's delivery requests are served by
// PumpCandidates.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/draw_session.h"

enum class FakeButton { None, Start, Stop };

// Where the engine wrote, for watchers of every write.
enum class FakeField { Display, Record, NamesBox };

struct FakeWindow {
    // UI-thread side: touched by the engine's UI-thread calls only.
    std::string display;
    std::string details;  // "number|department" of what the display shows
    std::string record;
    std::string namesBox;
    std::string lower = "1";
    std::string upper = "10";
    std::string frequency = "10";
    std::string count;
    std::string interval = "1";  // the interval list's first item
    std::string nameFile;        // the selected name file, "" for none
    bool startEnabled = true;
    bool stopEnabled = false;
    FakeButton focused = FakeButton::Start;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    std::function<void(FakeField field, const std::string& text)> onWrite;
    std::string numberPreset;
    std::string namePreset;
    std::vector<DrawMode> presetReads;
    // Draws without repeats, take-back and void.
    std::vector<std::string> questions;  // "question|caption"
    std::vector<bool> answers;          // the next answers, in order; "no" once used up
    std::vector<std::string> statuses;  // every pool status shown
    int poolSaves = 0;                  // poolsChanged calls
    CalendarTime now{2024, 9, 1, 8, 30, 0};

    // Roller side, under the mutex.
    std::mutex mutex;
    std::condition_variable requested;
    long requests = 0;
    long served = 0;
    std::vector<std::string> loads;

    DrawHost host();
    void setFile(const std::string& path, const std::string& content);
    void setTime(const TimeOfDay& t);
    // Waits for a delivery request that has not been served yet.
    bool waitForRequest(std::chrono::milliseconds timeout);
    // Waits until `count` delivery requests have been made in all.
    bool waitForRequests(long count, std::chrono::milliseconds timeout);
    long requestCount();

  private:
    std::map<std::string, std::string> files;  // by path
    TimeOfDay time{12, 0, 0, 0};
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

// Selects "names.txt" holding `content` and switches the session to names.
void UseNameFile(FakeWindow& window, DrawSession& session, const std::string& content);

// After a draw ends no roller is alive and none was ever beside another.
void ExpectNoRoller();
