#include "ui/FullScreen.h"

#include <shellapi.h>

#include "app/SystemLibrary.h"

bool userIsBusy()
{
    typedef HRESULT(WINAPI * QueryProc)(QUERY_USER_NOTIFICATION_STATE*);
    QueryProc query = (QueryProc)systemFunction("shell32.dll", "SHQueryUserNotificationState");
    QUERY_USER_NOTIFICATION_STATE state;
    if (query && SUCCEEDED(query(&state)) && state != QUNS_ACCEPTS_NOTIFICATIONS)
        return true;
    // the system's answer misses full-screen programs that are no games
    // or videos (a slide show in a browser, say); our own windows (a
    // dialog, the menu) never hold a joke back
    HWND front = GetForegroundWindow();
    DWORD process = 0;
    GetWindowThreadProcessId(front, &process);
    return process != GetCurrentProcessId() && coversItsMonitor(front);
}

// the desktop and the taskbars cover the screen without being a program
static bool isShellWindow(HWND window)
{
    static const char* const shellClasses[] = {"Progman", "WorkerW", "Shell_TrayWnd",
                                               "Shell_SecondaryTrayWnd"};
    if (window == GetDesktopWindow() || window == GetShellWindow())
        return true;
    char name[64];
    if (!GetClassNameA(window, name, sizeof name))
        return false;
    for (const char* shellClass : shellClasses)
        if (!lstrcmpiA(name, shellClass))
            return true;
    return false;
}

bool coversItsMonitor(HWND window)
{
    if (!window || isShellWindow(window) || !IsWindowVisible(window) || IsIconic(window))
        return false;
    // an ordinary maximised window covers the monitor too when the taskbar
    // hides itself
    if (IsZoomed(window) && (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
        return false;

    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return false;
    RECT r;
    GetWindowRect(window, &r);
    const RECT& m = monitor.rcMonitor;
    return r.left <= m.left && r.top <= m.top && r.right >= m.right && r.bottom >= m.bottom;
}
