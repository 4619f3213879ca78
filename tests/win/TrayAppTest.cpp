// The controller as WinMain runs it, driven with the messages that its
// window gets: the show/pause cycle, every command from every state, the
// tray icon as the shell shows it, the popup menus, and the tray functions.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "res/resource.h"
#include "tests/win/AppFixture.h"
#include "ui/Tray.h"

using namespace grtest;

namespace {

const wchar_t* const TIP_ACTIVE = L"Grinsel ist aktiv!";
const wchar_t* const TIP_STOPPED = L"Grinsel gestoppt.";
const char* const FALLBACK = "Keine Witzdatei gefunden!";
const int LONG_WAIT = 3600;

bool shows(HWND window, const char* text)
{
    Size expected = bubbleSizeFor(text);
    Size actual = windowSize(window);
    return IsWindowVisible(window) && expected.w == actual.w && expected.h == actual.h;
}

// counts how often the bubble is shown, in front of the controller's procedure
WNDPROC controllerProc = NULL;
int showCount = 0;

LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SHOWWINDOW && wParam)
        ++showCount;
    return CallWindowProcA(controllerProc, window, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// start-up, the cycle and the plain window messages

class TrayAppTest : public AppFixture {};

TEST_F(TrayAppTest, StartsShowingTheBannerWithTheCycleOn)
{
    EXPECT_EQ(theApp, app);
    EXPECT_TRUE(visible());
    EXPECT_TRUE(app->bubbleShown);
    EXPECT_TRUE(app->active);
    EXPECT_EQ(30, app->showSeconds);
    EXPECT_EQ(30, app->pauseSeconds);
    EXPECT_STREQ("Witze\\Blondinen.txt", app->jokes->path());
    EXPECT_EQ(1, app->jokes->count());

    // the banner, not a joke: three lines
    EXPECT_EQ(bubbleSizeFor("a\nb\nc").h, windowSize(bubble).h);
    EXPECT_EQ((ULONG_PTR)WndProc, GetClassLongPtrA(bubble, GCLP_WNDPROC));

    ASSERT_TRUE(IsMenu(app->menu));
    EXPECT_EQ(GetSubMenu(app->menu, 0), app->popupMenu);
    EXPECT_EQ((UINT)IDM_NEXTJOKE, GetMenuDefaultItem(app->popupMenu, FALSE, 0));
    EXPECT_TRUE(checked());

    EXPECT_TRUE(trayShows(TIP_ACTIVE, Look::Active));
    EXPECT_EQ(0, countIconsWithTip(TIP_STOPPED));
    EXPECT_TRUE(KillTimer(bubble, 0)) << "no timer armed";
}

TEST_F(TrayAppTest, CycleAlternatesShowingAndPausingOnTimerTicks)
{
    // whichever interval is armed next is the one that fires at once
    app->showSeconds = LONG_WAIT;
    app->pauseSeconds = 0;
    EXPECT_EQ(0, SendMessageA(bubble, WM_TIMER, 0, 0));
    EXPECT_FALSE(app->bubbleShown);
    EXPECT_FALSE(visible());
    EXPECT_TRUE(timerFires(bubble)) << "pause interval not armed";

    app->showSeconds = 0;
    app->pauseSeconds = LONG_WAIT;
    EXPECT_EQ(0, SendMessageA(bubble, WM_TIMER, 0, 0));
    EXPECT_TRUE(app->bubbleShown);
    EXPECT_TRUE(shows(bubble, ONE_JOKE));
    EXPECT_TRUE(timerFires(bubble)) << "show interval not armed";

    // any timer id takes the step; active and the icon stay as they are
    app->showSeconds = LONG_WAIT;
    app->pauseSeconds = 0;
    SendMessageA(bubble, WM_TIMER, 7, 0);
    EXPECT_FALSE(app->bubbleShown);
    EXPECT_FALSE(visible());
    EXPECT_TRUE(timerFires(bubble));
    SendMessageA(bubble, WM_TIMER, 7, 0);
    EXPECT_TRUE(app->bubbleShown);
    EXPECT_TRUE(visible());
    EXPECT_TRUE(app->active);
    EXPECT_TRUE(checked());
    EXPECT_TRUE(trayShows(TIP_ACTIVE, Look::Active));
}

TEST_F(TrayAppTest, RealTimerTicksRunTheCycle)
{
    // the ticks come from the system this time, dispatched as WinMain does
    app->showSeconds = 0;
    app->pauseSeconds = 0;
    app->armTimer(0);
    int hidden = 0, shown = 0;
    bool wasVisible = visible();
    DWORD start = GetTickCount();
    while ((hidden < 2 || shown < 2) && GetTickCount() - start < 3000) {
        MSG msg;
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        }
        if (visible() != wasVisible) {
            wasVisible = visible();
            ++(wasVisible ? shown : hidden);
            EXPECT_EQ(wasVisible, app->bubbleShown);
        }
    }
    EXPECT_GE(hidden, 2);
    EXPECT_GE(shown, 2);
}

