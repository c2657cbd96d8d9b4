// Checks the resources linked into this test program from resources/vorn2.rc:
// what the client looks up must be there, in Chinese (PRC), with the exact
// sizes, depths and skin colours that the drawing code relies on.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "resource_ids.h"
#include "vorn2/Version.h"

namespace {

const WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

// The RT_* macros follow the UNICODE setting; these are the wide forms.
const LPCWSTR kRtBitmap = MAKEINTRESOURCEW(2);
const LPCWSTR kRtGroupIcon = MAKEINTRESOURCEW(14);
const LPCWSTR kRtVersion = MAKEINTRESOURCEW(16);
const LPCWSTR kRtManifest = MAKEINTRESOURCEW(24);

struct Blob {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

Blob ResourceBytes(const wchar_t* type, int id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceExW(module, type, MAKEINTRESOURCEW(id), kChinesePrc);
    if (!info) return {};
    HGLOBAL handle = LoadResource(module, info);
    if (!handle) return {};
    return {static_cast<const BYTE*>(LockResource(handle)), SizeofResource(module, info)};
}

uint32_t Be32(const BYTE* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint16_t Le16(const BYTE* p) { return uint16_t(p[0] | (p[1] << 8)); }

uint32_t Le32(const BYTE* p) { return uint32_t(Le16(p)) | (uint32_t(Le16(p + 2)) << 16); }

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR param) {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(lang);
    return TRUE;
}

std::vector<WORD> LanguagesOf(const wchar_t* type, int id) {
    std::vector<WORD> langs;
    EnumResourceLanguagesW(GetModuleHandleW(nullptr), type, MAKEINTRESOURCEW(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&langs));
    return langs;
}

BOOL CALLBACK CollectType(HMODULE, LPWSTR type, LONG_PTR param) {
    if (!IS_INTRESOURCE(type)) reinterpret_cast<std::set<std::wstring>*>(param)->insert(type);
    return TRUE;
}

// A bitmap resource selected into a memory DC, read with GetPixel. Loaded as a
// DIB section so the colours come back exactly whatever the display depth.
class BitmapReader {
public:
    explicit BitmapReader(int id) {
        bitmap_ = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        dc_ = CreateCompatibleDC(nullptr);
        if (bitmap_ && dc_) old_ = SelectObject(dc_, bitmap_);
    }
    ~BitmapReader() {
        if (old_) SelectObject(dc_, old_);
        if (dc_) DeleteDC(dc_);
        if (bitmap_) DeleteObject(bitmap_);
    }
    BitmapReader(const BitmapReader&) = delete;
    BitmapReader& operator=(const BitmapReader&) = delete;

