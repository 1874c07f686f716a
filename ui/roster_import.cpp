#include "ui/roster_import.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "engine/roster.h"
#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "runtime/strings.h"
#include "storage/name_files.h"
#include "ui/ids.h"
#include "ui/main_window_state.h"
#include "ui/name_file_commands.h"
#include "ui/record_export.h"

namespace {

const char kCaption[] = "提示";
const char kImportProperty[] = "TobrixRosterImport";
// The preview lists this many people; the summary counts them all.
const std::size_t kPreviewRows = 200;

// What the preview works on, from the command to the form's end.
struct RosterImport {
    MainWindow* window = nullptr;
    RosterSource source;
    RosterColumns columns;
    RosterPlan plan;
};

void showProblem(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL | MB_SETFOREGROUND);
}

std::wstring Utf8ToWide(const std::string& utf8) {
    std::wstring wide;
    if (utf8.empty()) return wide;
    const int count = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), count, nullptr, 0);
    if (size <= 0) return wide;
    wide.resize(static_cast<std::size_t>(size));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), count, &wide[0], size);
    return wide;
}

// The system's code page (936 here) to UTF-8, for CSV files in it.
std::string AnsiToUtf8(const std::string& ansi) {
    std::wstring wide;
    const int count = static_cast<int>(ansi.size());
    const int size = count ? MultiByteToWideChar(CP_ACP, 0, ansi.data(), count, nullptr, 0) : 0;
    if (size <= 0) return std::string();
    wide.resize(static_cast<std::size_t>(size));
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), count, &wide[0], size);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

// The whole file, or why not. Shared with every other kind of access, so a
// workbook open in a spreadsheet program is read when the system lets it be.
std::string readRosterFile(const std::string& path, std::string& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "无法读取文件\r\n" + path + "\r\n\r\n它可能正被其他程序（如 Excel）独占打开。请关闭它后再导入。";
    }
    LARGE_INTEGER size{};
    std::string problem;
    if (!GetFileSizeEx(file, &size)) {
        problem = "无法读取文件\r\n" + path;
    } else if (size.QuadPart > static_cast<LONGLONG>(kRosterFileLimit)) {
        problem = TableStatusMessage(TableStatus::FileTooLarge);
    } else {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        if (!bytes.empty() && (!ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                               read != bytes.size())) {
            problem = "无法读取文件\r\n" + path;
        }
    }
    CloseHandle(file);
    return problem;
}

RosterImport* importOf(HWND form) { return static_cast<RosterImport*>(GetPropA(form, kImportProperty)); }

void fillColumnChoices(HWND form, const RosterImport& import) {
    const std::vector<std::string> choices = RosterColumnChoices(import.source.table, import.columns);
    const std::pair<int, int> combos[] = {{form7::kNameColumn, import.columns.name},
                                          {form7::kNumberColumn, import.columns.number},
                                          {form7::kDepartmentColumn, import.columns.department}};
    for (const auto& [id, column] : combos) {
        HWND combo = GetDlgItem(form, id);
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const std::string& choice : choices) {
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(choice).c_str()));
        }
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(column + 1), 0);
    }
    CheckDlgButton(form, form7::kHeaderRow, import.columns.header ? BST_CHECKED : BST_UNCHECKED);
}

// The list and the summary, from the columns as they stand.
void showPlan(HWND form, RosterImport& import) {
    HWND list = GetDlgItem(form, form7::kPreview);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    if (import.source.status != TableStatus::Ok) {
        import.plan = RosterPlan{};
        SetDlgItemTextA(form, form7::kSummary, import.source.message.c_str());
    } else {
        import.plan = PlanRoster(import.source.table, import.columns);
        const std::size_t shown = std::min(import.plan.rows.size(), kPreviewRows);
        for (std::size_t i = 0; i < shown; ++i) {
            const RosterPerson person = RosterPersonAt(import.source.table, import.columns, import.plan.rows[i]);
            const std::wstring line = Utf8ToWide(person.name + "\t" + person.number + "\t" + person.department);
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        }
        SetDlgItemTextA(form, form7::kSummary, RosterSummary(import.plan).c_str());
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void showSheets(HWND form, const RosterImport& import) {
    const std::vector<std::string>& names = import.source.book.sheetNames;
    const bool several = import.source.workbook && names.size() > 1;
    HWND combo = GetDlgItem(form, form7::kSheet);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    if (several) {
        for (const std::string& name : names) {
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(name).c_str()));
        }
        SendMessageW(combo, CB_SETCURSEL, import.source.sheet, 0);
    }
    ShowWindow(combo, several ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(form, form7::kSheetLabel), several ? SW_SHOW : SW_HIDE);
}

