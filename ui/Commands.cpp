// What the user's clicks on the tray icon, the menus and the bubble do.
#include "app/TrayApp.h"
#include "res/resource.h"
#include "ui/Autostart.h"
#include "ui/Dialogs.h"
#include "ui/Tray.h"

static const char TIP_ACTIVE[] = "Grinsel ist aktiv!";
static const char TIP_STOPPED[] = "Grinsel gestoppt.";

enum { REST_SECONDS = 3600 };

// Only the user's right click brings us to the foreground: without it a
// menu of a notification icon does not close when the user clicks
// elsewhere, and the WM_NULL afterwards lets it close on the first click.
static void trackMenu(HMENU popup, int x, int y, HWND owner)
{
    // the user may have deleted the shortcut by hand since the last time
    CheckMenuItem(popup, IDM_AUTOSTART, MF_BYCOMMAND | (autostartOn() ? MF_CHECKED : MF_UNCHECKED));
    SetForegroundWindow(owner);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, x, y, 0, owner, NULL);
    PostMessageA(owner, WM_NULL, 0, 0);
}

// One dialog at a time: two settings dialogs would overwrite each other's
// OK. The dialog procedures put their handle where the last argument points.
void TrayApp::openDialog(HWND owner, int id, DLGPROC procedure)
{
    if (dialog) {
        SetForegroundWindow(dialog);
        return;
    }
    DialogBoxParamA(hInst, MAKEINTRESOURCEA(id), owner, procedure, (LPARAM)&dialog);
    dialog = NULL;
}

// The next joke in an hour: a pause that long, and the tooltip says until
// when.
void TrayApp::rest()
{
    putAway();
    armTimer(REST_SECONDS);  // replaces the pause's timer

    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER end;
    end.LowPart = now.dwLowDateTime;
    end.HighPart = now.dwHighDateTime;
    end.QuadPart += REST_SECONDS * 10000000ull;  // in 100 ns
    now.dwLowDateTime = end.LowPart;
    now.dwHighDateTime = end.HighPart;
    SYSTEMTIME utc, local;
    FileTimeToSystemTime(&now, &utc);
    SystemTimeToTzSpecificLocalTime(NULL, &utc, &local);
    wsprintfA(restTip, "Grinsel ruht bis %02u:%02u", local.wHour, local.wMinute);
    trayModify(bubble->window(), 0, loadTrayIcon(IDI_ACTIVE), restTip);
}

void TrayApp::endRest()
{
    restTip[0] = '\0';
    trayModify(bubble->window(), 0, loadTrayIcon(IDI_ACTIVE), TIP_ACTIVE);
}

void TrayApp::onCommand(HWND window, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDM_SETTINGS:
        openDialog(window, IDD_SETTINGS, SettingsDlgProc);
        break;
    case IDM_ACTIVE:
        if (active) {
            bubbleShown = false;
            bubble->hide();
            cancelTimer();
            restTip[0] = '\0';  // switched off, there is nothing to end
            trayModify(bubble->window(), 0, loadTrayIcon(IDI_STOPPED), TIP_STOPPED);
            active = false;
            CheckMenuItem(menu, IDM_ACTIVE, MF_BYCOMMAND | MF_UNCHECKED);
        } else {
            showJoke();
            trayModify(bubble->window(), 0, loadTrayIcon(IDI_ACTIVE), TIP_ACTIVE);
            active = true;
            CheckMenuItem(menu, IDM_ACTIVE, MF_BYCOMMAND | MF_CHECKED);
        }
        // no rest while the cycle is stopped
        EnableMenuItem(menu, IDM_REST, MF_BYCOMMAND | (active ? MF_ENABLED : MF_GRAYED));
        break;
    case IDM_REST:
        if (active)
            rest();
        break;
    case IDM_ABOUT:
        openDialog(window, IDD_ABOUT, AboutDlgProc);
        break;
    case IDM_EXIT:
        PostQuitMessage(0);
        break;
    case IDM_AUTOSTART:
        // a failure changes nothing; the next menu shows how things are
        setAutostart(!autostartOn());
        break;
    case IDM_COPYJOKE:
        // another program holding the clipboard: nothing happens
        bubble->copyText();
        break;
    case IDM_NEXTJOKE:
        // active, the icon and the check mark stay as they are; a rest ends
        showJoke();
        break;
    }
}

void TrayApp::onTrayNotify(WPARAM, LPARAM lParam)
{
    switch (lParam) {
    case WM_LBUTTONDOWN:
        SendMessageA(bubble->window(), WM_COMMAND, IDM_NEXTJOKE, 0);
        break;
    case WM_RBUTTONDOWN: {
        POINT cursor;
        GetCursorPos(&cursor);
        trackMenu(popupMenu, cursor.x, cursor.y, bubble->window());
        break;
    }
    }
}

void TrayApp::onContextMenu(HWND window, LPARAM lParam)
{
    // the shared menu shows the state the command will leave
    CheckMenuItem(menu, IDM_ACTIVE, MF_BYCOMMAND | (active ? MF_CHECKED : MF_UNCHECKED));
    trackMenu(GetSubMenu(menu, 0), (short)LOWORD(lParam), (short)HIWORD(lParam), window);
}

void TrayApp::onTaskbarCreated()
{
    // a new taskbar starts with an empty notification area
    if (active)
        trayAdd(bubble->window(), 0, loadTrayIcon(IDI_ACTIVE), restTip[0] ? restTip : TIP_ACTIVE);
    else
        trayAdd(bubble->window(), 0, loadTrayIcon(IDI_STOPPED), TIP_STOPPED);
}