    bool ok() const { return bitmap_ && dc_ && old_; }
    HBITMAP handle() const { return bitmap_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    int width() const {
        BITMAP bm{};
        return GetObjectW(bitmap_, sizeof(bm), &bm) ? bm.bmWidth : 0;
    }
    int height() const {
        BITMAP bm{};
        return GetObjectW(bitmap_, sizeof(bm), &bm) ? bm.bmHeight : 0;
    }

private:
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

const COLORREF kMagenta = RGB(255, 0, 255);

int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

// Each channel of a gradient column moves in one direction only, from top to bottom.
void ExpectMonotoneDarkening(const BitmapReader& bmp, int firstRow, int lastRow) {
    for (int y = firstRow + 1; y <= lastRow; ++y) {
        COLORREF above = bmp.at(0, y - 1);
        COLORREF here = bmp.at(0, y);
        EXPECT_LE(GetRValue(here), GetRValue(above)) << "row " << y;
        EXPECT_LE(GetGValue(here), GetGValue(above)) << "row " << y;
        EXPECT_LE(GetBValue(here), GetBValue(above)) << "row " << y;
    }
}

// The picture decoders of the system (GDI+), as the client itself uses them.
class GdiPlus {
public:
    GdiPlus() {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiPlus() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiPlus(const GdiPlus&) = delete;
    GdiPlus& operator=(const GdiPlus&) = delete;
    bool ok() const { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

class DecodedImage {
public:
    explicit DecodedImage(const Blob& blob) {
        if (!blob.data) return;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, blob.size);
        if (!memory) return;
        void* p = GlobalLock(memory);
        std::memcpy(p, blob.data, blob.size);
        GlobalUnlock(memory);
        if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream_))) {
            GlobalFree(memory);
            return;
        }
        Gdiplus::DllExports::GdipCreateBitmapFromStream(stream_, &bitmap_);
    }
    ~DecodedImage() {
        if (bitmap_) Gdiplus::DllExports::GdipDisposeImage(bitmap_);
        if (stream_) stream_->Release();
    }
    DecodedImage(const DecodedImage&) = delete;
    DecodedImage& operator=(const DecodedImage&) = delete;

    bool ok() const { return bitmap_ != nullptr; }
    UINT width() const {
        UINT w = 0;
        Gdiplus::DllExports::GdipGetImageWidth(bitmap_, &w);
        return w;
    }
    UINT height() const {
        UINT h = 0;
        Gdiplus::DllExports::GdipGetImageHeight(bitmap_, &h);
        return h;
    }
    Gdiplus::ARGB at(int x, int y) const {
        Gdiplus::ARGB c = 0;
        Gdiplus::DllExports::GdipBitmapGetPixel(bitmap_, x, y, &c);
        return c;
    }
    int alpha(int x, int y) const { return int(at(x, y) >> 24); }

private:
    IStream* stream_ = nullptr;
    Gdiplus::GpBitmap* bitmap_ = nullptr;
};

struct ResourceRef {
    const wchar_t* type;
    int id;
    const char* what;
};

}  // namespace

TEST(Resources, EveryResourceExistsOnlyInChinesePrc) {
    const ResourceRef all[] = {
        {L"PNG", IDR_PNG_LOGIN_BG, "login picture"},
        {L"PNG", IDR_PNG_SPLASH, "splash picture"},
        {L"ICON", IDR_ICON_APP, "icon file"},
        {L"GIF", IDR_GIF_MINI, "login minimise picture"},
        {L"GIF", IDR_GIF_CLOSE, "login close picture"},
        {kRtGroupIcon, IDI_APP, "group icon"},
        {kRtBitmap, IDB_BTN_MIN, "minimise button"},
        {kRtBitmap, IDB_BTN_MINMAX, "maximise/restore button"},
        {kRtBitmap, IDB_BTN_CLOSE, "close button"},
        {kRtBitmap, IDB_BTN_TOOL, "menu button"},
        {kRtBitmap, IDB_LOGO, "logo"},
        {kRtBitmap, IDB_TAB_SKIN0, "tab skin 0"},
        {kRtBitmap, IDB_TAB_SKIN1, "tab skin 1"},
        {kRtBitmap, IDB_TITLE_SKIN, "title skin"},
        {kRtBitmap, IDB_BTN_GAMESPACE, "portal button"},
        {kRtBitmap, IDB_BTN_OTHERUSER, "other account button"},
        {kRtBitmap, IDB_BTN_DIALOG, "dialog button"},
        {kRtVersion, 1, "version"},
        {kRtManifest, 1, "manifest"},
    };
    for (const ResourceRef& r : all) {
        Blob blob = ResourceBytes(r.type, r.id);
        EXPECT_NE(blob.data, nullptr) << r.what;
        EXPECT_GT(blob.size, 0u) << r.what;
        std::vector<WORD> langs = LanguagesOf(r.type, r.id);
        ASSERT_EQ(langs.size(), 1u) << r.what;
        EXPECT_EQ(langs[0], kChinesePrc) << r.what;
    }
}

TEST(Resources, IconFileIsANamedTypeNotASystemIcon) {
    std::set<std::wstring> named;
    EnumResourceTypesW(GetModuleHandleW(nullptr), CollectType, reinterpret_cast<LONG_PTR>(&named));
    EXPECT_EQ(named.count(L"ICON"), 1u);
    EXPECT_EQ(named.count(L"PNG"), 1u);
    EXPECT_EQ(named.count(L"GIF"), 1u);
    // id 101 must not have become a system group icon
    EXPECT_EQ(FindResourceExW(GetModuleHandleW(nullptr), kRtGroupIcon,
                              MAKEINTRESOURCEW(IDR_ICON_APP), kChinesePrc),
              nullptr);
    // the group icon serves the executable's own icon
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                               IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    if (icon) DestroyIcon(icon);
}

TEST(Resources, BitmapsHaveExactSizesAndDepths) {
    struct Expected {
        int id, width, height, bits;
    };
    const Expected all[] = {
        {IDB_BTN_MIN, 72, 18, 24},     {IDB_BTN_MINMAX, 150, 18, 24},
        {IDB_BTN_CLOSE, 129, 18, 24},  {IDB_BTN_TOOL, 72, 18, 24},
        {IDB_LOGO, 29, 29, 32},        {IDB_TAB_SKIN0, 415, 25, 24},
        {IDB_TAB_SKIN1, 421, 28, 24},  {IDB_TITLE_SKIN, 94, 85, 24},
        {IDB_BTN_GAMESPACE, 243, 22, 24}, {IDB_BTN_OTHERUSER, 297, 22, 24},
        {IDB_BTN_DIALOG, 195, 25, 24},
    };
    for (const Expected& e : all) {
        Blob blob = ResourceBytes(kRtBitmap, e.id);
        ASSERT_GE(blob.size, 40u) << e.id;
        EXPECT_EQ(Le32(blob.data), 40u) << e.id;
        EXPECT_EQ(int(Le32(blob.data + 4)), e.width) << e.id;
        EXPECT_EQ(int(Le32(blob.data + 8)), e.height) << e.id;
        EXPECT_EQ(int(Le16(blob.data + 14)), e.bits) << e.id;

        BitmapReader bmp(e.id);
        ASSERT_TRUE(bmp.ok()) << e.id;
        DIBSECTION ds{};
        ASSERT_EQ(GetObjectW(bmp.handle(), sizeof(ds), &ds), int(sizeof(ds))) << e.id;
        EXPECT_EQ(ds.dsBm.bmWidth, e.width) << e.id;
        EXPECT_EQ(ds.dsBm.bmHeight, e.height) << e.id;
        EXPECT_EQ(ds.dsBm.bmBitsPixel, e.bits) << e.id;
    }
    // a plain device-dependent load, as the window code does, gives the same size
    HBITMAP ddb = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_TITLE_SKIN), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(ddb, nullptr);
    BITMAP bm{};
    GetObjectW(ddb, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, 94);
    EXPECT_EQ(bm.bmHeight, 85);
    DeleteObject(ddb);
}

TEST(TabSkin, CompactSkinRegionsAndColours) {
    BitmapReader bmp(IDB_TAB_SKIN0);
    ASSERT_TRUE(bmp.ok());

    // background column
    EXPECT_EQ(bmp.at(0, 0), RGB(61, 162, 232));
    EXPECT_EQ(bmp.at(0, 23), RGB(30, 126, 197));
    EXPECT_EQ(bmp.at(0, 24), RGB(15, 106, 172));
    ExpectMonotoneDarkening(bmp, 0, 24);

    // three tab images of 122 columns: slanted sides, magenta above the slopes
    const int tabX[] = {1, 123, 245};
    for (int x0 : tabX) {
        EXPECT_EQ(bmp.at(x0, 0), kMagenta) << x0;
        EXPECT_EQ(bmp.at(x0 + 121, 0), kMagenta) << x0;
        EXPECT_EQ(bmp.at(x0 + 5, 8), kMagenta) << x0;      // beside the left slope
        EXPECT_EQ(bmp.at(x0 + 116, 8), kMagenta) << x0;    // beside the right slope
        EXPECT_NE(bmp.at(x0, 24), kMagenta) << x0;         // the slopes reach the corners
        EXPECT_NE(bmp.at(x0 + 121, 24), kMagenta) << x0;
        EXPECT_NE(bmp.at(x0 + 61, 12), kMagenta) << x0;
    }
    // selected tab body is the near white of the skin
    for (int y : {5, 12, 20}) {
        for (int x : {245 + 20, 245 + 61, 245 + 100}) {
            EXPECT_EQ(bmp.at(x, y), RGB(250, 249, 250)) << x << "," << y;
        }
    }
    // hover is lighter than normal, both blue
    COLORREF normal = bmp.at(1 + 61, 12);
    COLORREF hover = bmp.at(123 + 61, 12);
    EXPECT_GT(Brightness(hover), Brightness(normal));
    EXPECT_GT(GetBValue(normal), GetRValue(normal));
    EXPECT_GT(GetBValue(hover), GetRValue(hover));
    EXPECT_NE(hover, RGB(250, 249, 250));

    // close glyphs, 12 x 12 each
    EXPECT_EQ(bmp.at(367 + 5, 5), RGB(61, 78, 110));
    EXPECT_EQ(bmp.at(367 + 0, 0), kMagenta);
    COLORREF edge = bmp.at(367 + 4, 5);
    EXPECT_NE(edge, kMagenta);
    EXPECT_GT(Brightness(edge), 600);  // the light edge around the slate cross

    EXPECT_EQ(bmp.at(379 + 5, 5), RGB(37, 42, 51));
    EXPECT_EQ(bmp.at(379 + 4, 5), kMagenta);  // thin: nothing beside the stroke
    EXPECT_EQ(bmp.at(379 + 0, 0), kMagenta);

    EXPECT_EQ(bmp.at(391 + 1, 5), RGB(212, 116, 116));
    EXPECT_EQ(bmp.at(391 + 5, 5), RGB(255, 255, 255));
    EXPECT_EQ(bmp.at(391 + 0, 0), kMagenta);

    EXPECT_EQ(bmp.at(403 + 1, 5), RGB(67, 30, 32));
    EXPECT_EQ(bmp.at(403 + 5, 5), RGB(255, 255, 255));
    EXPECT_EQ(bmp.at(403 + 11, 11), kMagenta);
}

TEST(TabSkin, RoundedSkinRegionsAndColours) {
    BitmapReader bmp(IDB_TAB_SKIN1);
    ASSERT_TRUE(bmp.ok());

    EXPECT_EQ(bmp.at(0, 0), RGB(100, 143, 230));
    EXPECT_EQ(bmp.at(0, 25), RGB(71, 114, 201));
    EXPECT_EQ(bmp.at(0, 26), RGB(57, 100, 187));
    EXPECT_EQ(bmp.at(0, 27), RGB(36, 79, 166));
    ExpectMonotoneDarkening(bmp, 0, 27);

    // three tab images of 124 columns in rows 0-25, rounded top corners
    const int tabX[] = {1, 125, 249};
    for (int x0 : tabX) {
        EXPECT_EQ(bmp.at(x0, 0), kMagenta) << x0;
        EXPECT_EQ(bmp.at(x0 + 123, 0), kMagenta) << x0;
        EXPECT_EQ(bmp.at(x0, 3), kMagenta) << x0;  // the rounding
        EXPECT_NE(bmp.at(x0, 25), kMagenta) << x0;
        EXPECT_NE(bmp.at(x0 + 123, 25), kMagenta) << x0;
        EXPECT_NE(bmp.at(x0 + 62, 2), kMagenta) << x0;
    }
    COLORREF normal = bmp.at(1 + 62, 12);
    COLORREF hover = bmp.at(125 + 62, 12);
    EXPECT_GT(Brightness(hover), Brightness(normal));
    EXPECT_GT(GetBValue(normal), GetRValue(normal));

    // selected: white at the top fading to a light grey
    COLORREF top = bmp.at(249 + 62, 4);
    COLORREF bottom = bmp.at(249 + 62, 24);
    EXPECT_GE(GetRValue(top), 245);
    EXPECT_GE(GetGValue(top), 245);
    EXPECT_GE(GetBValue(top), 245);
    EXPECT_LT(Brightness(bottom), Brightness(top));
    EXPECT_GT(Brightness(bottom), 3 * 200);
    EXPECT_LE(std::abs(int(GetRValue(bottom)) - int(GetBValue(bottom))), 12);

    EXPECT_EQ(bmp.at(373 + 5, 5), RGB(61, 78, 110));
    EXPECT_EQ(bmp.at(385 + 5, 5), RGB(37, 42, 51));
    EXPECT_EQ(bmp.at(397 + 1, 5), RGB(212, 116, 116));
    EXPECT_EQ(bmp.at(397 + 5, 5), RGB(255, 255, 255));
    EXPECT_EQ(bmp.at(409 + 1, 5), RGB(67, 30, 32));
    EXPECT_EQ(bmp.at(409 + 5, 5), RGB(255, 255, 255));
    for (int x0 : {373, 385, 397, 409}) EXPECT_EQ(bmp.at(x0, 0), kMagenta) << x0;
}

TEST(ButtonStrips, EveryStateLooksDifferentAndNothingIsKeyColoured) {
    struct Strip {
        int id, frameWidth, frames, height;
    };
    const Strip strips[] = {
        {IDB_BTN_MIN, 24, 3, 18},        {IDB_BTN_MINMAX, 25, 6, 18},
        {IDB_BTN_CLOSE, 43, 3, 18},      {IDB_BTN_TOOL, 24, 3, 18},
        {IDB_BTN_GAMESPACE, 81, 3, 22},  {IDB_BTN_OTHERUSER, 99, 3, 22},
        {IDB_BTN_DIALOG, 65, 3, 25},
    };
    for (const Strip& s : strips) {
        BitmapReader bmp(s.id);
        ASSERT_TRUE(bmp.ok()) << s.id;
        ASSERT_EQ(bmp.width(), s.frameWidth * s.frames) << s.id;
        // buttons are painted opaque: a key colour would show as magenta
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < bmp.width(); ++x)
                ASSERT_NE(bmp.at(x, y), kMagenta) << s.id << " at " << x << "," << y;
        // normal, hover, pressed read differently at the same spot
        for (int group = 0; group < s.frames; group += 3) {
            const int y = s.height / 2;
            COLORREF c[3];
            for (int i = 0; i < 3; ++i) c[i] = bmp.at((group + i) * s.frameWidth + 3, y);
            EXPECT_NE(c[0], c[1]) << s.id;
            EXPECT_NE(c[1], c[2]) << s.id;
            EXPECT_NE(c[0], c[2]) << s.id;
        }
    }
    // window buttons carry a glyph: the normal frame is not one flat colour per row
    for (int id : {IDB_BTN_MIN, IDB_BTN_MINMAX, IDB_BTN_CLOSE, IDB_BTN_TOOL}) {
        BitmapReader bmp(id);
        ASSERT_TRUE(bmp.ok());
        int frameWidth = id == IDB_BTN_MINMAX ? 25 : id == IDB_BTN_CLOSE ? 43 : 24;
        int differing = 0;
        for (int y = 0; y < 18; ++y)
            for (int x = 1; x < frameWidth; ++x)
                if (bmp.at(x, y) != bmp.at(0, y)) ++differing;
        EXPECT_GE(differing, 8) << id;
    }
    // maximise and restore glyphs differ
    BitmapReader minmax(IDB_BTN_MINMAX);
    int differing = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 25; ++x)
            if (minmax.at(x, y) != minmax.at(75 + x, y)) ++differing;
    EXPECT_GE(differing, 8);
}

