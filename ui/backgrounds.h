#pragma once
// The four background pictures behind the result display.
#include <string>

// Menu commands 1000..1003 and the picture file each shows.
const int kFirstBackgroundCommand = 1000;
const int kLastBackgroundCommand = 1003;
const char* BackgroundFileForCommand(int commandId);  // nullptr outside the range
const char* const kDefaultBackground = "未标题-2.jpg";  // black, shown at start-up

// Loads the picture from the program directory into FORM1's picture box.
bool showBackground(const std::string& fileName);
