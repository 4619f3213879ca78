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
    : placement(), textRect(), hwnd(NULL), outline(NULL), text(NULL), wrapWidth(0)
{
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
}

void JokeBubble::setText(const char* newText)
{
    // our own copy: the caller's buffer is overwritten by the next pick
    wchar_t* copy = widen(newText);
    if (copy) {
        delete[] text;
        text = copy;
    }
    if (!text)
        return;

    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    HDC dc = GetDC(hwnd);
    SetRect(&textRect, 0, 0, 0, 0);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, text, -1, &textRect, DT_CALCRECT | DT_NOPREFIX);
    // a bubble wider than the work area would begin off the screen: break
    // the lines at blanks instead, as wide as the bubble still fits
    wrapWidth = widestText(work.right - work.left - 4);
    if (wrapWidth > 0 && textRect.right > wrapWidth) {
        SetRect(&textRect, 0, 0, wrapWidth, 0);
        DrawTextW(dc, text, -1, &textRect, DT_CALCRECT | WRAPPED);
    } else {
        wrapWidth = 0;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(hwnd, dc);

    BubbleShape shape = bubbleShape(textRect.right - textRect.left, textRect.bottom - textRect.top);
    SetRect(&textRect, shape.text.left, shape.text.top, shape.text.right, shape.text.bottom);

    const ShapeRect& b = shape.crescentBase;
    const ShapeRect& c = shape.cutter;
    HRGN body = CreateRoundRectRgn(shape.body.left, shape.body.top, shape.body.right,
                                   shape.body.bottom, BODY_CORNER, BODY_CORNER);
    HRGN crescent;
    if (c.right > c.left) {
        crescent = CreateRoundRectRgn(b.left, b.top, b.right, b.bottom,
                                      CRESCENT_CORNER, CRESCENT_CORNER);
        HRGN cutter = CreateRoundRectRgn(c.left, c.top, c.right, c.bottom,
                                         CUTTER_CORNER, CUTTER_CORNER);
        // what the cutter leaves of the base is a thin crescent; its lower
        // end sticks out of the body as the tail
        CombineRgn(crescent, crescent, cutter, RGN_DIFF);
        DeleteObject(cutter);
    } else {
        // a text of at most 40 pixels leaves the tail's rectangles without
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
    COLORREF background = GetSysColor(COLOR_INFOBK);
    COLORREF foreground = GetSysColor(COLOR_INFOTEXT);
    HBRUSH brush = CreateSolidBrush(background);

    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    FillRgn(dc, outline, brush);
    DeleteObject(brush);
    FrameRgn(dc, outline, (HBRUSH)GetStockObject(BLACK_BRUSH), 2, 2);

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
    DrawTextW(dc, text, -1, &area, format);
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
}

void JokeBubble::place()
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT box;
    GetRgnBox(outline, &box);
    int width = box.right - box.left;
    int height = box.bottom - box.top;
    int x = work.right - width - 4;
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

void JokeBubble::hide()
{
    ShowWindow(hwnd, SW_HIDE);
}

void JokeBubble::showNoActivate()
{
    ShowWindow(hwnd, SW_SHOWNA);
}