TEST(TitleSkin, SlicesRepeatWithoutSeams) {
    BitmapReader bmp(IDB_TITLE_SKIN);
    ASSERT_TRUE(bmp.ok());
    // bar: every column between the side frames equals the repeated middle tile
    for (int y = 0; y <= 36; ++y)
        for (int x = 4; x <= 89; ++x)
            ASSERT_EQ(bmp.at(x, y), bmp.at(20, y)) << x << "," << y;
    // the bar is dark enough for the white caption
    EXPECT_LT(Brightness(bmp.at(20, 16)), 3 * 200);
    // left and right frame edges repeat downwards from row 53
    for (int x : {0, 1, 2, 3, 90, 91, 92, 93})
        for (int y = 53; y <= 80; ++y) ASSERT_EQ(bmp.at(x, y), bmp.at(x, 53)) << x << "," << y;
    // bottom edge rows repeat sideways, corners included up to the inner frame
    for (int y = 81; y <= 84; ++y)
        for (int x = 4; x <= 89; ++x) ASSERT_EQ(bmp.at(x, y), bmp.at(20, y)) << x << "," << y;
    // the frame differs from the inside, and the edges mirror each other
    EXPECT_NE(bmp.at(1, 60), bmp.at(20, 60));
    EXPECT_NE(bmp.at(20, 83), bmp.at(20, 60));
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(bmp.at(d, 60), bmp.at(93 - d, 60)) << d;
        EXPECT_EQ(bmp.at(d, 60), bmp.at(20, 84 - d)) << d;
    }
}

