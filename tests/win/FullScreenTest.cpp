// When a window in front holds the jokes back: each rule on real windows,
// one pixel short of the monitor where the size is the point.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "tests/win/AppFixture.h"
#include "ui/FullScreen.h"

namespace {

class Windows {
public:
    ~Windows()
    {
        for (HWND w : made)
            DestroyWindow(w);
        for (const char* c : classes)
            UnregisterClassA(c, GetModuleHandleA(NULL));
    }

    HWND make(const char* className, DWORD style, RECT r)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = className;
        if (RegisterClassA(&wc))
            classes.push_back(className);
        HWND w = CreateWindowExA(0, className, "fremd", style, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, NULL, NULL, wc.hInstance, NULL);
        made.push_back(w);
        return w;
    }

private:
    std::vector<HWND> made;
    std::vector<const char*> classes;
};

TEST(FullScreenTest, OnlyAShownWindowCoveringItsWholeMonitorHoldsJokesBack)
{
    ASSERT_TRUE(grtest::waitForTaskbar());
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor));
    const RECT m = monitor.rcMonitor;
    Windows windows;
    const DWORD popup = WS_POPUP | WS_VISIBLE;

    HWND full = windows.make("Vollbild", popup, m);
    EXPECT_TRUE(coversItsMonitor(full));
    RECT larger = m;
    InflateRect(&larger, 8, 8);
    EXPECT_TRUE(coversItsMonitor(windows.make("Vollbild", popup, larger)));
    const RECT shorter[] = {{m.left + 1, m.top, m.right, m.bottom}, {m.left, m.top + 1, m.right, m.bottom},
                            {m.left, m.top, m.right - 1, m.bottom}, {m.left, m.top, m.right, m.bottom - 1}};
    for (const RECT& r : shorter)
        EXPECT_FALSE(coversItsMonitor(windows.make("Vollbild", popup, r))) << r.left << "," << r.top
                                                                           << "," << r.right << "," << r.bottom;

    EXPECT_FALSE(coversItsMonitor(windows.make("Vollbild", WS_POPUP, m))) << "hidden";
    HWND minimised = windows.make("Vollbild", popup, m);
    ShowWindow(minimised, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(minimised));
    EXPECT_FALSE(coversItsMonitor(minimised));

    // maximised and stretched to the monitor, as with a taskbar that hides
    // itself: an ordinary window with a caption does not count, one
    // without does
    for (DWORD style : {DWORD(WS_OVERLAPPEDWINDOW), DWORD(WS_POPUP | WS_THICKFRAME)}) {
        HWND maximised = windows.make("Vollbild", style | WS_VISIBLE, m);
        ShowWindow(maximised, SW_MAXIMIZE);
        SetWindowPos(maximised, NULL, m.left, m.top, m.right - m.left, m.bottom - m.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(IsZoomed(maximised));
        EXPECT_EQ(style == WS_OVERLAPPEDWINDOW ? false : true, coversItsMonitor(maximised));
    }

    // the desktop and the taskbars cover the screen without being programs
    EXPECT_FALSE(coversItsMonitor(NULL));
    EXPECT_FALSE(coversItsMonitor(GetDesktopWindow()));
    for (const char* shell : {"Progman", "WorkerW", "Shell_SecondaryTrayWnd"})
        EXPECT_FALSE(coversItsMonitor(windows.make(shell, popup, m))) << shell;
    RECT tray = m;
    HWND ownTray = windows.make("Shell_TrayWnd", popup, tray);
    EXPECT_FALSE(coversItsMonitor(ownTray));

    // our own windows in front never hold a joke back
    SetForegroundWindow(full);
    ASSERT_EQ(full, GetForegroundWindow());
    EXPECT_FALSE(userIsBusy());
}

}  // namespace
