#include "framework/startup.h"

#include <commctrl.h>

#include "framework/app_paths.h"
#include "framework/forms.h"
#include "ui/main_window.h"

void InitCommonControlsAll() {
    InitCommonControls();
    HMODULE comctl = GetModuleHandleA("COMCTL32.DLL");
    int32_t handle = static_cast<int32_t>(reinterpret_cast<intptr_t>(comctl));
    if (!(handle < 0 || handle > 32)) return;
    typedef BOOL(WINAPI * InitEx)(const INITCOMMONCONTROLSEX*);
    auto initEx = reinterpret_cast<InitEx>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
    if (!initEx) return;
    INITCOMMONCONTROLSEX classes = {8, 0x7FF};
    initEx(&classes);
}

int ApplicationStart(HINSTANCE instance, HINSTANCE, const char*, int showCommand) {
    gAppPaths.instance = instance;
    InitAppPaths();
    InitCommonControlsAll();
    gForms.form1 = CreateForm("FORM1", nullptr, 0);
    if (gForms.form1) ShowWindow(gForms.form1, showCommand);
    ShowFormModal(gForms.form1, nullptr);
    return 0;
}
