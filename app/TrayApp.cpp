#include "app/TrayApp.h"

#include "app/Settings.h"
#include "jokes/Random.h"
#include "res/resource.h"
#include "ui/FullScreen.h"
#include "ui/Tray.h"

HINSTANCE hInst;
TrayApp* theApp;

TrayApp::TrayApp()
    : bubble(NULL), popupMenu(NULL), active(false), jokes(NULL), bubbleShown(false),
      menu(NULL), showSeconds(30), pauseSeconds(30)
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    seedRandom(counter.LowPart);

    bubble = new JokeBubble(WndProc);  // shows the banner at once

    menu = LoadMenuA(hInst, MAKEINTRESOURCEA(IDR_TRAYMENU));
    popupMenu = GetSubMenu(menu, 0);
    SetMenuDefaultItem(popupMenu, IDM_NEXTJOKE, FALSE);

    trayAdd(bubble->window(), 0, loadTrayIcon(IDI_ACTIVE), "Grinsel ist aktiv!");

    jokes = new JokeFile();
    showSeconds = 30;
    pauseSeconds = 30;
    loadSettings(this);

    // the banner stays for one show interval
    bubbleShown = true;
    armTimer(showSeconds);
    active = true;
}

TrayApp::~TrayApp()
{
    saveSettings(this);
    cancelTimer();
    delete jokes;
    jokes = NULL;
    trayDelete(bubble->window(), 0);  // while the window still exists
    delete bubble;
    bubble = NULL;
    DestroyMenu(menu);
}

void TrayApp::armTimer(int seconds)
{
    // replaces the running timer: same window, same event id
    SetTimer(bubble->window(), 0, (UINT)seconds * 1000u, NULL);
}

void TrayApp::cancelTimer()
{
    KillTimer(bubble->window(), 0);
}

void TrayApp::onTimer()
{
    if (bubbleShown) {
        bubbleShown = false;
        cancelTimer();
        armTimer(pauseSeconds);
        bubble->hide();
    } else if (userIsBusy()) {
        // no joke over a presentation, a film or a game; nothing is made
        // up later, the next step asks again
        cancelTimer();
        armTimer(pauseSeconds);
    } else {
        bubbleShown = true;
        bubble->setText(jokes->pick());
        cancelTimer();
        armTimer(showSeconds);
    }
}

static bool isTaskbarCreated(UINT message)
{
    // registered messages live above 0xC000; only those can be it
    return message >= 0xC000 && message == RegisterWindowMessageA("TaskbarCreated");
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // messages sent while the controller is still being built
    if (!theApp || !theApp->bubble)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_PAINT:
        theApp->bubble->paint();
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_WININICHANGE:
        if (wParam == SPI_SETWORKAREA)
            theApp->bubble->place();
        return 0;
    case WM_CONTEXTMENU:
        theApp->onContextMenu((HWND)wParam, lParam);
        return 0;
    case WM_COMMAND:
        theApp->onCommand(window, wParam);
        return 0;
    case WM_TIMER:
        theApp->onTimer();
        return 0;
    case WM_TRAYNOTIFY:
        theApp->onTrayNotify(wParam, lParam);
        return 0;
    default:
        if (isTaskbarCreated(message)) {
            theApp->onTaskbarCreated();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
