#pragma once
// Preset results: the access-code form, the preset form and the two files.
#include <string>

enum class DrawMode;
struct MainWindow;

// What Stop reads: the stored preset of a mode, "" when none.
std::string ReadPreset(DrawMode mode);
bool AccessCodeAccepted(const std::string& typed);
// The two preset commands: remember the target, then ask for the code.
void OpenPresetForms(MainWindow& window, DrawMode target);
