// The forms, controls, menu and event entries of the program, written as the
// tables they are. One row per control; IDs run from 100 without gaps because
// the framework asks for 100, 101, ... and stops at the first missing one.
#include "ui/forms/definitions.h"

#include "ui/contact.h"
#include "ui/handlers.h"

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
    {"FORM1", "Tobrixv1.0",     45,   30,   16455, 11295, 0x00CF0000, 0,     0xE0E0E0, true },
    {"FORM2", "请输入口令...",  4215, 2895, 5595,  3465,  0x10CF0000, 0x180, NONE,     false},
    {"FORM3", "预设",           2955, 2610, 6120,  3675,  0x10CF0000, 0x180, NONE,     false},
    {"FORM4", "Form4",          2385, 1425, 10530, 5325,  0x10CF0000, 0,     NONE,     false},
    {"FORM5", "关于我们",       2880, 1215, 7695,  4605,  0x10CF0000, 0x180, NONE,     false},
};

const ControlRow kForm1[] = {
//   ID   class                 x      y      width  height style       ext    back      fore      text
    {100, "Button",             7080,  6600,  1455,  495,  0x10016F00, 0,     NONE,     NONE,     "开始"},
    {101, "Button",             9480,  6600,  1455,  495,  0x18016F00, 0,     NONE,     NONE,     "停止"},
    {102, "Static",             2760,  2640,  10815, 2055, 0x10801901, 0x200, NONE,     0x0000FF, ""},
    {103, "ZQ_IPictureBox",     0,     1200,  16335, 5055, 0x10000980, 0,     NONE,     NONE,     ""},
    {104, "Static",             15240, 7125,  945,   255,  0x10000900, 0,     0xE0E0E0, NONE,     "模式切换>>"},
    {105, "msctls_statusbar32", 0,     10305, 16335, 300,  0x10000003, 0,     NONE,     NONE,     ""},
    {106, "Button",             120,   0,     16095, 1095, 0x10020107, 0x20,  NONE,     NONE,     ""},
    {107, "Button",             6720,  600,   1455,  375,  0x00016F00, 0,     NONE,     NONE,     "编辑文件"},
    {108, "Button",             6720,  120,   1455,  375,  0x00016F00, 0,     NONE,     NONE,     "新建文件"},
    {109, "Button",             8400,  120,   1455,  375,  0x00016F00, 0,     NONE,     NONE,     "删除文件"},
    {110, "Button",             8400,  600,   1455,  375,  0x00016F00, 0,     NONE,     NONE,     "刷新"},
    {111, "ComboBox",           4200,  630,   1455,  2200, 0x10210203, 0,     NONE,     NONE,     "Combo1"},
    {112, "Edit",               4200,  180,   1455,  375,  0x10010080, 0x200, NONE,     NONE,     "10"},
    {113, "Static",             3120,  240,   975,   375,  0x10000900, 0,     0xE0E0E0, NONE,     "跳跃频率"},
    {114, "Static",             3120,  645,   735,   330,  0x10000900, 0,     0xE0E0E0, NONE,     "步长"},
    {115, "Edit",               1080,  120,   1455,  375,  0x10010080, 0x200, NONE,     NONE,     "1"},
    {116, "Edit",               1095,  600,   1455,  375,  0x10010080, 0x200, NONE,     NONE,     "10"},
    {117, "Static",             360,   600,   615,   375,  0x10000900, 0,     0xE0E0E0, NONE,     "上限"},
    {118, "Static",             360,   195,   615,   375,  0x10000900, 0,     0xE0E0E0, NONE,     "下限"},
    {119, "Edit",               4185,  7620,  4425,  2595, 0x10011044, 0x200, NONE,     NONE,     ""},
    {120, "Button",             14400, 9000,  1455,  495,  0x10016F00, 0,     NONE,     NONE,     "关闭"},
    {121, "Button",             14400, 8280,  1455,  495,  0x10016F00, 0,     NONE,     NONE,     "清空"},
    {122, "ComboBox",           11400, 240,   2415,  2200, 0x00210203, 0,     NONE,     NONE,     "Combo2"},
    {123, "Static",             10320, 240,   975,   375,  0x00000900, 0,     0xE0E0E0, NONE,     "文件列表"},
    {124, "Static",             15240, 120,   735,   495,  0x10000900, 0,     0xE0E0E0, NONE,     ""},
    {125, "Static",             15120, 10080, 1215,  255,  0x10800900, 0,     0xE0E0E0, 0x0000C0, TOBRIX_IM_SERVICE ":" TOBRIX_IM_ACCOUNT},
    {126, "Static",             13680, 10080, 1455,  255,  0x10800900, 0,     0xE0E0E0, 0x0000C0, TOBRIX_WEB_HOST},
    {127, "Edit",               1920,  8520,  1815,  375,  0x10010080, 0x200, NONE,     NONE,     ""},
    {128, "ComboBox",           1920,  7920,  1815,  2200, 0x10210203, 0,     NONE,     NONE,     "Combo3"},
    {129, "Static",             720,   8520,  1455,  375,  0x10000900, 0,     0xE0E0E0, NONE,     "抽取个数"},
    {130, "Static",             720,   7920,  1455,  375,  0x10000900, 0,     0xE0E0E0, NONE,     "时间间隔"},
    {131, "Edit",               8760,  7635,  4425,  2535, 0x10011044, 0x200, NONE,     NONE,     ""},
    {132, "Button",             240,   7560,  3855,  2655, 0x10020107, 0x20,  NONE,     NONE,     ""},
};

