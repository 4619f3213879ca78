#include <windows.h>

#include "app/TrayApp.h"
#include "res/resource.h"

// one Grinsel per logon session; the name is ours alone
static const char INSTANCE_MUTEX[] = "Local\\Morlando.Grinsel.Instance";

// Libraries come from the system folder only, never from the program's folder
// (a Downloads folder, for a program started from there) or the current one.
// Looked up, as a Windows 7 without its update lacks the function.
static void loadLibrariesFromSystemOnly()
{
#ifndef GRINSEL_TEST_WITHOUT_LIBRARY_RULE  // defined only by a test build, to show what this prevents
    typedef BOOL(WINAPI * SetDirectoriesProc)(DWORD);
    SetDirectoriesProc setDirectories = (SetDirectoriesProc)(void*)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDirectories)
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
#endif
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    loadLibrariesFromSystemOnly();

    // a second start would add a second icon and bubble and overwrite the
    // first one's settings at exit: it only shows the running one's next joke
    HANDLE instanceMutex = CreateMutexA(NULL, FALSE, INSTANCE_MUTEX);
    if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND running = FindWindowA(JokeBubble::CLASS_NAME, JokeBubble::TITLE);
        if (running)
            PostMessageA(running, WM_COMMAND, IDM_NEXTJOKE, 0);
        CloseHandle(instanceMutex);
        return 0;
    }

    hInst = instance;
    theApp = new TrayApp();

    MSG msg;
    msg.wParam = 0;
    // stops on the quit message and on an error return alike
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    delete theApp;
    theApp = NULL;
    if (instanceMutex)
        CloseHandle(instanceMutex);
    return (int)msg.wParam;
}
