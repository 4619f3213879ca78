// grdriver: drives a running grinsel.exe from outside, in the same Wine
// prefix and desktop. One command per run; results go to stdout (texts as
// UTF-8), the exit code says whether the command succeeded.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>
#include <shlobj.h>
#include <msi.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static const wchar_t BUBBLE_CLASS[] = L"MainWindow";

static void printUtf8(const wchar_t* text)
{
    char buffer[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
    if (n > 0)
        fputs(buffer, stdout);
}

// the text with line ends escaped, so that one item stays on one line
static void printEscaped(const wchar_t* text)
{
    wchar_t buffer[2048];
    size_t o = 0;
    for (const wchar_t* p = text; *p && o + 3 < 2048; ++p) {
        if (*p == L'\n') { buffer[o++] = L'\\'; buffer[o++] = L'n'; }
        else if (*p == L'\r') { buffer[o++] = L'\\'; buffer[o++] = L'r'; }
        else buffer[o++] = *p;
    }
    buffer[o] = 0;
    printUtf8(buffer);
}

static long number(const wchar_t* text)
{
    return wcstol(text, NULL, 0);
}

static HWND bubble()
{
    return FindWindowW(BUBBLE_CLASS, NULL);
}

static HWND needBubble()
{
    HWND window = bubble();
    if (!window)
        fprintf(stderr, "no window of class MainWindow\n");
    return window;
}

static DWORD now()
{
    return GetTickCount();
}

// --- windows -----------------------------------------------------------

static int cmdWaitWindow(int argc, wchar_t** argv)
{
    DWORD limit = argc > 1 ? number(argv[1]) : 10000;
    DWORD start = now();
    for (;;) {
        HWND window = FindWindowW(argv[0], NULL);
        if (window) {
            printf("%p\n", (void*)window);
            return 0;
        }
        if (now() - start > limit)
            return 1;
        Sleep(20);
    }
}

static int cmdWindowExists(int, wchar_t** argv)
{
    HWND window = FindWindowW(argv[0], NULL);
    if (!window)
        window = FindWindowW(NULL, argv[0]);
    if (!window)
        return 1;
    printf("%p\n", (void*)window);
    return 0;
}

// the number of top-level windows of a class, of every process
static int cmdCountWindows(int, wchar_t** argv)
{
    int count = 0;
    for (HWND window = NULL; (window = FindWindowExW(NULL, window, argv[0], NULL));)
        ++count;
    printf("%d\n", count);
    return 0;
}

static void printBubble(HWND window)
{
    RECT rect, work;
    GetWindowRect(window, &rect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    printf("visible=%d left=%ld top=%ld right=%ld bottom=%ld exstyle=0x%08lx style=0x%08lx "
           "work_left=%ld work_top=%ld work_right=%ld work_bottom=%ld\n",
           IsWindowVisible(window) ? 1 : 0, rect.left, rect.top, rect.right, rect.bottom,
           (unsigned long)GetWindowLongW(window, GWL_EXSTYLE),
           (unsigned long)GetWindowLongW(window, GWL_STYLE),
           work.left, work.top, work.right, work.bottom);
}

static int cmdBubble(int, wchar_t**)
{
    HWND window = needBubble();
    if (!window)
        return 1;
    printBubble(window);
    return 0;
}

static int cmdWaitVisible(int argc, wchar_t** argv)
{
    BOOL wanted = number(argv[0]) != 0;
    DWORD limit = argc > 1 ? number(argv[1]) : 5000;
    DWORD start = now();
    for (;;) {
        HWND window = bubble();
        if (window && (IsWindowVisible(window) != 0) == wanted) {
            printf("elapsed=%lu ", now() - start);
            printBubble(window);
            return 0;
        }
        if (now() - start > limit) {
            fprintf(stderr, "bubble not %s within %lu ms\n", wanted ? "visible" : "hidden", limit);
            return 1;
        }
        Sleep(5);
    }
}

// every change of the bubble's visibility or rectangle during ms
static int cmdWatch(int, wchar_t** argv)
{
    DWORD limit = number(argv[0]);
    DWORD start = now();
    int lastVisible = -1;
    RECT last = {0, 0, 0, 0};
    while (now() - start <= limit) {
        HWND window = bubble();
        int visible = window && IsWindowVisible(window) ? 1 : 0;
        RECT rect = {0, 0, 0, 0};
        if (window)
            GetWindowRect(window, &rect);
        if (visible != lastVisible || (visible && !EqualRect(&rect, &last))) {
            printf("%lu %d %ld %ld %ld %ld\n", now() - start, visible,
                   rect.left, rect.top, rect.right, rect.bottom);
            fflush(stdout);
            lastVisible = visible;
            last = rect;
        }
        Sleep(5);
    }
    return 0;
}

// --- messages to the bubble ----------------------------------------------

static int post(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND window = needBubble();
    if (!window)
        return 1;
    return PostMessageW(window, message, wParam, lParam) ? 0 : 1;
}

static int cmdPostCommand(int, wchar_t** argv)
{
    return post(WM_COMMAND, number(argv[0]), 0);
}

static int cmdPostTray(int, wchar_t** argv)
{
    static const struct { const wchar_t* name; UINT message; } names[] = {
        {L"lbuttondown", WM_LBUTTONDOWN}, {L"lbuttonup", WM_LBUTTONUP},
        {L"lbuttondblclk", WM_LBUTTONDBLCLK}, {L"rbuttondown", WM_RBUTTONDOWN},
        {L"rbuttonup", WM_RBUTTONUP}, {L"mousemove", WM_MOUSEMOVE},
    };
    UINT message = number(argv[0]);
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
        if (!wcscmp(argv[0], names[i].name))
            message = names[i].message;
    return post(WM_USER, 0, message);
}

static int cmdClose(int, wchar_t**)
{
    return post(WM_CLOSE, 0, 0);
}

// what a new taskbar tells every top-level window
static int cmdTaskbarCreated(int, wchar_t**)
{
    UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    DWORD_PTR result;
    SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG, 3000, &result);
    printf("message=0x%04x\n", message);
    return 0;
}

// --- the notification area -----------------------------------------------

// removes the bubble's icon (id 0) as a taskbar that goes away would: the
// shell takes the request from any process
static int cmdTrayDelete(int, wchar_t**)
{
    HWND window = needBubble();
    if (!window)
        return 1;
    NOTIFYICONDATAW data;
    ZeroMemory(&data, sizeof data);
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = window;
    data.uID = 0;
    return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : 1;
}

static HWND tooltipList[64];
static int tooltipCount;

static BOOL CALLBACK collectTooltips(HWND window, LPARAM process)
{
    wchar_t name[64];
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == (DWORD)process && GetClassNameW(window, name, 64) &&
        !_wcsicmp(name, L"tooltips_class32") && tooltipCount < 64)
        tooltipList[tooltipCount++] = window;
    return TRUE;
}

