// The process entry: the runtime sets itself up, runs the application and
// ends the process with the application's exit code.
#include <windows.h>

#include <string>

#include "framework/startup.h"
#include "runtime/services.h"

namespace {

int RunApplication() {
    const std::string tail = CommandArgument(0);
    return ApplicationStart(RuntimeInstance(), nullptr, tail.c_str(), RuntimeShowCommand());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!RuntimeStartup()) ExitProcess(255);
    const int code = RunApplication();
    RuntimeShutdown();
    ExitProcess(static_cast<UINT>(code));
}