TEST(IconFile, HoldsSixImagesThatTheSystemLoads) {
    Blob blob = ResourceBytes(L"ICON", IDR_ICON_APP);
    ASSERT_GE(blob.size, 6u);
    EXPECT_EQ(Le16(blob.data), 0);
    EXPECT_EQ(Le16(blob.data + 2), 1);
    ASSERT_EQ(Le16(blob.data + 4), 6);
    ASSERT_GE(blob.size, 6u + 6 * 16);

    std::multiset<int> sizes;
    for (int i = 0; i < 6; ++i) {
        const BYTE* e = blob.data + 6 + 16 * i;
        int size = e[0] == 0 ? 256 : e[0];
        EXPECT_EQ(e[0], e[1]);
        sizes.insert(size);
        uint32_t bytes = Le32(e + 8);
        uint32_t offset = Le32(e + 12);
        ASSERT_LE(uint64_t(offset) + bytes, blob.size) << size;
        const BYTE* img = blob.data + offset;
        if (size == 256) {
            ASSERT_GE(bytes, 24u);
            EXPECT_EQ(std::memcmp(img, "\x89PNG\r\n\x1a\n", 8), 0);
            EXPECT_EQ(Be32(img + 16), 256u);
            EXPECT_EQ(Be32(img + 20), 256u);
        } else {
            ASSERT_GE(bytes, 40u);
            EXPECT_EQ(Le32(img), 40u);
            EXPECT_EQ(int(Le32(img + 4)), size);
            EXPECT_EQ(int(Le32(img + 8)), 2 * size);
            EXPECT_EQ(Le16(img + 14), 32);
            uint32_t mask = uint32_t((size + 31) / 32 * 4 * size);
            EXPECT_EQ(bytes, 40u + uint32_t(size * size * 4) + mask) << size;
            HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(img), bytes, TRUE, 0x00030000,
                                                  size, size, 0);
            EXPECT_NE(icon, nullptr) << size;
            if (icon) DestroyIcon(icon);
        }
    }
    EXPECT_EQ(sizes, (std::multiset<int>{16, 24, 32, 48, 64, 256}));

    // written to a file, the icon loads at the two sizes the windows ask for
    wchar_t dir[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, dir), 0u);
    std::wstring path = std::wstring(dir) + L"vorn2_restest.ico";
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, blob.data, blob.size, &written, nullptr);
    CloseHandle(f);
    ASSERT_EQ(written, blob.size);
    for (int size : {16, 32}) {
        HICON icon = static_cast<HICON>(
            LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, size);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    DeleteFileW(path.c_str());
}

