// The least a program with a window costs here: a dialog from an in-memory
// template with one static text, and its own GetMessage loop. The benchmarks
// measure it beside Tobrix in the same run and divide Wine's costs out.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "bench/plain_dialog.h"
#include "ui/ids.h"

namespace {

struct TemplateWriter {
    uint8_t* at;
    void word(uint16_t v) {
        std::memcpy(at, &v, 2);
        at += 2;
    }
    void dword(uint32_t v) {
        std::memcpy(at, &v, 4);
        at += 4;
    }
    void text(const char* ascii) {
        while (*ascii) word(static_cast<uint8_t>(*ascii++));
        word(0);
    }
    void text(const wchar_t* wide) {
        while (*wide) word(static_cast<uint16_t>(*wide++));
        word(0);
    }
    void align() {
        while (reinterpret_cast<uintptr_t>(at) % 4) *at++ = 0;
    }
};

}  // namespace

// With "cjk" on its command line the dialog's font and text are Chinese, as
// Tobrix's are: under Wine the first Chinese text makes the process load a
// CJK font, a cost of the language rather than of the program.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    const bool chinese = commandLine && std::strstr(commandLine, "cjk") != nullptr;
    alignas(4) uint8_t buffer[512] = {};
    TemplateWriter t{buffer};
    t.dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_SETFONT | DS_CENTER);
    t.dword(0);    // extended style
    t.word(1);     // one item
    t.word(0);     // x
    t.word(0);     // y
    t.word(200);   // cx, dialog units
    t.word(60);    // cy
    t.word(0);     // no menu
    t.word(0);     // standard class
    t.text("Tobrix baseline");
    t.word(8);
    if (chinese) {
        t.text(L"\u5b8b\u4f53");  // SimSun
    } else {
        t.text("MS Sans Serif");
    }
    t.align();
    t.dword(WS_CHILD | WS_VISIBLE | SS_LEFT);
    t.dword(0);
    t.word(10);
    t.word(10);
    t.word(180);
    t.word(20);
    t.word(form1::kStart);  // control ID: the start button it stands in for
    t.word(0xFFFF);  // predefined class:
    t.word(0x0082);  // static
    if (chinese) {
        t.text(L"\u5f00\u59cb\u62bd\u53d6");
    } else {
        t.text("baseline");
    }
    t.word(0);  // no creation data

    HWND dialog = CreateDialogIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(buffer), nullptr,
                                             PlainDialogProc, 0);
    if (!dialog) return 1;
    return RunPlainDialogLoop(dialog);
}
