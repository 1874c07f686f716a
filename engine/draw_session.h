#pragma once
// The draw engine's state: which kind of draw Start begins, the one roller
// that may run, and the Start, Stop and mode operations of the main window.
// It reaches the window and the platform only through DrawHost.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/auto_draw.h"
#include "engine/draw_pools.h"
#include "engine/pool_book.h"
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
    // The number and department of the person about to be shown, called
    // before showInDisplay with "" for a name without them; may be empty.
    std::function<void(const std::string& number, const std::string& department)> showPersonDetails;
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
    // The tasks below serve draws without repeats, take-back and void; a
    // host that offers none of them still draws as ever.
    std::function<CalendarTime()> now;  // stamps each result
    // Yes or no, asked before the draw goes on.
    std::function<bool(const std::string& question, const std::string& caption)> askYesNo;
    // When the record ends with `end`, puts `replacement` in its place and
    // says so; otherwise (the record was edited or emptied) leaves it.
    std::function<bool(const std::string& end, const std::string& replacement)> replaceRecordEnd;
    // "剩余 N/M" of the current source while draws without repeats are on;
    // "" when there is nothing to count (the option off, refused limits).
    std::function<void(const std::string& text)> showPoolStatus;
    // The drawn sets changed: the pools are to be saved.
    std::function<void()> poolsChanged;
    // loadTextFile may also be called on the UI thread, to count a pool.
    // Called on the roller thread.
    std::function<std::string(const std::string& path)> loadTextFile;
    std::function<TimeOfDay()> timeOfDay;
    // Must never block; the UI thread is to call deliverCandidate() soon after.
    std::function<void()> requestDelivery;
};

extern const char* const kPoolEmptyQuestion;
extern const char* const kVoidMark;

// The fields behind DrawSession's operations; only draw_session.cpp reads
// or writes them.
struct DrawSessionState {
    DrawHost host;
    DrawMode mode = DrawMode::Number;
    bool drawing = false;                      // Start taken and not yet stopped or abandoned
    RollerThread roller;                       // the one roller, of either mode
    CandidateSlot slot;
    uint64_t lastDraw = 0;                     // id of the latest draw; ids start at 1
    // The running or latest draw is automatic: its results are recorded as
    // they are taken, and Stop takes none of its own.
    bool automatic = false;
    std::string lastResult;                    // of the running or latest automatic draw
    AutoDrawTiming autoTiming;

    // Draws without repeats: while on, a result leaves the pool of its source.
    bool noRepeats = false;
    PoolBook book;
    // This session's results, in the order recorded; take-back removes the
    // latest. `takes` says for each what left its pool.
    DrawResults results;
    std::vector<PoolTake> takes;

    // The running or latest draw.
    DrawMode drawMode = DrawMode::Number;
    std::string drawSource;        // the name file, or "lo~hi"
    bool drawPooled = false;       // draws from its pool
    bool candidateShown = false;   // a candidate of this draw reached the display
    std::string shownCandidate;    // the latest such, when pooled
    NameEntry shownEntry;          // the latest such, split into its fields
    PoolReport poolReport;         // its name pool, filled in by the roller
    bool reportTaken = false;      // its counts have been read
    std::string poolStatus;        // as last shown
};

class DrawSession : private DrawSessionState {
  public:
    DrawSession() = default;
    explicit DrawSession(DrawHost drawHost) { host = std::move(drawHost); }
    DrawSession(const DrawSession&) = delete;
    DrawSession& operator=(const DrawSession&) = delete;
    ~DrawSession();

    void start();                 // click on Start
    void stop();                  // click on Stop
    void selectMode(DrawMode m);  // the engine's part of the mode menu commands
    DrawMode selectedMode() const { return mode; }
    // UI thread: shows the pending candidate if its draw is still running.
    // Returns whether it did.
    bool deliverCandidate();
    void clearRecord();           // "清空": empties the record and the names box
    // Between an accepted Start and the Stop or mode change that ends it
    // (also when the roller's thread could not be started).
    bool rolling() const;

    // Draws without repeats on or off; the draw running keeps its own way.
    void setNoRepeats(bool on);
    bool noRepeatsOn() const { return noRepeats; }
    // The pools saved by an earlier run; taken as they are.
    void loadPools(DrawPools saved);
    const DrawPools& drawnPools() const { return book.pools; }
    // Empties the drawn set of the current source; not while a draw runs.
    bool resetPool();
    // This session's results, in the order recorded.
    const DrawResults& sessionResults() const { return results; }
    // The latest result of the session leaves the end of the record and
    // returns to its pool; a void one too, mark and all, since taking back
    // undoes the draw whole. Not while a draw runs or with no result left.
    bool takeBack();
    bool canTakeBack() const;
    // The latest result gets kVoidMark after its record entry and stays out
    // of its pool. Once per result; not while a draw runs.
    bool voidLast();
    bool canVoidLast() const;
    // The current source: the running draw's, else the selected file or the
    // limits as typed. Reads the name file when its pool was never counted.
    PoolCounts currentPool();
    // Counts the current source anew (after the selection, the limits or the
    // file changed) and tells the host.
    void refreshPoolStatus();

    // The window's tasks, for a caller that watches them (benchmarks, tests).
    DrawHost& windowTasks() { return host; }
    // How long a "second" of automatic draws lasts; tests shorten it.
    void setAutoTiming(const AutoDrawTiming& timing) { autoTiming = timing; }
};
