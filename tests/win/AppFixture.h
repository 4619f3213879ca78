#pragma once

// Support for the in-process window tests: the desktop with its taskbar, a
// scratch current folder with its own joke folder and no stored settings,
// timer and pixel probes, and the tray icons read back from the shell.

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "app/TrayApp.h"
#include "res/resource.h"
#include "tests/unit/TempDir.h"

namespace grtest {

// the desktop and its taskbar come up once something touches the desktop
// window; the work area shrinks when the taskbar has registered itself
inline bool waitForTaskbar(DWORD ms = 5000)
{
    GetDesktopWindow();
    DWORD start = GetTickCount();
    for (;;) {
        RECT work = {};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        if (FindWindowA("Shell_TrayWnd", NULL) && work.bottom < GetSystemMetrics(SM_CYSCREEN))
            return true;
        if (GetTickCount() - start > ms)
            return false;
        Sleep(10);
    }
}

// a bubble's fixed figures, given for 96 DPI, at the system DPI of the run
inline int px(int pixels)
{
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);
    return MulDiv(pixels, dpi, 96);
}

inline RECT workArea()
{
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

inline void deleteStoredSettings()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
}

inline bool writeStoredSettings(const char* value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(key, SETTINGS_VALUE, 0, REG_SZ, (const BYTE*)value,
                            (DWORD)strlen(value) + 1);
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

// the process works in a fresh folder while the object lives
class ScratchFolder {
public:
    ScratchFolder()
    {
        GetCurrentDirectoryA(sizeof previous, previous);
        if (dir.ok())
            SetCurrentDirectoryA(dir.path().c_str());
    }
    ~ScratchFolder() { SetCurrentDirectoryA(previous); }
    const TempDir& files() const { return dir; }

private:
    TempDir dir;
    char previous[MAX_PATH];
};

// waits for a WM_TIMER of window and takes it out of the queue unhandled
inline bool timerFires(HWND window, DWORD ms = 1000)
{
    DWORD start = GetTickCount();
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE))
            return true;
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - spent > 20 ? 20 : ms - spent, QS_TIMER);
    }
}

// drops whatever is queued for this thread (timer ticks, quit messages)
inline void dropQueuedMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
    }
}

struct Size {
    int w, h;
};

// a text measured as the bubble measures it
inline Size measureText(const char* text)
{
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT r = {0, 0, 0, 0};
    DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    return Size{r.right - r.left, r.bottom - r.top};
}

// the bubble's outline for a text of the given size, made from the three
// round rectangles; bodyOnly, if given, gets the body alone
inline HRGN expectedOutline(Size text, HRGN* bodyOnly = NULL)
{
    int mx = text.w / 10 + px(20), my = text.h / 10 + px(20);
    int right = 2 * mx + text.w, bottom = 2 * my + text.h;
    HRGN body = CreateRoundRectRgn(0, 0, right, bottom, px(400), px(400));
    HRGN tail = CreateRectRgn(0, 0, 0, 0);
    // texts of at most 40 pixels (at 96 DPI) get no tail
    if (text.w > px(40)) {
        DeleteObject(tail);
        tail = CreateRoundRectRgn(2 * mx, 2 * my, right - px(30), bottom, px(50), px(50));
        HRGN cutter = CreateRoundRectRgn(2 * mx, 2 * my, right - px(40), bottom + px(10),
                                         px(75), px(75));
        CombineRgn(tail, tail, cutter, RGN_DIFF);
        DeleteObject(cutter);
    }
    CombineRgn(tail, tail, body, RGN_OR);
    if (bodyOnly)
        *bodyOnly = body;
    else
        DeleteObject(body);
    return tail;
}

// the bubble's window size for a text: the outline's bounding box as the
// platform reports it (a round rectangle leaves out its right and bottom
// edge)
inline Size bubbleSizeFor(const char* text)
{
    HRGN outline = expectedOutline(measureText(text));
    RECT box;
    GetRgnBox(outline, &box);
    DeleteObject(outline);
    return Size{box.right - box.left, box.bottom - box.top};
}

inline Size windowSize(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return Size{r.right - r.left, r.bottom - r.top};
}