// Every tool of the taskbar's tooltip windows: its rectangle on the screen
// and its text. The tool record and its text buffer have to live in the
// taskbar's process, so they are put there and read back.
static int cmdTooltip(int, wchar_t**)
{
    HWND tray = FindWindowW(L"Shell_TrayWnd", NULL);
    if (!tray) {
        fprintf(stderr, "no taskbar\n");
        return 2;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(tray, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                 PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) {
        fprintf(stderr, "cannot open the taskbar's process\n");
        return 2;
    }
    const SIZE_T textChars = 1024;
    SIZE_T size = sizeof(TTTOOLINFOW) + textChars * sizeof(wchar_t);
    BYTE* remote = (BYTE*)VirtualAllocEx(process, NULL, size, MEM_COMMIT, PAGE_READWRITE);
    if (!remote) {
        CloseHandle(process);
        return 2;
    }
    wchar_t* remoteText = (wchar_t*)(remote + sizeof(TTTOOLINFOW));

    tooltipCount = 0;
    EnumWindows(collectTooltips, (LPARAM)pid);
    for (int t = 0; t < tooltipCount; ++t) {
        LRESULT count = SendMessageW(tooltipList[t], TTM_GETTOOLCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            TTTOOLINFOW info;
            ZeroMemory(&info, sizeof info);
            info.cbSize = sizeof info;
            info.lpszText = remoteText;
            wchar_t empty = 0;
            WriteProcessMemory(process, remote, &info, sizeof info, NULL);
            WriteProcessMemory(process, remoteText, &empty, sizeof empty, NULL);
            if (!SendMessageW(tooltipList[t], TTM_ENUMTOOLSW, i, (LPARAM)remote))
                continue;
            wchar_t text[1024];
            ReadProcessMemory(process, remote, &info, sizeof info, NULL);
            ReadProcessMemory(process, remoteText, text, sizeof text, NULL);
            text[1023] = 0;

            RECT rect = info.rect;
            if (info.uFlags & TTF_IDISHWND) {
                GetWindowRect((HWND)info.uId, &rect);
            } else {
                MapWindowPoints(info.hwnd, NULL, (POINT*)&rect, 2);
            }
            printf("tip %ld %ld %ld %ld ", rect.left, rect.top, rect.right, rect.bottom);
            printEscaped(text);
            printf("\n");
        }
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return 0;
}

// --- popup menus ---------------------------------------------------------

static HWND visiblePopup()
{
    HWND window = NULL;
    while ((window = FindWindowExW(NULL, window, L"#32768", NULL)))
        if (IsWindowVisible(window))
            return window;
    return NULL;
}

static int cmdPopup(int argc, wchar_t** argv)
{
    DWORD limit = argc > 0 ? number(argv[0]) : 0;
    DWORD start = now();
    for (;;) {
        HWND window = visiblePopup();
        if (window) {
            RECT rect;
            GetWindowRect(window, &rect);
            printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
            return 0;
        }
        if (now() - start >= limit)
            return 1;
        Sleep(10);
    }
}

static int cmdMenuEscape(int, wchar_t**)
{
    return post(WM_KEYDOWN, VK_ESCAPE, 0);
}

static int cmdColors(int, wchar_t**)
{
    DWORD back = GetSysColor(COLOR_INFOBK), text = GetSysColor(COLOR_INFOTEXT);
    printf("infobk=%d,%d,%d infotext=%d,%d,%d\n", GetRValue(back), GetGValue(back),
           GetBValue(back), GetRValue(text), GetGValue(text), GetBValue(text));
    return 0;
}

static int cmdCursor(int, wchar_t**)
{
    POINT p;
    GetCursorPos(&p);
    printf("%ld %ld\n", p.x, p.y);
    return 0;
}

// --- dialogs ---------------------------------------------------------------

static HWND findDialog(const wchar_t* title, DWORD limit)
{
    DWORD start = now();
    for (;;) {
        HWND window = FindWindowW(L"#32770", title);
        if (window || now() - start >= limit) {
            if (!window)
                fprintf(stderr, "no dialog titled as asked\n");
            return window;
        }
        Sleep(20);
    }
}

static HWND findControl(const wchar_t* title, const wchar_t* id)
{
    HWND dialog = findDialog(title, 2000);
    if (!dialog)
        return NULL;
    HWND control = GetDlgItem(dialog, number(id));
    if (!control)
        fprintf(stderr, "no control with that id\n");
    return control;
}

static int cmdDialog(int argc, wchar_t** argv)
{
    HWND dialog = findDialog(argv[0], argc > 1 ? number(argv[1]) : 5000);
    if (!dialog)
        return 1;
    RECT rect;
    GetWindowRect(dialog, &rect);
    printf("dialog style=0x%08lx exstyle=0x%08lx left=%ld top=%ld right=%ld bottom=%ld\n",
           (unsigned long)GetWindowLongW(dialog, GWL_STYLE),
           (unsigned long)GetWindowLongW(dialog, GWL_EXSTYLE),
           rect.left, rect.top, rect.right, rect.bottom);
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t name[64], text[1024];
        GetClassNameW(c, name, 64);
        text[0] = 0;
        SendMessageW(c, WM_GETTEXT, 1024, (LPARAM)text);
        printf("ctl %d ", (int)(short)GetDlgCtrlID(c));
        printUtf8(name);
        printf(" 0x%08lx ", (unsigned long)GetWindowLongW(c, GWL_STYLE));
        printEscaped(text);
        printf("\n");
    }
    return 0;
}

static int cmdDlgText(int, wchar_t** argv)
{
    HWND control = findControl(argv[0], argv[1]);
    if (!control)
        return 1;
    wchar_t text[1024];
    text[0] = 0;
    SendMessageW(control, WM_GETTEXT, 1024, (LPARAM)text);
    printEscaped(text);
    printf("\n");
    return 0;
}

static int cmdDlgSet(int, wchar_t** argv)
{
    HWND control = findControl(argv[0], argv[1]);
    if (!control)
        return 1;
    return SendMessageW(control, WM_SETTEXT, 0, (LPARAM)argv[2]) ? 0 : 1;
}

// posted: a button that opens something modal would block a sender
static int cmdDlgClick(int, wchar_t** argv)
{
    HWND control = findControl(argv[0], argv[1]);
    if (!control)
        return 1;
    return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
}

// W across processes: the A form comes back in UTF-16 under Wine
static int cmdDlgCombo(int, wchar_t** argv)
{
    HWND control = findControl(argv[0], argv[1]);
    if (!control)
        return 1;
    LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
    LRESULT selected = SendMessageW(control, CB_GETCURSEL, 0, 0);
    printf("count=%ld cursel=%ld\n", (long)count, (long)selected);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[1024];
        if (SendMessageW(control, CB_GETLBTEXTLEN, i, 0) >= 1024)
            continue;
        text[0] = 0;
        SendMessageW(control, CB_GETLBTEXT, i, (LPARAM)text);
        printf("item %ld ", (long)i);
        printEscaped(text);
        printf("\n");
    }
    return 0;
}

// --- expected bubble sizes ---------------------------------------------------

// a bubble's fixed figures, given for 96 DPI, at the system's DPI
static long scaled(long pixels)
{
    static int dpi = 0;
    if (!dpi) {
        HDC screen = GetDC(NULL);
        dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(NULL, screen);
    }
    return MulDiv(pixels, dpi, 96);
}

// the box of a bubble's body for a text of w by h pixels: a margin of a
// tenth and 20 pixels on every side, rounded off as the outline region is
// (the platform's box of it is one pixel smaller)
static RECT bubbleBox(long w, long h)
{
    HRGN body = CreateRoundRectRgn(0, 0, 2 * (w / 10 + scaled(20)) + w,
                                   2 * (h / 10 + scaled(20)) + h, scaled(400), scaled(400));
    RECT box;
    GetRgnBox(body, &box);
    DeleteObject(body);
    return box;
}

// size of a bubble for text (read as ANSI): the text's extent in the default
// GUI font, its lines broken at blanks if the bubble were wider than the work
// area, at the widest text width whose bubble fits
static long widestFittingText()
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    long room = work.right - work.left - scaled(4);
    long fit = room;
    while (fit > 0 && bubbleBox(fit, 0).right > room)
        --fit;
    return fit;
}

