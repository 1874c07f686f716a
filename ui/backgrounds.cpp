#include "ui/backgrounds.h"

#include "framework/app_paths.h"
#include "framework/picture_box.h"
#include "ui/ids.h"

const char* BackgroundFileForCommand(int commandId) {
    static const char* const files[] = {"未标题-1.jpg", "未标题-2.jpg", "未标题-3.jpg", "未标题-4.jpg"};
    if (commandId < kFirstBackgroundCommand || commandId > kLastBackgroundCommand) return nullptr;
    return files[commandId - kFirstBackgroundCommand];
}

bool ShowBackground(HWND form, const std::string& fileName) {
    // The program directory, not the current one: the pictures travel with the program.
    return setPictureFromFile(form, form1::kPicture, std::string(gAppPaths.directory) + fileName);
}
