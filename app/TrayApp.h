// The controller: owns the bubble, the joke file, the menu and the timer,
// and drives the show/pause cycle.
#ifndef GRINSEL_TRAYAPP_H
#define GRINSEL_TRAYAPP_H

#include <windows.h>

#include "jokes/JokeFile.h"
#include "ui/JokeBubble.h"

// callback message of the tray icon
#define WM_TRAYNOTIFY WM_USER

class TrayApp {
public:
    TrayApp();
    virtual ~TrayApp();

    void armTimer(int seconds);
    void cancelTimer();
    void onTimer();
    void onSettingChange(WPARAM what);
    void onEndSession(WPARAM ending, LPARAM how);

    // the joke file applied in the settings dialog
    void applyJokeFile(const char* path);
    // the joke file the settings store writes
    const char* storedJokeFile() const;

    // the bubble's object for assistive technology
    LRESULT onGetObject(HWND window, WPARAM wParam, LPARAM lParam);

    // tray icon, menu and commands
    void onCommand(HWND window, WPARAM wParam);
    void onTrayNotify(WPARAM wParam, LPARAM lParam);
    void onContextMenu(HWND window, LPARAM lParam);
    void onTaskbarCreated();

    // the show/pause cycle's two steps: the bubble put away for a pause,
    // and a joke shown for the show interval
    void putAway();
    void showJoke();

    JokeBubble* bubble;
    HMENU popupMenu;  // submenu 0 of menu, destroyed with it
    bool active;
    JokeFile* jokes;
    bool bubbleShown;
    HMENU menu;
    int showSeconds;
    int pauseSeconds;
    bool comStarted;  // begun at the first need, ended with the program
    bool liveRegion;  // the bubble is marked as a live region
    // the stored joke file when it could not be opened at start (a stick
    // not plugged in, a share not yet there); written back in place of the
    // default file shown meanwhile, until a file that opens is applied
    char* missingJokeFile;
    HWND dialog;        // the settings dialog or the about box while open
    char restTip[32];   // the tooltip while an hour of rest runs, else empty

private:
    bool startCom();
    void followScreenReader();
    void openDialog(HWND owner, int id, DLGPROC procedure);
    void rest();
    void endRest();
};

extern HINSTANCE hInst;
extern TrayApp* theApp;

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
