#pragma once
// Prize rounds in the main window ("按奖项抽取"): Start and Stop draw whole
// batches tier by tier, the record and the status bar follow, and the prize
// editor (FORM6) and the 补抽 list (FORM8) are opened from here. The tiers
// are tobrix-prizes.ini, the winners tobrix-prizes.dat, both beside the
// program and written whole or not at all.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "engine/prize_draws.h"

struct MainWindow;

constexpr char kPrizesFileName[] = "tobrix-prizes.ini";
constexpr char kPrizeEventsFileName[] = "tobrix-prizes.dat";

// The timer that rolls a batch's candidates on FORM1.
const UINT_PTR kPrizeRollTimer = 0x7052;

struct PrizeRoundState {
    bool on = false;  // "按奖项抽取"
    PrizeList list;
    PrizeEvents events;
    RandomSource random;
    // Built at Start, so that Stop draws a batch without a pass over the
    // whole name file and every earlier winner.
    PrizeDrawCache cache;
    // This session's winners in the record.
    PrizeRecord record;

    // The roll under way: its source, tier and batch, the slots it rolls and
    // the candidates it shows.
    bool rolling = false;
    DrawMode mode = DrawMode::Number;
    PrizeSource source;
    std::size_t tier = 0;
    int32_t batch = 0;
    std::size_t slots = 0;
    bool rollingRedraw = false;  // the one slot of a 补抽
    std::vector<std::string> candidates;

    // 补抽 chosen: the winner (index into its event's winners), voided and
    // waiting for its replacement; the line of the record it has, or
    // record.size() when an earlier run recorded it.
    bool redrawPending = false;
    std::string redrawSource;
    std::size_t redrawIndex = 0;
    std::size_t redrawLine = 0;
    // What FORM8 lists: indices into the winners, and their texts.
    std::vector<std::size_t> redrawChoices;
    std::vector<std::string> redrawNames;  // "三等奖 张三"
};

// tobrix-prizes.ini as it is on disk; no tiers when it is missing.
PrizeList LoadPrizeTiers();

// At start-up, with the option as remembered.
void InitialisePrizeRounds(MainWindow& window, bool on);
void TogglePrizeRounds(MainWindow& window);  // 1029
void OpenPrizeEditor(MainWindow& window);    // 1028
void OpenRedrawList(MainWindow& window);     // 1030
// FORM6 wrote the tiers file: the rounds draw by it from now on.
void TakeSavedTiers(MainWindow& window);
// FORM8's choice (an index into what it listed): the winner is voided at
// once, and the next Start and Stop draw the replacement.
void ChooseRedrawWinner(MainWindow& window, std::size_t chosen);

// Start and Stop while rounds are on.
void StartPrizeRoll(MainWindow& window);
void StopPrizeRoll(MainWindow& window);
void TickPrizeRoll(MainWindow& window);
// The mode changed: a roll ends without a result.
void AbandonPrizeRoll(MainWindow& window);

// Take-back and void of the latest batch; false when there was none, so
// that the plain result's command may act instead.
bool TakeBackPrizeBatch(MainWindow& window);
bool VoidPrizeBatch(MainWindow& window);
bool CanTakeBackPrizeBatch(const MainWindow& window);
bool CanVoidPrizeBatch(const MainWindow& window);
bool CanRedrawWinner(const MainWindow& window);
// After "重置抽取池": offers to clear the current source's prize results.
void OfferPrizeReset(MainWindow& window);

// The source or the tiers changed: the status bar and the presenter follow.
void ShowPrizeRoundStatus(MainWindow& window);
// The presenter view opened: it gets the batch to show.
void ShowCurrentPrizeBatch(MainWindow& window);
// The session's results with its prize winners among them, for export.
DrawResults ResultsWithPrizes(const MainWindow& window);

// FORM6 and FORM8.
INT_PTR CALLBACK PrizeEditorProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RedrawFormProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam);
