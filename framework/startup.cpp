#include "framework/startup.h"

#include <commctrl.h>

#include "framework/app_paths.h"
#include "framework/form_registry.h"
#include "framework/forms.h"
#include "runtime/services.h"
#include "runtime/startup_trace.h"

void InitCommonControlsAll() {
    InitCommonControls();
    InitCommonControlClasses(0x7FF);
}

int ApplicationStart(HINSTANCE instance, HINSTANCE, const char*, int showCommand) {
    gAppPaths.instance = instance;
    InitAppPaths();
    InitCommonControlsAll();
    TraceMark("classes");
    const FormRegistry& forms = RegisteredForms();
    HWND main = CreateForm(forms.mainForm, nullptr, 0);
    if (forms.mainWindow) *forms.mainWindow = main;
    if (main && forms.prepareMainForm) forms.prepareMainForm(main, showCommand);
    if (main) ShowWindow(main, showCommand);
    TraceMark("shown");
    ShowFormModal(main, nullptr);
    return 0;
}
