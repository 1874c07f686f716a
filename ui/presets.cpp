#include "ui/presets.h"

#include <windows.h>

#include "engine/draw_session.h"
#include "framework/app_paths.h"
#include "framework/forms.h"
#include "runtime/services.h"
#include "runtime/strings.h"
#include "storage/ini.h"
#include "ui/handlers.h"
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

std::string formText(HWND form, int id) {
    HWND edit = GetDlgItem(form, id);
    int length = edit ? GetWindowTextLengthA(edit) : 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = length > 0 ? GetWindowTextA(edit, &text[0], length + 1) : 0;
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
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
    gForms.form2 = CreateForm("FORM2", gForms.form1, 0);
    if (!gForms.form2) return;
    ShowWindow(gForms.form2, SW_SHOWNORMAL);
    ShowFormModal(gForms.form2, gForms.form1);
    gForms.form2 = nullptr;
}

LRESULT HandleAccessCode(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    if (!AccessCodeAccepted(formText(form, 101))) {
        ShowMessage("口令不正确！", "提示", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
        return 0;
    }
    gForms.form3 = CreateForm("FORM3", gForms.form1, 0);
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
    IniWrite(std::string(gAppPaths.directory) + p.file, p.section, p.key, formText(form, 102));
    CloseForm(form);
    return 0;
}

LRESULT HandlePresetCancel(HWND form, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    CloseForm(form);
    return 0;
}
