#pragma once
// The usage guide, the about form and the link to the author's web site.
#include <windows.h>

#include <string>

// The four paragraphs, separated by LF CR LF CR.
std::string UsageGuideText();
void ShowUsageGuide();
// The about form, modal over FORM1 `form`.
void ShowAboutForm(HWND form);
// Starts the shell on the web address and waits until it has ended.
void openWebLink();
