#include "framework/picture_box.h"

#include "framework/app_paths.h"
#include "framework/controls.h"
#include "framework/property_names.h"

#include <cstring>
#include <vector>

const char* const kPictureBoxClass = "ZQ_IPictureBox";

namespace {

// Set bit: the picture is stretched to the control; clear: a file load sizes
// the control to the picture.
const LONG kStretchStyle = 0x800;

typedef HRESULT(WINAPI* CreateStreamOnHGlobalFn)(HGLOBAL, BOOL, LPSTREAM*);
typedef HRESULT(WINAPI* OleLoadPictureFn)(LPSTREAM, LONG, BOOL, REFIID, LPVOID*);

const IID kIidPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

// Set on first use on the UI thread and kept for the life of the process.
WNDPROC gBaseProc = nullptr;
HMODULE gStreamModule = nullptr;
HMODULE gPictureModule = nullptr;

HINSTANCE programInstance() {
    return gAppPaths.instance ? gAppPaths.instance : GetModuleHandleA(nullptr);
}

std::string trimmedClassName(const char* name) {
    std::string s = name ? name : "";
    size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    s = s.substr(first, s.find_last_not_of(' ') - first + 1);
    if (s.size() > 79) s.resize(79);
    return s;
}

HWND resolveControl(HWND window, int id) {
    HWND control = id != 0 ? GetDlgItem(window, id) : window;
    return control && IsWindow(control) ? control : nullptr;
}

IPicture* heldPicture(HWND control) {
    return static_cast<IPicture*>(GetPropA(control, prop::kPicture));
}

// Takes the control's reference off the window; the caller releases it.
IPicture* takePicture(HWND control) {
    return static_cast<IPicture*>(RemovePropA(control, prop::kPicture));
}

void releaseHeldPicture(HWND control) {
    if (IPicture* old = takePicture(control)) old->Release();
}

bool storePicture(HWND control, IPicture* picture) {
    if (SetPropA(control, prop::kPicture, picture)) return true;
    picture->Release();
    return false;
}

bool loadDecoder(CreateStreamOnHGlobalFn& createStream, OleLoadPictureFn& loadPicture) {
    if (!gStreamModule) gStreamModule = LoadLibraryA("ole32.dll");
    if (!gStreamModule) return false;
    if (!gPictureModule) gPictureModule = LoadLibraryA("OLEAUT32.DLL");
    if (!gPictureModule) gPictureModule = LoadLibraryA("OLEPRO32.DLL");
    if (!gPictureModule) return false;
    createStream = reinterpret_cast<CreateStreamOnHGlobalFn>(
        reinterpret_cast<void*>(GetProcAddress(gStreamModule, "CreateStreamOnHGlobal")));
    loadPicture = reinterpret_cast<OleLoadPictureFn>(
        reinterpret_cast<void*>(GetProcAddress(gPictureModule, "OleLoadPicture")));
    return createStream && loadPicture;
}

// A bitmap resource is a DIB without the file header that the decoder expects.
std::vector<unsigned char> bitmapFileFromResource(const void* dib, DWORD size) {
    std::vector<unsigned char> file;
    if (size < sizeof(BITMAPINFOHEADER)) return file;
    BITMAPINFOHEADER info;
    std::memcpy(&info, dib, sizeof info);
    if (info.biSize < sizeof(BITMAPINFOHEADER) || info.biSize > size) return file;
    DWORD colours = info.biClrUsed;
    if (colours == 0 && info.biBitCount <= 8) colours = 1u << info.biBitCount;
    DWORD masks = info.biSize == sizeof(BITMAPINFOHEADER) && info.biCompression == BI_BITFIELDS ? 12 : 0;

    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = sizeof header + size;
    header.bfOffBits = sizeof header + info.biSize + masks + colours * sizeof(RGBQUAD);
    file.resize(sizeof header + size);
    std::memcpy(file.data(), &header, sizeof header);
    std::memcpy(file.data() + sizeof header, dib, size);
    return file;
}

LRESULT CALLBACK pictureBoxProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        LRESULT result = CallWindowProcA(gBaseProc, control, message, wParam, lParam);
        if (result == -1) return result;
        SetControlColors(control, 0, static_cast<int32_t>(GetSysColor(COLOR_BTNFACE)), 0);
        char name[256] = {};
        GetWindowTextA(control, name, sizeof name);
        setPictureFromResource(control, 0, nullptr, name);
        return result;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(control, &ps);
        if (IPicture* picture = heldPicture(control)) {
            RECT client;
            GetClientRect(control, &client);
            renderPicture(picture, dc, 0, 0, client.right, client.bottom, -1);
        }
        EndPaint(control, &ps);
        return 0;
    }
    case WM_DESTROY:
        clearPicture(control, 0);
        break;
    }
    return CallWindowProcA(gBaseProc, control, message, wParam, lParam);
}

}  // namespace

