#pragma once
// Expected message sequences, named once and shared by the framework's tests:
// a test states which sequence its windows must see, in order. Windows made
// at run time appear as stand-ins that Expect() replaces with their handles.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "tests/support/framework_test_support.h"
#include "ui/ids.h"

namespace fwtest {

using Sequence = std::vector<Seen>;

// Stand-ins for handles: no window handle and no argument of these messages
// takes these values.
constexpr intptr_t kTheForm = -0x5E0001;
constexpr intptr_t kTheControl = -0x5E0002;

// The sequences joined in order, with the stand-ins replaced.
inline Sequence Expect(std::initializer_list<Sequence> parts, HWND form, HWND control = nullptr) {
    Sequence out;
    for (const Sequence& part : parts) {
        for (Seen s : part) {
            for (intptr_t& a : s.args) {
                if (a == kTheForm) a = H(form);
                if (a == kTheControl) a = H(control);
            }
            out.push_back(s);
        }
    }
    return out;
}

// Start's handler, called once, as the main form's click on Start makes it.
const Sequence kStartHandlerSequence = {
    {"handler", 0, {kTheForm, form1::kStart, 0, 0, 0, 0}},
};

// A click on Start as the main form sees it (WM_COMMAND recorded): the press
// focuses the button first, which a BS_NOTIFY button reports and nobody
// handles; the click reaches the form before the handler runs.
const Sequence kStartClickSequence = {
    {kMainFormName, WM_COMMAND, {MAKEWPARAM(form1::kStart, BN_SETFOCUS), kTheControl}},
    {kMainFormName, WM_COMMAND, {MAKEWPARAM(form1::kStart, BN_CLICKED), kTheControl}},
    {"handler", 0, {kTheForm, form1::kStart, 0, 0, 0, 0}},
};

// What a modal form ("form") and its owner ("owner") see, with WM_ENABLE
// recorded on the owner and kModalFilter on the form.
const std::vector<UINT> kModalFilter = {WM_SHOWWINDOW, WM_DESTROY};

// The form shows and is initialised, then its owner is disabled for the
// loop; showing it again with its own show command sends nothing more.
const Sequence kShowModalSequence = {
    {"form", WM_SHOWWINDOW, {TRUE, 0}},
    {"owner", WM_ENABLE, {FALSE, 0}},
};

// Ending the form: the owner is enabled before the form is destroyed, so
// that activation returns to the owner and not to another program. A
// top-level window is hidden on its way out without WM_SHOWWINDOW.
const Sequence kCloseModalSequence = {
    {"owner", WM_ENABLE, {TRUE, 0}},
    {"form", WM_DESTROY, {0, 0}},
};

// A modal form destroyed without being ended still gives its owner back.
const Sequence kDestroyedModalSequence = {
    {"form", WM_DESTROY, {0, 0}},
    {"owner", WM_ENABLE, {TRUE, 0}},
};

}  // namespace fwtest