// OK and Cancel are the dialog's own IDs, below the table's 100 and up.
void addButtons(HWND form) {
    HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageA(form, form7::kFileName, WM_GETFONT, 0, 0));
    const struct {
        int id;
        int x;
        const char* text;
        DWORD style;
    } buttons[] = {{IDOK, 6240, "确定", BS_DEFPUSHBUTTON}, {IDCANCEL, 7980, "取消", BS_PUSHBUTTON}};
    for (const auto& b : buttons) {
        int x = b.x, y = 6300, w = 1455, h = 435;
        TwipsToPixels(nullptr, x, y, w, h);
        HWND button = CreateWindowExA(0, "Button", b.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | b.style, x, y, w, h,
                                      form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)),
                                      GetModuleHandleA(nullptr), nullptr);
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void initialisePreview(HWND form, RosterImport& import) {
    addButtons(form);
    // Name, number and department in columns of their own.
    const int stops[] = {120, 200};
    SendDlgItemMessageA(form, form7::kPreview, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(stops));
    showSheets(form, import);
    fillColumnChoices(form, import);
    SetDlgItemTextA(form, form7::kFileName,
                    UniqueRosterFileName(import.source.fileStem, FindNameFiles()).c_str());
    showPlan(form, import);
}

int chosenColumn(HWND form, int id) {
    const LRESULT at = SendDlgItemMessageA(form, id, CB_GETCURSEL, 0, 0);
    return at == CB_ERR ? kNoColumn : static_cast<int>(at) - 1;
}

void takeColumns(HWND form, RosterImport& import) {
    import.columns.name = chosenColumn(form, form7::kNameColumn);
    import.columns.number = chosenColumn(form, form7::kNumberColumn);
    import.columns.department = chosenColumn(form, form7::kDepartmentColumn);
}

void selectSheet(HWND form, RosterImport& import) {
    const LRESULT at = SendDlgItemMessageA(form, form7::kSheet, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR || static_cast<std::size_t>(at) == import.source.sheet) return;
    SelectRosterSheet(import.source, static_cast<std::size_t>(at));
    import.columns = import.source.status == TableStatus::Ok ? GuessRosterColumns(import.source.table) : RosterColumns{};
    fillColumnChoices(form, import);
    showPlan(form, import);
}

bool endsWithTxt(const std::string& name) {
    return name.size() >= 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".txt") == 0;
}

// The list shows the new file, selected, and the pool status counts it.
void showWrittenFile(const RosterImport& import, const std::string& name) {
    if (!import.window) return;
    HWND main = import.window->form;
    HWND list = GetDlgItem(main, form1::kNameFileList);
    RefreshNameFiles(list, GetDlgItem(main, form1::kNamesBox), gAppPaths.directory);
    const LRESULT at = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(name.c_str()));
    if (at == CB_ERR) return;
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(form1::kNameFileList, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// Writes the name file; false (the form stays) when it was not written.
bool writeNameFile(HWND form, RosterImport& import) {
    std::string name = StrTrim(ControlText(form, form7::kFileName));
    if (!endsWithTxt(name)) name += ".txt";
    const std::string problem = RosterFileNameProblem(name);
    if (!problem.empty()) {
        showProblem(form, problem);
        return false;
    }
    const std::string bytes = RosterFileBytes(import.source.table, import.columns, import.plan);
    if (bytes.empty()) {
        showProblem(form, "没有可导入的姓名：请检查姓名列的选择。");
        return false;
    }
    const std::string path = std::string(gAppPaths.directory) + name;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const std::string question = "文件“" + name + "”已经存在。要替换它吗？";
        if (MessageBoxA(form, question.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) != IDYES)
            return false;
    }
    if (!WriteFileReplacing(path, bytes)) {
        showProblem(form, "无法在程序所在的文件夹中写入名单文件\r\n" + path +
                              "\r\n\r\n该文件夹可能是只读的。没有写入任何文件。");
        return false;
    }
    SetDlgItemTextA(form, form7::kFileName, name.c_str());
    return true;
}