class NoJokeFileTest : public AppFixture {
    void prepare() override {}
};

TEST_F(NoJokeFileTest, ShowsTheFallbackTextLikeAJoke)
{
    ASSERT_NE(bubbleSizeFor(FALLBACK).w, windowSize(bubble).w) << "banner as wide as the fallback";
    EXPECT_EQ(0, app->jokes->count());
    SendMessageA(bubble, WM_TIMER, 0, 0);
    EXPECT_FALSE(visible());
    SendMessageA(bubble, WM_TIMER, 0, 0);
    EXPECT_TRUE(shows(bubble, FALLBACK));

    app->bubble->hide();
    SendMessageA(bubble, WM_COMMAND, IDM_NEXTJOKE, 0);
    EXPECT_TRUE(shows(bubble, FALLBACK));
}

// the stored intervals reach the start-up timer
class StoredShowIntervalTest : public AppFixture {
    void prepare() override
    {
        AppFixture::prepare();
        ASSERT_TRUE(writeStoredSettings("Witze\\Blondinen.txt 0 3600"));
    }
};

TEST_F(StoredShowIntervalTest, BannerStaysForTheStoredShowInterval)
{
    EXPECT_EQ(0, app->showSeconds);
    EXPECT_EQ(LONG_WAIT, app->pauseSeconds);
    EXPECT_TRUE(app->bubbleShown);
    EXPECT_TRUE(timerFires(bubble));
}

class StoredPauseIntervalTest : public AppFixture {
    void prepare() override
    {
        AppFixture::prepare();
        ASSERT_TRUE(writeStoredSettings("Witze\\Blondinen.txt 3600 0"));
    }
};

TEST_F(StoredPauseIntervalTest, BannerDoesNotUseThePauseInterval)
{
    EXPECT_EQ(LONG_WAIT, app->showSeconds);
    EXPECT_EQ(0, app->pauseSeconds);
    EXPECT_FALSE(timerFires(bubble, 150));
    EXPECT_TRUE(KillTimer(bubble, 0)) << "no timer armed";
}

TEST_F(TrayAppTest, OnlyAWorkAreaChangeMovesTheBubble)
{
    RECT before;
    GetWindowRect(bubble, &before);
    RECT smaller = {0, 0, 700, 500};
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWORKAREA, 0, &smaller, 0));

    EXPECT_EQ(0, SendMessageA(bubble, WM_WININICHANGE, SPI_SETDESKWALLPAPER, 0));
    EXPECT_EQ(0, SendMessageA(bubble, WM_WININICHANGE, 0, 0));
    RECT now;
    GetWindowRect(bubble, &now);
    EXPECT_TRUE(EqualRect(&before, &now));
    EXPECT_TRUE(visible());

    EXPECT_EQ(0, SendMessageA(bubble, WM_WININICHANGE, SPI_SETWORKAREA, 0));
    GetWindowRect(bubble, &now);
    EXPECT_EQ(696, now.right);
    EXPECT_EQ(500, now.bottom);
    EXPECT_EQ(before.right - before.left, now.right - now.left);
    EXPECT_FALSE(visible()) << "moved, so hidden until the next joke";
    EXPECT_TRUE(app->bubbleShown);

    SendMessageA(bubble, WM_COMMAND, IDM_NEXTJOKE, 0);
    GetWindowRect(bubble, &now);
    EXPECT_TRUE(visible());
    EXPECT_EQ(696, now.right);
    EXPECT_EQ(500, now.bottom);
}