const ControlRow kForm2[] = {
//   ID   class     x     y     width height style       ext    back  fore  text
    {100, "Button", 3480, 1080, 1455, 375,   0x10016F00, 0,     NONE, NONE, "确定"},
    {101, "Edit",   480,  1080, 2535, 375,   0x100100A0, 0x200, NONE, NONE, ""},
};

const ControlRow kForm3[] = {
//   ID   class     x     y     width height style       ext    back  fore  text
    {100, "Button", 3360, 2040, 1455, 495,   0x10016F00, 0,     NONE, NONE, "取消"},
    {101, "Button", 720,  2040, 1455, 495,   0x10016F00, 0,     NONE, NONE, "保存"},
    {102, "Edit",   1920, 960,  1815, 375,   0x10010080, 0x200, NONE, NONE, ""},
};

const ControlRow kForm5[] = {
//   ID   class     x     y     width height style       ext    back  fore      text
    {100, "Button", 3120, 1080, 3135, 375,   0x10016F00, 0,     NONE, NONE,     "点击此访问我>>获取更多的支持"},
    {101, "Button", 480,  3240, 6495, 855,   0x18016F00, 0,     NONE, NONE,     "随意制作，漏洞在所难免，如果你发现BUG请联系我。。"},
    {102, "Static", 1440, 2085, 1215, 375,   0x10000900, 0,     NONE, NONE,     "我的" TOBRIX_IM_SERVICE},
    {103, "Edit",   3120, 2070, 1335, 375,   0x10010080, 0x200, NONE, NONE,     TOBRIX_IM_ACCOUNT},
    {104, "Static", 1200, 1080, 1815, 375,   0x10000900, 0,     NONE, 0x0000C0, TOBRIX_WEB_HOST},
};

const FormControls kControls[] = {
    {"FORM1", kForm1, sizeof kForm1 / sizeof kForm1[0]},
    {"FORM2", kForm2, sizeof kForm2 / sizeof kForm2[0]},
    {"FORM3", kForm3, sizeof kForm3 / sizeof kForm3[0]},
    {"FORM5", kForm5, sizeof kForm5 / sizeof kForm5[0]},
};

const FontRow kFonts[] = {
//   form     ID   face    points bold
    {"FORM1", 102, "宋体", 72,    false},
    {"FORM1", 119, "宋体", 15,    true },
};

const EventRow kEvents[] = {
//   form     ID   message         code            handler
    {"FORM1", 100, WM_COMMAND,     0,              HandleStart},
    {"FORM1", 101, WM_COMMAND,     0,              HandleStop},
    {"FORM1", 104, WM_SETCURSOR,   WM_LBUTTONDOWN, HandlePanelToggle},
    {"FORM1", 107, WM_COMMAND,     0,              HandleEditFile},
    {"FORM1", 108, WM_COMMAND,     0,              HandleNewFile},
    {"FORM1", 109, WM_COMMAND,     0,              HandleDeleteFile},
    {"FORM1", 110, WM_COMMAND,     0,              HandleRefreshFiles},
    {"FORM1", 120, WM_COMMAND,     0,              HandleClose},
    {"FORM1", 121, WM_COMMAND,     0,              HandleClear},
    {"FORM1", 125, WM_CONTEXTMENU, 0,              HandleContactLabel},
    {"FORM1", 126, WM_SETCURSOR,   WM_LBUTTONDOWN, HandleWebLabel},
    {"FORM2", 100, WM_COMMAND,     0,              HandleAccessCode},
    {"FORM3", 100, WM_COMMAND,     0,              HandlePresetCancel},
    {"FORM3", 101, WM_COMMAND,     0,              HandlePresetSave},
    {"FORM5", 100, WM_COMMAND,     0,              HandleAboutLink},
};

const std::vector<MenuPopupDefinition>& form1Menu() {
    static const std::vector<MenuPopupDefinition> menu = {
        {"背景", {{"蓝渐变",   1000},
                  {"黑渐变",   1001},
                  {"红渐变",   1002},
                  {"黄渐变",   1003}}},
        {"切换", {{"抽数字",   1004},
                  {"抽姓名",   1005}}},
        {"高级", {{"数字高级", 1006},
                  {"姓名高级", 1007}}},
        {"帮助", {{"使用指导", 1008}}},
        {"关于", {{"关于我们", 1009}}},
    };
    return menu;
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
