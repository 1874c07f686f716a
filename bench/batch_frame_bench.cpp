// A prize batch of 300 on the presenter view, inside the bench's own process:
// one rolling frame and one frozen frame (the winners fitted afresh) beside
// the floor, a plain window of the same size drawing the same 300 strings in
// one font with DrawText through the same kind of buffer; and the whole of
// Stop's work on the UI thread beside its budget of 20 ms.
#include <windows.h>

#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "engine/prize_rounds.h"
#include "ui/batch_screen.h"
#include "ui/diagnostics.h"
#include "ui/ids.h"
#include "ui/presenter_view.h"

namespace {

const char kTitle[] = "三等奖 · 保温杯 · 第2批";

// Names as a ceremony has them, two to four characters, GBK.
std::vector<std::string> MakeNames(int count) {
    const char* const surnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴", "欧阳", "司马"};
    const char* const given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋",
                                 "勇", "艳", "杰", "娟", "涛", "明", "超", "秀", "霞", "平"};
    std::vector<std::string> names;
    for (int k = 0; k < count; ++k) {
        std::string name = surnames[k % 12];
        name += given[(k / 12) % 20];
        if ((k / 240) % 3) name += given[(k / 720) % 20];
        names.push_back(name);
    }
    return names;
}

long Property(HWND window, const char* name) {
    return static_cast<long>(reinterpret_cast<intptr_t>(GetPropA(window, name)));
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// ---- The floor ----

struct Floor {
    HWND window = nullptr;
    HDC buffer = nullptr, background = nullptr;
    HFONT font = nullptr;
    BatchLayout layout;
    const std::vector<std::wstring>* strings = nullptr;
};

Floor gFloor;

LRESULT CALLBACK FloorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return 1;
    if (message != WM_PAINT || !gFloor.buffer) return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    const RECT& r = ps.rcPaint;
    BitBlt(gFloor.buffer, r.left, r.top, r.right - r.left, r.bottom - r.top, gFloor.background, r.left, r.top,
           SRCCOPY);
    HGDIOBJ old = SelectObject(gFloor.buffer, gFloor.font);
    SetBkMode(gFloor.buffer, TRANSPARENT);
    SetTextColor(gFloor.buffer, RGB(255, 0, 0));
    if (gFloor.strings) {
        for (std::size_t i = 0; i < gFloor.strings->size(); ++i) {
            RECT text = BatchNameRect(gFloor.layout, i);
            const std::wstring& s = (*gFloor.strings)[i];
            DrawTextW(gFloor.buffer, s.c_str(), static_cast<int>(s.size()), &text,
                      DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
        }
    }
    SelectObject(gFloor.buffer, old);
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, gFloor.buffer, r.left, r.top, SRCCOPY);
    EndPaint(window, &ps);
    return 0;
}

HDC MakeBuffer(HWND window, SIZE size) {
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    SelectObject(dc, CreateCompatibleBitmap(screen, size.cx, size.cy));
    ReleaseDC(window, screen);
    RECT all{0, 0, size.cx, size.cy};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return dc;
}

std::wstring Widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                      static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return wide;
}

std::vector<std::string> Slice(const std::vector<std::string>& pool, std::size_t frame, std::size_t count) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(pool[(frame * 7919 + i * 331) % pool.size()]);
    return out;
}

}  // namespace