TEST_F(TrayAppTest, CloseAndBeendenPostAQuitWithZero)
{
    MSG msg;
    for (UINT message : {(UINT)WM_CLOSE, (UINT)WM_COMMAND}) {
        SCOPED_TRACE(message);
        ASSERT_FALSE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE));
        WPARAM wParam = message == WM_COMMAND ? IDM_EXIT : 0;
        EXPECT_EQ(0, SendMessageA(bubble, message, wParam, 0));
        ASSERT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(0u, msg.wParam);
        // nothing else: the window stays, the bubble too
        EXPECT_TRUE(IsWindow(bubble));
        EXPECT_TRUE(visible());
        EXPECT_TRUE(app->active);
    }
    // other messages go to the default procedure
    char title[32] = "";
    EXPECT_EQ(7, SendMessageA(bubble, WM_GETTEXT, sizeof title, (LPARAM)title));
    EXPECT_STREQ("Grinsel", title);
}

TEST_F(TrayAppTest, UnknownCommandsChangeNothingAndOnlyTheLowWordCounts)
{
    SendMessageA(bubble, WM_TIMER, 0, 0);  // pausing
    ASSERT_FALSE(visible());
    for (WPARAM command : {40007, 40008, 40010, 0, 1, 2}) {
        EXPECT_EQ(0, SendMessageA(bubble, WM_COMMAND, command, 0));
        EXPECT_FALSE(visible()) << command;
        EXPECT_FALSE(app->bubbleShown) << command;
        EXPECT_TRUE(app->active) << command;
    }
    // a notification code in the high word (as from an accelerator)
    SendMessageA(bubble, WM_COMMAND, MAKEWPARAM(IDM_NEXTJOKE, 1), 0);
    EXPECT_TRUE(shows(bubble, ONE_JOKE));
    SendMessageA(bubble, WM_COMMAND, MAKEWPARAM(IDM_ACTIVE, 1), 0);
    EXPECT_FALSE(app->active);
}

TEST_F(TrayAppTest, ShutDownRemovesTheIconCancelsTheTimerAndFreesTheMenu)
{
    ASSERT_TRUE(trayShows(TIP_ACTIVE, Look::Active));
    HMENU menu = app->menu;
    delete app;
    app = NULL;
    theApp = NULL;
    // the window outlives the controller; the icon, the timer and the menu do not
    ASSERT_TRUE(IsWindow(bubble));
    EXPECT_EQ(0, countIconsWithTip(TIP_ACTIVE));
    EXPECT_FALSE(KillTimer(bubble, 0));
    EXPECT_FALSE(IsMenu(menu));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key));
    char value[64] = "";
    DWORD size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, SETTINGS_VALUE, NULL, NULL, (BYTE*)value, &size));
    RegCloseKey(key);
    EXPECT_STREQ("Witze\\Blondinen.txt 30 30", value);
    DestroyWindow(bubble);
    UnregisterClassA("MainWindow", hInst);
}

// ---------------------------------------------------------------------------
// every command from every state

enum class From { Showing, Pausing, Stopped, ShowingStopped, PausingStopped };
enum class Event { Aktiv, NextJoke, TrayClick, Tick };
enum class Timer { None, Show, Pause };

struct Expect {
    bool active, shown, checked;
    Timer timer;
    bool joke;  // a (new) joke is on screen
};

Expect expected(From from, Event event)
{
    bool wasActive = from == From::Showing || from == From::Pausing;
    bool wasShown = from == From::Showing || from == From::ShowingStopped;
    switch (event) {
    case Event::Aktiv:
        if (wasActive)
            return Expect{false, false, false, Timer::None, false};
        return Expect{true, true, true, Timer::Show, true};
    case Event::NextJoke:
    case Event::TrayClick:
        return Expect{wasActive, true, wasActive, Timer::Show, true};
    case Event::Tick:
    default:
        // the step does not look at active
        if (wasShown)
            return Expect{wasActive, false, wasActive, Timer::Pause, false};
        return Expect{wasActive, true, wasActive, Timer::Show, true};
    }
}

const char* name(From f)
{
    const char* names[] = {"Showing", "Pausing", "Stopped", "ShowingStopped", "PausingStopped"};
    return names[(int)f];
}

const char* name(Event e)
{
    const char* names[] = {"Aktiv", "NextJoke", "TrayClick", "Tick"};
    return names[(int)e];
}

