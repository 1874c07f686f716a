#pragma once
// The "ZQ_IPictureBox" control: a static control that holds one decoded
// picture (window property prop::kPicture, one reference owned by the control)
// and paints it over its client area.
//
// A control is named by (window, id): with id 0 the window is the control,
// otherwise it is the child with that ID. Results are C++ truth values.
#include <windows.h>
#include <olectl.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern const char* const kPictureBoxClass;     // "ZQ_IPictureBox"

// Registers the class on the first call; later calls only confirm it.
bool registerPictureBoxClass();

// Registers newClass as a copy of baseClass with proc as its window procedure
// (nullptr keeps the base one) and returns the base class's procedure, or
// nullptr when the names are empty, newClass already exists or registration
// fails. instance 0 means the program's module.
WNDPROC superclassWindowClass(HINSTANCE instance, const char* baseClass, const char* newClass,
                              WNDPROC proc, UINT addStyles, UINT removeStyles);

// Decode an image (anything the system picture service reads: BMP, JPEG, GIF,
// icons, metafiles). The caller owns the one reference returned; nullptr on
// any failure, including fewer than 10 bytes.
IPicture* loadPictureFromMemory(const void* bytes, size_t size);
IPicture* loadPictureFromFile(const std::string& path);

// Replace the control's picture (the old one is released first, even when the
// new load fails). From a file, a control without the stretch style (0x800)
// is resized to the picture's natural size; from memory it never is.
bool setPictureFromFile(HWND window, int id, const std::string& path);
bool setPictureFromMemory(HWND window, int id, const void* bytes, size_t size);
// The named resource as a bitmap, raw data or icon resource; instance 0 means
// the program's module.
bool setPictureFromResource(HWND window, int id, HINSTANCE instance, const std::string& name);

// Releases the picture and repaints; true if there was one.
bool clearPicture(HWND window, int id);

// Draws the whole picture stretched to (left, top)-(right, bottom), after
// filling that rectangle with fill when it is an RGB value (-1: no fill).
// Returns the picture's status (S_OK = 0), or E_POINTER without picture or DC.
HRESULT renderPicture(IPicture* picture, HDC dc, int left, int top, int right, int bottom,
                      int32_t fill);

// Sizes the control to the picture's natural size; false without a picture.
bool fitToPicture(HWND window, int id);
// Repaints the control at once when it is visible; false without a picture.
bool redrawPicture(HWND window, int id);
