// Loads the tray icons from this executable's resources and checks their
// pixels, so a broken res/make_icons.py or a wrong .rc entry shows up here.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "res/resource.h"

namespace {

// every size the resources hold: the small and large icon at 100 to 200 %
const int SIZES[] = {16, 20, 24, 32, 40, 48};

struct IconPixels {
    int n = 0;
    std::vector<DWORD> rgb;   // 0x00RRGGBB, top row first
    std::vector<bool> clear;  // AND mask bit set: see-through

    DWORD at(int x, int y) const { return rgb[y * n + x]; }
    bool transparent(int x, int y) const { return clear[y * n + x]; }
};

int red(DWORD c) { return (c >> 16) & 0xFF; }
int green(DWORD c) { return (c >> 8) & 0xFF; }
int blue(DWORD c) { return c & 0xFF; }
bool isYellow(DWORD c) { return red(c) > 200 && green(c) > 200 && blue(c) < 60; }
bool isRed(DWORD c) { return red(c) > 200 && green(c) < 60 && blue(c) < 60; }

// Reads an icon's colour and mask bitmaps back as top-down DIBs.
IconPixels readIcon(int id, int n) {
    IconPixels p;
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(NULL),
        MAKEINTRESOURCEA(id), IMAGE_ICON, n, n, 0));
    EXPECT_NE(icon, nullptr) << "icon " << id << " size " << n;
    if (!icon) return p;
    ICONINFO info = {};
    EXPECT_TRUE(GetIconInfo(icon, &info));
    EXPECT_NE(info.hbmColor, nullptr) << "expected a colour icon";
    BITMAP bm = {};
    if (info.hbmColor) GetObject(info.hbmColor, sizeof(bm), &bm);
    EXPECT_EQ(n, bm.bmWidth);
    EXPECT_EQ(n, bm.bmHeight);

    HDC dc = CreateCompatibleDC(NULL);
    if (info.hbmColor && bm.bmWidth == n && bm.bmHeight == n) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = n;
        bi.bmiHeader.biHeight = -n;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        p.rgb.assign(n * n, 0);
        EXPECT_EQ(n, GetDIBits(dc, info.hbmColor, 0, n, p.rgb.data(), &bi,
                               DIB_RGB_COLORS));

        // 1 bpp keeps the mask bits as they are; room for two colours.
        struct { BITMAPINFOHEADER h; RGBQUAD c[2]; } mi = {};
        mi.h = bi.bmiHeader;
        mi.h.biBitCount = 1;
        const int stride = ((n + 31) / 32) * 4;
        std::vector<BYTE> bits(stride * n);
        EXPECT_EQ(n, GetDIBits(dc, info.hbmMask, 0, n, bits.data(),
                               reinterpret_cast<BITMAPINFO*>(&mi),
                               DIB_RGB_COLORS));
        p.clear.resize(n * n);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                p.clear[y * n + x] = bits[y * stride + x / 8] & (0x80 >> (x % 8));
        p.n = n;
    }
    DeleteDC(dc);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return p;
}

TEST(IconTest, FaceIsYellowOnTransparentGround) {
    for (int id : {IDI_ACTIVE, IDI_STOPPED}) {
        for (int n : SIZES) {
            SCOPED_TRACE(testing::Message() << "icon " << id << " size " << n);
            IconPixels p = readIcon(id, n);
            ASSERT_EQ(n, p.n);
            for (int y : {0, n - 1}) {
                for (int x : {0, n - 1}) {
                    EXPECT_TRUE(p.transparent(x, y)) << x << "," << y;
                    // Black under the mask, or the corner would be tinted.
                    EXPECT_EQ(0u, p.at(x, y)) << x << "," << y;
                }
            }
            // Between the eyes, above the mouth: plain face colour.
            for (int y = n / 4; y < n / 4 + n / 8; ++y) {
                for (int x = n / 2 - 1; x <= n / 2; ++x) {
                    EXPECT_FALSE(p.transparent(x, y)) << x << "," << y;
                    EXPECT_TRUE(isYellow(p.at(x, y)))
                        << x << "," << y << " = " << std::hex << p.at(x, y);
                }
            }
            // A one-pixel dark outline on both sides of the middle row.
            const int y = n / 2;
            int left = 0, right = n - 1;
            while (left < n && p.transparent(left, y)) ++left;
            while (right >= 0 && p.transparent(right, y)) --right;
            ASSERT_LT(left + 1, right);
            EXPECT_EQ(0u, p.at(left, y)) << "left outline at " << left;
            EXPECT_EQ(0u, p.at(right, y)) << "right outline at " << right;
            EXPECT_TRUE(isYellow(p.at(left + 1, y)) && isYellow(p.at(right - 1, y)));
            int opaque = 0, yellow = 0;
            for (int i = 0; i < n * n; ++i) {
                opaque += !p.clear[i];
                yellow += isYellow(p.rgb[i]);
            }
            EXPECT_GT(opaque, n * n / 2) << "face should fill most of it";
            EXPECT_GT(yellow, n * n / 8);
        }
    }
}

TEST(IconTest, OnlyStoppedIconIsCrossedOutInRed) {
    for (int n : SIZES) {
        SCOPED_TRACE(testing::Message() << "size " << n);
        IconPixels active = readIcon(IDI_ACTIVE, n);
        IconPixels stopped = readIcon(IDI_STOPPED, n);
        ASSERT_EQ(n, active.n);
        ASSERT_EQ(n, stopped.n);
        int activeRed = 0;
        for (DWORD c : active.rgb) activeRed += isRed(c);
        EXPECT_EQ(0, activeRed);
        // All four arms of the X, just inside the face's rim.
        for (int i = n * 3 / 16; i < n * 5 / 16; ++i) {
            const int opp = n - 1 - i;
            const int pts[4][2] = {{i, i}, {opp, i}, {i, opp}, {opp, opp}};
            for (const auto& pt : pts) {
                EXPECT_TRUE(isRed(stopped.at(pt[0], pt[1])))
                    << pt[0] << "," << pt[1] << " = " << std::hex
                    << stopped.at(pt[0], pt[1]);
                EXPECT_FALSE(isRed(active.at(pt[0], pt[1])));
            }
        }
    }
}

}  // namespace
