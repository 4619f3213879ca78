// What the user's clicks on the tray icon, the menus and the bubble do.
#include "app/TrayApp.h"
#include "res/resource.h"
#include "ui/Autostart.h"
#include "ui/Dialogs.h"
#include "ui/Tray.h"

static const char TIP_ACTIVE[] = "Grinsel ist aktiv!";
static const char TIP_STOPPED[] = "Grinsel gestoppt.";

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

void TrayApp::onCommand(HWND window, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDM_SETTINGS:
        DialogBoxParamA(hInst, MAKEINTRESOURCEA(IDD_SETTINGS), window, SettingsDlgProc, 0);
        break;
    case IDM_ACTIVE:
        if (active) {
            bubbleShown = false;
            bubble->hide();
            cancelTimer();
            trayModify(bubble->window(), 0, loadTrayIcon(IDI_STOPPED), TIP_STOPPED);
            active = false;
            CheckMenuItem(menu, IDM_ACTIVE, MF_BYCOMMAND | MF_UNCHECKED);
        } else {
            bubbleShown = true;
            bubble->setText(jokes->pick());
            armTimer(showSeconds);  // replaces any timer still pending
            trayModify(bubble->window(), 0, loadTrayIcon(IDI_ACTIVE), TIP_ACTIVE);
            active = true;
            CheckMenuItem(menu, IDM_ACTIVE, MF_BYCOMMAND | MF_CHECKED);
        }
        break;
    case IDM_ABOUT:
        DialogBoxParamA(hInst, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDlgProc, 0);
        break;
    case IDM_EXIT:
        PostQuitMessage(0);
        break;
    case IDM_AUTOSTART:
        // a failure changes nothing; the next menu shows how things are
        setAutostart(!autostartOn());
        break;
    case IDM_NEXTJOKE:
        // active, the icon and the check mark stay as they are
        bubbleShown = true;
        bubble->setText(jokes->pick());
        cancelTimer();
        armTimer(showSeconds);
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
        trayAdd(bubble->window(), 0, loadTrayIcon(IDI_ACTIVE), TIP_ACTIVE);
    else
        trayAdd(bubble->window(), 0, loadTrayIcon(IDI_STOPPED), TIP_STOPPED);
}
