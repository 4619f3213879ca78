#include "ui/JokeBubble.h"

#include <new>
#include <string.h>

#include "app/TrayApp.h"
#include "ui/BubbleShape.h"

const char JokeBubble::CLASS_NAME[] = "MainWindow";
const char JokeBubble::TITLE[] = "Grinsel";

static const char BANNER[] = "Grinsel 1.0\nvon Ilka Brennecke\nDeutsche Version";

// how a text too wide for the work area is measured and painted: the same
// flags and the same width, or the lines would break elsewhere; no clipping,
// since a single word wider than that still shows whole
static const UINT WRAPPED = DT_WORDBREAK | DT_CENTER | DT_NOPREFIX | DT_NOCLIP;

// Joke files are bytes. A text that is valid UTF-8 and uses it (a byte above
// 127) was saved as UTF-8, by an editor that may have put a byte-order mark
// in front; any other text is in the ANSI code page, as it always was.
static wchar_t* widen(const char* bytes)
{
    UINT codePage = CP_ACP;
    const char* p = bytes;
    while (*p && (unsigned char)*p < 0x80)
        ++p;
    if (*p && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, -1, NULL, 0) > 0) {
        codePage = CP_UTF8;
        if (!strncmp(bytes, "\xEF\xBB\xBF", 3))
            bytes += 3;
    }
    int length = MultiByteToWideChar(codePage, 0, bytes, -1, NULL, 0);
    if (length <= 0)
        return NULL;
    wchar_t* wide = new (std::nothrow) wchar_t[length];
    if (wide)
        MultiByteToWideChar(codePage, 0, bytes, -1, wide, length);
    return wide;
}

JokeBubble::JokeBubble(WNDPROC windowProc)
    : placement(), textRect(), hwnd(NULL), outline(NULL), text(NULL), cut(NULL), wrapWidth(0),
      dpi(96), contrast(false)
{
    // the system DPI, fixed for the process: the stock font is made for it
    HDC screen = GetDC(NULL);
    dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = hInst;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    wc.lpszClassName = CLASS_NAME;
    RegisterClassA(&wc);

    hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, CLASS_NAME, TITLE, WS_POPUP,
                           0, 0, 0, 0, NULL, NULL, hInst, NULL);
    setText(BANNER);
}

JokeBubble::~JokeBubble()
{
    // the window and its class live until the program ends
    if (outline)
        DeleteObject(outline);
    delete[] text;
    delete[] cut;
}

// The text's size as the bubble shows it, with its lines broken at line
// feeds or, where the bubble would be wider than the work area, also at
// blanks, no wider than fit; wrap gets the width it was broken at, or 0.
static SIZE measureText(HDC dc, const wchar_t* text, int fit, int* wrap)
{
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc, text, -1, &r, DT_CALCRECT | DT_NOPREFIX);
    *wrap = 0;
    if (fit > 0 && r.right > fit) {
        SetRect(&r, 0, 0, fit, 0);
        DrawTextW(dc, text, -1, &r, DT_CALCRECT | WRAPPED);
        *wrap = fit;
    }
    SIZE size = {r.right - r.left, r.bottom - r.top};
    return size;
}

// whether the bubble for a text of that size is at most room pixels high
static bool fitsHeight(SIZE size, int dpi, int room)
{
    // the outline's box ends one pixel above the body's bottom edge
    return bubbleShape(size.cx, size.cy, dpi).body.bottom - 1 <= room;
}

// What is needed to tell whether a start of a text fits the work area's height.
struct HeightProbe {
    HDC dc;
    int fit;
    int dpi;
    int room;
    const wchar_t* text;
    wchar_t* probe;  // room for the text and a last line "..."

    // the first length characters of the text and a last line "..."
    const wchar_t* shorten(int length) const
    {
        memcpy(probe, text, length * sizeof *text);
        probe[length] = L'\n';
        probe[length + 1] = 0x2026;  // the horizontal ellipsis, whatever the code page
        probe[length + 2] = 0;
        return probe;
    }