INT_PTR handleCommand(HWND form, RosterImport& import, int id, int code) {
    switch (id) {
    case form7::kNameColumn:
    case form7::kNumberColumn:
    case form7::kDepartmentColumn:
        if (code != CBN_SELCHANGE) return FALSE;
        takeColumns(form, import);
        showPlan(form, import);
        return TRUE;
    case form7::kHeaderRow:
        if (code != BN_CLICKED) return FALSE;
        import.columns.header = IsDlgButtonChecked(form, form7::kHeaderRow) == BST_CHECKED;
        // The choices name the columns by their headings, or not.
        fillColumnChoices(form, import);
        showPlan(form, import);
        return TRUE;
    case form7::kSheet:
        if (code != CBN_SELCHANGE) return FALSE;
        selectSheet(form, import);
        return TRUE;
    case IDOK:
        if (writeNameFile(form, import)) {
            const std::string name = ControlText(form, form7::kFileName);
            CloseForm(form);
            showWrittenFile(import, name);
        }
        return TRUE;
    case IDCANCEL:
        CloseForm(form);
        return TRUE;
    default:
        return FALSE;
    }
}

void showPreview(MainWindow& window, RosterSource source) {
    if (source.status != TableStatus::Ok) {
        showProblem(window.form, source.message);
        return;
    }
    RosterImport import;
    import.window = &window;
    import.source = std::move(source);
    import.columns = GuessRosterColumns(import.source.table);
    HWND form = CreateForm(kRosterFormName, window.form, 0);
    if (!form) return;
    SetPropA(form, kImportProperty, &import);
    ShowFormModal(form, window.form);
    // The form is gone: nothing refers to `import` any more.
}

// OpenClipboard fails while another program holds it; they hold it briefly.
bool openClipboardPatiently(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

void ImportRosterFile(MainWindow& window) {
    char file[MAX_PATH * 2] = {};
    const std::string directory = gAppPaths.directory;
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window.form;
    dialog.lpstrFilter = "名单 (*.xlsx;*.csv;*.txt)\0*.xlsx;*.csv;*.txt\0所有文件 (*.*)\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrInitialDir = directory.c_str();
    dialog.lpstrTitle = "选择名单文件";
    // NOCHANGEDIR: the name files are listed from the current directory.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&dialog)) return;
    std::string bytes;
    const std::string problem = readRosterFile(file, bytes);
    if (!problem.empty()) {
        showProblem(window.form, problem);
        return;
    }
    showPreview(window, OpenRosterFile(file, std::move(bytes), AnsiToUtf8));
}

void PasteRoster(MainWindow& window) {
    std::u16string text;
    bool tooLarge = false;
    if (openClipboardPatiently(window.form)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            const std::size_t units = GlobalSize(data) / sizeof(char16_t);
            if (units * sizeof(char16_t) > kRosterFileLimit) {
                tooLarge = true;
            } else if (const char16_t* chars = static_cast<const char16_t*>(GlobalLock(data))) {
                // Up to the terminating NUL, never past the block.
                std::size_t length = 0;
                while (length < units && chars[length] != 0) ++length;
                text.assign(chars, length);
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    if (tooLarge) {
        showProblem(window.form, TableStatusMessage(TableStatus::FileTooLarge));
        return;
    }
    const bool blank = std::all_of(text.begin(), text.end(), [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\x3000';
    });
    if (blank) {
        showProblem(window.form, "剪贴板中没有可导入的文字。\r\n请先在 Excel、WPS 或网页中选中名单并复制，再选“粘贴名单”。");
        return;
    }
    showPreview(window, OpenPastedRoster(text));
}

INT_PTR CALLBACK RosterFormProcedure(HWND form, UINT message, WPARAM wParam, LPARAM) {
    RosterImport* import = importOf(form);
    if (!import) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        initialisePreview(form, *import);
        return FALSE;
    case WM_COMMAND:
        return handleCommand(form, *import, LOWORD(wParam), HIWORD(wParam));
    case WM_NCDESTROY:
        RemovePropA(form, kImportProperty);
        return FALSE;
    default:
        return FALSE;
    }
}
