#include "ui/Tray.h"

#include <shellapi.h>

#include "app/SystemLibrary.h"
#include "app/TrayApp.h"

// the shell is loaded when the icon is first added, not at process start,
// so that the banner reaches the screen sooner
static BOOL shellNotifyIcon(DWORD action, NOTIFYICONDATAA* data)
{
    typedef BOOL(WINAPI * NotifyIconProc)(DWORD, NOTIFYICONDATAA*);
    NotifyIconProc notify = (NotifyIconProc)systemFunction("shell32.dll", "Shell_NotifyIconA");
    return notify ? notify(action, data) : FALSE;
}

static BOOL notifyIcon(DWORD action, HWND window, UINT id, HICON icon, const char* tip)
{
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88: the first version of the record
    data.hWnd = window;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYNOTIFY;
    data.hIcon = icon;
    if (tip)
        lstrcpynA(data.szTip, tip, 64);

    BOOL result = shellNotifyIcon(action, &data);
    // the shell keeps its own copy of the icon
    if (icon)
        DestroyIcon(icon);
    return result;
}

BOOL trayAdd(HWND window, UINT id, HICON icon, const char* tip)
{
    return notifyIcon(NIM_ADD, window, id, icon, tip);
}

BOOL trayModify(HWND window, UINT id, HICON icon, const char* tip)
{
    return notifyIcon(NIM_MODIFY, window, id, icon, tip);
}

BOOL trayDelete(HWND window, UINT id)
{
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = id;
    return shellNotifyIcon(NIM_DELETE, &data);
}

HICON loadTrayIcon(int id)
{
    // not LR_SHARED: the tray functions destroy what they are given
    return (HICON)LoadImageA(hInst, MAKEINTRESOURCEA(id), IMAGE_ICON,
                             GetSystemMetrics(SM_CXSMICON),
                             GetSystemMetrics(SM_CYSMICON), 0);
}
