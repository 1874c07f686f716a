#include "framework/picture_box.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

const LONG kStretch = 0x800;
const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0),
               kYellow = RGB(255, 255, 0);

typedef std::vector<unsigned char> Bytes;

// A 24-bit BMP file whose quadrants are red, blue (top) and green, yellow (bottom).
Bytes quadrantBitmap(int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * height;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    Bytes bytes(file.bfSize);
    memcpy(bytes.data(), &file, sizeof file);
    memcpy(bytes.data() + sizeof file, &info, sizeof info);
    for (int row = 0; row < height; ++row) {
        int y = height - 1 - row;
        for (int x = 0; x < width; ++x) {
            bool top = y < height / 2, left = x < width / 2;
            COLORREF c = top ? (left ? kRed : kBlue) : (left ? kGreen : kYellow);
            unsigned char* p = bytes.data() + file.bfOffBits + row * stride + x * 3;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    return bytes;
}

std::string exeDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of("\\/") + 1);
}

// Samples drawn at build time: 100 x 50, left half red, right half blue.
std::string sample(const char* extension) { return exeDirectory() + "picture_box_sample." + extension; }

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string tempFile(const std::string& name, const Bytes& bytes) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + "pbox_" + std::to_string(GetCurrentProcessId()) + "_" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

IPicture* held(HWND control) { return static_cast<IPicture*>(GetPropA(control, "ZQ_IBOX_PUNK")); }

SIZE outerSize(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return {r.right - r.left, r.bottom - r.top};
}

bool closeTo(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

COLORREF pixelAt(HWND control, int x, int y) {
    HDC dc = GetDC(control);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(control, dc);
    return c;
}

// Committed private memory of the process, the measure of a leaked block.
size_t committedPrivateBytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (char* p = nullptr; VirtualQuery(p, &info, sizeof info) == sizeof info;
         p = static_cast<char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        if (static_cast<char*>(info.BaseAddress) + info.RegionSize < p) break;
    }
    return total;
}

class PictureBox : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        ASSERT_TRUE(registerPictureBoxClass());
        host_ = CreateWindowExA(WS_EX_TOPMOST, "Static", "", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        bitmapPath_ = tempFile("quadrants.bmp", quadrantBitmap(100, 50));
    }
    static void TearDownTestSuite() {
        DestroyWindow(host_);
        DeleteFileA(bitmapPath_.c_str());
        CoUninitialize();
    }
    void TearDown() override {
        for (HWND w : created_) DestroyWindow(w);
    }

    HWND makeBox(LONG style, int width, int height, const char* caption = "") {
        HWND w = CreateWindowExA(0, kPictureBoxClass, caption, WS_CHILD | WS_VISIBLE | style, 10, 10, width, height,
                                 host_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(200 + created_.size())),
                                 GetModuleHandleA(nullptr), nullptr);
        created_.push_back(w);
        return w;
    }

    static HWND host_;
    static std::string bitmapPath_;
    std::vector<HWND> created_;
};
HWND PictureBox::host_ = nullptr;
std::string PictureBox::bitmapPath_;

TEST_F(PictureBox, ClassIsASuperclassOfStatic) {
    EXPECT_TRUE(registerPictureBoxClass());  // later calls only confirm
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(nullptr, kPictureBoxClass, &wc));
    EXPECT_EQ(wc.style & (CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW), UINT(CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW));

    WNDCLASSA button;
    ASSERT_TRUE(GetClassInfoA(nullptr, "Button", &button));
    WNDPROC base = superclassWindowClass(nullptr, "  Button ", " TestButtonCopy ", nullptr, 0, CS_DBLCLKS);
    EXPECT_EQ(base, button.lpfnWndProc);
    ASSERT_TRUE(GetClassInfoA(nullptr, "TestButtonCopy", &wc));
    EXPECT_EQ(wc.style & CS_DBLCLKS, 0u);
    EXPECT_EQ(wc.lpfnWndProc, button.lpfnWndProc);  // no procedure given: the base one stays

    EXPECT_EQ(superclassWindowClass(nullptr, "Button", "TestButtonCopy", nullptr, 0, 0), nullptr);  // exists
    EXPECT_EQ(superclassWindowClass(nullptr, "NoSuchBaseClass", "TestOther", nullptr, 0, 0), nullptr);
    EXPECT_EQ(superclassWindowClass(nullptr, "   ", "TestOther", nullptr, 0, 0), nullptr);
    EXPECT_EQ(superclassWindowClass(nullptr, "Button", "", nullptr, 0, 0), nullptr);
    EXPECT_EQ(superclassWindowClass(nullptr, nullptr, "TestOther", nullptr, 0, 0), nullptr);
    EXPECT_FALSE(GetClassInfoA(nullptr, "TestOther", &wc));
}

