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
#include "ui/main_window.h"

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

void openPresetForms(DrawMode target) {
    MainDrawSession(gForms.form1).presetTarget = target;
    gForms.form2 = CreateForm(kAccessCodeFormName, gForms.form1, 0);
    if (!gForms.form2) return;
    ShowWindow(gForms.form2, SW_SHOWNORMAL);
    ShowFormModal(gForms.form2, gForms.form1);
    gForms.form2 = nullptr;
}

LRESULT HandleAccessCode(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    if (!AccessCodeAccepted(ControlText(form, form2::kCode))) {
        ShowMessage("口令不正确！", "提示", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
        return 0;
    }
    gForms.form3 = CreateForm(kPresetFormName, gForms.form1, 0);
    if (gForms.form3) {
        ShowWindow(gForms.form3, SW_SHOWNORMAL);
        ShowFormModal(gForms.form3, gForms.form1);
        gForms.form3 = nullptr;
    }
    CloseForm(form);
    return 0;
}

LRESULT HandlePresetSave(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    PresetPlace p = placeFor(MainDrawSession(gForms.form1).presetTarget);
    // Not checked: a failed write leaves the previous preset in force.
    IniWrite(std::string(gAppPaths.directory) + p.file, p.section, p.key, ControlText(form, form3::kPreset));
    CloseForm(form);
    return 0;
}

LRESULT HandlePresetCancel(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    CloseForm(form);
    return 0;
}
