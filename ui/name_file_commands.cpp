#include "ui/name_file_commands.h"

#include <vector>

#include "framework/controls.h"
#include "runtime/services.h"
#include "storage/name_files.h"
#include "ui/long_text.h"

namespace {

void showNotice(const std::string& text) { ShowMessage(text, "提示", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND); }

void fillList(HWND list, const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) {
        SendMessageA(list, CB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(names[i].c_str()));
        SendMessageA(list, CB_SETCURSEL, 0, 0);
    }
}

}  // namespace

void ListNameFiles(HWND list, HWND namesBox, const std::string& programDirectory) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    SetWindowTextA(namesBox, "");
    const std::vector<std::string> names = FindNameFiles();
    const std::string first = names.empty() ? std::string() : names[0];
    // Set in one go rather than name by name, which would be quadratic in
    // the file's size; only a name too long to wrap at once goes in pieces.
    SetEditText(namesBox, NamesBoxText(LoadTextFile(programDirectory + first)));
    fillList(list, names);
}

void FillNameFileList(HWND list) { fillList(list, FindNameFiles()); }

std::string SelectedNameFile(HWND list) { return SelectedComboText(list); }

void EditNameFile(HWND list, const std::string& programDirectory) {
    showNotice("提示：编辑完成后，将其保存！");
    ShellRun("Notepad.exe  " + programDirectory + SelectedNameFile(list), SW_SHOWNORMAL, true, false);
}

void NewNameFile(HWND list) {
    showNotice("提示：按规则编辑文件后，将其保存在软件的安装目录下！");
    ShellRun("Notepad.exe ", SW_SHOWNORMAL, true, false);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    FillNameFileList(list);
}

void DeleteNameFile(HWND list, const std::string& programDirectory) {
    const std::string name = SelectedNameFile(list);
    if (name.empty()) {
        showNotice("没有选中文件！");
        return;
    }
    RecycleFile(programDirectory + name);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    FillNameFileList(list);
}

void RefreshNameFiles(HWND list, HWND namesBox, const std::string& programDirectory) {
    ListNameFiles(list, namesBox, programDirectory);
}