TEST_F(PictureBox, JpegBmpAndGifLoad) {
    for (const std::string& path : {bitmapPath_, sample("jpg"), sample("gif")}) {
        SCOPED_TRACE(path);
        IPicture* picture = loadPictureFromFile(path);
        ASSERT_NE(picture, nullptr);
        SHORT type = 0;
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        picture->get_Type(&type);
        picture->get_Width(&width);
        picture->get_Height(&height);
        EXPECT_EQ(type, PICTYPE_BITMAP);
        EXPECT_EQ(width, 2646);  // 100 x 50 pixels at 96 DPI
        EXPECT_EQ(height, 1323);
        EXPECT_EQ(picture->Release(), 0u);  // the caller got exactly one reference
    }
}

TEST_F(PictureBox, ShortMissingAndCorruptDataGiveNothing) {
    const Bytes bitmap = quadrantBitmap(100, 50);
    const Bytes jpeg = readAll(sample("jpg"));
    ASSERT_GT(jpeg.size(), 200u);

    const std::string nine = tempFile("nine.bmp", Bytes(bitmap.begin(), bitmap.begin() + 9));
    const std::string empty = tempFile("empty.jpg", Bytes());
    const std::string cut = tempFile("cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + 60));
    const std::string noise = tempFile("noise.gif", Bytes(4000, 0x5A));
    for (const std::string& path : {nine, empty, cut, noise, std::string("C:\\no\\such\\picture.jpg"), std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(loadPictureFromFile(path), nullptr);
        HWND box = makeBox(kStretch, 40, 30);
        EXPECT_FALSE(setPictureFromFile(box, 0, path));
        EXPECT_EQ(held(box), nullptr);
        DeleteFileA(path.c_str());
    }
    EXPECT_EQ(loadPictureFromMemory(bitmap.data(), 9), nullptr);
    EXPECT_EQ(loadPictureFromMemory(nullptr, 100), nullptr);
    IPicture* ten = loadPictureFromMemory(Bytes(10, 0).data(), 10);
    EXPECT_EQ(ten, nullptr);
    if (ten) ten->Release();
}

TEST_F(PictureBox, NoControlNoPicture) {
    EXPECT_FALSE(setPictureFromFile(nullptr, 0, bitmapPath_));
    EXPECT_FALSE(setPictureFromFile(host_, 999, bitmapPath_));
    const Bytes bitmap = quadrantBitmap(8, 8);
    EXPECT_FALSE(setPictureFromMemory(host_, 999, bitmap.data(), bitmap.size()));
    EXPECT_FALSE(setPictureFromResource(host_, 999, nullptr, "PBOX_GIF"));
    EXPECT_FALSE(clearPicture(nullptr, 0));
    EXPECT_FALSE(fitToPicture(host_, 999));
    EXPECT_FALSE(redrawPicture(nullptr, 0));

    HWND box = makeBox(0, 40, 30);
    EXPECT_FALSE(clearPicture(box, 0));
    EXPECT_FALSE(fitToPicture(box, 0));
    EXPECT_FALSE(redrawPicture(box, 0));
    EXPECT_EQ(outerSize(box).cx, 40);  // fitting without a picture leaves the size alone
    HDC dc = GetDC(box);
    EXPECT_EQ(renderPicture(nullptr, dc, 0, 0, 10, 10, 0), E_POINTER);
    ReleaseDC(box, dc);
}

TEST_F(PictureBox, StretchStyleKeepsTheSizeOtherwiseTheControlFitsThePicture) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 96);

    HWND stretched = makeBox(kStretch, 200, 80);
    ASSERT_TRUE(setPictureFromFile(stretched, 0, bitmapPath_));
    EXPECT_EQ(outerSize(stretched).cx, 200);
    EXPECT_EQ(outerSize(stretched).cy, 80);

    // Addressed through its parent, by control ID.
    HWND plain = makeBox(0, 13, 17);
    ASSERT_TRUE(setPictureFromFile(host_, GetDlgCtrlID(plain), bitmapPath_));
    EXPECT_EQ(outerSize(plain).cx, 100);
    EXPECT_EQ(outerSize(plain).cy, 50);

    // A border comes on top: the client area is the picture's natural size.
    HWND bordered = makeBox(WS_BORDER, 13, 17);
    ASSERT_TRUE(setPictureFromFile(bordered, 0, bitmapPath_));
    RECT client;
    GetClientRect(bordered, &client);
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 50);
    EXPECT_EQ(outerSize(bordered).cx, 102);
    EXPECT_EQ(outerSize(bordered).cy, 52);

    // From memory the control is never resized.
    HWND fromMemory = makeBox(0, 13, 17);
    const Bytes bitmap = quadrantBitmap(100, 50);
    ASSERT_TRUE(setPictureFromMemory(fromMemory, 0, bitmap.data(), bitmap.size()));
    EXPECT_EQ(outerSize(fromMemory).cx, 13);
    ASSERT_TRUE(fitToPicture(fromMemory, 0));
    EXPECT_EQ(outerSize(fromMemory).cx, 100);
}

