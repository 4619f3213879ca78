#include <windows.h>

#include "app/TrayApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
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
    return (int)msg.wParam;
}