WNDPROC superclassWindowClass(HINSTANCE instance, const char* baseClass, const char* newClass,
                              WNDPROC proc, UINT addStyles, UINT removeStyles) {
    const std::string base = trimmedClassName(baseClass);
    const std::string name = trimmedClassName(newClass);
    if (base.empty() || name.empty()) return nullptr;
    if (!instance) instance = programInstance();

    WNDCLASSA existing;
    if (GetClassInfoA(nullptr, name.c_str(), &existing)) return nullptr;
    WNDCLASSA wc;
    if (!GetClassInfoA(instance, base.c_str(), &wc) && !GetClassInfoA(nullptr, base.c_str(), &wc)) return nullptr;
    WNDPROC baseProc = wc.lpfnWndProc;

    wc.style = (wc.style | CS_GLOBALCLASS | addStyles) & ~removeStyles;
    wc.lpszClassName = name.c_str();
    if (proc) wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    if (!RegisterClassA(&wc)) return nullptr;
    return baseProc;
}

bool registerPictureBoxClass() {
    if (!gBaseProc) {
        gBaseProc = superclassWindowClass(nullptr, "Static", kPictureBoxClass, pictureBoxProc,
                                          CS_HREDRAW | CS_VREDRAW, 0);
    }
    return gBaseProc != nullptr;
}

IPicture* loadPictureFromMemory(const void* bytes, size_t size) {
    if (!bytes || size < 10) return nullptr;
    CreateStreamOnHGlobalFn createStream;
    OleLoadPictureFn loadPicture;
    if (!loadDecoder(createStream, loadPicture)) return nullptr;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, size);
    if (!block) return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(block);

    // From here on the stream owns the block and frees it on its last release.
    IStream* stream = nullptr;
    if (FAILED(createStream(block, TRUE, &stream)) || !stream) {
        GlobalFree(block);
        return nullptr;
    }
    void* object = nullptr;
    HRESULT hr = loadPicture(stream, 0, FALSE, kIidPicture, &object);
    stream->Release();
    IPicture* picture = static_cast<IPicture*>(object);
    if (FAILED(hr)) {
        if (picture) picture->Release();
        return nullptr;
    }
    return picture;
}

IPicture* loadPictureFromFile(const std::string& path) {
    if (path.empty()) return nullptr;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    std::vector<unsigned char> buffer;
    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size > 0) {
        buffer.resize(size);
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), size, &read, nullptr)) read = 0;
        buffer.resize(read);  // a short or failed read decodes only what arrived
    }
    CloseHandle(file);
    return loadPictureFromMemory(buffer.data(), buffer.size());
}

bool setPictureFromFile(HWND window, int id, const std::string& path) {
    HWND control = resolveControl(window, id);
    if (!control) return false;
    releaseHeldPicture(control);
    IPicture* picture = loadPictureFromFile(path);
    if (!picture || !storePicture(control, picture)) {
        redrawPicture(control, 0);
        return false;
    }
    if (GetWindowLongA(control, GWL_STYLE) & kStretchStyle) {
        redrawPicture(control, 0);
    } else {
        fitToPicture(control, 0);
    }
    return true;
}