void PrintTo(From f, std::ostream* os) { *os << name(f); }
void PrintTo(Event e, std::ostream* os) { *os << name(e); }

class TransitionTest : public AppFixture,
                       public ::testing::WithParamInterface<std::tuple<From, Event>> {
protected:
    void enter(From from)
    {
        switch (from) {
        case From::Showing:
            SendMessageA(bubble, WM_COMMAND, IDM_NEXTJOKE, 0);
            break;
        case From::Pausing:
            SendMessageA(bubble, WM_TIMER, 0, 0);
            break;
        case From::Stopped:
            SendMessageA(bubble, WM_COMMAND, IDM_ACTIVE, 0);
            break;
        case From::ShowingStopped:
            SendMessageA(bubble, WM_COMMAND, IDM_ACTIVE, 0);
            SendMessageA(bubble, WM_COMMAND, IDM_NEXTJOKE, 0);
            break;
        case From::PausingStopped:
            SendMessageA(bubble, WM_COMMAND, IDM_ACTIVE, 0);
            SendMessageA(bubble, WM_COMMAND, IDM_NEXTJOKE, 0);
            SendMessageA(bubble, WM_TIMER, 0, 0);
            break;
        }
    }

    void fire(Event event)
    {
        switch (event) {
        case Event::Aktiv:
            EXPECT_EQ(0, SendMessageA(bubble, WM_COMMAND, IDM_ACTIVE, 0));
            break;
        case Event::NextJoke:
            EXPECT_EQ(0, SendMessageA(bubble, WM_COMMAND, IDM_NEXTJOKE, 0));
            break;
        case Event::TrayClick:
            EXPECT_EQ(0, SendMessageA(bubble, WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN));
            break;
        case Event::Tick:
            EXPECT_EQ(0, SendMessageA(bubble, WM_TIMER, 0, 0));
            break;
        }
    }
};

TEST_P(TransitionTest, ReachesTheStateOfTheTable)
{
    From from = std::get<0>(GetParam());
    Event event = std::get<1>(GetParam());
    enter(from);
    bool wasActive = from == From::Showing || from == From::Pausing;
    bool wasShown = from == From::Showing || from == From::ShowingStopped;
    ASSERT_EQ(wasActive, app->active);
    ASSERT_EQ(wasShown, app->bubbleShown);
    ASSERT_EQ(wasShown, visible());
    ASSERT_EQ(wasActive, checked());
    ASSERT_EQ(from != From::Stopped, KillTimer(bubble, 0) != FALSE);
    if (from != From::Stopped)
        app->armTimer(30);  // as it was
    ASSERT_TRUE(trayShows(wasActive ? TIP_ACTIVE : TIP_STOPPED,
                          wasActive ? Look::Active : Look::Stopped));

    Expect want = expected(from, event);
    // the interval expected to be armed is 0 and fires at once; the other
    // one would not fire during the test
    app->showSeconds = want.timer == Timer::Pause ? LONG_WAIT : 0;
    app->pauseSeconds = want.timer == Timer::Show ? LONG_WAIT : 0;
    controllerProc = (WNDPROC)SetWindowLongPtrA(bubble, GWLP_WNDPROC, (LONG_PTR)countingProc);
    showCount = 0;
    fire(event);
    SetWindowLongPtrA(bubble, GWLP_WNDPROC, (LONG_PTR)controllerProc);
    EXPECT_EQ(want.joke ? 1 : 0, showCount);

    EXPECT_EQ(want.active, app->active);
    EXPECT_EQ(want.shown, app->bubbleShown);
    EXPECT_EQ(want.shown, visible());
    if (want.joke)
        EXPECT_TRUE(shows(bubble, ONE_JOKE));
    EXPECT_EQ(want.checked, checked());
    if (want.timer == Timer::None) {
        EXPECT_FALSE(KillTimer(bubble, 0)) << "timer still armed";
    } else {
        EXPECT_TRUE(timerFires(bubble)) << (want.timer == Timer::Show ? "show" : "pause")
                                        << " interval not armed";
    }
    EXPECT_TRUE(trayShows(want.active ? TIP_ACTIVE : TIP_STOPPED,
                          want.active ? Look::Active : Look::Stopped));
    EXPECT_EQ(0, countIconsWithTip(want.active ? TIP_STOPPED : TIP_ACTIVE));
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommandFromEveryState, TransitionTest,
    ::testing::Combine(::testing::Values(From::Showing, From::Pausing, From::Stopped,
                                         From::ShowingStopped, From::PausingStopped),
                       ::testing::Values(Event::Aktiv, Event::NextJoke, Event::TrayClick,
                                         Event::Tick)),
    [](const ::testing::TestParamInfo<std::tuple<From, Event>>& info) {
        return std::string(name(std::get<0>(info.param))) + "_" + name(std::get<1>(info.param));
    });