static RECT bubbleBoxFor(HDC dc, const char* text, int length)
{
    static const long fit = widestFittingText();  // the work area is the same for every text
    RECT r = {0, 0, 0, 0};
    DrawTextA(dc, text, length, &r, DT_CALCRECT | DT_NOPREFIX);
    if (fit > 0 && r.right > fit) {
        SetRect(&r, 0, 0, fit, 0);
        DrawTextA(dc, text, length, &r, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK | DT_CENTER);
    }
    return bubbleBox(r.right - r.left, r.bottom - r.top);
}

// a text too tall for the work area is shown up to the last line feed (or
// else the last blank of its first line) at which it fits with a last line
// "..." (0x85 in Windows-1252)
static bool fitsWithEllipsis(HDC dc, char* probe, const char* text, int length, long room)
{
    memcpy(probe, text, length);
    memcpy(probe + length, "\n\x85", 3);
    return bubbleBoxFor(dc, probe, length + 2).bottom <= room;
}

static void printBubbleSize(HDC dc, const char* text)
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    long room = work.bottom - work.top;
    int length = (int)strlen(text);
    RECT box = bubbleBoxFor(dc, text, length);
    char* probe = box.bottom > room ? (char*)malloc(length + 3) : NULL;
    if (probe) {
        // more text never makes a lower bubble: the first start that does
        // not fit ends each search
        int low = -1;
        for (int i = 0; i < length; ++i) {
            if (text[i] != '\n')
                continue;
            if (!fitsWithEllipsis(dc, probe, text, i, room))
                break;
            low = i;
        }
        // not even the first line: its words, one by one
        if (low < 0) {
            low = 0;
            for (int i = 1; i < length && text[i] != '\n'; ++i) {
                if (text[i] != ' ')
                    continue;
                if (!fitsWithEllipsis(dc, probe, text, i, room))
                    break;
                low = i;
            }
        }
        fitsWithEllipsis(dc, probe, text, low, room);
        box = bubbleBoxFor(dc, probe, low + 2);
        free(probe);
    }
    printf("%ld %ld\n", box.right - box.left, box.bottom - box.top);
}

// one line "width height" per joke of a well-formed joke file (CR LF or LF,
// jokes ended by "###" lines), then one for each extra text given
static int cmdMeasure(int argc, wchar_t** argv)
{
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    if (wcscmp(argv[0], L"-")) {
        FILE* file = _wfopen(argv[0], L"rb");
        if (!file) {
            fprintf(stderr, "cannot open the joke file\n");
            return 1;
        }
        static char joke[65536];
        char line[2048];
        size_t used = 0;
        while (fgets(line, sizeof line, file)) {
            size_t n = strlen(line);
            if (n >= 2 && line[n - 2] == '\r' && line[n - 1] == '\n') {
                line[n - 2] = '\n';  // CR LF reads as LF
                line[--n] = 0;
            }
            if (!strncmp(line, "###", 3)) {
                while (used && (joke[used - 1] == '\n' || joke[used - 1] == '\r'))
                    --used;
                joke[used] = 0;
                printBubbleSize(dc, joke);
                used = 0;
            } else if (used + n < sizeof joke) {
                memcpy(joke + used, line, n);
                used += n;
            }
        }
        fclose(file);
    }
    for (int i = 1; i < argc; ++i) {
        char text[4096];
        WideCharToMultiByte(1252, 0, argv[i], -1, text, sizeof text, NULL, NULL);
        // "\n" in an argument stands for a line feed
        char* o = text;
        for (const char* p = text; *p; ++p, ++o) {
            if (p[0] == '\\' && p[1] == 'n') { *o = '\n'; ++p; }
            else *o = *p;
        }
        *o = 0;
        printBubbleSize(dc, text);
    }
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    return 0;
}

// --- endurance and faults ----------------------------------------------------

static HWND needProcessBubble(DWORD* pid)
{
    HWND window = needBubble();
    if (window)
        GetWindowThreadProcessId(window, pid);
    return window;
}

// one message sent and waited for; false if the program did not answer
static bool sendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD limit)
{
    DWORD_PTR result;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, limit, &result) != 0;
}

// N steps of the show/pause cycle, each a WM_TIMER sent to the bubble and
// waited for; every step must flip the bubble's visibility (the real timer
// must not be due meanwhile: long intervals)
static int cmdSteps(int argc, wchar_t** argv)
{
    long n = number(argv[0]);
    DWORD limit = argc > 1 ? number(argv[1]) : 5000;
    HWND window = needBubble();
    if (!window)
        return 1;
    DWORD start = now();
    BOOL visible = IsWindowVisible(window);
    long flips = 0;
    for (long i = 0; i < n; ++i) {
        if (!sendBounded(window, WM_TIMER, 0, 0, limit)) {
            fprintf(stderr, "step %ld: no answer within %lu ms\n", i + 1, limit);
            return 1;
        }
        BOOL now_visible = IsWindowVisible(window);
        if (!now_visible == !visible) {
            fprintf(stderr, "step %ld: visibility stayed %d\n", i + 1, visible ? 1 : 0);
            return 1;
        }
        visible = now_visible;
        ++flips;
    }
    printf("steps=%ld flips=%ld ms=%lu visible=%d\n", n, flips, now() - start, visible ? 1 : 0);
    return 0;
}

// N "Aktiv" commands sent and waited for: off hides the bubble, on shows a
// joke; the first one switches off
static int cmdToggles(int argc, wchar_t** argv)
{
    long n = number(argv[0]);
    DWORD limit = argc > 1 ? number(argv[1]) : 5000;
    HWND window = needBubble();
    if (!window)
        return 1;
    DWORD start = now();
    for (long i = 0; i < n; ++i) {
        if (!sendBounded(window, WM_COMMAND, 40005, 0, limit)) {
            fprintf(stderr, "toggle %ld: no answer within %lu ms\n", i + 1, limit);
            return 1;
        }
        BOOL wanted = i % 2 == 1;
        if (!IsWindowVisible(window) != !wanted) {
            fprintf(stderr, "toggle %ld: bubble %s\n", i + 1, wanted ? "hidden" : "visible");
            return 1;
        }
    }
    printf("toggles=%ld ms=%lu\n", n, now() - start);
    return 0;
}

// N clicks on a dialog button, each sent and waited for (for buttons that
// open nothing modal)
static int cmdClicks(int argc, wchar_t** argv)
{
    HWND control = findControl(argv[0], argv[1]);
    if (!control)
        return 1;
    long n = number(argv[2]);
    DWORD limit = argc > 3 ? number(argv[3]) : 5000;
    DWORD start = now();
    for (long i = 0; i < n; ++i) {
        if (!sendBounded(control, BM_CLICK, 0, 0, limit)) {
            fprintf(stderr, "click %ld: no answer within %lu ms\n", i + 1, limit);
            return 1;
        }
    }
    printf("clicks=%ld ms=%lu\n", n, now() - start);
    return 0;
}

// does the program answer at all: WM_NULL within ms
static int cmdPing(int argc, wchar_t** argv)
{
    DWORD limit = argc > 0 ? number(argv[0]) : 2000;
    HWND window = needBubble();
    if (!window)
        return 1;
    DWORD start = now();
    if (!sendBounded(window, WM_NULL, 0, 0, limit)) {
        fprintf(stderr, "no answer to WM_NULL within %lu ms\n", limit);
        return 1;
    }
    printf("answered ms=%lu\n", now() - start);
    return 0;
}