bool setPictureFromMemory(HWND window, int id, const void* bytes, size_t size) {
    HWND control = resolveControl(window, id);
    if (!control) return false;
    releaseHeldPicture(control);
    IPicture* picture = loadPictureFromMemory(bytes, size);
    bool loaded = picture && storePicture(control, picture);
    redrawPicture(control, 0);
    return loaded;
}

bool setPictureFromResource(HWND window, int id, HINSTANCE instance, const std::string& name) {
    HWND control = resolveControl(window, id);
    if (!control || name.empty()) return false;
    if (!instance) instance = programInstance();

    bool isBitmap = true;
    HRSRC resource = FindResourceA(instance, name.c_str(), RT_BITMAP);
    if (!resource) {
        isBitmap = false;
        resource = FindResourceA(instance, name.c_str(), RT_RCDATA);
    }
    if (!resource) resource = FindResourceA(instance, name.c_str(), RT_ICON);
    if (!resource) return false;
    DWORD size = SizeofResource(instance, resource);
    HGLOBAL loaded = LoadResource(instance, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!size || !bytes) return false;

    bool result;
    if (isBitmap) {
        std::vector<unsigned char> file = bitmapFileFromResource(bytes, size);
        result = setPictureFromMemory(control, 0, file.data(), file.size());
    } else {
        result = setPictureFromMemory(control, 0, bytes, size);
    }
    FreeResource(loaded);
    return result;
}

bool clearPicture(HWND window, int id) {
    HWND control = resolveControl(window, id);
    if (!control) return false;
    IPicture* old = takePicture(control);
    if (!old) return false;
    old->Release();
    if (IsWindowVisible(control)) {
        InvalidateRect(control, nullptr, TRUE);
        UpdateWindow(control);
    }
    return true;
}

HRESULT renderPicture(IPicture* picture, HDC dc, int left, int top, int right, int bottom, int32_t fill) {
    if (!picture || !dc) return E_POINTER;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    RECT bounds = {left, top, right, bottom};
    if (fill >= 0 && fill <= 0xFFFFFF) {
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(fill));
        FillRect(dc, &bounds, brush);
        DeleteObject(brush);
    }
    // HIMETRIC sources run bottom-up: start at the bottom edge, negative extent.
    return picture->Render(dc, left, top, right - left, bottom - top, 0, height, width, -height, &bounds);
}

bool fitToPicture(HWND window, int id) {
    HWND control = resolveControl(window, id);
    if (!control) return false;
    IPicture* picture = heldPicture(control);
    if (!picture) return false;
    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
    picture->get_Width(&himetricWidth);
    picture->get_Height(&himetricHeight);
    HDC dc = GetDC(control);
    int width = MulDiv(himetricWidth, GetDeviceCaps(dc, LOGPIXELSX), 2540);
    int height = MulDiv(himetricHeight, GetDeviceCaps(dc, LOGPIXELSY), 2540);
    ReleaseDC(control, dc);

    // The frame comes on top, so that the client area is the picture's size.
    RECT outer, client;
    GetWindowRect(control, &outer);
    GetClientRect(control, &client);
    width += (outer.right - outer.left) - client.right;
    height += (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    redrawPicture(control, 0);
    return true;
}

bool redrawPicture(HWND window, int id) {
    HWND control = resolveControl(window, id);
    if (!control) return false;
    IPicture* picture = heldPicture(control);
    if (!picture) return false;
    if (IsWindowVisible(control)) {
        // A bitmap covers the whole control itself; other kinds may leave gaps.
        SHORT type = 0;
        picture->get_Type(&type);
        InvalidateRect(control, nullptr, type != PICTYPE_BITMAP);
        UpdateWindow(control);
    }
    return true;
}
