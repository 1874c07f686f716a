// Stands in for the system text editor in tests. Placed beside the test
// executable, it is what "Notepad.exe" starts. It writes its command line to
// the file named by TOBRIX_FAKE_EDITOR_LOG, creates the file named by
// TOBRIX_FAKE_EDITOR_CREATE (as if the user had saved a new name file), and
// exits at once: with 77 when asked to "--probe", else 0.
#include <windows.h>

#include <cstring>

namespace {

void WriteWholeFile(const char* path, const char* bytes, DWORD size) {
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* line = GetCommandLineA();
    char path[MAX_PATH + 1] = {};
    if (GetEnvironmentVariableA("TOBRIX_FAKE_EDITOR_LOG", path, sizeof path) > 0) {
        WriteWholeFile(path, line, static_cast<DWORD>(std::strlen(line)));
    }
    if (GetEnvironmentVariableA("TOBRIX_FAKE_EDITOR_CREATE", path, sizeof path) > 0) {
        WriteWholeFile(path, "new\r\n", 5);
    }
    return std::strstr(line, "--probe") ? 77 : 0;
}
