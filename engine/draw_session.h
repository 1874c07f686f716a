#pragma once
// The draw engine's state: which kind of draw Start begins, the one roller
// that may run, and the Start, Stop and mode operations of the main window.
// It reaches the window and the platform only through DrawHost.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/auto_draw.h"
#include "engine/random_source.h"
#include "engine/roller_thread.h"

#include "engine/draw_results.h"

// Main-window control IDs the engine uses.
enum DrawControl : int {
    kStartButton = 100,
    kStopButton = 101,
    kResultDisplay = 102,
    kJumpFrequency = 112,
    kLowerLimit = 115,
    kUpperLimit = 116,
    kDrawRecord = 119,
    kNameFileList = 122,
    kDrawCount = 127,
    kDrawInterval = 128,
    kNamesBox = 131,
};

// Supplied by the main window, or by tests.
struct DrawHost {
    // Called on the UI thread only.
    std::function<std::string(int id)> readText;
    std::function<void(int id, const std::string& text)> writeText;
    std::function<void(int id, bool enabled)> enableControl;
    // Keyboard focus to Start or Stop, whichever is enabled now; may be empty.
    std::function<void(int id)> focusControl;
    std::function<std::string(int id)> selectedItemText;  // "" when nothing is selected
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
