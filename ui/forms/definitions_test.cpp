#include "ui/forms/definitions.h"

#include "ui/contact.h"
#include "ui/handlers.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace {

static_assert(sizeof("开始") == 5, "sources must be compiled to GBK");

const DWORD kChildBits = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const char* const kForms[] = {"FORM1", "FORM2", "FORM3", "FORM4", "FORM5"};

// How many controls the framework finds when it asks for 100, 101, ... and
// stops at the first ID without one.
int countControls(const std::string& form) {
    ControlDefinition def;
    int n = 0;
    while (GetControlDefinition(form, 100 + n, def)) ++n;
    return n;
}

TEST(Definitions, ControlIdsRunFrom100WithoutGaps) {
    const std::map<std::string, int> expected = {
        {"FORM1", 33}, {"FORM2", 2}, {"FORM3", 3}, {"FORM4", 0}, {"FORM5", 5}};
    for (const auto& [form, count] : expected) {
        EXPECT_EQ(countControls(form), count) << form;
        // Nothing hides behind the first missing ID, and nothing below 100.
        ControlDefinition def;
        for (int id = 100 + count; id < 400; ++id) EXPECT_FALSE(GetControlDefinition(form, id, def)) << form << " " << id;
        for (int id : {-1, 0, 1, 99}) EXPECT_FALSE(GetControlDefinition(form, id, def)) << form << " " << id;
    }
}

TEST(Definitions, FormNamesAreTrimmedAndUpperCased) {
    FormDefinition form;
    ASSERT_TRUE(GetFormDefinition("  form5 ", form));
    EXPECT_EQ(form.name, "FORM5");
    EXPECT_EQ(form.caption, "\xB9\xD8\xD3\xDA\xCE\xD2\xC3\xC7");  // 关于我们
    ASSERT_TRUE(GetFormDefinition("Form2", form));
    EXPECT_EQ(form.caption, "\xC7\xEB\xCA\xE4\xC8\xEB\xBF\xDA\xC1\xEE...");  // 请输入口令...

    EXPECT_EQ(countControls(" form1  "), 33);
    EXPECT_EQ(countControls("form3"), 3);
    ControlDefinition def;
    ASSERT_TRUE(GetControlDefinition(" fOrM2", 101, def));
    EXPECT_EQ(def.style, 0x100100A0u | kChildBits);

    for (const char* unknown : {"", "   ", "FORM", "FORM6", "FORM 1", "FORM1X"}) {
        EXPECT_FALSE(GetFormDefinition(unknown, form)) << unknown;
        EXPECT_FALSE(GetControlDefinition(unknown, 100, def)) << unknown;
    }
}

TEST(Definitions, LookupsResetTheirOutputFirst) {
    ControlDefinition def;
    ASSERT_TRUE(GetControlDefinition("FORM1", 119, def));  // font, events would leak
    ASSERT_TRUE(GetControlDefinition("FORM1", 100, def));
    EXPECT_TRUE(def.fontFace.empty());
    EXPECT_EQ(def.fontSize, 0.0f);
    EXPECT_FALSE(def.bold);
    ASSERT_TRUE(GetControlDefinition("FORM1", 125, def));
    EXPECT_FALSE(GetControlDefinition("FORM1", 133, def));
    EXPECT_TRUE(def.className.empty());
    EXPECT_TRUE(def.text.empty());
    EXPECT_EQ(def.style, 0u);
    EXPECT_EQ(def.backColor, -1);
    EXPECT_EQ(def.foreColor, -1);
    EXPECT_TRUE(def.events.empty());

    FormDefinition form;
    ASSERT_TRUE(GetFormDefinition("FORM1", form));
    EXPECT_FALSE(GetFormDefinition("FORM9", form));
    EXPECT_TRUE(form.name.empty());
    EXPECT_EQ(form.menu, nullptr);
    EXPECT_EQ(form.backColor, -1);
    EXPECT_EQ(form.width, 0);
}

TEST(Definitions, Forms) {
    FormDefinition form;
    ASSERT_TRUE(GetFormDefinition("FORM1", form));
    EXPECT_EQ(form.caption, "Tobrixv1.0");
    EXPECT_EQ(std::make_tuple(form.x, form.y, form.width, form.height), std::make_tuple(45, 30, 16455, 11295));
    EXPECT_EQ(form.style, 0x00CF0000u);
    EXPECT_EQ(form.exStyle, 0u);
    EXPECT_EQ(form.backColor, 0xE0E0E0);
    EXPECT_EQ(form.clientWidth, 0);
    EXPECT_NE(form.menu, nullptr);

    for (const char* name : {"FORM2", "FORM3", "FORM4", "FORM5"}) {
        ASSERT_TRUE(GetFormDefinition(name, form)) << name;
        EXPECT_EQ(form.style, 0x10CF0000u) << name;
        EXPECT_EQ(form.exStyle, std::string(name) == "FORM4" ? 0u : 0x180u) << name;
        EXPECT_EQ(form.backColor, -1) << name;
        EXPECT_EQ(form.menu, nullptr) << name;
    }
    ASSERT_TRUE(GetFormDefinition("FORM4", form));
    EXPECT_EQ(std::make_tuple(form.x, form.y, form.width, form.height), std::make_tuple(2385, 1425, 10530, 5325));
}

