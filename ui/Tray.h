// The notification-area icon. trayAdd and trayModify take over the icon
// handle they get and destroy it after the shell call.
#ifndef GRINSEL_TRAY_H
#define GRINSEL_TRAY_H

#include <windows.h>

BOOL trayAdd(HWND window, UINT id, HICON icon, const char* tip);
BOOL trayModify(HWND window, UINT id, HICON icon, const char* tip);
BOOL trayDelete(HWND window, UINT id);

// a private copy of a small icon resource, for handing to trayAdd/trayModify
HICON loadTrayIcon(int id);

#endif
