#pragma once
// The draw engine's state: which kind of draw Start begins, the one roller
// that may run, and the Start, Stop and mode operations of the main window.
// It reaches the window and the platform only through DrawHost.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/auto_draw.h"
#include "engine/draw_results.h"
#include "engine/random_source.h"
#include "engine/roller_thread.h"
#include "engine/rollers.h"

// The two limit fields, as typed.
struct LimitTexts {
    std::string lower;
    std::string upper;
};

// What a draw asks of the window it runs in, supplied by the main window or
// by tests. The engine names what it needs done; which control does it is
// the window's business.
struct DrawHost {
    // Called on the UI thread only.
    std::function<void(const std::string& text)> showInDisplay;
    std::function<std::string()> readDisplay;  // what the display shows now
    // Adds `entry` at the end of the draw record, exactly as given.
    std::function<void(const std::string& entry)> appendToRecord;
    std::function<void()> clearRecordAndNames;  // "清空"
    // Rolling: Start disabled and Stop enabled; idle: the other way round.
    std::function<void(bool rolling)> setButtonsRolling;
    // Keyboard focus to Start or Stop, whichever is enabled now; may be empty.
    std::function<void()> focusEnabledButton;
    std::function<LimitTexts()> readLimits;
    std::function<std::string()> readFrequency;
    std::function<std::string()> readCount;
    std::function<std::string()> readInterval;  // "" when nothing is selected
    std::function<std::string()> readNameFile;  // "" when nothing is selected
    std::function<void(const std::string& text, const std::string& caption)> showMessage;
    std::function<std::string(DrawMode mode)> readPreset;  // as stored, "" for none
    std::string programDirectory;                          // ends with one backslash
    // Called on the roller thread.
    std::function<std::string(const std::string& path)> loadTextFile;
    std::function<TimeOfDay()> timeOfDay;
    // Must never block; the UI thread is to call deliverCandidate() soon after.
    std::function<void()> requestDelivery;
};

struct DrawSession {
    DrawHost host;
    DrawMode mode = DrawMode::Number;
    DrawMode presetTarget = DrawMode::Number;  // which preset the preset form saves
    bool drawing = false;                      // Start taken and not yet stopped or abandoned
    RollerThread roller;                       // the one roller, of either mode
    CandidateSlot slot;
    uint64_t lastDraw = 0;                     // id of the latest draw; ids start at 1
    // The running or latest draw is automatic: its results are recorded as
    // they are taken, and Stop takes none of its own.
    bool automatic = false;
    std::string lastResult;                    // of the running or latest automatic draw
    AutoDrawTiming autoTiming;

    DrawSession() = default;
    explicit DrawSession(DrawHost drawHost) : host(std::move(drawHost)) {}
    DrawSession(const DrawSession&) = delete;
    DrawSession& operator=(const DrawSession&) = delete;
    ~DrawSession();

    void start();                 // click on Start
    void stop();                  // click on Stop
    void selectMode(DrawMode m);  // the engine's part of the mode menu commands
    // UI thread: shows the pending candidate if its draw is still running.
    // Returns whether it did.
    bool deliverCandidate();
    void clearRecord();           // "清空": empties the record and the names box
    // Between an accepted Start and the Stop or mode change that ends it
    // (also when the roller's thread could not be started).
    bool rolling() const;
};