namespace {

void CheckLayeredPicture(int id, UINT width, UINT height, int margin) {
    Blob blob = ResourceBytes(L"PNG", id);
    ASSERT_GE(blob.size, 33u);
    ASSERT_EQ(std::memcmp(blob.data, "\x89PNG\r\n\x1a\n", 8), 0);
    ASSERT_EQ(std::memcmp(blob.data + 12, "IHDR", 4), 0);
    EXPECT_EQ(Be32(blob.data + 16), width);
    EXPECT_EQ(Be32(blob.data + 20), height);
    EXPECT_EQ(blob.data[24], 8);  // bits per channel
    EXPECT_EQ(blob.data[25], 6);  // RGBA

    GdiPlus gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    DecodedImage img(blob);
    ASSERT_TRUE(img.ok());
    ASSERT_EQ(img.width(), width);
    ASSERT_EQ(img.height(), height);
    const int w = int(width), h = int(height);

    // see-through margin all round
    for (int d = 0; d < margin; ++d) {
        for (int x = 0; x < w; x += 7) {
            ASSERT_EQ(img.alpha(x, d), 0) << x << "," << d;
            ASSERT_EQ(img.alpha(x, h - 1 - d), 0) << x << "," << h - 1 - d;
        }
        for (int y = 0; y < h; y += 7) {
            ASSERT_EQ(img.alpha(d, y), 0) << d << "," << y;
            ASSERT_EQ(img.alpha(w - 1 - d, y), 0) << w - 1 - d << "," << y;
        }
    }
    EXPECT_EQ(img.alpha(w / 2, h / 2), 255);

    // from each side towards the middle the alpha only grows, passing through
    // translucent values on the way (a soft rim, not a hard cut)
    auto walk = [&](int x0, int y0, int dx, int dy, int steps) {
        int last = 0, translucent = 0;
        for (int i = 0; i < steps; ++i) {
            int a = img.alpha(x0 + dx * i, y0 + dy * i);
            EXPECT_GE(a, last) << "step " << i;
            if (a > 0 && a < 255) ++translucent;
            last = a;
        }
        EXPECT_EQ(last, 255);
        EXPECT_GE(translucent, 2);
    };
    walk(0, h / 2, 1, 0, w / 2);
    walk(w - 1, h / 2, -1, 0, w / 2);
    walk(w / 2, 0, 0, 1, h / 2);
    walk(w / 2, h - 1, 0, -1, h / 2);
}

}  // namespace

