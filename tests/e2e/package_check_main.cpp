// Runs Tobrix.exe from an unpacked release folder and checks what a user sees
// first: the main window, the black background behind the display, the
// example name file in the file list and its names in the names box.
//   tobrix_package_check <program folder>
// Exit code 0 when all is well; the failures are printed.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
    if (ok) return;
    ++failures;
    std::fprintf(stderr, "package check: %s\n", what.c_str());
}

std::vector<std::string> SplitNames(const std::string& content) {
    std::vector<std::string> names;
    std::string name;
    for (char c : content) {
        if (c == '\r' || c == '\n') {
            if (!name.empty()) names.push_back(name);
            name.clear();
        } else {
            name += c;
        }
    }
    if (!name.empty()) names.push_back(name);
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tobrix_package_check <program folder>\n");
        return 2;
    }
    std::string dir = argv[1];
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    const std::string exampleFile = "示例名单.txt";

    TobrixRun run;
    if (!LaunchTobrix(dir, run)) {
        std::fprintf(stderr, "package check: no main window from %sTobrix.exe\n", dir.c_str());
        return 1;
    }
    PumpFor(500);  // the picture paints after initialisation

    // The default background is the black gradient; without the picture the
    // band would show the light grey of the window.
    const RECT band = ControlRectInClient(run.form1, form1::kPicture);
    // The band is as wide as the outer window, so its right end is hidden
    // under the frame: look at its left corners.
    for (POINT p : {POINT{band.left + 8, band.top + 8}, POINT{band.left + 8, band.bottom - 8}}) {
        const COLORREF c = ScreenPixelInClient(run.form1, p);
        Check(GetRValue(c) < 0x40 && GetGValue(c) < 0x40 && GetBValue(c) < 0x40,
              "background is not black at (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")");
    }

    const std::vector<std::string> files = ComboItems(run.form1, form1::kNameFileList);
    Check(files == std::vector<std::string>{exampleFile}, "the file list does not show the example file alone");
    Check(ComboSelection(run.form1, form1::kNameFileList) == 0, "the example file is not selected");
    const std::vector<std::string> names = SplitNames(ReadFileBytes(dir + exampleFile));
    Check(names.size() >= 3, "the example file holds too few names");
    const std::vector<std::string> shown = SplitNames(ControlText(run.form1, form1::kNamesBox));
    Check(shown == names, "the names box does not show the example names");

    PostClick(run.form1, form1::kClose);
    Check(WaitForExit(run, 10000) == 0, "Tobrix did not end with 0 after its close button");
    EndTobrix(run);
    if (failures == 0) std::printf("package check: ok (%u names)\n", unsigned(names.size()));
    return failures == 0 ? 0 : 1;
}