TEST(Definitions, ControlsWhereATypoWouldShow) {
    ControlDefinition def;
    ASSERT_TRUE(GetControlDefinition("FORM1", 100, def));
    EXPECT_EQ(def.className, "Button");
    EXPECT_EQ(def.text, "\xBF\xAA\xCA\xBC");  // 开始
    EXPECT_EQ(std::make_tuple(def.x, def.y, def.width, def.height), std::make_tuple(7080, 6600, 1455, 495));

    ASSERT_TRUE(GetControlDefinition("FORM1", 101, def));
    EXPECT_EQ(def.text, "\xCD\xA3\xD6\xB9");  // 停止
    EXPECT_EQ(def.style, 0x18016F00u | kChildBits);

    ASSERT_TRUE(GetControlDefinition("FORM1", 102, def));
    EXPECT_EQ(def.className, "Static");
    EXPECT_EQ(def.style, 0x10801901u | kChildBits);
    EXPECT_EQ(def.exStyle, 0x200u);
    EXPECT_EQ(def.backColor, -1);
    EXPECT_EQ(def.foreColor, 0x0000FF);
    EXPECT_EQ(def.fontFace, "\xCB\xCE\xCC\xE5");  // 宋体
    EXPECT_EQ(def.fontSize, 72.0f);
    EXPECT_FALSE(def.bold);

    ASSERT_TRUE(GetControlDefinition("FORM1", 103, def));
    EXPECT_EQ(def.className, "ZQ_IPictureBox");
    EXPECT_EQ(def.style, 0x10000980u | kChildBits);

    ASSERT_TRUE(GetControlDefinition("FORM1", 104, def));
    EXPECT_EQ(def.text, "\xC4\xA3\xCA\xBD\xC7\xD0\xBB\xBB>>");  // 模式切换>>

    ASSERT_TRUE(GetControlDefinition("FORM1", 119, def));
    EXPECT_EQ(def.className, "Edit");
    EXPECT_EQ(def.style, 0x10011044u | kChildBits);
    EXPECT_EQ(def.fontFace, "\xCB\xCE\xCC\xE5");
    EXPECT_EQ(def.fontSize, 15.0f);
    EXPECT_TRUE(def.bold);
    EXPECT_FALSE(def.italic || def.underline || def.strikeOut);

    ASSERT_TRUE(GetControlDefinition("FORM1", 122, def));
    EXPECT_EQ(def.className, "ComboBox");
    EXPECT_EQ(def.style, 0x00210203u | kChildBits);  // hidden until name mode
    EXPECT_EQ(def.text, "Combo2");

    ASSERT_TRUE(GetControlDefinition("FORM1", 125, def));
    EXPECT_EQ(def.style, 0x10800900u | kChildBits);
    EXPECT_EQ(def.backColor, 0xE0E0E0);
    EXPECT_EQ(def.foreColor, 0x0000C0);
    EXPECT_EQ(std::make_tuple(def.x, def.y, def.width, def.height), std::make_tuple(15120, 10080, 1215, 255));

    ASSERT_TRUE(GetControlDefinition("FORM1", 105, def));
    EXPECT_EQ(def.className, "msctls_statusbar32");
    ASSERT_TRUE(GetControlDefinition("FORM1", 132, def));
    EXPECT_EQ(def.exStyle, 0x20u);

    ASSERT_TRUE(GetControlDefinition("FORM5", 101, def));
    EXPECT_EQ(def.style, 0x18016F00u | kChildBits);  // the notice is never clickable
}

TEST(Definitions, EveryControlIsAPlainChildWithDefaultsElsewhere) {
    for (const char* form : kForms) {
        ControlDefinition def;
        for (int id = 100; GetControlDefinition(form, id, def); ++id) {
            SCOPED_TRACE(std::string(form) + " " + std::to_string(id));
            EXPECT_EQ(def.style & kChildBits, kChildBits);
            EXPECT_GT(def.width, 0);
            EXPECT_GT(def.height, 0);
            EXPECT_TRUE(def.tag.empty());
            EXPECT_EQ(def.helpContextId, 0u);
            EXPECT_EQ(def.hoverCursor, nullptr);
            EXPECT_EQ(def.timerCallback, nullptr);
            EXPECT_EQ(def.timerInterval, 0);
            bool hasFont = std::string(form) == "FORM1" && (id == 102 || id == 119);
            EXPECT_EQ(!def.fontFace.empty(), hasFont);
        }
    }
}

