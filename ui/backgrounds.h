#pragma once
// The four background pictures behind the result display.
#include <windows.h>

#include <string>

#include "ui/ids.h"

// The four background commands and the picture file each shows.
const int kFirstBackgroundCommand = menu::kBlueBackground;
const int kLastBackgroundCommand = menu::kYellowBackground;
const char* BackgroundFileForCommand(int commandId);  // nullptr outside the range
const char* const kDefaultBackground = "未标题-2.jpg";  // black, shown at start-up

// Loads the picture from the program directory into the picture box of FORM1 `form`.
bool ShowBackground(HWND form, const std::string& fileName);