// Counts the bubble's changes of visibility while the real timer drives
// it, polling as fast as it can; max_gap_us tells whether a phase could
// have slipped between two polls.
static int cmdCountFlips(int, wchar_t** argv)
{
    DWORD limit = number(argv[0]);
    HWND window = needBubble();
    if (!window)
        return 1;
    LARGE_INTEGER frequency, t0, last, t;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t0);
    last = t0;
    LONGLONG maxGap = 0, end = t0.QuadPart + (LONGLONG)limit * frequency.QuadPart / 1000;
    BOOL visible = IsWindowVisible(window);
    long flips = 0, polls = 0;
    do {
        BOOL v = IsWindowVisible(window);
        QueryPerformanceCounter(&t);
        ++polls;
        if (t.QuadPart - last.QuadPart > maxGap)
            maxGap = t.QuadPart - last.QuadPart;
        last = t;
        if (!v != !visible) {
            ++flips;
            visible = v;
        }
    } while (t.QuadPart < end);
    printf("flips=%ld polls=%ld max_gap_us=%ld ms=%lu\n", flips, polls,
           (long)(maxGap * 1000000 / frequency.QuadPart), limit);
    return 0;
}

// GDI objects of a process, counted in its handle table: the table lies in
// the process's own memory, named by its PEB (32-bit layout)
struct GdiEntry {
    ULONGLONG object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    ULONGLONG user;
};
enum { GDI_ENTRIES = 0x10000, PEB_GDI_TABLE = 0x94 };

typedef LONG(WINAPI* QueryProcess)(HANDLE, int, void*, ULONG, ULONG*);

struct BasicInfo {
    LONG exitStatus;
    void* peb;
    ULONG_PTR affinity;
    LONG priority;
    ULONG_PTR pid;
    ULONG_PTR parent;
};

// counts by kind (index = the entry's extended type), total returned; -1
// if unreadable
static long countGdi(HANDLE process, long* byType)
{
    QueryProcess query = (QueryProcess)(void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"),
                                                            "NtQueryInformationProcess");
    BasicInfo info;
    ULONG got = 0;
    if (!query || query(process, 0, &info, sizeof info, &got) != 0)
        return -1;
    ULONG table = 0;
    SIZE_T n = 0;
    if (!ReadProcessMemory(process, (BYTE*)info.peb + PEB_GDI_TABLE, &table, sizeof table, &n) || !table)
        return -1;
    static GdiEntry entries[GDI_ENTRIES];
    if (!ReadProcessMemory(process, (void*)(ULONG_PTR)table, entries, sizeof entries, &n))
        return -1;
    long total = 0;
    for (int t = 0; t < 128; ++t)
        byType[t] = 0;
    for (int i = 0; i < GDI_ENTRIES; ++i) {
        if (entries[i].type) {
            ++total;
            ++byType[entries[i].unique & 0x7f];
        }
    }
    return total;
}

// The program's GDI objects: total and per type (DC, region, bitmap, font,
// brush, ...). The method is proved on the driver's own process first: 50
// regions more must count as 50 more.
static int cmdGdiObjects(int, wchar_t**)
{
    long byType[128];
    long before = countGdi(GetCurrentProcess(), byType);
    HRGN made[50];
    for (int i = 0; i < 50; ++i)
        made[i] = CreateRectRgn(0, 0, i + 1, i + 1);
    long during = countGdi(GetCurrentProcess(), byType);
    for (int i = 0; i < 50; ++i)
        DeleteObject(made[i]);
    long after = countGdi(GetCurrentProcess(), byType);
    if (before < 0 || during != before + 50 || after != before) {
        fprintf(stderr, "cannot count GDI objects here (%ld, %ld, %ld)\n", before, during, after);
        return 2;
    }

    DWORD pid = 0;
    if (!needProcessBubble(&pid))
        return 1;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        fprintf(stderr, "cannot open the program's process\n");
        return 1;
    }
    long total = countGdi(process, byType);
    CloseHandle(process);
    if (total < 0) {
        fprintf(stderr, "cannot read the program's GDI table\n");
        return 1;
    }
    // kinds as the table stores them
    static const struct { const char* name; int kind; } kinds[] = {
        {"dc", 0x01}, {"memdc", 0x41}, {"region", 0x04}, {"bitmap", 0x09}, {"palette", 0x08},
        {"font", 0x0a}, {"brush", 0x10}, {"pen", 0x30}, {"extpen", 0x50},
    };
    long other = total;
    printf("gdi=%ld", total);
    for (size_t k = 0; k < sizeof kinds / sizeof kinds[0]; ++k) {
        printf(" %s=%ld", kinds[k].name, byType[kinds[k].kind]);
        other -= byType[kinds[k].kind];
    }
    printf(" other=%ld\n", other);
    return 0;
}

// the bubble's window region: its type (3 = complex), its box and the
// window's size
static int cmdBubbleRgn(int, wchar_t**)
{
    HWND window = needBubble();
    if (!window)
        return 1;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    int type = GetWindowRgn(window, region);
    RECT box = {0, 0, 0, 0}, rect;
    if (type != ERROR)
        GetRgnBox(region, &box);
    DeleteObject(region);
    GetWindowRect(window, &rect);
    printf("type=%d box=%ld %ld %ld %ld window=%ld %ld\n", type, box.left, box.top, box.right,
           box.bottom, rect.right - rect.left, rect.bottom - rect.top);
    return type == ERROR ? 1 : 0;
}

// holds a file open without sharing for ms, as an editor that locks it
static int cmdHoldFile(int, wchar_t** argv)
{
    HANDLE file = CreateFileW(argv[0], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "cannot open the file (error %lu)\n", GetLastError());
        return 1;
    }
    printf("held\n");
    fflush(stdout);
    Sleep(number(argv[1]));
    CloseHandle(file);
    printf("released\n");
    return 0;
}

// the notification area's window, if there is one
static int cmdTrayWindow(int, wchar_t**)
{
    HWND tray = FindWindowW(L"Shell_TrayWnd", NULL);
    if (!tray) {
        printf("none\n");
        return 1;
    }
    RECT rect;
    GetWindowRect(tray, &rect);
    printf("visible=%d left=%ld top=%ld right=%ld bottom=%ld\n", IsWindowVisible(tray) ? 1 : 0,
           rect.left, rect.top, rect.right, rect.bottom);
    return 0;
}

// WM_COMMAND sent and waited for: the command has run when this returns
// (not for commands that open something modal)
static int cmdSendCommand(int argc, wchar_t** argv)
{
    HWND window = needBubble();
    if (!window)
        return 1;
    DWORD limit = argc > 1 ? number(argv[1]) : 5000;
    if (!sendBounded(window, WM_COMMAND, number(argv[0]), 0, limit)) {
        fprintf(stderr, "no answer within %lu ms\n", limit);
        return 1;
    }
    printBubble(window);
    return 0;
}

// MSG WPARAM LPARAM sent to the bubble and waited for, 5 s at most: its result
static int cmdSend(int, wchar_t** argv)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(needBubble(), number(argv[0]), number(argv[1]), number(argv[2]), SMTO_NORMAL, 5000, &result))
        return 1;
    return printf("%lu\n", (unsigned long)result) < 0;
}

// the clipboard's Unicode text, line ends escaped
static int cmdClipboard(int, wchar_t**)
{
    HANDLE data = OpenClipboard(NULL) ? GetClipboardData(CF_UNICODETEXT) : NULL;
    if (data)
        printEscaped((const wchar_t*)GlobalLock(data));
    CloseClipboard();
    return data ? 0 : 1;
}

// N times "Nächster Witz ...", each sent and waited for: one line
// "WIDTH HEIGHT" of the bubble per joke
static int cmdPicks(int argc, wchar_t** argv)
{
    HWND window = needBubble();
    if (!window)
        return 1;
    long n = number(argv[0]);
    DWORD limit = argc > 1 ? number(argv[1]) : 5000;
    for (long i = 0; i < n; ++i) {
        if (!sendBounded(window, WM_COMMAND, 40011, 0, limit)) {
            fprintf(stderr, "pick %ld: no answer within %lu ms\n", i + 1, limit);
            return 1;
        }
        RECT rect;
        GetWindowRect(window, &rect);
        printf("%ld %ld\n", rect.right - rect.left, rect.bottom - rect.top);
    }
    return 0;
}