TEST(LayeredPictures, LoginBackgroundIsRgbaWithSoftSeeThroughRim) {
    CheckLayeredPicture(IDR_PNG_LOGIN_BG, 1237, 696, 20);
}

TEST(LayeredPictures, SplashIsRgbaWithSoftSeeThroughRim) {
    CheckLayeredPicture(IDR_PNG_SPLASH, 356, 122, 3);
}

TEST(LoginButtons, GifPicturesOnTheKeyedBackground) {
    GdiPlus gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    const Gdiplus::ARGB background = 0xFFFEFEFE;
    for (auto [id, size] : {std::pair<int, int>{IDR_GIF_MINI, 28}, {IDR_GIF_CLOSE, 34}}) {
        Blob blob = ResourceBytes(L"GIF", id);
        ASSERT_GE(blob.size, 13u) << id;
        EXPECT_EQ(std::memcmp(blob.data, "GIF89a", 6), 0) << id;
        EXPECT_EQ(Le16(blob.data + 6), size) << id;
        EXPECT_EQ(Le16(blob.data + 8), size) << id;

        DecodedImage img(blob);
        ASSERT_TRUE(img.ok()) << id;
        ASSERT_EQ(int(img.width()), size);
        ASSERT_EQ(int(img.height()), size);
        for (auto [x, y] : {std::pair<int, int>{0, 0}, {size - 1, 0}, {0, size - 1}, {size - 1, size - 1}})
            EXPECT_EQ(img.at(x, y), background) << id << " corner " << x << "," << y;
        // the glyph: a light mark in the middle of a dark disc
        Gdiplus::ARGB middle = img.at(size / 2, size / 2);
        Gdiplus::ARGB disc = img.at(size / 2 - size / 4 - 1, size / 2 - 3);
        EXPECT_NE(middle, background) << id;
        EXPECT_GT(middle & 0xFF, 200u) << id;
        EXPECT_LT(disc & 0xFF, 200u) << id;
        int keyed = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (img.at(x, y) == background) ++keyed;
        EXPECT_GT(keyed, size * size / 8) << id;  // round, so the corners are keyed out
        EXPECT_LT(keyed, size * size / 2) << id;
    }
}

