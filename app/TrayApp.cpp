#include "app/TrayApp.h"

#include "app/Settings.h"
#include "app/SystemLibrary.h"
#include "jokes/Random.h"
#include "res/resource.h"
#include "ui/BubbleAccessible.h"
#include "ui/FullScreen.h"
#include "ui/Tray.h"

HINSTANCE hInst;
TrayApp* theApp;

static bool contrastThemeOn()
{
    HIGHCONTRASTA contrast;
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)
           && (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

TrayApp::TrayApp()
    : bubble(NULL), popupMenu(NULL), active(false), jokes(NULL), bubbleShown(false),
      menu(NULL), showSeconds(30), pauseSeconds(30), comStarted(false), liveRegion(false),
      missingJokeFile(NULL), dialog(NULL)
{
    restTip[0] = '\0';
    // reachable from the window procedure as soon as the banner shows: a
    // screen reader asks what it says while the rest is still being set up
    theApp = this;

    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    seedRandom(counter.LowPart);

    bubble = new JokeBubble(WndProc);  // shows the banner at once
    // painted now, in the colours of the theme, not when the message loop
    // first runs: loading the shell for the tray icon and reading the joke
    // file come after it
    bubble->setContrastTheme(contrastThemeOn());
    followScreenReader();

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
    if (liveRegion)
        markLiveRegion(bubble->window(), false);
    // releases the objects still handed out, before the bubble they read goes
    if (comStarted)
        comEnd();
    delete bubble;
    bubble = NULL;
    DestroyMenu(menu);
    delete[] missingJokeFile;
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
        putAway();
        return;
    }
    // the hour is over, whether a joke can show now or not
    if (restTip[0])
        endRest();
    if (userIsBusy()) {
        // no joke over a presentation, a film or a game; nothing is made
        // up later, the next step asks again
        cancelTimer();
        armTimer(pauseSeconds);
    } else {
        showJoke();
    }
}

void TrayApp::putAway()
{
    bubbleShown = false;
    cancelTimer();
    armTimer(pauseSeconds);
    bubble->hide();
}

void TrayApp::showJoke()
{
    bubbleShown = true;
    bubble->setText(jokes->pick());
    cancelTimer();
    armTimer(showSeconds);
    if (restTip[0])
        endRest();
}

void TrayApp::onSettingChange(WPARAM what)
{
    if (what == SPI_SETWORKAREA)
        bubble->place();
    else if (what == SPI_SETSCREENREADER)
        followScreenReader();
    else if (what == SPI_SETHIGHCONTRAST)
        bubble->setContrastTheme(contrastThemeOn());
}

void TrayApp::onEndSession(WPARAM ending, LPARAM how)
{
    // called off: the cycle runs on, the settings are written at the end
    if (!ending)
        return;
    // Windows may end the process as soon as this returns
    saveSettings(this);
    if (how & ENDSESSION_CLOSEAPP) {
        // an installer is to replace our files: we close as after
        // "Beenden", and an open menu or dialog applies nothing
        EndMenu();
        PostQuitMessage(0);
    }
}

void TrayApp::applyJokeFile(const char* path)
{
    bool opened;
    jokes->load(path, &opened);  // a file that does not open changes nothing
    if (opened) {
        delete[] missingJokeFile;
        missingJokeFile = NULL;
    }
}

const char* TrayApp::storedJokeFile() const
{
    return missingJokeFile ? missingJokeFile : jokes->path();
}

bool TrayApp::startCom()
{
    // kept once begun: an object handed out may be asked again at any time
    if (!comStarted)
        comStarted = comBegin();
    return comStarted;
}

LRESULT TrayApp::onGetObject(HWND window, WPARAM wParam, LPARAM lParam)
{
    // only the client area is ours; the frame, UI Automation and the rest
    // stay the system's
    if ((DWORD)lParam == (DWORD)OBJID_CLIENT && startCom()) {
        LRESULT object = bubbleClientObject(bubble, wParam);
        if (object)
            return object;
    }
    return DefWindowProcA(window, WM_GETOBJECT, wParam, lParam);
}

void TrayApp::followScreenReader()
{
    // a screen reader speaks a live region's change only if the region is
    // marked as one; without a screen reader nothing of this is loaded
    BOOL running = FALSE;
    if (!liveRegion && SystemParametersInfoA(SPI_GETSCREENREADER, 0, &running, 0) && running
        && startCom())
        liveRegion = markLiveRegion(bubble->window(), true);
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
        theApp->onSettingChange(wParam);
        return 0;
    case WM_SYSCOLORCHANGE:
        // other colours, or a contrast theme switched on or off
        theApp->bubble->setContrastTheme(contrastThemeOn());
        return 0;
    case WM_QUERYENDSESSION:
        // nothing yet: another program may still call the end off
        return TRUE;
    case WM_ENDSESSION:
        theApp->onEndSession(wParam, lParam);
        return 0;
    case WM_GETOBJECT:
        return theApp->onGetObject(window, wParam, lParam);
    case WM_MOUSEACTIVATE:
        // a left click only puts the bubble away: the window in front stays
        if (HIWORD(lParam) == WM_LBUTTONDOWN)
            return MA_NOACTIVATE;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_LBUTTONUP:
        if (theApp->bubbleShown)
            theApp->putAway();
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