// like measure FILE, for jokes of any size: "width height" per joke
static int cmdMeasureBig(int, wchar_t** argv)
{
    FILE* file = _wfopen(argv[0], L"rb");
    if (!file) {
        fprintf(stderr, "cannot open the joke file\n");
        return 1;
    }
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    fseek(file, 0, SEEK_SET);
    char* bytes = (char*)malloc(size + 1);
    char* joke = (char*)malloc(size + 1);
    if (!bytes || !joke || fread(bytes, 1, size, file) != (size_t)size) {
        fclose(file);
        fprintf(stderr, "cannot read the joke file\n");
        return 1;
    }
    fclose(file);
    bytes[size] = 0;
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    long used = 0;
    for (char* line = bytes; line < bytes + size;) {
        char* end = (char*)memchr(line, '\n', bytes + size - line);
        long n = end ? end - line + 1 : bytes + size - line;
        if (n >= 2 && line[n - 2] == '\r' && line[n - 1] == '\n')
            line[--n - 1] = '\n';  // CR LF reads as LF
        if (!strncmp(line, "###", 3)) {
            while (used && (joke[used - 1] == '\n' || joke[used - 1] == '\r'))
                --used;
            joke[used] = 0;
            printBubbleSize(dc, joke);
            used = 0;
        } else {
            memcpy(joke + used, line, n);
            used += n;
        }
        line = end ? end + 1 : bytes + size;
    }
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    free(bytes);
    free(joke);
    return 0;
}

// N openings of a dialog from the bubble's menu command, each closed again
// with a command of the dialog (IDCANCEL, IDOK...): waits for it to appear
// and to go, each within ms
static int cmdDialogCycles(int argc, wchar_t** argv)
{
    UINT command = number(argv[0]);
    const wchar_t* title = argv[1];
    UINT closer = number(argv[2]);
    long n = number(argv[3]);
    DWORD limit = argc > 4 ? number(argv[4]) : 5000;
    HWND window = needBubble();
    if (!window)
        return 1;
    DWORD start = now();
    for (long i = 0; i < n; ++i) {
        PostMessageW(window, WM_COMMAND, command, 0);
        DWORD t = now();
        HWND dialog;
        while (!(dialog = FindWindowW(L"#32770", title)) || !IsWindowVisible(dialog)) {
            if (now() - t > limit) {
                fprintf(stderr, "opening %ld: no dialog within %lu ms\n", i + 1, limit);
                return 1;
            }
            Sleep(1);
        }
        PostMessageW(dialog, WM_COMMAND, closer, 0);
        t = now();
        while (IsWindow(dialog)) {
            if (now() - t > limit) {
                fprintf(stderr, "opening %ld: the dialog did not close within %lu ms\n", i + 1, limit);
                return 1;
            }
            Sleep(1);
        }
    }
    printf("openings=%ld ms=%lu\n", n, now() - start);
    return 0;
}

// A notification area that refuses every icon: a window of the taskbar's
// class, found before the real one, that answers each request with FALSE.
// Prints "ready", then one line per refused request, for ms.
static LRESULT CALLBACK refusingTrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT* data = (const COPYDATASTRUCT*)lParam;
        static const char* names[] = {"NIM_ADD", "NIM_MODIFY", "NIM_DELETE"};
        // the shell's record starts with the icon's window and id
        const LONG* fields = (const LONG*)data->lpData;
        printf("refused %s window=0x%lx id=%ld\n",
               data->dwData < 3 ? names[data->dwData] : "other",
               data->cbData >= 8 ? (unsigned long)fields[0] : 0ul,
               data->cbData >= 8 ? (long)fields[1] : -1l);
        fflush(stdout);
        return FALSE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static int cmdRefusingTray(int, wchar_t** argv)
{
    // the real taskbar first, so that ours is the newer one
    DWORD start = now(), limit = number(argv[0]);
    while (!FindWindowW(L"Shell_TrayWnd", NULL)) {
        if (now() - start > 10000) {
            fprintf(stderr, "no taskbar to stand in front of\n");
            return 1;
        }
        Sleep(20);
    }
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = refusingTrayProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"Shell_TrayWnd";
    if (!RegisterClassW(&wc))
        return 1;
    // topmost and newest: first in the order in which windows are searched
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"",
                                  WS_POPUP, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL);
    if (!window || FindWindowW(L"Shell_TrayWnd", NULL) != window) {
        fprintf(stderr, "the refusing window is not the one found first\n");
        return 1;
    }
    printf("ready\n");
    fflush(stdout);
    bool displaced = false;
    while (now() - start < limit) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (!displaced && FindWindowW(L"Shell_TrayWnd", NULL) != window) {
            printf("displaced\n");
            fflush(stdout);
            displaced = true;
        }
    }
    DestroyWindow(window);
    return 0;
}

// --- dialogs seen from outside: layout, file-open dialog, word processor --

// each control of a dialog in screen pixels, after the dialog's client area
// (origin and size): "client LEFT TOP WIDTH HEIGHT", "ctl ID LEFT TOP RIGHT BOTTOM"
static int cmdDlgRects(int, wchar_t** argv)
{
    HWND dialog = findDialog(argv[0], 2000);
    if (!dialog)
        return 1;
    RECT client;
    GetClientRect(dialog, &client);
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    printf("client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(c, &rect);
        printf("ctl %d %ld %ld %ld %ld\n", (int)(short)GetDlgCtrlID(c), rect.left, rect.top,
               rect.right, rect.bottom);
    }
    return 0;
}

// posts MESSAGE WPARAM [LPARAM] to a dialog: WM_CLOSE, WM_COMMAND IDCANCEL...
static int cmdDlgPost(int argc, wchar_t** argv)
{
    HWND dialog = findDialog(argv[0], 2000);
    if (!dialog)
        return 1;
    return PostMessageW(dialog, number(argv[1]), number(argv[2]), argc > 3 ? number(argv[3]) : 0)
               ? 0 : 1;
}

// waits until no dialog of that title is left
static int cmdDlgGone(int argc, wchar_t** argv)
{
    DWORD limit = argc > 1 ? number(argv[1]) : 3000;
    DWORD start = now();
    while (FindWindowW(L"#32770", argv[0])) {
        if (now() - start >= limit)
            return 1;
        Sleep(20);
    }
    return 0;
}

// class and title of the foreground window, and of the window with the focus
static int cmdForeground(int, wchar_t**)
{
    HWND window = GetForegroundWindow();
    wchar_t name[64] = L"", title[256] = L"";
    if (window) {
        GetClassNameW(window, name, 64);
        GetWindowTextW(window, title, 256);
    }
    printUtf8(name);
    printf(" ");
    printEscaped(title);
    printf("\n");
    return window ? 0 : 1;
}

// the file-open dialog: a visible dialog with the file-name box 0x47C
static HWND visibleFileDialog()
{
    HWND window = NULL;
    while ((window = FindWindowExW(NULL, window, L"#32770", NULL)))
        if (IsWindowVisible(window) && GetDlgItem(window, 0x47C))
            return window;
    return NULL;
}

