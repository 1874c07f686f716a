#pragma once
// The usage guide, the about form and the link to the author's web site.
#include <string>

// The four paragraphs, separated by LF CR LF CR.
std::string UsageGuideText();
void showUsageGuide();
void showAboutForm();
// Starts the shell on the web address and waits until it has ended.
void openWebLink();