// ---------------------------------------------------------------------------
// tray notifications other than the left button, and the popup menus

TEST_F(TrayAppTest, OtherMouseMessagesOfTheIconDoNothingAndADoubleClickFetchesOneJoke)
{
    controllerProc = (WNDPROC)SetWindowLongPtrA(bubble, GWLP_WNDPROC, (LONG_PTR)countingProc);
    app->showSeconds = LONG_WAIT;
    app->pauseSeconds = 0;
    SendMessageA(bubble, WM_TIMER, 0, 0);
    ASSERT_TRUE(timerFires(bubble));
    ASSERT_FALSE(visible());
    app->armTimer(0);  // the pause still counting
    showCount = 0;
    for (LPARAM mouse : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP, WM_RBUTTONDBLCLK,
                         WM_MOUSEMOVE, WM_MBUTTONDOWN, WM_MBUTTONUP}) {
        EXPECT_EQ(0, SendMessageA(bubble, WM_TRAYNOTIFY, 0, mouse));
        EXPECT_FALSE(visible()) << mouse;
        EXPECT_FALSE(app->bubbleShown) << mouse;
    }
    EXPECT_EQ(0, showCount);
    EXPECT_TRUE(timerFires(bubble)) << "the pause timer was touched";

    // what the shell reports for a double click: one joke, from the first press
    for (LPARAM mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        SendMessageA(bubble, WM_TRAYNOTIFY, 0, mouse);
    EXPECT_EQ(1, showCount);
    EXPECT_TRUE(shows(bubble, ONE_JOKE));
    SetWindowLongPtrA(bubble, GWLP_WNDPROC, (LONG_PTR)controllerProc);
}

// what a popup menu looked like while it was open
struct OpenMenu {
    bool seen = false;
    HMENU menu = NULL;
    RECT rect = {};
    bool aktivChecked = false;
    bool ownerInFront = false;  // the menu's owner was the foreground window
    bool choose = false;  // choose the first item instead of cancelling
    int ticks = 0;
};
OpenMenu openMenu;
HWND menuOwner = NULL;

BOOL CALLBACK findMenuWindow(HWND window, LPARAM result)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (!strcmp(name, "#32768") && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

// runs inside the menu's modal loop
void CALLBACK lookAtMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND popup = NULL;
    EnumThreadWindows(GetCurrentThreadId(), findMenuWindow, (LPARAM)&popup);
    if (!popup) {
        if (++openMenu.ticks > 200)  // never opened: do not hang
            EndMenu();
        return;
    }
    KillTimer(NULL, timer);
    openMenu.seen = true;
    openMenu.menu = (HMENU)SendMessageA(popup, MN_GETHMENU, 0, 0);
    GetWindowRect(popup, &openMenu.rect);
    openMenu.aktivChecked = menuChecked(theApp->menu, IDM_ACTIVE);
    openMenu.ownerInFront = GetForegroundWindow() == menuOwner;
    if (openMenu.choose) {
        PostMessageA(menuOwner, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menuOwner, WM_KEYDOWN, VK_RETURN, 0);
    } else {
        EndMenu();
    }
}

class MenuTest : public AppFixture {
protected:
    void watchNextMenu(bool choose)
    {
        openMenu = OpenMenu();
        openMenu.choose = choose;
        menuOwner = bubble;
        timer = SetTimer(NULL, 0, 10, lookAtMenu);
    }
    void TearDown() override
    {
        KillTimer(NULL, timer);
        AppFixture::TearDown();
    }
    // the command chosen in the menu arrives as a posted message
    void dispatchUntil(bool (*done)(), DWORD ms = 2000)
    {
        DWORD start = GetTickCount();
        MSG msg;
        while (!done() && GetTickCount() - start < ms) {
            if (PeekMessageA(&msg, bubble, 0, 0, PM_REMOVE) && msg.message != WM_TIMER)
                DispatchMessageA(&msg);
            else
                Sleep(5);
        }
    }
    UINT_PTR timer = 0;
};