// waits for it; prints its title and its owner's title
static int cmdFileDialog(int argc, wchar_t** argv)
{
    DWORD limit = argc > 0 ? number(argv[0]) : 5000;
    DWORD start = now();
    HWND dialog;
    while (!(dialog = visibleFileDialog())) {
        if (now() - start >= limit) {
            fprintf(stderr, "no file-open dialog within %lu ms\n", limit);
            return 1;
        }
        Sleep(20);
    }
    wchar_t title[256] = L"", owner[256] = L"";
    GetWindowTextW(dialog, title, 256);
    HWND ownerWindow = GetWindow(dialog, GW_OWNER);
    if (ownerWindow)
        GetWindowTextW(ownerWindow, owner, 256);
    wchar_t file[1024] = L"";
    GetDlgItemTextW(dialog, 0x47C, file, 1024);
    printf("title=");
    printEscaped(title);
    printf("\nowner=");
    printEscaped(owner);
    printf("\nfile=");
    printEscaped(file);
    printf("\n");
    return 0;
}

// types PATH into the file-name box (a ComboBoxEx32 holding a ComboBox
// holding an Edit) and presses the dialog's OK, as a user would
static int cmdFileDialogChoose(int, wchar_t** argv)
{
    HWND dialog = visibleFileDialog();
    if (!dialog) {
        fprintf(stderr, "no file-open dialog\n");
        return 1;
    }
    HWND box = GetDlgItem(dialog, 0x47C);
    HWND edit = FindWindowExW(box, NULL, L"Edit", NULL);
    if (!edit) {
        HWND combo = FindWindowExW(box, NULL, L"ComboBox", NULL);
        edit = combo ? FindWindowExW(combo, NULL, L"Edit", NULL) : NULL;
    }
    if (!edit) {
        fprintf(stderr, "no edit field in the file-name box\n");
        return 1;
    }
    SendMessageW(edit, WM_SETTEXT, 0, (LPARAM)argv[0]);
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) ? 0 : 1;
}

// the visible drop-down list of a combo box: its rectangle, the height of
// one entry and the number of entries
static int cmdComboList(int argc, wchar_t** argv)
{
    DWORD limit = argc > 0 ? number(argv[0]) : 2000;
    DWORD start = now();
    for (;;) {
        HWND list = NULL;
        while ((list = FindWindowExW(NULL, list, L"ComboLBox", NULL)))
            if (IsWindowVisible(list))
                break;
        if (list) {
            RECT rect;
            GetWindowRect(list, &rect);
            printf("%ld %ld %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom,
                   (long)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0),
                   (long)SendMessageW(list, LB_GETCOUNT, 0, 0));
            return 0;
        }
        if (now() - start >= limit)
            return 1;
        Sleep(20);
    }
}

// waits for a visible top-level window of a class, and if TEXT is given
// until its title holds TEXT (a program may set its title in steps); prints
// the title
static int cmdWaitTitle(int argc, wchar_t** argv)
{
    DWORD limit = argc > 1 ? number(argv[1]) : 10000;
    const wchar_t* wanted = argc > 2 ? argv[2] : L"";
    DWORD start = now();
    wchar_t title[1024] = L"";
    for (;;) {
        HWND window = FindWindowW(argv[0], NULL);
        title[0] = 0;
        if (window && IsWindowVisible(window)) {
            GetWindowTextW(window, title, 1024);
            if (wcsstr(title, wanted)) {
                printEscaped(title);
                printf("\n");
                return 0;
            }
        }
        if (now() - start > limit) {
            fprintf(stderr, "no such window within %lu ms; last title: ", limit);
            fflush(stderr);
            char text[2048] = "";
            WideCharToMultiByte(CP_UTF8, 0, title, -1, text, sizeof text, NULL, NULL);
            fprintf(stderr, "%s\n", text);
            return 1;
        }
        Sleep(20);
    }
}

// posts WM_CLOSE to every top-level window of a class, waits until they are gone
static int cmdCloseClass(int argc, wchar_t** argv)
{
    DWORD limit = argc > 1 ? number(argv[1]) : 5000;
    DWORD start = now();
    HWND window = NULL;
    while ((window = FindWindowExW(NULL, window, argv[0], NULL)))
        PostMessageW(window, WM_CLOSE, 0, 0);
    while (FindWindowW(argv[0], NULL)) {
        if (now() - start >= limit)
            return 1;
        Sleep(20);
    }
    return 0;
}

// where the close box of a window's caption is: the window itself is asked
// (WM_NCHITTEST) along its caption, from the right; prints the box's centre
static int cmdCloseBox(int, wchar_t** argv)
{
    HWND dialog = findDialog(argv[0], 2000);
    if (!dialog)
        return 1;
    RECT rect;
    GetWindowRect(dialog, &rect);
    for (long y = rect.top; y < rect.top + 40 && y < rect.bottom; ++y) {
        long right = -1, left = -1;
        for (long x = rect.right - 1; x > rect.right - 80 && x > rect.left; --x) {
            DWORD_PTR hit = 0;
            if (!SendMessageTimeoutW(dialog, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG,
                                     2000, &hit))
                return 1;
            if (hit == HTCLOSE) {
                if (right < 0)
                    right = x;
                left = x;
            } else if (right >= 0) {
                break;
            }
        }
        if (right >= 0) {
            // the box's rows: from this one down while the hit test agrees
            long bottom = y;
            DWORD_PTR hit = HTCLOSE;
            while (hit == HTCLOSE && bottom < rect.bottom) {
                ++bottom;
                SendMessageTimeoutW(dialog, WM_NCHITTEST, 0, MAKELPARAM((left + right) / 2, bottom),
                                    SMTO_ABORTIFHUNG, 2000, &hit);
            }
            printf("%ld %ld\n", (left + right) / 2, (y + bottom - 1) / 2);
            return 0;
        }
    }
    fprintf(stderr, "no close box found\n");
    return 1;
}

// --- display scale, full screen ----------------------------------------------

static int cmdDpi(int, wchar_t**)
{
    HDC screen = GetDC(NULL);
    printf("dpi=%d smicon=%d\n", GetDeviceCaps(screen, LOGPIXELSX), GetSystemMetrics(SM_CXSMICON));
    ReleaseDC(NULL, screen);
    return 0;
}

// every text of a dialog's buttons and labels inside its control, in the
// control's own font: one line per control that cuts its text; exit 1 then
static int cmdDlgFit(int, wchar_t** argv)
{
    HWND dialog = findDialog(argv[0], 2000);
    if (!dialog)
        return 1;
    int cut = 0, checked = 0;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t name[32], text[256];
        GetClassNameW(c, name, 32);
        LONG style = GetWindowLongW(c, GWL_STYLE);
        bool label = !_wcsicmp(name, L"Static") && (style & SS_TYPEMASK) != SS_ICON;
        if ((!label && _wcsicmp(name, L"Button")) || !GetWindowTextW(c, text, 256))
            continue;
        RECT client;
        GetClientRect(c, &client);
        // a button's text keeps clear of its 3-D edge on either side
        int room = client.right - (label ? 0 : 2 * GetSystemMetrics(SM_CXEDGE) + 2);
        HDC dc = GetDC(c);
        HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(c, WM_GETFONT, 0, 0));
        RECT need = {0, 0, room, 0};
        DrawTextW(dc, text, -1, &need, DT_CALCRECT | (label ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, old);
        ReleaseDC(c, dc);
        ++checked;
        if (need.right > room || need.bottom > client.bottom) {
            printf("cut %d: needs %ldx%ld, has %dx%ld: ", (int)(short)GetDlgCtrlID(c), need.right,
                   need.bottom, room, client.bottom);
            printEscaped(text);
            printf("\n");
            ++cut;
        }
    }
    printf("checked=%d cut=%d\n", checked, cut);
    return cut || !checked;
}

