// The forms, controls, menu and event entries of the program, written as the
// tables they are. One row per control; IDs run from 100 without gaps because
// the framework asks for 100, 101, ... and stops at the first missing one.
#include "ui/forms/definitions.h"

#include "ui/contact.h"
#include "ui/handlers.h"
#include "ui/ids.h"

#include <cstddef>

namespace {

const int32_t NONE = -1;  // no colour: the system default is used

struct FormRow {
    const char* name;
    const char* caption;
    int x, y, width, height;
    DWORD style, exStyle;
    int32_t back;
    bool hasMenu;
};

struct ControlRow {
    int id;
    const char* className;
    int x, y, width, height;
    DWORD style, exStyle;
    int32_t back, fore;
    const char* text;
};

struct FontRow {
    const char* form;
    int id;
    const char* face;
    float size;
    bool bold;
};

struct EventRow {
    const char* form;
    int id;
    UINT message;
    int code;
    EventHandler handler;
};

struct FormControls {
    const char* form;
    const ControlRow* rows;
    size_t count;
};

// clang-format off
const FormRow kForms[] = {
//   form     caption           x     y     width  height style       ext    back      menu
    {kMainFormName,       "Tobrixv1.0",     45,   30,   16455, 11295, 0x00CF0000, 0,     0xE0E0E0, true },
    {kAccessCodeFormName, "请输入口令...",  4215, 2895, 5595,  3465,  0x10CF0000, 0x180, NONE,     false},
    {kPresetFormName,     "预设",           2955, 2610, 6120,  3675,  0x10CF0000, 0x180, NONE,     false},
    {kUnusedFormName,     "Form4",          2385, 1425, 10530, 5325,  0x10CF0000, 0,     NONE,     false},
    {kAboutFormName,      "关于我们",       2880, 1215, 7695,  4605,  0x10CF0000, 0x180, NONE,     false},
    // Prize rounds
    {kPrizeEditorFormName, "奖项设置",      2400, 1500, 7575,  5880,  0x10CF0000, 0x180, NONE,     false},
    {kRedrawFormName,     "补抽",           3000, 2000, 4920,  4680,  0x10CF0000, 0x180, NONE,     false},
    {kRosterFormName,     "导入名单",       0,    0,    9780,  7320,  0x10C80000, 0x101, NONE,     false},
};

const ControlRow kForm1[] = {
//   ID                   class                 x      y      width  height style       ext    back      fore      text
    {form1::kStart,          "Button",             7080,  6600,  1455,  495,  0x10016F00, 0,     NONE,     NONE,     "开始"},
    {form1::kStop,           "Button",             9480,  6600,  1455,  495,  0x18016F00, 0,     NONE,     NONE,     "停止"},
    {form1::kResultDisplay,  "Static",             2760,  2640,  10815, 2055, 0x10801901, 0x200, NONE,     0x0000FF, ""},
    {form1::kPicture,        "ZQ_IPictureBox",     0,     1200,  16335, 5055, 0x10000980, 0,     NONE,     NONE,     ""},
    {form1::kPanelToggle,    "Static",             15240, 7125,  945,   255,  0x10000900, 0,     0xE0E0E0, NONE,     "模式切换>>"},
    {form1::kStatusBar,      "msctls_statusbar32", 0,     10305, 16335, 300,  0x10000003, 0,     NONE,     NONE,     ""},
    {form1::kSettingsFrame,  "Button",             120,   0,     16095, 1095, 0x10020107, 0x20,  NONE,     NONE,     ""},
    {form1::kEditFile,       "Button",             6720,  600,   1455,  375,  0x00016F00, 0,     NONE,     NONE,     "编辑文件"},
    {form1::kNewFile,        "Button",             6720,  120,   1455,  375,  0x00016F00, 0,     NONE,     NONE,     "新建文件"},
    {form1::kDeleteFile,     "Button",             8400,  120,   1455,  375,  0x00016F00, 0,     NONE,     NONE,     "删除文件"},
    {form1::kRefreshFiles,   "Button",             8400,  600,   1455,  375,  0x00016F00, 0,     NONE,     NONE,     "刷新"},
    {form1::kStepList,       "ComboBox",           4200,  630,   1455,  2200, 0x10210203, 0,     NONE,     NONE,     "Combo1"},
    {form1::kJumpFrequency,  "Edit",               4200,  180,   1455,  375,  0x10010080, 0x200, NONE,     NONE,     "10"},
    {form1::kFrequencyLabel, "Static",             3120,  240,   975,   375,  0x10000900, 0,     0xE0E0E0, NONE,     "跳跃频率"},
    {form1::kStepLabel,      "Static",             3120,  645,   735,   330,  0x10000900, 0,     0xE0E0E0, NONE,     "步长"},
    {form1::kLowerLimit,     "Edit",               1080,  120,   1455,  375,  0x10010080, 0x200, NONE,     NONE,     "1"},
    {form1::kUpperLimit,     "Edit",               1095,  600,   1455,  375,  0x10010080, 0x200, NONE,     NONE,     "10"},
    {form1::kUpperLabel,     "Static",             360,   600,   615,   375,  0x10000900, 0,     0xE0E0E0, NONE,     "上限"},
    {form1::kLowerLabel,     "Static",             360,   195,   615,   375,  0x10000900, 0,     0xE0E0E0, NONE,     "下限"},
    {form1::kDrawRecord,     "Edit",               4185,  7620,  4425,  2595, 0x10011044, 0x200, NONE,     NONE,     ""},
    {form1::kClose,          "Button",             14400, 9000,  1455,  495,  0x10016F00, 0,     NONE,     NONE,     "关闭"},
    {form1::kClear,          "Button",             14400, 8280,  1455,  495,  0x10016F00, 0,     NONE,     NONE,     "清空"},
    {form1::kNameFileList,   "ComboBox",           11400, 240,   2415,  2200, 0x00210203, 0,     NONE,     NONE,     "Combo2"},
    {form1::kFileListLabel,  "Static",             10320, 240,   975,   375,  0x00000900, 0,     0xE0E0E0, NONE,     "文件列表"},
    {form1::kClock,          "Static",             15240, 120,   735,   495,  0x10000900, 0,     0xE0E0E0, NONE,     ""},
    {form1::kContactLabel,   "Static",             15120, 10080, 1215,  255,  0x10800900, 0,     0xE0E0E0, 0x0000C0, TOBRIX_IM_SERVICE ":" TOBRIX_IM_ACCOUNT},
    {form1::kWebLabel,       "Static",             13680, 10080, 1455,  255,  0x10800900, 0,     0xE0E0E0, 0x0000C0, TOBRIX_WEB_HOST},
    {form1::kDrawCount,      "Edit",               1920,  8520,  1815,  375,  0x10010080, 0x200, NONE,     NONE,     ""},
    {form1::kDrawInterval,   "ComboBox",           1920,  7920,  1815,  2200, 0x10210203, 0,     NONE,     NONE,     "Combo3"},
    {form1::kCountLabel,     "Static",             720,   8520,  1455,  375,  0x10000900, 0,     0xE0E0E0, NONE,     "抽取个数"},
    {form1::kIntervalLabel,  "Static",             720,   7920,  1455,  375,  0x10000900, 0,     0xE0E0E0, NONE,     "时间间隔"},
    {form1::kNamesBox,       "Edit",               8760,  7635,  4425,  2535, 0x10011044, 0x200, NONE,     NONE,     ""},
    {form1::kAutoDrawFrame,  "Button",             240,   7560,  3855,  2655, 0x10020107, 0x20,  NONE,     NONE,     ""},
};

const ControlRow kForm2[] = {
//   ID                   class     x     y     width height style       ext    back  fore  text
    {form2::kOk,   "Button", 3480, 1080, 1455, 375,   0x10016F00, 0,     NONE, NONE, "确定"},
    {form2::kCode, "Edit",   480,  1080, 2535, 375,   0x100100A0, 0x200, NONE, NONE, ""},
};

const ControlRow kForm3[] = {
//   ID                   class     x     y     width height style       ext    back  fore  text
    {form3::kCancel, "Button", 3360, 2040, 1455, 495,   0x10016F00, 0,     NONE, NONE, "取消"},
    {form3::kSave,   "Button", 720,  2040, 1455, 495,   0x10016F00, 0,     NONE, NONE, "保存"},
    {form3::kPreset, "Edit",   1920, 960,  1815, 375,   0x10010080, 0x200, NONE, NONE, ""},
};

const ControlRow kForm5[] = {
//   ID                   class     x     y     width height style       ext    back  fore      text
    {form5::kWebLink,   "Button", 3120, 1080, 3135, 375,   0x10016F00, 0,     NONE, NONE,     "点击此访问我>>获取更多的支持"},
    {form5::kBugNote,   "Button", 480,  3240, 6495, 855,   0x18016F00, 0,     NONE, NONE,     "随意制作，漏洞在所难免，如果你发现BUG请联系我。。"},
    {form5::kImLabel,   "Static", 1440, 2085, 1215, 375,   0x10000900, 0,     NONE, NONE,     "我的" TOBRIX_IM_SERVICE},
    {form5::kImAccount, "Edit",   3120, 2070, 1335, 375,   0x10010080, 0x200, NONE, NONE,     TOBRIX_IM_ACCOUNT},
    {form5::kWebLabel,  "Static", 1200, 1080, 1815, 375,   0x10000900, 0,     NONE, 0x0000C0, TOBRIX_WEB_HOST},
};

// Prize rounds: the editor and the 补抽 list.
const ControlRow kForm6[] = {
//   ID                   class      x     y     width height style       ext    back  fore      text
    {form6::kTierList,      "ListBox", 240,  240,  2655, 3600, 0x10A10101, 0x200, NONE, NONE,     ""},
    {form6::kNameLabel,     "Static",  3120, 300,  900,  300,  0x10000000, 0,     NONE, NONE,     "名称"},
    {form6::kName,          "Edit",    4080, 240,  3000, 375,  0x10010080, 0x200, NONE, NONE,     ""},
    {form6::kPrizeLabel,    "Static",  3120, 780,  900,  300,  0x10000000, 0,     NONE, NONE,     "奖品"},
    {form6::kPrize,         "Edit",    4080, 720,  3000, 375,  0x10010080, 0x200, NONE, NONE,     ""},
    {form6::kCountLabel,    "Static",  3120, 1260, 900,  300,  0x10000000, 0,     NONE, NONE,     "人数"},
    {form6::kCount,         "Edit",    4080, 1200, 3000, 375,  0x10010080, 0x200, NONE, NONE,     ""},
    {form6::kPerBatchLabel, "Static",  3120, 1740, 900,  300,  0x10000000, 0,     NONE, NONE,     "每批"},
    {form6::kPerBatch,      "Edit",    4080, 1680, 3000, 375,  0x10010080, 0x200, NONE, NONE,     ""},
    {form6::kRepeat,        "Button",  3120, 2160, 3000, 375,  0x10010003, 0,     NONE, NONE,     "可重复中奖"},
    {form6::kAdd,           "Button",  240,  3960, 1260, 435,  0x10016F00, 0,     NONE, NONE,     "添加"},
    {form6::kDelete,        "Button",  1620, 3960, 1260, 435,  0x10016F00, 0,     NONE, NONE,     "删除"},
    {form6::kMoveUp,        "Button",  3000, 3960, 1260, 435,  0x10016F00, 0,     NONE, NONE,     "上移"},
    {form6::kMoveDown,      "Button",  4380, 3960, 1260, 435,  0x10016F00, 0,     NONE, NONE,     "下移"},
    {form6::kOk,            "Button",  4380, 4620, 1260, 435,  0x10016F00, 0,     NONE, NONE,     "确定"},
    {form6::kCancel,        "Button",  5820, 4620, 1260, 435,  0x10016F00, 0,     NONE, NONE,     "取消"},
    {form6::kLeftOut,       "Static",  3120, 2640, 3960, 1200, 0x10000000, 0,     NONE, 0x0000C0, ""},
};

const ControlRow kForm8[] = {
//   ID                   class      x     y     width height style       ext    back  fore  text
    {form8::kWinnerList, "ListBox", 240,  240,  4200, 3000, 0x10A10101, 0x200, NONE, NONE, ""},
    {form8::kOk,         "Button",  240,  3480, 1260, 435,  0x10016F00, 0,     NONE, NONE, "补抽"},
    {form8::kCancel,     "Button",  3180, 3480, 1260, 435,  0x10016F00, 0,     NONE, NONE, "取消"},
};

// The roster preview. OK and Cancel (IDOK, IDCANCEL) are added by the form's
// procedure, since the table's IDs start at 100.
const ControlRow kForm7[] = {
//   ID                       class      x     y     width height style       ext    back  fore  text
    {form7::kNameColumn,       "ComboBox", 1200, 660,  2400, 3000,  0x10210203, 0,     NONE, NONE, ""},
    {form7::kNumberColumn,     "ComboBox", 4680, 660,  2400, 3000,  0x10210203, 0,     NONE, NONE, ""},
    {form7::kDepartmentColumn, "ComboBox", 1200, 1140, 2400, 3000,  0x10210203, 0,     NONE, NONE, ""},
    {form7::kHeaderRow,        "Button",   3720, 1140, 2400, 330,   0x10010003, 0,     NONE, NONE, "第一行是标题"},
    {form7::kPreview,          "ListBox",  240,  1620, 9180, 3540,  0x10B14180, 0x200, NONE, NONE, ""},
    {form7::kSummary,          "Static",   240,  5280, 9180, 330,   0x10000080, 0,     NONE, NONE, ""},
    {form7::kFileName,         "Edit",     1200, 5760, 4800, 345,   0x10010080, 0x200, NONE, NONE, ""},
    {form7::kSheet,            "ComboBox", 1200, 180,  3600, 3000,  0x00210203, 0,     NONE, NONE, ""},
    {form7::kSheetLabel,       "Static",   240,  225,  900,  330,   0x00000080, 0,     NONE, NONE, "工作表"},
    {form7::kNameLabel,        "Static",   240,  705,  900,  330,   0x10000080, 0,     NONE, NONE, "姓名列"},
    {form7::kNumberLabel,      "Static",   3720, 705,  900,  330,   0x10000080, 0,     NONE, NONE, "编号列"},
    {form7::kDepartmentLabel,  "Static",   240,  1185, 900,  330,   0x10000080, 0,     NONE, NONE, "部门列"},
    {form7::kFileNameLabel,    "Static",   240,  5805, 900,  330,   0x10000080, 0,     NONE, NONE, "文件名"},
};

const FormControls kControls[] = {
    {kMainFormName,       kForm1, sizeof kForm1 / sizeof kForm1[0]},
    {kAccessCodeFormName, kForm2, sizeof kForm2 / sizeof kForm2[0]},
    {kPresetFormName,     kForm3, sizeof kForm3 / sizeof kForm3[0]},
    {kAboutFormName,      kForm5, sizeof kForm5 / sizeof kForm5[0]},
    {kPrizeEditorFormName, kForm6, sizeof kForm6 / sizeof kForm6[0]},
    {kRedrawFormName,     kForm8, sizeof kForm8 / sizeof kForm8[0]},
    {kRosterFormName,     kForm7, sizeof kForm7 / sizeof kForm7[0]},
};

const FontRow kFonts[] = {
//   form     ID   face    points bold
    {kMainFormName, form1::kResultDisplay, "宋体", 72,    false},
    {kMainFormName, form1::kDrawRecord, "宋体", 15,    true },
};

const EventRow kEvents[] = {
//   form     ID   message         code            handler
    {kMainFormName,       form1::kStart,        WM_COMMAND,     0,              HandleStart},
    {kMainFormName,       form1::kStop,         WM_COMMAND,     0,              HandleStop},
    {kMainFormName,       form1::kPanelToggle,  WM_SETCURSOR,   WM_LBUTTONDOWN, HandlePanelToggle},
    {kMainFormName,       form1::kEditFile,     WM_COMMAND,     0,              HandleEditFile},
    {kMainFormName,       form1::kNewFile,      WM_COMMAND,     0,              HandleNewFile},
    {kMainFormName,       form1::kDeleteFile,   WM_COMMAND,     0,              HandleDeleteFile},
    {kMainFormName,       form1::kRefreshFiles, WM_COMMAND,     0,              HandleRefreshFiles},
    {kMainFormName,       form1::kClose,        WM_COMMAND,     0,              HandleClose},
    {kMainFormName,       form1::kClear,        WM_COMMAND,     0,              HandleClear},
    {kMainFormName,       form1::kContactLabel, WM_CONTEXTMENU, 0,              HandleContactLabel},
    {kMainFormName,       form1::kWebLabel,     WM_SETCURSOR,   WM_LBUTTONDOWN, HandleWebLabel},
    {kMainFormName,       form1::kResultDisplay, WM_CONTEXTMENU, 0,              HandleToolsContextMenu},
    {kMainFormName,       form1::kPicture,       WM_CONTEXTMENU, 0,              HandleToolsContextMenu},
    {kMainFormName,       form1::kDrawRecord,    WM_CONTEXTMENU, 0,              HandleToolsContextMenu},
    {kAccessCodeFormName, form2::kOk,           WM_COMMAND,     0,              HandleAccessCode},
    {kPresetFormName,     form3::kCancel,       WM_COMMAND,     0,              HandlePresetCancel},
    {kPresetFormName,     form3::kSave,         WM_COMMAND,     0,              HandlePresetSave},
    {kAboutFormName,      form5::kWebLink,      WM_COMMAND,     0,              HandleAboutLink},
};

const std::vector<MenuPopupDefinition>& form1Menu() {
    static const std::vector<MenuPopupDefinition> popups = {
        {"背景", {{"蓝渐变",   menu::kBlueBackground},
                  {"黑渐变",   menu::kBlackBackground},
                  {"红渐变",   menu::kRedBackground},
                  {"黄渐变",   menu::kYellowBackground}}},
        {"切换", {{"抽数字",   menu::kNumberMode},
                  {"抽姓名",   menu::kNameMode}}},
        {"高级", {{"数字高级", menu::kNumberPreset},
                  {"姓名高级", menu::kNamePreset}}},
        {"帮助", {{"使用指导", menu::kUsageGuide}}},
        {"关于", {{"关于我们", menu::kAbout}}},
        {"工具", {{"全屏展示",     menu::kPresenterView},
                  {"不重复抽取",   menu::kNoRepeats},
                  {"重置抽取池",   menu::kResetPool},
                  {"撤销上次结果", menu::kTakeBack},
                  {"作废上次结果", menu::kVoidLast},
                  {"导出记录...",  menu::kExportRecord},
                  {"复制记录",     menu::kCopyRecord},
                  {"声音",         menu::kSound},
                  // Prize rounds
                  {"奖项设置...",  menu::kPrizeEditor},
                  {"按奖项抽取",   menu::kPrizeRounds},
                  {"补抽...",      menu::kRedrawWinner},
                  // rosters
                  {"导入名单...",  menu::kImportRoster},
                  {"粘贴名单",     menu::kPasteRoster}}},
    };
    return popups;
}
// clang-format on

std::string normalizeFormName(const std::string& name) {
    size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    size_t last = name.find_last_not_of(' ');
    std::string result = name.substr(first, last - first + 1);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

}  // namespace

bool GetFormDefinition(const std::string& formName, FormDefinition& out) {
    out = FormDefinition();
    const std::string name = normalizeFormName(formName);
    for (const FormRow& row : kForms) {
        if (name != row.name) continue;
        out.name = row.name;
        out.caption = row.caption;
        out.x = row.x;
        out.y = row.y;
        out.width = row.width;
        out.height = row.height;
        out.style = row.style;
        out.exStyle = row.exStyle;
        out.backColor = row.back;
        if (row.hasMenu) out.menu = &form1Menu();
        return true;
    }
    return false;
}

bool GetControlDefinition(const std::string& formName, int id, ControlDefinition& out) {
    out = ControlDefinition();
    const std::string name = normalizeFormName(formName);
    const ControlRow* found = nullptr;
    for (const FormControls& form : kControls) {
        if (name != form.form) continue;
        for (size_t i = 0; i < form.count; ++i) {
            if (form.rows[i].id == id) found = &form.rows[i];
        }
    }
    if (found == nullptr || found->className[0] == '\0') return false;

    out.className = found->className;
    out.text = found->text;
    out.x = found->x;
    out.y = found->y;
    out.width = found->width;
    out.height = found->height;
    out.style = found->style;
    // An ActiveX host sets up its own window; every other class is a plain child.
    if (out.className != "OCX") out.style |= WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    out.exStyle = found->exStyle;
    out.backColor = found->back;
    out.foreColor = found->fore;

    for (const FontRow& font : kFonts) {
        if (name == font.form && id == font.id) {
            out.fontFace = font.face;
            out.fontSize = font.size;
            out.bold = font.bold;
        }
    }
    for (const EventRow& event : kEvents) {
        if (name == event.form && id == event.id) {
            out.events.push_back({event.message, event.code, event.handler});
        }
    }
    return true;
}