TEST_F(MenuTest, ContextMenuOnTheBubbleShowsAktivAsItIsInFrontOfEverything)
{
    SendMessageA(bubble, WM_COMMAND, IDM_ACTIVE, 0);
    SendMessageA(bubble, WM_COMMAND, IDM_NEXTJOKE, 0);  // visible again
    ASSERT_FALSE(app->active);
    ASSERT_FALSE(checked());

    watchNextMenu(false);
    EXPECT_EQ(0, SendMessageA(bubble, WM_CONTEXTMENU, (WPARAM)bubble, MAKELPARAM(500, 400)));
    ASSERT_TRUE(openMenu.seen) << "no popup menu";
    EXPECT_EQ(app->popupMenu, openMenu.menu);
    EXPECT_FALSE(openMenu.aktivChecked) << "stopped, yet \"Aktiv\" checked";
    EXPECT_TRUE(openMenu.ownerInFront) << "a menu in the background does not close on a click elsewhere";
    // its lower-right corner at the point
    EXPECT_EQ(500, openMenu.rect.right);
    EXPECT_EQ(400, openMenu.rect.bottom);
    EXPECT_FALSE(checked());
    EXPECT_FALSE(app->active);
    EXPECT_TRUE(trayShows(TIP_STOPPED, Look::Stopped));
    // the menu is closed for good once this arrives
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, bubble, WM_NULL, WM_NULL, PM_REMOVE));

    // the icon's menu after it says the same
    watchNextMenu(false);
    SendMessageA(bubble, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN);
    ASSERT_TRUE(openMenu.seen);
    EXPECT_FALSE(openMenu.aktivChecked);
    EXPECT_TRUE(openMenu.ownerInFront);

    // "Aktiv", the first item, chosen from the bubble switches the cycle on
    watchNextMenu(true);
    SendMessageA(bubble, WM_CONTEXTMENU, (WPARAM)bubble, MAKELPARAM(500, 400));
    ASSERT_TRUE(openMenu.seen);
    dispatchUntil([] { return theApp->active; });
    EXPECT_TRUE(app->active);
    EXPECT_TRUE(app->bubbleShown);
    EXPECT_TRUE(checked());
    EXPECT_TRUE(trayShows(TIP_ACTIVE, Look::Active));

    watchNextMenu(false);
    SendMessageA(bubble, WM_CONTEXTMENU, (WPARAM)bubble, MAKELPARAM(500, 400));
    EXPECT_TRUE(openMenu.aktivChecked);
}

TEST_F(MenuTest, RightButtonOnTheIconOpensTheMenuAtTheCursorAndLeavesTheCheckMark)
{
    SendMessageA(bubble, WM_COMMAND, IDM_ACTIVE, 0);
    ASSERT_FALSE(checked());
    SetCursorPos(600, 450);
    POINT cursor;
    GetCursorPos(&cursor);

    watchNextMenu(false);
    EXPECT_EQ(0, SendMessageA(bubble, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN));
    ASSERT_TRUE(openMenu.seen) << "no popup menu";
    EXPECT_EQ(app->popupMenu, openMenu.menu);
    EXPECT_EQ(cursor.x, openMenu.rect.right);
    EXPECT_EQ(cursor.y, openMenu.rect.bottom);
    EXPECT_FALSE(openMenu.aktivChecked);
    EXPECT_FALSE(checked());
    EXPECT_FALSE(app->active);
    EXPECT_FALSE(visible());

    // "Aktiv" chosen from the icon's menu switches on
    watchNextMenu(true);
    SendMessageA(bubble, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN);
    ASSERT_TRUE(openMenu.seen);
    dispatchUntil([] { return theApp->active; });
    EXPECT_TRUE(app->active);
    EXPECT_TRUE(checked());
    EXPECT_TRUE(visible());
}

// ---------------------------------------------------------------------------
// the shell asks for the icons again after it restarted