static LRESULT CALLBACK coverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        FillRect(dc, &ps.rcPaint, (HBRUSH)GetStockObject(DKGRAY_BRUSH));
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// N show/pause steps, each a WM_TIMER sent to the bubble and waited for;
// the bubble's visibility after each (the real timer must not be due
// meanwhile: long intervals)
static int cmdTicks(int, wchar_t** argv)
{
    HWND window = needBubble();
    if (!window)
        return 1;
    for (long i = number(argv[0]); i > 0; --i) {
        if (!sendBounded(window, WM_TIMER, 0, 0, 5000))
            return 1;
        printf("%d%s", IsWindowVisible(window) ? 1 : 0, i > 1 ? " " : "\n");
    }
    return 0;
}

// A window in front of everything else until closed, at most for ms, as a full-screen program's
// ("popup": borderless, the monitor's size) or a maximised window with a
// caption stretched to the monitor, as an auto-hiding taskbar lets it be;
// "short" is a popup one pixel short of the monitor at the bottom.
static int cmdCover(int, wchar_t** argv)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = coverProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"GrdriverCover";
    RegisterClassW(&wc);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& m = monitor.rcMonitor;
    bool maximised = !wcscmp(argv[0], L"maximised");
    DWORD style = maximised ? WS_OVERLAPPEDWINDOW : WS_POPUP;
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Vollbild", style, m.left, m.top,
                                  m.right - m.left, m.bottom - m.top - !wcscmp(argv[0], L"short"),
                                  NULL, NULL, wc.hInstance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, maximised ? SW_SHOWMAXIMIZED : SW_SHOW);
    if (maximised)
        SetWindowPos(window, NULL, m.left, m.top, m.right - m.left, m.bottom - m.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    SetForegroundWindow(window);
    RECT r;
    GetWindowRect(window, &r);
    printf("covering %ld %ld %ld %ld zoomed=%d\n", r.left, r.top, r.right, r.bottom,
           IsZoomed(window) ? 1 : 0);
    fflush(stdout);
    DWORD start = now(), limit = number(argv[1]);
    while (IsWindow(window) && now() - start < limit) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
    }
    DestroyWindow(window);
    printf("uncovered\n");
    return 0;
}

// --- installation: shell folders, shortcuts, installed products ---------

// a shell folder of the current user: local-appdata, programs (the Start
// menu's), startup
static int cmdShellFolder(int, wchar_t** argv)
{
    static const struct { const wchar_t* name; int csidl; } folders[] = {
        {L"local-appdata", CSIDL_LOCAL_APPDATA}, {L"programs", CSIDL_PROGRAMS},
        {L"startup", CSIDL_STARTUP},
    };
    for (size_t i = 0; i < sizeof folders / sizeof folders[0]; ++i) {
        wchar_t path[MAX_PATH];
        if (!wcscmp(argv[0], folders[i].name) &&
            SHGetFolderPathW(NULL, folders[i].csidl, NULL, SHGFP_TYPE_CURRENT, path) == S_OK) {
            printUtf8(path);
            printf("\n");
            return 0;
        }
    }
    fprintf(stderr, "no such folder\n");
    return 1;
}

// a shortcut as the shell reads it: target, working folder, arguments,
// description
static int cmdShortcut(int, wchar_t** argv)
{
    CoInitialize(NULL);
    IShellLinkW* link = NULL;
    IPersistFile* file = NULL;
    int result = 1;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   (void**)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)) &&
        SUCCEEDED(file->Load(argv[0], STGM_READ))) {
        wchar_t target[MAX_PATH] = L"", folder[MAX_PATH] = L"", arguments[1024] = L"";
        wchar_t description[1024] = L"";
        link->GetPath(target, MAX_PATH, NULL, SLGP_RAWPATH);
        link->GetWorkingDirectory(folder, MAX_PATH);
        link->GetArguments(arguments, 1024);
        link->GetDescription(description, 1024);
        printf("target=");
        printUtf8(target);
        printf("\nworkdir=");
        printUtf8(folder);
        printf("\nargs=");
        printUtf8(arguments);
        printf("\ndescription=");
        printUtf8(description);
        printf("\n");
        result = 0;
    } else {
        fprintf(stderr, "cannot read the shortcut\n");
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    CoUninitialize();
    return result;
}

// a shortcut FILE to TARGET, as another program would leave one
static int cmdMakeShortcut(int, wchar_t** argv)
{
    CoInitialize(NULL);
    IShellLinkW* link = NULL;
    IPersistFile* file = NULL;
    bool made = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, (void**)&link)) &&
                SUCCEEDED(link->SetPath(argv[1])) &&
                SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)) &&
                SUCCEEDED(file->Save(argv[0], TRUE));
    if (file)
        file->Release();
    if (link)
        link->Release();
    CoUninitialize();
    return made ? 0 : 1;
}

// the products installed under an upgrade code, one line each:
// code, version, name, publisher, the icon of its entry
static int cmdProducts(int, wchar_t** argv)
{
    static const wchar_t* properties[] = {L"VersionString", L"InstalledProductName", L"Publisher",
                                          L"ProductIcon"};
    wchar_t product[39];
    for (DWORD i = 0; MsiEnumRelatedProductsW(argv[0], 0, i, product) == ERROR_SUCCESS; ++i) {
        printUtf8(product);
        for (size_t p = 0; p < sizeof properties / sizeof properties[0]; ++p) {
            wchar_t value[MAX_PATH] = L"";
            DWORD size = MAX_PATH;
            MsiGetProductInfoW(product, properties[p], value, &size);
            printf("\t");
            printUtf8(value);
        }
        printf("\n");
    }
    return 0;
}

// --- assistive technology -------------------------------------------------

// "role=R name=TEXT" of one of the bubble's objects as a screen reader
// reads it (role -1: the object does not say)
static void printObject(HWND window, LONG id)
{
    IAccessible* object = NULL;
    if (FAILED(AccessibleObjectFromWindow(window, id, IID_IAccessible, (void**)&object))) {
        printf("none");
        return;
    }
    VARIANT self, role;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VariantInit(&role);
    BSTR name = NULL;
    object->get_accRole(self, &role);
    object->get_accName(self, &name);
    printf("role=%ld name=", role.vt == VT_I4 ? (long)role.lVal : -1L);
    if (name)
        printEscaped(name);
    // what a bridge to UI Automation finds behind it, if it is another object
    IServiceProvider* provider = NULL;
    IAccessible* behind = NULL;
    if (SUCCEEDED(object->QueryInterface(IID_IServiceProvider, (void**)&provider))) {
        provider->QueryService(IIS_IsOleaccProxy, IID_IAccessible, (void**)&behind);
        provider->Release();
    }
    if (behind && behind != object)
        printf(" behind=another");
    if (behind)
        behind->Release();
    SysFreeString(name);
    object->Release();
}

// A screen reader's view: each event of a bubble window of any process as
// it arrives, and for a live-region change what the reader finds then
static void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                DWORD, DWORD)
{
    wchar_t name[64];
    if (!window || !GetClassNameW(window, name, 64) || wcscmp(name, BUBBLE_CLASS))
        return;
    printf("event 0x%04lx obj=%ld child=%ld visible=%d", event, (long)object, (long)child,
           IsWindowVisible(window) ? 1 : 0);
    if (event == EVENT_OBJECT_LIVEREGIONCHANGED) {
        printf(" window ");
        printObject(window, OBJID_WINDOW);
        printf(" client ");
        printObject(window, OBJID_CLIENT);
    }
    printf("\n");
    fflush(stdout);
}

// prints "ready", then the events until the bubble that came is gone (or ms)
static int cmdListen(int, wchar_t** argv)
{
    DWORD limit = number(argv[0]), start = now();
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, NULL, onWinEvent, 0, 0,
                                         WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    printf("ready\n");
    fflush(stdout);
    HWND seen = NULL;
    while (hook && now() - start < limit && (!seen || IsWindow(seen))) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (!seen)
            seen = bubble();
    }
    UnhookWinEvent(hook);
    CoUninitialize();
    printf("done\n");
    return hook ? 0 : 1;
}