TEST_F(PictureBox, PaintedControlShowsTheImageStretched) {
    HWND box = makeBox(kStretch, 200, 100);
    ASSERT_TRUE(setPictureFromFile(box, 0, bitmapPath_));
    UpdateWindow(box);
    EXPECT_EQ(pixelAt(box, 50, 25), kRed);
    EXPECT_EQ(pixelAt(box, 150, 25), kBlue);
    EXPECT_EQ(pixelAt(box, 50, 75), kGreen);
    EXPECT_EQ(pixelAt(box, 150, 75), kYellow);
    EXPECT_EQ(pixelAt(box, 199, 99), kYellow);

    ASSERT_TRUE(setPictureFromFile(box, 0, sample("gif")));
    EXPECT_EQ(pixelAt(box, 40, 90), kRed);
    EXPECT_EQ(pixelAt(box, 160, 10), kBlue);

    ASSERT_TRUE(setPictureFromFile(box, 0, sample("jpg")));
    EXPECT_PRED3(closeTo, pixelAt(box, 40, 50), kRed, 24);
    EXPECT_PRED3(closeTo, pixelAt(box, 160, 50), kBlue, 24);

    SCOPED_TRACE("render");
    // The fill shows where the picture leaves the background: right half transparent.
    IPicture* picture = loadPictureFromFile(sample("transparent.gif"));
    ASSERT_NE(picture, nullptr);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 80, 40);
    HGDIOBJ old = SelectObject(dc, target);
    RECT all = {0, 0, 80, 40};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(renderPicture(picture, dc, 0, 0, 80, 40, -1), S_OK);
    EXPECT_EQ(GetPixel(dc, 20, 20), kRed);
    EXPECT_EQ(GetPixel(dc, 60, 20), RGB(255, 255, 255));
    EXPECT_EQ(renderPicture(picture, dc, 0, 0, 80, 40, kGreen), S_OK);
    EXPECT_EQ(GetPixel(dc, 20, 20), kRed);
    EXPECT_EQ(GetPixel(dc, 60, 20), kGreen);
    EXPECT_EQ(renderPicture(picture, nullptr, 0, 0, 80, 40, kGreen), E_POINTER);
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    picture->Release();
}

