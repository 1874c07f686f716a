#pragma once
// The author's contact values, shown by the main window, the about form and
// the usage guide, and written to the registry at start-up. One place only.

// Host name without scheme: the registry value and the labels show this.
#define TOBRIX_WEB_HOST "tobrix.example"
// What the web link opens.
#define TOBRIX_WEB_URL "http://tobrix.example/"
// Instant-messaging service name and account number.
#define TOBRIX_IM_SERVICE "鹊信"
#define TOBRIX_IM_ACCOUNT "80417263"