// --- command table ---------------------------------------------------------

struct Command {
    const char* name;
    int minArgs;
    const char* usage;
    int (*run)(int argc, wchar_t** argv);
};

static const Command commands[] = {
    {"wait-window", 1, "CLASS [ms]: wait for a top-level window of that class", cmdWaitWindow},
    {"count-windows", 1, "CLASS: the number of top-level windows of that class", cmdCountWindows},
    {"window-exists", 1, "CLASS|TITLE: exit 0 if such a window exists", cmdWindowExists},
    {"bubble", 0, ": visibility, rectangle, styles of the bubble and the work area", cmdBubble},
    {"wait-visible", 1, "0|1 [ms]: wait until the bubble is hidden/visible", cmdWaitVisible},
    {"watch", 1, "ms: print each change of the bubble's visibility and rectangle", cmdWatch},
    {"post-command", 1, "ID: post WM_COMMAND to the bubble", cmdPostCommand},
    {"post-tray", 1, "MSG: post the tray callback with a mouse message (number or name)", cmdPostTray},
    {"close", 0, ": post WM_CLOSE to the bubble", cmdClose},
    {"taskbar-created", 0, ": broadcast the registered TaskbarCreated message", cmdTaskbarCreated},
    {"tray-delete", 0, ": remove the bubble's tray icon (id 0) from outside", cmdTrayDelete},
    {"tooltip", 0, ": each taskbar tooltip tool: tip LEFT TOP RIGHT BOTTOM TEXT", cmdTooltip},
    {"popup", 0, "[ms]: rectangle of the visible popup menu window", cmdPopup},
    {"menu-escape", 0, ": post the Escape key to the bubble (closes its menu)", cmdMenuEscape},
    {"colors", 0, ": the system colours COLOR_INFOBK and COLOR_INFOTEXT as r,g,b", cmdColors},
    {"cursor", 0, ": the mouse position", cmdCursor},
    {"dialog", 1, "TITLE [ms]: the dialog's styles and its controls", cmdDialog},
    {"dlg-text", 2, "TITLE ID: text of a dialog control", cmdDlgText},
    {"dlg-set", 3, "TITLE ID TEXT: set a dialog control's text", cmdDlgSet},
    {"dlg-click", 2, "TITLE ID: post BM_CLICK to a dialog button", cmdDlgClick},
    {"dlg-combo", 2, "TITLE ID: count, selection and entries of a combo box", cmdDlgCombo},
    {"measure", 1, "FILE|- [TEXT...]: expected bubble size per joke and per text", cmdMeasure},
    // endurance and faults
    {"steps", 1, "N [ms]: N show/pause steps (WM_TIMER sent and waited for), each flips the bubble", cmdSteps},
    {"toggles", 1, "N [ms]: N 'Aktiv' commands sent and waited for, off first", cmdToggles},
    {"clicks", 3, "TITLE ID N [ms]: N clicks on a dialog button, each sent and waited for", cmdClicks},
    {"ping", 0, "[ms]: the program answers WM_NULL within ms", cmdPing},
    {"count-flips", 1, "ms: count the bubble's visibility changes, polling as fast as possible", cmdCountFlips},
    {"gdi-objects", 0, ": the program's GDI objects, total and by kind, from its handle table", cmdGdiObjects},
    {"bubble-rgn", 0, ": type and box of the bubble's window region, and the window's size", cmdBubbleRgn},
    {"hold-file", 2, "FILE ms: keep FILE open without sharing for ms", cmdHoldFile},
    {"tray-window", 0, ": the notification area's window (Shell_TrayWnd), or none", cmdTrayWindow},
    {"send-command", 1, "ID [ms]: send WM_COMMAND to the bubble, wait for it; then the bubble line", cmdSendCommand},
    {"send", 3, "MSG WPARAM LPARAM: send a message to the bubble and wait; its result", cmdSend},
    {"clipboard", 0, ": the clipboard's text, line ends escaped", cmdClipboard},
    {"picks", 1, "N [ms]: N x 'Nächster Witz ...' sent and waited for; the bubble's size after each", cmdPicks},
    {"measure-big", 1, "FILE: expected bubble size per joke, for jokes of any size", cmdMeasureBig},
    {"refusing-tray", 1, "ms: a notification area in front of the real one that refuses every icon", cmdRefusingTray},
    {"dialog-cycles", 4, "COMMAND TITLE CLOSER N [ms]: open a dialog by command and close it, N times", cmdDialogCycles},
    // dialogs seen from outside
    {"dlg-rects", 1, "TITLE: the dialog's client area and each control's rectangle on the screen", cmdDlgRects},
    {"dlg-post", 3, "TITLE MSG WPARAM [LPARAM]: post a message to a dialog", cmdDlgPost},
    {"dlg-gone", 1, "TITLE [ms]: wait until no dialog of that title is left", cmdDlgGone},
    {"foreground", 0, ": class and title of the foreground window", cmdForeground},
    {"file-dialog", 0, "[ms]: wait for the file-open dialog; its title, its owner's, its file name", cmdFileDialog},
    {"file-dialog-choose", 1, "PATH: type PATH into the file-open dialog and press its OK", cmdFileDialogChoose},
    {"combo-list", 0, "[ms]: rectangle, entry height and count of the dropped-down combo list", cmdComboList},
    {"wait-title", 1, "CLASS [ms [TEXT]]: wait for a visible window of that class (whose title holds TEXT); its title", cmdWaitTitle},
    {"close-class", 1, "CLASS [ms]: post WM_CLOSE to the windows of a class, wait until gone", cmdCloseClass},
    // assistive technology
    {"listen", 1, "ms: each event of a bubble window, as a screen reader sees it, until it goes", cmdListen},
    {"closebox", 1, "TITLE: centre of the dialog's close box, as its hit test tells", cmdCloseBox},
    // display scale, full screen
    {"dpi", 0, ": the system DPI and the small icon's size", cmdDpi},
    {"dlg-fit", 1, "TITLE: every button and label text fits its control; exit 1 if one is cut", cmdDlgFit},
    {"cover", 2, "popup|short|maximised ms: a window covering the monitor in front, until closed", cmdCover},
    {"ticks", 1, "N: N show/pause steps (WM_TIMER sent and waited for); visibility after each", cmdTicks},
    // installation
    {"shell-folder", 1, "local-appdata|programs|startup: the current user's shell folder", cmdShellFolder},
    {"make-shortcut", 2, "FILE TARGET: a shortcut to TARGET saved as FILE", cmdMakeShortcut},
    {"shortcut", 1, "FILE: target, working folder, arguments and description of a shortcut", cmdShortcut},
    {"products", 1, "UPGRADECODE: each installed product: code, version, name, publisher, icon", cmdProducts},
};

int main()
{
    _setmode(_fileno(stdout), _O_BINARY);  // no CR before LF in our output
    GetDesktopWindow();  // brings up the virtual desktop in a fresh prefix

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const size_t n = sizeof commands / sizeof commands[0];
    if (argv && argc >= 2) {
        char name[64];
        WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, name, sizeof name, NULL, NULL);
        for (size_t i = 0; i < n; ++i) {
            if (strcmp(name, commands[i].name))
                continue;
            if (argc - 2 < commands[i].minArgs)
                break;
            int result = commands[i].run(argc - 2, argv + 2);
            fflush(stdout);
            return result;
        }
    }
    fprintf(stderr, "usage: grdriver COMMAND [ARGS]\n");
    for (size_t i = 0; i < n; ++i)
        fprintf(stderr, "  %s %s\n", commands[i].name, commands[i].usage);
    return 64;
}
