#include "ui/presets.h"

#include <windows.h>

#include "engine/draw_session.h"
#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "runtime/services.h"
#include "runtime/strings.h"
#include "storage/ini.h"
#include "ui/handlers.h"
#include "ui/ids.h"
#include "ui/main_window_state.h"

namespace {

const char* const kAccessCode = "5038172694";

struct PresetPlace {
    const char* file;
    const char* section;
    const char* key;
};

PresetPlace placeFor(DrawMode mode) {
    return mode == DrawMode::Number ? PresetPlace{"config1.ini", "f1", "v"}
                                    : PresetPlace{"config2.ini", "f2", "v2"};
}

}  // namespace

std::string ReadPreset(DrawMode mode) {
    PresetPlace p = placeFor(mode);
    return IniRead(std::string(gAppPaths.directory) + p.file, p.section, p.key, "");
}

bool AccessCodeAccepted(const std::string& typed) {
    // Byte for byte: no trimming, no case folding.
    return StrCompare(typed, kAccessCode) == 0;
}

void OpenPresetForms(MainWindow& window, DrawMode target) {
    window.presetTarget = target;
    HWND access = CreateForm(kAccessCodeFormName, window.form, 0);
    if (!access) return;
    ShowWindow(access, SW_SHOWNORMAL);
    ShowFormModal(access, window.form);
}

LRESULT HandleAccessCode(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    if (!AccessCodeAccepted(ControlText(form, form2::kCode))) {
        ShowMessage("口令不正确！", "提示", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
        return 0;
    }
    MainWindow* window = FindMainWindow(form);
    HWND main = window ? window->form : nullptr;
    HWND preset = CreateForm(kPresetFormName, main, 0);
    if (preset) {
        ShowWindow(preset, SW_SHOWNORMAL);
        ShowFormModal(preset, main);
    }
    CloseForm(form);
    return 0;
}

LRESULT HandlePresetSave(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    // A preset form outside a main window (tests make them) saves the number preset.
    const MainWindow* window = FindMainWindow(form);
    PresetPlace p = placeFor(window ? window->presetTarget : DrawMode::Number);
    // Not checked: a failed write leaves the previous preset in force.
    IniWrite(std::string(gAppPaths.directory) + p.file, p.section, p.key, ControlText(form, form3::kPreset));
    CloseForm(form);
    return 0;
}

LRESULT HandlePresetCancel(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    CloseForm(form);
    return 0;
}