// pixels read back from a device context as COLORREFs, top row first
struct Pixels {
    int w = 0, h = 0;
    std::vector<COLORREF> px;
    COLORREF at(int x, int y) const { return px[y * w + x]; }
    bool operator==(const Pixels& o) const { return w == o.w && h == o.h && px == o.px; }
};

inline Pixels capture(HDC source, int x, int y, int w, int h)
{
    Pixels p;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP dib = CreateDIBSection(NULL, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!dib)
        return p;
    HDC mem = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, source, x, y, SRCCOPY);
    GdiFlush();
    p.w = w;
    p.h = h;
    p.px.resize((size_t)w * h);
    const DWORD* src = static_cast<const DWORD*>(bits);
    for (size_t i = 0; i < p.px.size(); ++i) {
        DWORD c = src[i];  // 0x00RRGGBB in a DIB
        p.px[i] = RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(dib);
    return p;
}

// what the window painted into its own surface
inline Pixels captureWindow(HWND window)
{
    Size s = windowSize(window);
    HDC dc = GetWindowDC(window);
    Pixels p = capture(dc, 0, 0, s.w, s.h);
    ReleaseDC(window, dc);
    return p;
}

inline Pixels captureScreen(const RECT& r)
{
    HDC dc = GetDC(NULL);
    Pixels p = capture(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(NULL, dc);
    return p;
}

inline bool isRed(COLORREF c)
{
    return GetRValue(c) > 200 && GetGValue(c) < 80 && GetBValue(c) < 80;
}

inline bool isYellow(COLORREF c)
{
    return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) < 80;
}

// One icon of the notification area as the shell shows it: its tooltip
// and where it sits on the screen. The shell (another process) gives each
// icon a tooltip window of its own, owned by the taskbar.
struct TrayIcon {
    std::wstring tip;
    RECT screen;
};

inline std::vector<TrayIcon> trayIcons()
{
    std::vector<TrayIcon> icons;
    HWND taskbar = FindWindowA("Shell_TrayWnd", NULL);
    if (!taskbar)
        return icons;
    DWORD pid = 0;
    GetWindowThreadProcessId(taskbar, &pid);
    HANDLE shell = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!shell)
        return icons;
    // the tool record and its text buffer have to live in the shell's memory
    const SIZE_T textOffset = 1024, textChars = 512;
    BYTE* remote = static_cast<BYTE*>(
        VirtualAllocEx(shell, NULL, textOffset + textChars * 2, MEM_COMMIT, PAGE_READWRITE));
    HWND tooltip = NULL;
    while (remote && (tooltip = FindWindowExA(NULL, tooltip, "tooltips_class32", NULL))) {
        if (GetWindow(tooltip, GW_OWNER) != taskbar)
            continue;
        int count = (int)SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            TTTOOLINFOW info = {};
            info.cbSize = TTTOOLINFOW_V2_SIZE;
            info.lpszText = reinterpret_cast<LPWSTR>(remote + textOffset);
            WCHAR empty[1] = {0};
            SIZE_T done;
            WriteProcessMemory(shell, remote, &info, sizeof info, &done);
            WriteProcessMemory(shell, remote + textOffset, empty, sizeof empty, &done);
            if (!SendMessageW(tooltip, TTM_ENUMTOOLSW, i, (LPARAM)remote))
                continue;
            ReadProcessMemory(shell, remote, &info, sizeof info, &done);
            std::vector<WCHAR> text(textChars + 1, 0);
            ReadProcessMemory(shell, remote + textOffset, text.data(), textChars * 2, &done);
            // removed icons leave their tooltip behind with an empty rectangle
            if (IsRectEmpty(&info.rect))
                continue;
            TrayIcon icon;
            icon.tip = text.data();
            icon.screen = info.rect;
            MapWindowPoints(info.hwnd, NULL, reinterpret_cast<POINT*>(&icon.screen), 2);
            icons.push_back(icon);
        }
    }
    if (remote)
        VirtualFreeEx(shell, remote, 0, MEM_RELEASE);
    CloseHandle(shell);
    return icons;
}

inline int countIconsWithTip(const std::wstring& tip)
{
    int n = 0;
    for (const TrayIcon& icon : trayIcons())
        n += icon.tip == tip;
    return n;
}