TEST_F(PictureBox, ReplacingClearingAndDestroyingReleaseThePicture) {
    HWND box = makeBox(kStretch, 50, 50);
    ASSERT_TRUE(setPictureFromFile(box, 0, bitmapPath_));
    IPicture* first = held(box);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->AddRef(), 2u);  // the control holds the only other reference

    const Bytes gif = readAll(sample("gif"));
    ASSERT_TRUE(setPictureFromMemory(box, 0, gif.data(), gif.size()));
    IPicture* second = held(box);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(first->Release(), 0u);  // the control let go of the first

    // A failed load still releases what was there.
    EXPECT_EQ(second->AddRef(), 2u);
    EXPECT_FALSE(setPictureFromFile(box, 0, "C:\\no\\such\\picture.gif"));
    EXPECT_EQ(held(box), nullptr);
    EXPECT_EQ(second->Release(), 0u);

    ASSERT_TRUE(setPictureFromMemory(box, 0, gif.data(), gif.size()));
    IPicture* third = held(box);
    third->AddRef();
    EXPECT_TRUE(clearPicture(box, 0));
    EXPECT_FALSE(clearPicture(box, 0));
    EXPECT_EQ(third->Release(), 0u);

    ASSERT_TRUE(setPictureFromFile(box, 0, sample("jpg")));
    IPicture* last = held(box);
    EXPECT_EQ(last->AddRef(), 2u);
    created_.clear();
    DestroyWindow(box);
    EXPECT_EQ(last->Release(), 0u);  // destruction released the control's reference
}

TEST_F(PictureBox, RepeatedLoadsLeakNoMemory) {
    const Bytes bitmap = quadrantBitmap(400, 300);  // 360 KB a copy
    auto loadAndRelease = [&] {
        IPicture* picture = loadPictureFromMemory(bitmap.data(), bitmap.size());
        ASSERT_NE(picture, nullptr);
        picture->Release();
    };
    for (int i = 0; i < 20; ++i) loadAndRelease();
    const size_t before = committedPrivateBytes();
    for (int i = 0; i < 150; ++i) loadAndRelease();
    const size_t after = committedPrivateBytes();
    // A stream, block or picture kept per load would be 50 MB or more.
    EXPECT_LT(after, before + 10u * 1024 * 1024) << before << " -> " << after;
}

TEST_F(PictureBox, ResourcesAndTheCaption) {
    // The caption names a resource: the control shows it from creation on.
    HWND fromCaption = makeBox(kStretch, 60, 40, "PBOX_GIF");
    ASSERT_NE(held(fromCaption), nullptr);
    UpdateWindow(fromCaption);
    EXPECT_EQ(pixelAt(fromCaption, 10, 20), kRed);
    EXPECT_EQ(pixelAt(fromCaption, 50, 20), kBlue);

    // Colours for the framework's erase: button face behind, black text.
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(GetPropA(fromCaption, "ZQ_BACKCOLOREB")), GetSysColor(COLOR_BTNFACE) + 1);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(GetPropA(fromCaption, "ZQ_FORECOLOR")), 1u);

    HWND unnamed = makeBox(kStretch, 60, 40, "NO_SUCH_PICTURE");
    EXPECT_EQ(held(unnamed), nullptr);

    // A bitmap resource has no file header of its own; it still loads.
    ASSERT_TRUE(setPictureFromResource(unnamed, 0, nullptr, "PBOX_BITMAP"));
    OLE_XSIZE_HIMETRIC width = 0;
    held(unnamed)->get_Width(&width);
    EXPECT_EQ(width, MulDiv(20, 2540, 96));
    EXPECT_EQ(pixelAt(unnamed, 30, 20), kGreen);

    // A name that finds nothing changes nothing.
    EXPECT_FALSE(setPictureFromResource(unnamed, 0, nullptr, "NO_SUCH_PICTURE"));
    EXPECT_FALSE(setPictureFromResource(unnamed, 0, nullptr, ""));
    EXPECT_NE(held(unnamed), nullptr);
}

}  // namespace