    bool fits(int length) const
    {
        int wrap;
        return fitsHeight(measureText(dc, shorten(length), fit, &wrap), dpi, room);
    }
};

// The length of the longest start of a text too tall for the work area that
// still fits with a last line "...": it ends at a line feed; where not even
// the first line fits, it ends at the last blank of that line that fits, or
// without one at its last character that does. More text never makes the
// bubble lower, so both searches halve.
static int fittingStart(const HeightProbe& h, int length)
{
    int lineFeeds = 0;
    for (int i = 0; i < length; ++i)
        lineFeeds += h.text[i] == L'\n';
    int* ends = new (std::nothrow) int[lineFeeds + 1];
    if (!ends)
        return length;
    int n = 0;
    for (int i = 0; i < length; ++i)
        if (h.text[i] == L'\n')
            ends[n++] = i;

    int low = 0, high = lineFeeds;  // how many lines fit: 0 .. lineFeeds
    while (low < high) {
        int middle = (low + high + 1) / 2;
        if (h.fits(ends[middle - 1]))
            low = middle;
        else
            high = middle - 1;
    }
    int firstLineEnd = lineFeeds ? ends[0] : length;
    int fitting = low ? ends[low - 1] : -1;
    delete[] ends;
    if (fitting >= 0)
        return fitting;

    low = 0;
    high = firstLineEnd;
    while (low < high) {
        int middle = (low + high + 1) / 2;
        if (h.fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    int cut = low;
    while (cut > 0 && h.text[cut] != L' ')
        --cut;
    if (cut == 0)
        cut = low;
    if (cut > 0 && IS_HIGH_SURROGATE(h.text[cut - 1]))
        --cut;  // never half a character
    return cut;
}

void JokeBubble::setText(const char* newText)
{
    // our own copy: the caller's buffer is overwritten by the next pick
    wchar_t* copy = widen(newText);
    if (copy) {
        delete[] text;
        text = copy;
        delete[] cut;
        cut = NULL;
    }
    if (!text)
        return;

    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    HDC dc = GetDC(hwnd);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    // a bubble wider than the work area would begin off the screen: the
    // lines break at blanks instead, as wide as the bubble still fits
    int fit = widestText(work.right - work.left - scaled(BUBBLE_GAP, dpi), dpi);
    SIZE size = measureText(dc, text, fit, &wrapWidth);
    int room = work.bottom - work.top;
    if (!fitsHeight(size, dpi, room)) {
        // one too tall would begin above the screen, with the joke's start:
        // it shows what fits, and a last line "..." says there is more
        int length = lstrlenW(text);
        wchar_t* shown = new (std::nothrow) wchar_t[length + 3];
        if (shown) {
            HeightProbe h = {dc, fit, dpi, room, text, shown};
            h.shorten(fittingStart(h, length));
            cut = shown;
            size = measureText(dc, cut, fit, &wrapWidth);
        }
    }
    SelectObject(dc, oldFont);
    ReleaseDC(hwnd, dc);

    BubbleShape shape = bubbleShape(size.cx, size.cy, dpi);
    SetRect(&textRect, shape.text.left, shape.text.top, shape.text.right, shape.text.bottom);

    const ShapeRect& b = shape.crescentBase;
    const ShapeRect& c = shape.cutter;
    HRGN body = CreateRoundRectRgn(shape.body.left, shape.body.top, shape.body.right,
                                   shape.body.bottom, shape.bodyCorner, shape.bodyCorner);
    HRGN crescent;
    if (c.right > c.left) {
        crescent = CreateRoundRectRgn(b.left, b.top, b.right, b.bottom,
                                      shape.crescentCorner, shape.crescentCorner);
        HRGN cutter = CreateRoundRectRgn(c.left, c.top, c.right, c.bottom,
                                         shape.cutterCorner, shape.cutterCorner);
        // what the cutter leaves of the base is a thin crescent; its lower
        // end sticks out of the body as the tail
        CombineRgn(crescent, crescent, cutter, RGN_DIFF);
        DeleteObject(cutter);
    } else {
        // a text narrower than the tail's rectangles leaves them without
        // width, and round rectangles that thin can come out as garbage
        // spanning the whole coordinate range: such a bubble has no tail
        crescent = CreateRectRgn(0, 0, 0, 0);
    }
    CombineRgn(crescent, crescent, body, RGN_OR);
    if (outline)
        DeleteObject(outline);
    outline = crescent;

    hide();  // the change of shape is not to be seen

    // the window owns the region given to SetWindowRgn, so it gets a copy
    // and we keep the outline for painting and placing
    CombineRgn(body, outline, NULL, RGN_COPY);
    SetWindowRgn(hwnd, body, FALSE);

    place();
    showNoActivate();
    // now that it shows and names the new text: a screen reader speaks it
    // without the bubble taking the focus
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

void JokeBubble::paint()
{
    // a contrast theme's window colours, the frame in its text colour: the
    // info colours and a black frame can leave the edge unseen on a dark
    // desktop
    COLORREF background = GetSysColor(contrast ? COLOR_WINDOW : COLOR_INFOBK);
    COLORREF foreground = GetSysColor(contrast ? COLOR_WINDOWTEXT : COLOR_INFOTEXT);
    HBRUSH frameBrush = contrast ? GetSysColorBrush(COLOR_WINDOWTEXT)
                                 : (HBRUSH)GetStockObject(BLACK_BRUSH);
    HBRUSH brush = CreateSolidBrush(background);

    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    FillRgn(dc, outline, brush);
    DeleteObject(brush);
    int frame = scaled(BUBBLE_FRAME, dpi);
    FrameRgn(dc, outline, frameBrush, frame, frame);

    RECT area = textRect;  // DrawTextW may change the rectangle it gets
    UINT format = DT_CENTER | DT_NOPREFIX;
    if (wrapWidth) {
        // as wide as when measured, about the same middle
        area.left += (area.right - area.left - wrapWidth) / 2;
        area.right = area.left + wrapWidth;
        format = WRAPPED;
    }
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, foreground);
    SetBkColor(dc, background);
    DrawTextW(dc, shownText(), -1, &area, format);
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
}

void JokeBubble::setContrastTheme(bool on)
{
    contrast = on;
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
}

void JokeBubble::place()
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT box;
    GetRgnBox(outline, &box);
    int width = box.right - box.left;
    int height = box.bottom - box.top;
    int x = work.right - width - scaled(BUBBLE_GAP, dpi);
    int y = work.bottom - height;

    // repeated work-area notifications must not move or re-order the window
    if (x == placement.x && y == placement.y && width == placement.width
        && height == placement.height)
        return;

    placement.x = x;
    placement.y = y;
    placement.width = width;
    placement.height = height;
    hide();
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    MoveWindow(hwnd, x, y, width, height, TRUE);
}

bool JokeBubble::copyText() const
{
    if (!text || !OpenClipboard(hwnd))
        return false;
    // other programs paste lines that end in CR LF
    int length = 0;
    for (const wchar_t* p = text; *p; ++p)
        length += *p == L'\n' ? 2 : 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(wchar_t));
    wchar_t* out = memory ? (wchar_t*)GlobalLock(memory) : NULL;
    if (out) {
        for (const wchar_t* p = text; *p; ++p) {
            if (*p == L'\n')
                *out++ = L'\r';
            *out++ = *p;
        }
        *out = 0;
        GlobalUnlock(memory);
        EmptyClipboard();
        if (SetClipboardData(CF_UNICODETEXT, memory))
            memory = NULL;  // the clipboard's now
    }
    if (memory)
        GlobalFree(memory);
    CloseClipboard();
    return out != NULL;
}

void JokeBubble::hide()
{
    ShowWindow(hwnd, SW_HIDE);
}

void JokeBubble::showNoActivate()
{
    ShowWindow(hwnd, SW_SHOWNA);
}