inline bool findIconWithTip(const std::wstring& tip, TrayIcon* out)
{
    for (const TrayIcon& icon : trayIcons()) {
        if (icon.tip == tip) {
            *out = icon;
            return true;
        }
    }
    return false;
}

inline bool findIconAt(const RECT& screen, TrayIcon* out)
{
    for (const TrayIcon& icon : trayIcons()) {
        if (EqualRect(&icon.screen, &screen)) {
            *out = icon;
            return true;
        }
    }
    return false;
}

enum class Look { Active, Stopped };

// the shell paints in its own time: waits until the icon's pixels show the
// yellow face, crossed out in red or not
inline bool waitForLook(const RECT& screen, Look look, DWORD ms = 3000)
{
    DWORD start = GetTickCount();
    for (;;) {
        Pixels p = captureScreen(screen);
        int red = 0, yellow = 0;
        for (COLORREF c : p.px) {
            red += isRed(c);
            yellow += isYellow(c);
        }
        bool face = yellow >= 4;
        if (face && (look == Look::Stopped ? red >= 8 : red == 0))
            return true;
        if (GetTickCount() - start > ms)
            return false;
        Sleep(20);
    }
}

// the tray icon of the controller as the shell shows it: the one tooltip
// with the given text, painted with the given look
inline ::testing::AssertionResult trayShows(const wchar_t* tip, Look look)
{
    DWORD start = GetTickCount();
    int n = 0;
    // the shell handles the notification before Shell_NotifyIcon returns,
    // but give it a moment anyway
    while ((n = countIconsWithTip(tip)) == 0 && GetTickCount() - start < 1000)
        Sleep(20);
    if (n != 1)
        return ::testing::AssertionFailure() << n << " tray icons with tooltip \"" << std::string(tip, tip + wcslen(tip)) << "\"";
    TrayIcon icon;
    findIconWithTip(tip, &icon);
    if (!waitForLook(icon.screen, look))
        return ::testing::AssertionFailure()
               << "tray icon \"" << std::string(tip, tip + wcslen(tip)) << "\" does not look "
               << (look == Look::Stopped ? "stopped" : "active");
    return ::testing::AssertionSuccess();
}

inline bool menuChecked(HMENU menu, UINT command)
{
    UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
    return state != (UINT)-1 && (state & MF_CHECKED);
}

// A running controller as WinMain makes it, in a scratch folder of its own
// with a joke folder of one joke and no stored settings. Subclasses change
// what is on disk and in the registry before the controller starts.
class AppFixture : public ::testing::Test {
protected:
    static constexpr const char* ONE_JOKE = "Treffen sich zwei Blondinen.\nSagt die eine: Hallo!";

    void SetUp() override
    {
        hInst = GetModuleHandleA(NULL);
        ASSERT_TRUE(waitForTaskbar()) << "no taskbar on the desktop";
        ASSERT_TRUE(scratch.files().ok());
        savedWork = workArea();
        deleteStoredSettings();
        prepare();
        start();
    }

    void TearDown() override
    {
        stop();
        deleteStoredSettings();
        if (!IsRectEmpty(&savedWork))
            SystemParametersInfoA(SPI_SETWORKAREA, 0, &savedWork, 0);
    }

    // what the disk and the registry hold before start-up
    virtual void prepare()
    {
        ASSERT_FALSE(scratch.files()
                         .write("Witze\\Blondinen.txt", std::string(ONE_JOKE) + "\r\n###\r\n")
                         .empty());
    }

    void start()
    {
        theApp = new TrayApp();
        app = theApp;
        bubble = app->bubble->window();
    }

    // the controller goes; its window stays by design, so the test
    // removes it and its class for the next one
    void stop()
    {
        if (!app)
            return;
        delete app;
        app = NULL;
        theApp = NULL;
        DestroyWindow(bubble);
        UnregisterClassA("MainWindow", hInst);
        dropQueuedMessages();
    }

    bool visible() const { return IsWindowVisible(bubble) != FALSE; }
    bool checked() const { return menuChecked(app->menu, IDM_ACTIVE); }

    ScratchFolder scratch;
    RECT savedWork = {};
    TrayApp* app = NULL;
    HWND bubble = NULL;
};

}  // namespace grtest