int main() {
    const int kSlots = 300, kFrames = 40, kRounds = 5;
    const std::vector<std::string> pool = MakeNames(100000);

    // A main window stand-in with the display whose look the view takes.
    HWND form = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND display = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 100, 50, form,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(form1::kResultDisplay)), nullptr,
                                   nullptr);
    LOGFONTW face{};
    face.lfHeight = 72;
    face.lfWeight = FW_BOLD;
    face.lfCharSet = DEFAULT_CHARSET;
    face.lfQuality = ANTIALIASED_QUALITY;
    MultiByteToWideChar(CP_ACP, 0, "宋体", -1, face.lfFaceName, LF_FACESIZE - 1);
    SendMessageW(display, WM_SETFONT, reinterpret_cast<WPARAM>(CreateFontIndirectW(&face)), FALSE);

    PresenterView* view = nullptr;
    OpenPresenterView(view, form);
    HWND viewWindow = PresenterViewWindow(view);
    if (!viewWindow) {
        std::printf("batch frame bench: the presenter view did not open\n");
        return 1;
    }
    RECT client;
    GetClientRect(viewWindow, &client);
    const SIZE size{client.right, client.bottom};

    // Rolling frames: every slot shows another candidate each frame.
    std::vector<std::vector<std::string>> frames;
    for (int f = 0; f < kFrames; ++f) frames.push_back(Slice(pool, static_cast<std::size_t>(f), kSlots));
    ShowPresenterBatch(view, PresenterBatch{kTitle, frames[0], true});
    Pump();

    // The floor draws the same strings in the view's font into the view's grid.
    gFloor.layout.count = Property(viewWindow, kBatchSlotsProperty);
    gFloor.layout.fontSize = Property(viewWindow, kBatchFontSizeProperty);
    gFloor.layout.columns = Property(viewWindow, kBatchColumnsProperty);
    gFloor.layout.rows = Property(viewWindow, kBatchRowsProperty);
    gFloor.layout.slotWidth = Property(viewWindow, kBatchSlotWidthProperty);
    gFloor.layout.slotHeight = Property(viewWindow, kBatchSlotHeightProperty);
    gFloor.layout.left = Property(viewWindow, kBatchLeftProperty);
    gFloor.layout.top = Property(viewWindow, kBatchTopProperty);
    LOGFONTW slotFace = face;
    slotFace.lfHeight = gFloor.layout.fontSize;
    slotFace.lfWidth = 0;
    gFloor.font = CreateFontIndirectW(&slotFace);
    std::vector<std::vector<std::wstring>> wideFrames;
    for (const auto& frame : frames) {
        wideFrames.emplace_back();
        for (const std::string& s : frame) wideFrames.back().push_back(Widen(s));
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = FloorProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TobrixBenchFloor";
    RegisterClassA(&wc);
    gFloor.window = CreateWindowExA(0, wc.lpszClassName, "floor", WS_POPUP, 0, 0, size.cx, size.cy, nullptr, nullptr,
                                    wc.hInstance, nullptr);
    gFloor.buffer = MakeBuffer(gFloor.window, size);
    gFloor.background = MakeBuffer(gFloor.window, size);
    ShowWindow(gFloor.window, SW_SHOWNOACTIVATE);
    RECT grid{gFloor.layout.left, gFloor.layout.top,
              gFloor.layout.left + gFloor.layout.columns * gFloor.layout.slotWidth,
              gFloor.layout.top + gFloor.layout.rows * gFloor.layout.slotHeight};

    std::vector<double> rolling, floor, frozen;
    for (int round = 0; round < kRounds; ++round) {
        // Each measured on top, where its frames reach the screen.
        SetWindowPos(viewWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        Pump();
        for (int f = 1; f < kFrames; ++f) {
            const double begin = BenchNow();
            ShowPresenterBatch(view, PresenterBatch{kTitle, frames[static_cast<std::size_t>(f)], true});
            GdiFlush();
            rolling.push_back(BenchNow() - begin);
        }
        // Stop: the winners are fitted afresh, then painted.
        for (int f = 0; f < 4; ++f) {
            ShowPresenterBatch(view, PresenterBatch{kTitle, frames[static_cast<std::size_t>(f)], true});
            const double begin = BenchNow();
            ShowPresenterBatch(view, PresenterBatch{kTitle, frames[static_cast<std::size_t>(f + 5)], false});
            GdiFlush();
            frozen.push_back(BenchNow() - begin);
        }
        Pump();
        SetWindowPos(gFloor.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        Pump();
        for (int f = 1; f < kFrames; ++f) {
            const double begin = BenchNow();
            gFloor.strings = &wideFrames[static_cast<std::size_t>(f)];
            InvalidateRect(gFloor.window, &grid, FALSE);
            UpdateWindow(gFloor.window);
            GdiFlush();
            floor.push_back(BenchNow() - begin);
        }
        Pump();
    }
    const double floorMs = Quantile(floor, 0.5) * 1000;
    char detail[200];
    std::snprintf(detail, sizeof detail, "batch of %d on %ldx%ld: %d columns x %d rows, names at %d px", kSlots,
                  size.cx, size.cy, gFloor.layout.columns, gFloor.layout.rows, gFloor.layout.fontSize);
    PrintDetail(detail);
    PrintFigure("batch of 300, rolling frame (median)", Quantile(rolling, 0.5) * 1000, "ms", floorMs, "<= 1.5x floor",
                Quantile(rolling, 0.5) * 1000 <= 1.5 * floorMs);
    PrintFigure("batch of 300, frozen frame, fitted (median)", Quantile(frozen, 0.5) * 1000, "ms", floorMs,
                "<= 1.5x floor", Quantile(frozen, 0.5) * 1000 <= 1.5 * floorMs);

    // Stop's whole work on the UI thread: the batch drawn with the kept draw
    // state, its record lines, the frozen frame.
    const PrizeSource source = MakeEntriesPrizeSource("bench.txt", pool);
    const std::vector<PrizeTier> tiers = {{"二等奖", "", 10000, 0, false}, {"三等奖", "保温杯", 3000, 300, false}};
    PrizeWinners earlier;
    RandomSource random;
    random.seed = 7;
    PrizeDrawCache kept;
    DrawPrizeBatch(tiers, source, earlier, random, &kept);  // 10,000 earlier winners
    std::vector<double> stops, draws, records;
    CalendarTime now{};
    for (int round = 0; round < 9; ++round) {
        // Room to grow, as a list that has grown by batches has most times.
        PrizeWinners winners;
        winners.reserve(earlier.size() * 2);
        winners = earlier;
        PrizeDrawCache cache = kept;
        ShowPresenterBatch(view, PresenterBatch{kTitle, frames[static_cast<std::size_t>(round)], true});
        const double begin = BenchNow();
        const BatchOutcome outcome = DrawPrizeBatch(tiers, source, winners, random, &cache);
        const double drawn = BenchNow();
        std::string record;
        PresenterBatch batch{kTitle, {}, false};
        for (std::size_t i = outcome.first; i < winners.size(); ++i) {
            const DrawResult result = PrizeWinnerResult(winners[i], DrawMode::Name, source.key, now);
            record += result.recordEntry;
            record += "\r\n";
            batch.slots.push_back(result.result);
        }
        const double recorded = BenchNow();
        ShowPresenterBatch(view, batch);
        GdiFlush();
        stops.push_back(BenchNow() - begin);
        draws.push_back(drawn - begin);
        records.push_back(recorded - drawn);
        if (outcome.drawn != 300 || record.empty()) std::printf("batch frame bench: drew %zu\n", outcome.drawn);
    }
    const double stopMs = Quantile(stops, 0.5) * 1000;
    std::snprintf(detail, sizeof detail, "Stop after 10,000 earlier winners: draw %.2f ms, record lines %.2f ms (medians)",
                  Quantile(draws, 0.5) * 1000, Quantile(records, 0.5) * 1000);
    PrintDetail(detail);
    PrintFigure("Stop on 300 of 100,000 (draw, record, frame)", stopMs, "ms", 20.0, "<= 1x 20 ms budget",
                stopMs <= 20.0);
    ClosePresenterView(view);
    DestroyWindow(gFloor.window);
    DestroyWindow(form);
    return 0;
}