TEST(Definitions, ContactTexts) {
    ControlDefinition def;
    ASSERT_TRUE(GetControlDefinition("FORM1", 125, def));
    EXPECT_EQ(def.text, TOBRIX_IM_SERVICE ":" TOBRIX_IM_ACCOUNT);
    ASSERT_TRUE(GetControlDefinition("FORM1", 126, def));
    EXPECT_EQ(def.text, TOBRIX_WEB_HOST);
    ASSERT_TRUE(GetControlDefinition("FORM5", 102, def));
    EXPECT_EQ(def.text, "\xCE\xD2\xB5\xC4" TOBRIX_IM_SERVICE);  // 我的
    ASSERT_TRUE(GetControlDefinition("FORM5", 103, def));
    EXPECT_EQ(def.className, "Edit");
    EXPECT_EQ(def.text, TOBRIX_IM_ACCOUNT);
    ASSERT_TRUE(GetControlDefinition("FORM5", 104, def));
    EXPECT_EQ(def.text, TOBRIX_WEB_HOST);
    EXPECT_EQ(def.foreColor, 0x0000C0);
}

TEST(Definitions, MenuOfForm1) {
    FormDefinition form;
    ASSERT_TRUE(GetFormDefinition("FORM1", form));
    ASSERT_NE(form.menu, nullptr);
    const std::vector<MenuPopupDefinition>& menu = *form.menu;
    ASSERT_EQ(menu.size(), 5u);
    EXPECT_STREQ(menu[0].text, "\xB1\xB3\xBE\xB0");              // 背景
    EXPECT_STREQ(menu[4].text, "\xB9\xD8\xD3\xDA");              // 关于
    EXPECT_STREQ(menu[4].items[0].text, "\xB9\xD8\xD3\xDA\xCE\xD2\xC3\xC7");  // 关于我们
    const size_t itemsPerPopup[] = {4, 2, 2, 1, 1};
    int next = 1000;
    for (size_t p = 0; p < menu.size(); ++p) {
        ASSERT_EQ(menu[p].items.size(), itemsPerPopup[p]) << p;
        for (const MenuItemDefinition& item : menu[p].items) {
            EXPECT_EQ(item.commandId, next++);
            EXPECT_STRNE(item.text, "-");  // no separators
        }
    }
    EXPECT_EQ(next, 1010);
}

TEST(Definitions, EventEntries) {
    struct Expected {
        UINT message;
        int code;
        EventHandler handler;
    };
    const std::map<std::pair<std::string, int>, Expected> expected = {
        {{"FORM1", 100}, {273, 0, HandleStart}},
        {{"FORM1", 101}, {273, 0, HandleStop}},
        {{"FORM1", 104}, {32, 513, HandlePanelToggle}},
        {{"FORM1", 107}, {273, 0, HandleEditFile}},
        {{"FORM1", 108}, {273, 0, HandleNewFile}},
        {{"FORM1", 109}, {273, 0, HandleDeleteFile}},
        {{"FORM1", 110}, {273, 0, HandleRefreshFiles}},
        {{"FORM1", 120}, {273, 0, HandleClose}},
        {{"FORM1", 121}, {273, 0, HandleClear}},
        {{"FORM1", 125}, {123, 0, HandleContactLabel}},
        {{"FORM1", 126}, {32, 513, HandleWebLabel}},
        {{"FORM2", 100}, {273, 0, HandleAccessCode}},
        {{"FORM3", 100}, {273, 0, HandlePresetCancel}},
        {{"FORM3", 101}, {273, 0, HandlePresetSave}},
        {{"FORM5", 100}, {273, 0, HandleAboutLink}},
    };
    size_t seen = 0;
    for (const char* form : kForms) {
        ControlDefinition def;
        for (int id = 100; GetControlDefinition(form, id, def); ++id) {
            SCOPED_TRACE(std::string(form) + " " + std::to_string(id));
            auto it = expected.find({form, id});
            if (it == expected.end()) {
                EXPECT_TRUE(def.events.empty());
                continue;
            }
            ++seen;
            ASSERT_EQ(def.events.size(), 1u);
            EXPECT_EQ(def.events[0].message, it->second.message);
            EXPECT_EQ(def.events[0].code, it->second.code);
            EXPECT_EQ(def.events[0].handler, it->second.handler);
        }
    }
    EXPECT_EQ(seen, expected.size());
}

}  // namespace
