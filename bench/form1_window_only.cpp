// FORM1's window and nothing behind it: the same program file's classes,
// menu, controls, fonts and manifest, made with plain CreateWindowExA, with
// no event hook, no properties, no files, no picture and no clock. Its start-up
// is the least any program showing this window can cost here, so the bench
// prints it beside the baseline dialog and Tobrix.
#include <windows.h>

#include <commctrl.h>

#include "bench/plain_dialog.h"
#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/picture_box.h"
#include "ui/forms/definitions.h"
#include "runtime/startup_trace.h"
#include "ui/ids.h"

namespace {

const char* const kCaption = "Tobrix window only";
// The template's "no position": centred on the screen, as FORM1 is.
const int kCentred = static_cast<int>(0x80000000);

void CreateControls(HWND form) {
    HGDIOBJ dialogFont = reinterpret_cast<HGDIOBJ>(SendMessageA(form, WM_GETFONT, 0, 0));
    for (int id = form1::kStart;; ++id) {  // the first of FORM1's gapless IDs
        ControlDefinition def;
        if (!GetControlDefinition("FORM1", id, def)) break;
        if (def.className == "Timer" || def.className == "OCX") continue;
        int x = def.x, y = def.y, w = def.width, h = def.height;
        TwipsToPixels(nullptr, x, y, w, h);
        HWND control = CreateWindowExA(def.exStyle, def.className.c_str(), def.text.c_str(), def.style, x, y, w, h,
                                       form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), gAppPaths.instance,
                                       nullptr);
        if (!control) continue;
        HGDIOBJ font = dialogFont;
        if (def.fontSize >= 3 && !def.fontFace.empty())
            font = MakeFont(nullptr, def.fontFace, def.fontSize, def.bold ? FW_BOLD : FW_NORMAL, def.italic,
                            def.underline, def.strikeOut);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

// The plain loop, with the time stamps written when the queue first runs dry,
// as Tobrix writes its own: the bench lays both start-ups side by side.
int RunTracedLoop(HWND form) {
    MSG msg;
    for (bool traced = false;;) {
        if (!traced && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            traced = true;
            TraceMark("first idle");
            TraceWrite();
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return 0;
        if (IsDialogMessageA(form, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    TraceMark("winmain");
    INITCOMMONCONTROLSEX classes = {sizeof classes, 0x706F};
    InitCommonControlsEx(&classes);
    gAppPaths.instance = instance;
    registerPictureBoxClass();
    TraceMark("classes");

    FormDefinition def;
    if (!GetFormDefinition("FORM1", def)) return 1;
    // The size FORM1 is created with; its place is the centre of the screen.
    int unusedX = 0, unusedY = 0, w = def.width, h = def.height;
    TwipsToPixels(nullptr, unusedX, unusedY, w, h);
    if (def.clientWidth > 0 && def.clientHeight > 0) {
        int cw = def.clientWidth, ch = def.clientHeight;
        TwipsToPixels(nullptr, unusedX, unusedY, cw, ch);
        RECT frame = {0, 0, cw, ch};
        AdjustWindowRectEx(&frame, def.style, def.menu != nullptr, def.exStyle);
        w = frame.right - frame.left;
        h = frame.bottom - frame.top;
    }

    alignas(4) unsigned char buffer[512];
    BuildDialogTemplate(buffer, def.style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, def.exStyle, false, kCentred, kCentred,
                        false);
    HWND form = CreateDialogIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(buffer), nullptr,
                                           PlainDialogProc, 0);
    if (!form) return 1;
    SetWindowTextA(form, kCaption);
    TraceMark("dialog");
    if (def.menu) SetMenu(form, BuildMenuBar(*def.menu));
    TraceMark("hook");
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(form, HWND_TOP, (area.left + area.right - w) / 2, (area.top + area.bottom - h) / 2, w, h,
                 SWP_HIDEWINDOW);
    CreateControls(form);
    TraceMark("controls");
    ShowWindow(form, SW_SHOW);
    TraceMark("shown");
    return RunTracedLoop(form);
}
