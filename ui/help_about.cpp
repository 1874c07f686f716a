#include "ui/help_about.h"

#include <windows.h>

#include "framework/forms.h"
#include "runtime/services.h"
#include "ui/contact.h"
#include "ui/handlers.h"
#include "ui/ids.h"

std::string UsageGuideText() {
    const char* const separator = "\n\r\n\r";
    std::string text =
        "1、在'切换'选项里可以切换选择抽取数字或者抽取姓名，抽取姓名选项里待抽文件以文本形式保存。"
        "每个姓名以换行隔开。";
    text += separator;
    text += "2、'模式切换'用于查看抽取记录，和其他一些功能。";
    text += separator;
    text += "3、'高级选项'用于预设抽取的结果，使用此功能需要事先获得口令，"
            "口令请联系作者" TOBRIX_IM_SERVICE ":" TOBRIX_IM_ACCOUNT "，经作者同意后获得。";
    text += separator;
    text += "4、如需功能更改或者重新开发请联系作者" TOBRIX_IM_SERVICE "：" TOBRIX_IM_ACCOUNT
            "，或者点击主界面上显示的网址。";
    return text;
}

void ShowUsageGuide() {
    ShowMessage(UsageGuideText(), "帮助", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

void ShowAboutForm(HWND form) {
    HWND about = CreateForm(kAboutFormName, form, 0);
    if (!about) return;
    ShowWindow(about, SW_SHOWNORMAL);
    ShowFormModal(about, form);
}

void openWebLink() {
    // Waited for, as a click on a link: the window answers again once the
    // shell has handed the address on.
    ShellRun("explorer.exe " TOBRIX_WEB_URL, SW_SHOWNORMAL, true, false);
}

LRESULT HandleAboutLink(HWND, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    openWebLink();
    return 0;
}

LRESULT HandleWebLabel(HWND, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    openWebLink();
    return 0;
}

LRESULT HandleContactLabel(HWND, int, intptr_t, intptr_t, intptr_t, intptr_t) {
    openWebLink();
    return 0;
}
