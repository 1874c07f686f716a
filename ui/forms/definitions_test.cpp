// Properties the form tables must keep whatever their rows say: a wrong row
// (an ID typed twice, a handler left out, a font on a missing control) breaks
// one of these rather than waiting to be noticed on screen.
#include "ui/forms/definitions.h"
#include "ui/handlers.h"

#include "ui/ids.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>

namespace {

const DWORD kChildBits = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// Each form with the last control ID that ui/ids.h gives it (99: none).
const std::pair<const char*, int> kForms[] = {
    {kMainFormName, form1::kLastControl},
    {kAccessCodeFormName, form2::kCode},
    {kPresetFormName, form3::kPreset},
    {kUnusedFormName, 99},
    {kAboutFormName, form5::kWebLabel},
    {kRosterFormName, form7::kFileNameLabel},
};

struct Control {
    std::string form;
    int id;
    ControlDefinition def;
};

// Every control of every form, as the framework finds them: asking for 100,
// 101, ... and stopping at the first ID without one.
std::vector<Control> AllControls() {
    std::vector<Control> all;
    for (const auto& form : kForms) {
        ControlDefinition def;
        for (int id = 100; GetControlDefinition(form.first, id, def); ++id) all.push_back({form.first, id, def});
    }
    return all;
}

ControlDefinition Lookup(const char* form, int id) {
    ControlDefinition def;
    EXPECT_TRUE(GetControlDefinition(form, id, def)) << form << " " << id;
    return def;
}

TEST(Definitions, ControlIdsRunFrom100WithoutGapsToTheLastNamedId) {
    for (const auto& [form, last] : kForms) {
        SCOPED_TRACE(form);
        ControlDefinition def;
        int id = 100;
        while (GetControlDefinition(form, id, def)) ++id;
        EXPECT_EQ(id - 1, last);
        // Nothing hides behind the first missing ID, and nothing below 100.
        for (; id < 400; ++id) EXPECT_FALSE(GetControlDefinition(form, id, def)) << id;
        for (int below : {-1, 0, 1, 99}) EXPECT_FALSE(GetControlDefinition(form, below, def)) << below;
    }
}

TEST(Definitions, FormNamesAreTrimmedAndUpperCased) {
    FormDefinition form;
    ASSERT_TRUE(GetFormDefinition("  form5 ", form));
    EXPECT_EQ(form.name, kAboutFormName);
    ControlDefinition def;
    EXPECT_TRUE(GetControlDefinition(" fOrM2", form2::kCode, def));
    EXPECT_TRUE(GetControlDefinition("form1  ", form1::kLastControl, def));
    EXPECT_TRUE(GetControlDefinition(" form6", form6::kLeftOut, def));
    EXPECT_TRUE(GetControlDefinition("Form8", form8::kCancel, def));

    for (const char* unknown : {"", "   ", "FORM", "FORM99", "FORM 1", "FORM1X"}) {
        EXPECT_FALSE(GetFormDefinition(unknown, form)) << unknown;
        EXPECT_FALSE(GetControlDefinition(unknown, 100, def)) << unknown;
    }
}

TEST(Definitions, LookupsResetTheirOutputFirst) {
    ControlDefinition def;
    ASSERT_TRUE(GetControlDefinition(kMainFormName, form1::kDrawRecord, def));  // a font and colours
    ASSERT_TRUE(GetControlDefinition(kMainFormName, form1::kStart, def));  // neither, but an event
    EXPECT_TRUE(def.fontFace.empty());
    EXPECT_EQ(def.fontSize, 0.0f);
    EXPECT_FALSE(def.bold);
    EXPECT_EQ(def.exStyle, 0u);
    ASSERT_TRUE(GetControlDefinition(kMainFormName, form1::kContactLabel, def));
    EXPECT_FALSE(GetControlDefinition(kMainFormName, form1::kLastControl + 1, def));
    EXPECT_TRUE(def.className.empty());
    EXPECT_TRUE(def.text.empty());
    EXPECT_EQ(def.style, 0u);
    EXPECT_EQ(def.backColor, -1);
    EXPECT_EQ(def.foreColor, -1);
    EXPECT_TRUE(def.events.empty());

    FormDefinition form;
    ASSERT_TRUE(GetFormDefinition(kMainFormName, form));
    EXPECT_FALSE(GetFormDefinition("FORM9", form));
    EXPECT_TRUE(form.name.empty());
    EXPECT_EQ(form.menu, nullptr);
    EXPECT_EQ(form.backColor, -1);
    EXPECT_EQ(form.width, 0);
}

TEST(Definitions, EveryControlIsAChildWithinItsForm) {
    for (const Control& c : AllControls()) {
        SCOPED_TRACE(c.form + " " + std::to_string(c.id));
        FormDefinition form;
        ASSERT_TRUE(GetFormDefinition(c.form, form));
        EXPECT_EQ(c.def.style & kChildBits, kChildBits);
        EXPECT_FALSE(c.def.className.empty());
        EXPECT_GT(c.def.width, 0);
        EXPECT_GT(c.def.height, 0);
        EXPECT_GE(c.def.x, 0);
        EXPECT_GE(c.def.y, 0);
        EXPECT_LE(c.def.x + c.def.width, form.width);
        EXPECT_LE(c.def.y + c.def.height, form.height);
    }
}

bool IsColour(int32_t c) { return c == -1 || (c >= 0 && c <= 0xFFFFFF); }

TEST(Definitions, ColoursAreRgbAndLabelsBlendIntoTheirForm) {
    for (const Control& c : AllControls()) {
        SCOPED_TRACE(c.form + " " + std::to_string(c.id));
        EXPECT_TRUE(IsColour(c.def.backColor)) << c.def.backColor;
        EXPECT_TRUE(IsColour(c.def.foreColor)) << c.def.foreColor;
        FormDefinition form;
        ASSERT_TRUE(GetFormDefinition(c.form, form));
        // A coloured background that differs from the form's shows as a patch.
        if (c.def.backColor != -1) {
            EXPECT_EQ(c.def.backColor, form.backColor);
        }
    }
}

TEST(Definitions, FontsLandOnTheDisplayAndTheRecord) {
    std::set<std::pair<std::string, int>> withFont;
    for (const Control& c : AllControls()) {
        if (c.def.fontFace.empty()) continue;
        withFont.insert({c.form, c.id});
        EXPECT_LT(c.def.fontFace.size(), 60u) << c.id;
        EXPECT_GT(c.def.fontSize, 0.0f) << c.id;
    }
    const std::set<std::pair<std::string, int>> expected = {{kMainFormName, form1::kResultDisplay},
                                                            {kMainFormName, form1::kDrawRecord}};
    EXPECT_EQ(withFont, expected);
}

// A handler serves one control, so that a copied row shows up; the "工具"
// context menu is the one handler meant for several controls.
TEST(Definitions, EveryEventHasItsOwnHandler) {
    std::map<EventHandler, std::string> owner;
    int toolsMenus = 0;
    for (const Control& c : AllControls()) {
        const std::string where = c.form + " " + std::to_string(c.id);
        for (const ControlEventEntry& e : c.def.events) {
            EXPECT_NE(e.handler, nullptr) << where;
            EXPECT_NE(e.message, 0u) << where;  // 0 would end the control's list early
            // A press, not every move of the mouse over the control.
            if (e.message == WM_SETCURSOR) {
                EXPECT_EQ(e.code, WM_LBUTTONDOWN) << where;
            }
            if (e.handler == HandleToolsContextMenu) {
                EXPECT_EQ(e.message, static_cast<UINT>(WM_CONTEXTMENU)) << where;
                ++toolsMenus;
                continue;
            }
            auto [it, fresh] = owner.emplace(e.handler, where);
            EXPECT_TRUE(fresh) << where << " shares its handler with " << it->second;
        }
    }
    EXPECT_FALSE(owner.empty());
    EXPECT_EQ(toolsMenus, 3);  // the display, the picture and the record
}

TEST(Definitions, APushButtonWithoutAClickHandlerIsDisabled) {
    int buttons = 0;
    for (const Control& c : AllControls()) {
        if (c.def.className != "Button" || (c.def.style & BS_TYPEMASK) != BS_PUSHBUTTON) continue;
        ++buttons;
        bool clickable = false;
        for (const ControlEventEntry& e : c.def.events) clickable |= e.message == WM_COMMAND;
        if (!clickable) {
            EXPECT_TRUE(c.def.style & WS_DISABLED) << c.form << " " << c.id;
        }
    }
    EXPECT_GT(buttons, 5);
}

TEST(Definitions, ContactDetailsAgreeBetweenMainWindowAndAbout) {
    EXPECT_EQ(Lookup(kAboutFormName, form5::kWebLabel).text, Lookup(kMainFormName, form1::kWebLabel).text);
    const std::string contact = Lookup(kMainFormName, form1::kContactLabel).text;
    const std::string account = Lookup(kAboutFormName, form5::kImAccount).text;
    ASSERT_FALSE(account.empty());
    ASSERT_GE(contact.size(), account.size());
    EXPECT_EQ(contact.substr(contact.size() - account.size()), account);
}

TEST(Definitions, MenuCommandsAreUniqueAndApartFromControlIds) {
    FormDefinition form;
    for (const auto& f : kForms) {
        ASSERT_TRUE(GetFormDefinition(f.first, form));
        EXPECT_EQ(form.menu != nullptr, std::string(f.first) == kMainFormName) << f.first;
    }
    ASSERT_TRUE(GetFormDefinition(kMainFormName, form));
    ASSERT_NE(form.menu, nullptr);
    std::set<int> commands;
    for (const MenuPopupDefinition& popup : *form.menu) {
        ASSERT_NE(popup.text, nullptr);
        EXPECT_STRNE(popup.text, "");
        EXPECT_FALSE(popup.items.empty()) << popup.text;
        for (const MenuItemDefinition& item : popup.items) {
            if (std::string(item.text) == "-") continue;  // a separator has no command
            // WM_COMMAND carries menu commands and control notifications alike:
            // a command equal to a control ID would reach that control's handler.
            EXPECT_GT(item.commandId, form1::kLastControl) << item.text;
            EXPECT_TRUE(commands.insert(item.commandId).second) << item.commandId << " twice";
        }
    }
    for (int id = menu::kBlueBackground; id <= menu::kAbout; ++id) EXPECT_EQ(commands.count(id), 1u) << id;
}

}  // namespace
