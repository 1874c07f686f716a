// Scaffolding: handlers whose behaviour has not been wired yet. Each one moves
// to its real module as that lands; this file goes when it is empty.
#include "ui/handlers.h"

#define PENDING(name) \
    LRESULT name(HWND, int, intptr_t, intptr_t, intptr_t, intptr_t) { return 0; }
PENDING(HandlePanelToggle)
PENDING(HandleEditFile)
PENDING(HandleNewFile)
PENDING(HandleDeleteFile)
PENDING(HandleRefreshFiles)
PENDING(HandleClose)
PENDING(HandleClear)
PENDING(HandleContactLabel)
PENDING(HandleWebLabel)
PENDING(HandleAccessCode)
PENDING(HandlePresetCancel)
PENDING(HandlePresetSave)
PENDING(HandleAboutLink)