TEST(VersionInfo, CarriesTheProjectVersion) {
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(nullptr), path, MAX_PATH), 0u);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    ASSERT_GE(len, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // major.minor.0.patch: the client reads the first, second and fourth.
    const DWORD ms = (VORN2_VERSION_MAJOR << 16) | VORN2_VERSION_MINOR;
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(VORN2_VERSION_PATCH));
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, static_cast<DWORD>(VORN2_VERSION_PATCH));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &len));
    ASSERT_GE(len, 4u);
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 1200);

    auto text = [&](const wchar_t* name) {
        std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
        wchar_t* value = nullptr;
        UINT chars = 0;
        if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars) || !value)
            return std::wstring(L"<missing>");
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"FileDescription"), L"Vornhold 2客户端");
    EXPECT_EQ(text(L"FileVersion"), L"" VORN2_FILE_VERSION_TEXT);
    EXPECT_EQ(text(L"ProductName"), L"Vornhold 2");
    EXPECT_EQ(text(L"OriginalFilename"), L"vorn2.exe");
    EXPECT_NE(text(L"CompanyName"), L"<missing>");
    EXPECT_FALSE(text(L"CompanyName").empty());
}

TEST(Manifest, AsksForCommonControlsSixAndDpiAwareness) {
    Blob blob = ResourceBytes(kRtManifest, 1);
    ASSERT_NE(blob.data, nullptr);
    std::string xml(reinterpret_cast<const char*>(blob.data), blob.size);
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(xml.find("name=\"Vornhold.Vorn2.Client\" version=\"" VORN2_FILE_VERSION_TEXT "\""), std::string::npos);
    EXPECT_NE(xml.find("asInvoker"), std::string::npos);
    EXPECT_NE(xml.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(xml.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);  // Windows 10/11
    EXPECT_NE(xml.find("{e2011457-1546-43c5-a5fe-008deee3d3f0}"), std::string::npos);  // Vista

    // the loader honours it: the process's activation context redirects
    // comctl32.dll to the side-by-side common controls
    ACTCTX_SECTION_KEYED_DATA keyed{};
    keyed.cbSize = sizeof(keyed);
    EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                         L"comctl32.dll", &keyed));
}