TEST_F(TrayAppTest, TaskbarCreatedAddsTheIconAgainWithTheLookOfTheState)
{
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    for (bool active : {true, false}) {
        SCOPED_TRACE(active ? "active" : "stopped");
        if (!active)
            SendMessageA(bubble, WM_COMMAND, IDM_ACTIVE, 0);
        const wchar_t* tip = active ? TIP_ACTIVE : TIP_STOPPED;
        ASSERT_TRUE(trayShows(tip, active ? Look::Active : Look::Stopped));
        // a new taskbar starts with an empty notification area
        ASSERT_TRUE(trayDelete(bubble, 0));
        ASSERT_EQ(0, countIconsWithTip(tip));
        EXPECT_EQ(0, SendMessageA(bubble, taskbarCreated, 0, 0));
        EXPECT_TRUE(trayShows(tip, active ? Look::Active : Look::Stopped));
        EXPECT_EQ(active, app->active);
    }
}

// ---------------------------------------------------------------------------
// a screen reader from the start, and what it finds at the very moment the
// bubble announces a text (a hook in context runs inside the announcement)

std::vector<std::wstring> announced;  // the client object's name, or "hidden"

void CALLBACK recordAnnouncement(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD, DWORD)
{
    IAccessible* client = NULL;
    if (event != EVENT_OBJECT_LIVEREGIONCHANGED
        || FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, (void**)&client)))
        return;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = NULL;
    client->get_accName(self, &name);
    announced.push_back(!IsWindowVisible(window) ? L"hidden" : name ? name : L"");
    SysFreeString(name);
    client->Release();
}

class ScreenReaderTest : public AppFixture {
    void prepare() override
    {
        AppFixture::prepare();
        ASSERT_TRUE(SystemParametersInfoA(SPI_SETSCREENREADER, TRUE, NULL, 0));
    }
    void TearDown() override
    {
        AppFixture::TearDown();
        SystemParametersInfoA(SPI_SETSCREENREADER, FALSE, NULL, 0);
    }
};

TEST_F(ScreenReaderTest, WineRefusesTheLiveRegionAndEachTextIsAnnouncedShownAndNamed)
{
    EXPECT_TRUE(app->comStarted) << "no attempt to mark the bubble as a live region";
    EXPECT_FALSE(app->liveRegion) << "Wine's property service accepted the mark";
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, GetModuleHandleA(NULL),
                                         recordAnnouncement, GetCurrentProcessId(),
                                         GetCurrentThreadId(), WINEVENT_INCONTEXT);
    announced.clear();
    SendMessageA(bubble, WM_COMMAND, IDM_NEXTJOKE, 0);
    SendMessageA(bubble, WM_TIMER, 0, 0);  // hides
    SendMessageA(bubble, WM_TIMER, 0, 0);
    UnhookWinEvent(hook);
    const std::wstring joke = L"Treffen sich zwei Blondinen.\nSagt die eine: Hallo!";
    EXPECT_EQ(std::vector<std::wstring>({joke, joke}), announced);
}

// ---------------------------------------------------------------------------
// the tray functions on a window of the test's own

class TrayFunctionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hInst = GetModuleHandleA(NULL);
        ASSERT_TRUE(waitForTaskbar());
        owner = CreateWindowExA(0, "STATIC", "besitzer", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                                hInst, NULL);
        ASSERT_TRUE(owner);
        // tooltips of this run only
        prefix = "Tipp " + std::to_string(GetCurrentProcessId()) + " ";
    }
    void TearDown() override
    {
        for (UINT id = 0; id < 8; ++id)
            trayDelete(owner, id);
        DestroyWindow(owner);
    }
    static std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
    static bool released(HICON icon)
    {
        ICONINFO info = {};
        if (!GetIconInfo(icon, &info))
            return true;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return false;
    }

    HWND owner = NULL;
    std::string prefix;
};

