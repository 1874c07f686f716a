// The process entry: the runtime sets itself up, the program registers its
// forms, the framework runs them, and the process ends with their exit code.
#include <windows.h>

#include <string>

#include "app/register_forms.h"
#include "framework/startup.h"
#include "runtime/services.h"
#include "runtime/startup_trace.h"
#include "ui/main_window.h"

namespace {

int RunApplication() {
    RegisterTobrixForms();
    // At a high DPI on a small screen the expanded window would reach below it.
    FitLayoutDpiToMainForm();
    const std::string tail = CommandArgument(0);
    return ApplicationStart(RuntimeInstance(), nullptr, tail.c_str(), RuntimeShowCommand());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TraceMark("winmain");
    if (!RuntimeStartup()) ExitProcess(255);
    const int code = RunApplication();
    RuntimeShutdown();
    ExitProcess(static_cast<UINT>(code));
}
