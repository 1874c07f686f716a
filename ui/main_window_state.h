#pragma once
// What FORM1 owns for as long as it exists. Made when the window first
// reaches its procedure and destroyed with the window; every function that
// acts on the main window is handed it, and event handlers, which get only a
// window handle, find it through FindMainWindow.
#include <windows.h>

#include <memory>
#include <string>

#include "engine/draw_session.h"
#include "engine/sound.h"
#include "ui/long_text.h"
#include "ui/prize_round_commands.h"

struct ClockLink;
struct PresenterView;

struct MainWindow {
    HWND form = nullptr;
    std::unique_ptr<DrawSession> session;       // made with the window, never replaced
    DrawMode presetTarget = DrawMode::Number;   // which preset the preset form saves
    int panelToggleCount = 0;                   // clicks on "模式切换>>"; even: the next expands
    std::shared_ptr<ClockLink> clock;           // shared with the clock thread, which outlives us
    KeptDisplay keptDisplay;                    // the whole of a candidate the display shows cut
    SoundState sound;                           // "声音": on or off, and when it last played
    PresenterView* presenter = nullptr;         // the open presenter view (F11); it clears this as it goes
    PrizeRoundState prizes;                     // "按奖项抽取": tiers, winners, the batch rolling
    std::string presenterSubtitle;              // GBK: the shown person's number and department
};

// The main window of `window`: FORM1 itself, or a form it owns (the preset
// forms, the about form). nullptr when there is none.
MainWindow* FindMainWindow(HWND window);

// The window property that holds the owner on FORM1.
extern const char* const kMainWindowProperty;