TEST_F(TrayFunctionTest, TooltipIsCutAfter63Characters)
{
    for (size_t length : {(size_t)62, (size_t)63, (size_t)64, (size_t)100}) {
        SCOPED_TRACE(length);
        std::string tip = prefix;
        while (tip.size() < length)
            tip += (char)('a' + tip.size() % 26);
        UINT id = (UINT)length % 8;
        ASSERT_TRUE(trayAdd(owner, id, loadTrayIcon(IDI_ACTIVE), tip.c_str()));
        std::wstring shown = wide(tip.substr(0, 63));
        EXPECT_EQ(1, countIconsWithTip(shown));
        if (length > 63)
            EXPECT_EQ(0, countIconsWithTip(wide(tip)));
        // the same through trayModify
        std::string other = "X" + tip;
        ASSERT_TRUE(trayModify(owner, id, loadTrayIcon(IDI_ACTIVE), other.c_str()));
        EXPECT_EQ(1, countIconsWithTip(wide(other.substr(0, 63))));
        EXPECT_EQ(0, countIconsWithTip(shown));
        ASSERT_TRUE(trayDelete(owner, id));
    }
}

TEST_F(TrayFunctionTest, NoTooltipGivesAnEmptyOne)
{
    std::wstring tip = wide(prefix + "leer");
    ASSERT_TRUE(trayAdd(owner, 1, loadTrayIcon(IDI_ACTIVE), (prefix + "leer").c_str()));
    TrayIcon before;
    ASSERT_TRUE(findIconWithTip(tip, &before));
    ASSERT_TRUE(trayModify(owner, 1, loadTrayIcon(IDI_STOPPED), NULL));
    TrayIcon after;
    ASSERT_TRUE(findIconAt(before.screen, &after));
    EXPECT_EQ(L"", after.tip);
    EXPECT_EQ(0, countIconsWithTip(tip));
    EXPECT_TRUE(waitForLook(after.screen, Look::Stopped));

    // added without a tooltip and without an icon
    int empty = countIconsWithTip(L"");
    EXPECT_TRUE(trayAdd(owner, 2, NULL, NULL));
    EXPECT_EQ(empty + 1, countIconsWithTip(L""));
}

TEST_F(TrayFunctionTest, ModifyChangesIconAndTooltipOfTheSameIcon)
{
    std::string first = prefix + "an", second = prefix + "aus";
    ASSERT_TRUE(trayAdd(owner, 3, loadTrayIcon(IDI_ACTIVE), first.c_str()));
    TrayIcon icon;
    ASSERT_TRUE(findIconWithTip(wide(first), &icon));
    EXPECT_TRUE(waitForLook(icon.screen, Look::Active));
    ASSERT_TRUE(trayModify(owner, 3, loadTrayIcon(IDI_STOPPED), second.c_str()));
    TrayIcon after;
    ASSERT_TRUE(findIconWithTip(wide(second), &after));
    EXPECT_TRUE(EqualRect(&icon.screen, &after.screen));
    EXPECT_TRUE(waitForLook(after.screen, Look::Stopped));
    EXPECT_EQ(0, countIconsWithTip(wide(first)));

    // the shell's answer comes back unchanged
    EXPECT_TRUE(trayDelete(owner, 3));
    EXPECT_EQ(0, countIconsWithTip(wide(second)));
    EXPECT_FALSE(trayDelete(owner, 3));
    EXPECT_FALSE(trayModify(owner, 3, NULL, second.c_str()));
}

TEST_F(TrayFunctionTest, IconHandlesAreReleasedWhateverTheShellAnswers)
{
    HICON icon = loadTrayIcon(IDI_ACTIVE);
    ASSERT_FALSE(released(icon));
    ASSERT_TRUE(trayAdd(owner, 4, icon, (prefix + "frei").c_str()));
    EXPECT_TRUE(released(icon));

    icon = loadTrayIcon(IDI_STOPPED);
    ASSERT_FALSE(released(icon));
    ASSERT_TRUE(trayModify(owner, 4, icon, (prefix + "frei").c_str()));
    EXPECT_TRUE(released(icon));

    // no such icon: the shell says no, the handle goes all the same
    icon = loadTrayIcon(IDI_STOPPED);
    ASSERT_FALSE(released(icon));
    EXPECT_FALSE(trayModify(owner, 5, icon, "nichts"));
    EXPECT_TRUE(released(icon));

    // many changes in a row keep working (no handles pile up)
    for (int i = 0; i < 500; ++i) {
        HICON next = loadTrayIcon(i % 2 ? IDI_ACTIVE : IDI_STOPPED);
        ASSERT_TRUE(next) << i;
        ASSERT_TRUE(trayModify(owner, 4, next, (prefix + "frei").c_str())) << i;
        ASSERT_TRUE(released(next)) << i;
    }
}

}  // namespace
