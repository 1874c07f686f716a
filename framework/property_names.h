#pragma once
// The names of the window properties the framework keeps on forms and
// controls. "ZQ_" marks a property as the framework's own: the event hook
// removes (and releases what it holds) every property so named when its
// window is destroyed, so the program names no property of its own so.
namespace prop {

constexpr char kPrefix[] = "ZQ_";

// Events: "<name>,<message>,<code>" in decimal.
constexpr char kEvent[] = "ZQ_EVENT";          // an event handler
constexpr char kCallbackEvent[] = "ZQ_HKCBEVT";  // a callback the hook calls itself
constexpr char kTaskHook[] = "ZQ_TASKHOOK";       // the form counts toward its thread's hook
constexpr char kSubclassed[] = "ZQ_TASKHOOKWND";  // the procedure a one-message subclass restores

// Colours (the value + 1, so that 0 means none), and the GDI objects made for them.
constexpr char kBackColor[] = "ZQ_BACKCOLOR";
constexpr char kEraseColor[] = "ZQ_BACKCOLOREB";  // a form's, or a control that erases itself
constexpr char kForeColor[] = "ZQ_FORECOLOR";
constexpr char kBrush[] = "ZQ_BRUSH";

// Other objects a window holds; released with it.
constexpr char kFont[] = "ZQ_FONT";
constexpr char kBitmap[] = "ZQ_BITMAP";
constexpr char kIcon[] = "ZQ_ICON";
constexpr char kTag[] = "ZQ_TAG";                 // a heap block with the control's tag text
constexpr char kFormName[] = "ZQ_FRMN";           // a heap block with the form's name
constexpr char kResizeData[] = "ZQ_PRSZDLG";
constexpr char kMenuOwnerDraw[] = "ZQ_MENUOD";
constexpr char kHoverCursor[] = "ZQ_HVRPTR";
constexpr char kPicture[] = "ZQ_IBOX_PUNK";      // the picture box's IPicture, one reference
// COM objects under names that begin so; each holds one reference.
constexpr char kColorUnknownPrefix[] = "ZQ_CLR_PUNK";
constexpr char kUnknownPrefix[] = "ZQ_IUNKNOWN_";

// Marks.
constexpr char kInitialised[] = "ZQ_INITDLG";     // the form procedure's initialisation has run
constexpr char kThreeState[] = "ZQ_3CBST";         // a check box that cycles its state on a click

// Not a property: the named mutex, "<name><thread id>", held while a thread is hooked.
constexpr char kHookMutex[] = "ZQ_HKMUTEX";

}  // namespace prop
