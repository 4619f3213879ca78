// The speech bubble as a real window on the desktop with its taskbar:
// class and styles, outline, placement against the work area, focus,
// z-order and what it paints.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "tests/win/AppFixture.h"
#include "ui/JokeBubble.h"

using namespace grtest;

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    UINT swpFlags;
    HWND insertAfter;
};

std::vector<Seen> seen;
JokeBubble* painted = NULL;

// the window procedure handed to the bubble: paints like the controller's
// and keeps a log of showing, hiding and moving
LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SHOWWINDOW:
        seen.push_back(Seen{message, wParam, 0, NULL});
        break;
    case WM_WINDOWPOSCHANGING:
        seen.push_back(Seen{message, 0, reinterpret_cast<WINDOWPOS*>(lParam)->flags,
                            reinterpret_cast<WINDOWPOS*>(lParam)->hwndInsertAfter});
        break;
    case WM_PAINT:
        if (painted) {
            painted->paint();
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<WPARAM> showWindowLog()
{
    std::vector<WPARAM> shows;
    for (const Seen& s : seen)
        if (s.message == WM_SHOWWINDOW)
            shows.push_back(s.wParam);
    return shows;
}

int movesOrResizes()
{
    int n = 0;
    for (const Seen& s : seen)
        if (s.message == WM_WINDOWPOSCHANGING
            && (s.swpFlags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            ++n;
    return n;
}

// requests to put the window into the topmost band
int topmostRequests()
{
    int n = 0;
    for (const Seen& s : seen)
        if (s.message == WM_WINDOWPOSCHANGING && !(s.swpFlags & SWP_NOZORDER)
            && s.insertAfter == HWND_TOPMOST)
            ++n;
    return n;
}

class BubbleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hInst = GetModuleHandleA(NULL);
        ASSERT_TRUE(waitForTaskbar()) << "no taskbar on the desktop";
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &savedWork, 0);
        seen.clear();
        bubble = new JokeBubble(recordingProc);
        painted = bubble;
        window = bubble->window();
    }

    void TearDown() override
    {
        painted = NULL;
        delete bubble;
        DestroyWindow(window);
        UnregisterClassA("MainWindow", hInst);
        for (HWND w : others)
            DestroyWindow(w);
        if (!IsRectEmpty(&savedWork))
            SystemParametersInfoA(SPI_SETWORKAREA, 0, &savedWork, 0);
        if (coloursChanged)
            SetSysColors(2, colourIds, savedColours);
        dropQueuedMessages();
    }

    // tooltip colours of our own, so that no other system colour (the
    // default ones are plain white and black) passes for them
    void setInfoColours(COLORREF background, COLORREF text)
    {
        savedColours[0] = GetSysColor(COLOR_INFOBK);
        savedColours[1] = GetSysColor(COLOR_INFOTEXT);
        COLORREF wanted[2] = {background, text};
        coloursChanged = SetSysColors(2, colourIds, wanted) != FALSE;
    }

    HWND makeWindow(DWORD exStyle, DWORD style, int x, int y, int w, int h)
    {
        HWND w2 = CreateWindowExA(exStyle, "STATIC", "fremd", style, x, y, w, h, NULL, NULL,
                                  hInst, NULL);
        others.push_back(w2);
        return w2;
    }

    RECT rect() const
    {
        RECT r;
        GetWindowRect(window, &r);
        return r;
    }

    JokeBubble* bubble = NULL;
    HWND window = NULL;
    RECT savedWork = {};
    std::vector<HWND> others;
    const INT colourIds[2] = {COLOR_INFOBK, COLOR_INFOTEXT};
    COLORREF savedColours[2] = {};
    bool coloursChanged = false;
};

TEST_F(BubbleTest, WindowClassStylesAndStartUpBanner)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ("MainWindow", name);
    EXPECT_EQ((ULONG_PTR)CS_SAVEBITS, GetClassLongPtrA(window, GCL_STYLE));
    EXPECT_EQ((ULONG_PTR)recordingProc, GetClassLongPtrA(window, GCLP_WNDPROC));
    EXPECT_EQ((ULONG_PTR)GetStockObject(NULL_BRUSH), GetClassLongPtrA(window, GCLP_HBRBACKGROUND));
    EXPECT_EQ((ULONG_PTR)LoadCursor(NULL, IDC_ARROW), GetClassLongPtrA(window, GCLP_HCURSOR));
    EXPECT_EQ(0u, GetClassLongPtrA(window, GCLP_HICON));
    EXPECT_EQ(0u, GetClassLongPtrA(window, GCL_CBWNDEXTRA));
    EXPECT_EQ(0u, GetClassLongPtrA(window, GCL_CBCLSEXTRA));

    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ("Grinsel", title);
    EXPECT_EQ(NULL, GetParent(window));
    EXPECT_EQ(NULL, GetWindow(window, GW_OWNER));
    EXPECT_EQ(NULL, GetMenu(window));

    // the system adds WS_CLIPSIBLINGS to every top-level window
    DWORD style = GetWindowLongA(window, GWL_STYLE) & ~WS_CLIPSIBLINGS;
    EXPECT_EQ((DWORD)(WS_POPUP | WS_VISIBLE), style) << std::hex << style;
    DWORD exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_EQ((DWORD)(WS_EX_TOOLWINDOW | WS_EX_TOPMOST), exStyle) << std::hex << exStyle;

    // the banner: visible at once, three lines, the first and last known
    EXPECT_TRUE(IsWindowVisible(window));
    Size banner = windowSize(window);
    EXPECT_EQ(bubbleSizeFor("Grinsel 1.0\nx\nDeutsche Version").h, banner.h);
    EXPECT_GE(banner.w, bubbleSizeFor("Grinsel 1.0\nDeutsche Version").w);

    bubble->hide();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ((DWORD)WS_POPUP, GetWindowLongA(window, GWL_STYLE) & ~WS_CLIPSIBLINGS);
    bubble->showNoActivate();
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(BubbleTest, OutlineIsBodyPlusTailAroundTheMeasuredText)
{
    // one line, several lines, a body wider than 400, ampersands as text
    const char* texts[] = {
        "Kurz und knapp.",
        "Fragt der Lehrer: Wer war das?\nSagt Fritzchen:\n\nIch nicht!",
        "Ein langer Witz ohne jeden Zeilenumbruch, der nicht umbrochen wird.",
        "Tom && Jerry & Co",
    };
    // with prefix processing the ampersands would measure differently
    RECT prefixed = {0, 0, 0, 0};
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, texts[3], -1, &prefixed, DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    ASSERT_NE(measureText(texts[3]).w, prefixed.right);
    ASSERT_GT(bubbleSizeFor(texts[2]).w, px(400));

    for (const char* text : texts) {
        SCOPED_TRACE(text);
        bubble->setText(text);
        Size measured = measureText(text);
        Size box = bubbleSizeFor(text);
        EXPECT_EQ(box.w, windowSize(window).w);
        EXPECT_EQ(box.h, windowSize(window).h);

        HRGN actual = CreateRectRgn(0, 0, 0, 0);
        ASSERT_EQ(COMPLEXREGION, GetWindowRgn(window, actual));
        HRGN body = NULL;
        HRGN expected = expectedOutline(measured, &body);
        EXPECT_TRUE(EqualRgn(expected, actual));
        RECT bounds;
        GetRgnBox(actual, &bounds);
        EXPECT_EQ(0, bounds.left);
        EXPECT_EQ(0, bounds.top);
        EXPECT_EQ(box.w, bounds.right);
        EXPECT_EQ(box.h, bounds.bottom);

        // the tail: a horn outside the body's lower-right curve, reaching
        // the bottom rows between 30 and 50 pixels left of the right edge
        int tailPoints = 0;
        for (int y = box.h - px(4); y < box.h; ++y)
            for (int x = box.w - px(50); x <= box.w - px(28); ++x)
                tailPoints += PtInRegion(actual, x, y) && !PtInRegion(body, x, y);
        EXPECT_GT(tailPoints, 0);
        // and nothing to the right of it down there
        EXPECT_FALSE(PtInRegion(actual, box.w - px(5), box.h - px(2)));
        DeleteObject(expected);
        DeleteObject(body);
        DeleteObject(actual);
    }
}

TEST_F(BubbleTest, SitsAtTheLowerRightOfTheWorkAreaAndTopmost)
{
    RECT work = workArea();
    // the desktop of the tests: 800x600 with the taskbar at the bottom
    RECT taskbar = {};
    GetWindowRect(FindWindowA("Shell_TrayWnd", NULL), &taskbar);
    EXPECT_EQ(0, work.left);
    EXPECT_EQ(0, work.top);
    EXPECT_EQ(800, work.right);
    EXPECT_EQ(600, taskbar.bottom);
    EXPECT_EQ(taskbar.top, work.bottom);

    bubble->setText("Was ist gelb und kann nicht schwimmen?\nEin Bagger.");
    RECT r = rect();
    EXPECT_EQ(work.right - px(4), r.right);
    EXPECT_EQ(work.bottom, r.bottom);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

    // a single word too wide for the screen is not broken: the left part
    // lies off screen, the right edge stays where it was
    std::string wide(400, 'W');
    bubble->setText(wide.c_str());
    r = rect();
    EXPECT_LT(r.left, 0);
    EXPECT_EQ(work.right - px(4), r.right);
    EXPECT_EQ(work.bottom, r.bottom);
    EXPECT_EQ(bubbleSizeFor(wide.c_str()).w, r.right - r.left);
    // still one line high
    EXPECT_EQ(bubbleSizeFor("W").h, r.bottom - r.top);
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(BubbleTest, PlaceFollowsTheWorkAreaAndStaysHiddenWhenItMoves)
{
    bubble->setText("Kommt ein Pferd in die Bar.");
    RECT before = rect();
    ASSERT_TRUE(IsWindowVisible(window));

    // unchanged work area: nothing at all happens
    seen.clear();
    bubble->place();
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(IsWindowVisible(window));

    // the taskbar at the top and narrower: still the lower-right corner
    RECT moved = {0, 40, 700, 600};
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWORKAREA, 0, &moved, 0));
    RECT now = workArea();
    ASSERT_TRUE(EqualRect(&moved, &now));
    bubble->place();
    RECT r = rect();
    EXPECT_EQ(700 - px(4), r.right);
    EXPECT_EQ(600, r.bottom);
    EXPECT_EQ(before.right - before.left, r.right - r.left);
    EXPECT_EQ(before.bottom - before.top, r.bottom - r.top);
    EXPECT_FALSE(IsWindowVisible(window));

    // a second notification changes nothing and shows nothing
    seen.clear();
    bubble->place();
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(IsWindowVisible(window));

    bubble->setText("Kommt ein Pferd in die Bar.");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(700 - px(4), rect().right);
}

TEST_F(BubbleTest, TextOfTheSameSizeHidesAndShowsWithoutMovingOrReordering)
{
    const char* first = "Hallo Welt";
    const char* second = "Welt Hallo";
    ASSERT_EQ(measureText(first).w, measureText(second).w);
    bubble->setText(first);
    RECT before = rect();

    // (showing a hidden window raises it within its band anyway, so the
    // requests are what tells a re-order into the topmost band)
    seen.clear();
    bubble->setText(second);
    EXPECT_EQ(0, movesOrResizes());
    EXPECT_EQ(0, topmostRequests());
    RECT after = rect();
    EXPECT_TRUE(EqualRect(&before, &after));
    std::vector<WPARAM> shows = showWindowLog();
    ASSERT_EQ(2u, shows.size());
    EXPECT_EQ((WPARAM)FALSE, shows[0]);
    EXPECT_EQ((WPARAM)TRUE, shows[1]);
    EXPECT_TRUE(IsWindowVisible(window));

    // a text of another size is placed anew: put into the topmost band
    // and moved, hidden all the while
    seen.clear();
    bubble->setText("Hallo Welt, da bin ich wieder");
    EXPECT_GT(movesOrResizes(), 0);
    EXPECT_EQ(1, topmostRequests());
    shows = showWindowLog();
    ASSERT_FALSE(shows.empty());
    EXPECT_EQ((WPARAM)FALSE, shows.front());
    EXPECT_EQ((WPARAM)TRUE, shows.back());
    EXPECT_EQ(before.right, rect().right);
    EXPECT_EQ(before.bottom, rect().bottom);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(BubbleTest, ShowingNeverTakesTheFocus)
{
    HWND mine = makeWindow(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200);
    SetForegroundWindow(mine);
    SetActiveWindow(mine);
    SetFocus(mine);
    ASSERT_EQ(mine, GetForegroundWindow());
    ASSERT_EQ(mine, GetActiveWindow());
    ASSERT_EQ(mine, GetFocus());

    // shown while visible, shown from hidden, and placed anew
    bubble->setText("Erster Witz");
    bubble->hide();
    bubble->setText("Zweiter Witz, ein bisschen l\xe4nger");
    bubble->showNoActivate();

    EXPECT_EQ(mine, GetForegroundWindow());
    EXPECT_EQ(mine, GetActiveWindow());
    EXPECT_EQ(mine, GetFocus());
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(BubbleTest, PaintsItsOwnCopyOfTheTextInInfoColoursWithABlackFrame)
{
    char buffer[] = "Hallo Welt";
    const char* other = "Welt Hallo";
    ASSERT_EQ(measureText(buffer).w, measureText(other).w);
    const COLORREF background = RGB(255, 250, 160);
    const COLORREF ink = RGB(0, 0, 160);
    const COLORREF black = RGB(0, 0, 0);
    setInfoColours(background, ink);
    ASSERT_EQ(background, GetSysColor(COLOR_INFOBK));

    bubble->setText(buffer);
    UpdateWindow(window);
    Pixels shown = captureWindow(window);
    Size box = bubbleSizeFor(buffer);
    ASSERT_EQ(box.w, shown.w);
    ASSERT_EQ(box.h, shown.h);

    // the frame: two pixels (three at 150 %) along the outline, at the top,
    // left and bottom; inside it the info background, up to the text
    const int frame = px(2);
    for (int i = 0; i < frame; ++i) {
        EXPECT_EQ(black, shown.at(box.w / 2, i)) << i;
        EXPECT_EQ(black, shown.at(i, box.h / 2)) << i;
        EXPECT_EQ(black, shown.at(box.w / 2, box.h - 1 - i)) << i;
    }
    EXPECT_EQ(background, shown.at(box.w / 2, frame));
    EXPECT_EQ(background, shown.at(frame, box.h / 2));
    EXPECT_EQ(background, shown.at(box.w / 2, box.h - 1 - frame));
    // the text in the info text colour, inside the margins only
    Size text = measureText(buffer);
    int mx = text.w / 10 + px(20), my = text.h / 10 + px(20);
    int inside = 0, outside = 0;
    for (int y = 0; y < box.h; ++y)
        for (int x = 0; x < box.w; ++x) {
            bool inText = x >= mx && x < mx + text.w && y >= my && y < my + text.h;
            (inText ? inside : outside) += shown.at(x, y) == ink;
        }
    EXPECT_GT(inside, 10);
    EXPECT_EQ(0, outside);

    // the caller reuses its buffer: a repaint still shows the old text
    std::memcpy(buffer, other, sizeof buffer);
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(captureWindow(window) == shown);

    // while the new text, given to the bubble, looks different
    bubble->setText(buffer);
    UpdateWindow(window);
    EXPECT_FALSE(captureWindow(window) == shown);
    // in a contrast theme the window colour instead
    bubble->setContrastTheme(true);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), captureWindow(window).at(box.w / 2, frame));
}

// leftmost and rightmost column of ink in rows top..bottom-1, or -1
std::pair<int, int> inkColumns(const Pixels& p, COLORREF ink, int top, int bottom)
{
    int left = -1, right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < p.w; ++x)
            if (p.at(x, y) == ink) {
                if (left < 0 || x < left)
                    left = x;
                right = x > right ? x : right;
            }
    return std::make_pair(left, right);
}

// the same text drawn left-aligned into a bitmap of its own: where its ink
// lies, relative to the text's left edge
std::pair<int, int> referenceInk(const char* text, COLORREF background, COLORREF ink, int rows)
{
    Size size = measureText(text);
    HDC screen = GetDC(NULL);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.w, size.h);
    HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    HGDIOBJ oldFont = SelectObject(mem, GetStockObject(DEFAULT_GUI_FONT));
    RECT all = {0, 0, size.w, size.h};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(mem, &all, brush);
    DeleteObject(brush);
    SetTextColor(mem, ink);
    SetBkColor(mem, background);
    DrawTextA(mem, text, -1, &all, DT_NOPREFIX);
    Pixels p = capture(mem, 0, 0, size.w, size.h);
    SelectObject(mem, oldFont);
    SelectObject(mem, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    return inkColumns(p, ink, 0, rows);
}

TEST_F(BubbleTest, LinesAreCentredAndAmpersandsAreText)
{
    const COLORREF background = RGB(255, 250, 160);
    const COLORREF ink = RGB(0, 0, 160);
    setInfoColours(background, ink);

    // with prefix processing "&&" would shrink to "&" and the line, drawn
    // centred, would move right
    const char* ampersands = "Hans && Jerry &&& HH";
    bubble->setText(ampersands);
    UpdateWindow(window);
    Size text = measureText(ampersands);
    int mx = text.w / 10 + px(20), my = text.h / 10 + px(20);
    std::pair<int, int> ends = inkColumns(captureWindow(window), ink, my, my + text.h);
    std::pair<int, int> want = referenceInk(ampersands, background, ink, text.h);
    ASSERT_GE(want.first, 0);
    EXPECT_EQ(mx + want.first, ends.first);
    EXPECT_EQ(mx + want.second, ends.second);

    // a short line over a long one sits in the middle
    const char* lines = "ii\nHallo Welt, hallo Welt";
    bubble->setText(lines);
    UpdateWindow(window);
    text = measureText(lines);
    Size line = measureText("ii");
    mx = text.w / 10 + px(20);
    my = text.h / 10 + px(20);
    ends = inkColumns(captureWindow(window), ink, my, my + line.h);
    want = referenceInk("ii", background, ink, line.h);
    int indent = mx + (text.w - line.w) / 2;
    EXPECT_EQ(indent + want.first, ends.first);
    EXPECT_EQ(indent + want.second, ends.second);
}

TEST_F(BubbleTest, EmptyTextIsShownLikeAnyOther)
{
    bubble->hide();
    bubble->setText("");
    EXPECT_TRUE(IsWindowVisible(window));
    Size box = bubbleSizeFor("");
    EXPECT_EQ(box.w, windowSize(window).w);
    EXPECT_EQ(box.h, windowSize(window).h);
    EXPECT_EQ(workArea().right - px(4), rect().right);
}

TEST_F(BubbleTest, ShortTextsStillMakeASmallBubbleAtTheCorner)
{
    // texts of at most 40 pixels leave the tail's rectangles without width
    // every width from a few pixels to well past the tail's limit
    std::vector<std::string> texts = {"Kurz.", "Ja", "x", "Na?", "Oha!", "Hm"};
    for (int n = 1; n <= 40; ++n)
        texts.push_back(std::string(n, 'i'));
    for (int round = 0; round < 4; ++round)
        for (const std::string& t : texts) {
            const char* text = t.c_str();
            bubble->setText(text);
            RECT r = rect();
            EXPECT_TRUE(IsWindowVisible(window)) << text;
            EXPECT_EQ(workArea().right - px(4), r.right) << text;
            EXPECT_EQ(workArea().bottom, r.bottom) << text;
            EXPECT_LT(r.right - r.left, px(200)) << text;
            EXPECT_LT(r.bottom - r.top, px(120)) << text;
        }
}

TEST_F(BubbleTest, Utf8TextsLookLikeTheirWindows1252Twins)
{
    // read as ANSI the UTF-8 bytes would show as other, wider letters; a
    // lone 0xE4 before ASCII is no UTF-8, so the first stays ANSI
    const char* ansi = "K\xe4se f\xfcr \xd6sterreich? Gr\xfc\xdf" "e!";
    const char* utf8 = "K\xc3\xa4se f\xc3\xbcr \xc3\x96sterreich? Gr\xc3\xbc\xc3\x9f" "e!";
    const std::string marked = std::string("\xef\xbb\xbf") + utf8;
    ASSERT_NE(measureText(ansi).w, measureText(utf8).w);
    bubble->setText(ansi);
    UpdateWindow(window);
    Pixels shown = captureWindow(window);
    EXPECT_EQ(bubbleSizeFor(ansi).w, shown.w);
    for (const char* text : {utf8, marked.c_str()}) {
        bubble->setText(text);
        UpdateWindow(window);
        EXPECT_TRUE(captureWindow(window) == shown) << text;
    }
}

TEST_F(BubbleTest, TextsTooWideForTheWorkAreaBreakAtBlanks)
{
    RECT work = workArea();
    const int room = work.right - work.left - px(4);
    // a line exactly as wide as fits stays a line: words, then "a"s past the
    // limit and "b"s, a pixel narrower each at 96 DPI, back to it (at other
    // scales as near to it as the letters' widths allow)
    std::string text = "Treffen sich zwei J\xe4ger im Wald.";
    while (bubbleSizeFor(text.c_str()).w < room - 100)
        text += " Wald.";
    for (text += ' '; bubbleSizeFor(text.c_str()).w < room;)
        text += 'a';
    for (size_t i = text.size() - 1; text[i] == 'a' && bubbleSizeFor(text.c_str()).w > room; --i)
        text[i] = 'b';
    while (bubbleSizeFor(text.c_str()).w > room)
        text.pop_back();
    for (const char* narrow : {"i", "'"})
        while (bubbleSizeFor((text + narrow).c_str()).w <= room)
            text += narrow;
    const int width = bubbleSizeFor(text.c_str()).w;
    ASSERT_GE(width, px(4) == 4 ? room : room - 5);
    bubble->setText(text.c_str());
    EXPECT_EQ(work.right - px(4) - width, rect().left);
    EXPECT_EQ(bubbleSizeFor("x").h, windowSize(window).h);
    // a pixel more, and its last word goes to a second line
    bubble->setText((text + 'a').c_str());
    EXPECT_EQ(bubbleSizeFor("x\nx").h, windowSize(window).h);

    // one line of 400 characters: all of it inside the text's room
    const COLORREF ink = RGB(0, 0, 160);
    setInfoColours(RGB(255, 250, 160), ink);
    std::string joke;
    while (joke.size() < 400)
        joke += "Herr Doktor, ich sehe \xfc" "berall kleine gr\xfcne M\xe4nnchen! ";
    joke.resize(joke.rfind(' ', 400));
    bubble->setText(joke.c_str());
    UpdateWindow(window);
    EXPECT_GE(rect().left, work.left);
    Pixels shown = captureWindow(window);
    const RECT& area = bubble->textArea();
    std::pair<int, int> ends = inkColumns(shown, ink, 0, shown.h);
    EXPECT_GE(ends.first, area.left);
    EXPECT_LT(ends.second, area.right);
    EXPECT_GE(inkColumns(shown, ink, area.bottom - measureText("x").h, area.bottom).first, 0);
    EXPECT_EQ(-1, inkColumns(shown, ink, area.bottom, shown.h).first);
}

}  // namespace

namespace {

// the size of a bubble for a wide text whose lines break at blanks where
// the bubble would be wider than the work area, as wide as it still fits
Size wrappedBubbleSize(const std::wstring& text)
{
    int room = workArea().right - workArea().left - px(4);
    int fit = room;
    for (HRGN body = NULL; fit > 0; --fit) {
        body = expectedOutline(Size{fit, 0});
        RECT box;
        GetRgnBox(body, &box);
        DeleteObject(body);
        if (box.right <= room)
            break;
    }
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX);
    if (r.right > fit) {
        SetRect(&r, 0, 0, fit, 0);
        DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK | DT_CENTER);
    }
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    HRGN outline = expectedOutline(Size{r.right, r.bottom});
    RECT box;
    GetRgnBox(outline, &box);
    DeleteObject(outline);
    return Size{box.right, box.bottom};
}

}  // namespace

TEST_F(BubbleTest, TextsTooTallForTheWorkAreaShowTheirStartAndAnEllipsis)
{
    const RECT work = workArea();
    const int room = work.bottom - work.top;
    // 80 short lines: the most that fit with a last line "..." (0x85 in
    // Windows-1252) are shown, exactly as if that were the text
    std::vector<std::string> lines;
    for (int i = 1; i <= 80; ++i)
        lines.push_back("Zeile " + std::to_string(i) + " von achtzig");
    auto firstLines = [&](size_t n, bool ellipsis) {
        std::string s;
        for (size_t i = 0; i < n; ++i)
            s += (i ? "\n" : "") + lines[i];
        return ellipsis ? s + "\n\x85" : s;
    };
    size_t n = lines.size();
    while (n > 0 && bubbleSizeFor(firstLines(n, true).c_str()).h > room)
        --n;
    ASSERT_GT(n, 10u);
    bubble->setText(firstLines(n, true).c_str());
    UpdateWindow(window);
    Pixels expected = captureWindow(window);
    RECT expectedRect = rect();
    EXPECT_EQ(work.bottom, expectedRect.bottom);
    EXPECT_GE(expectedRect.top, work.top);

    bubble->setText(firstLines(lines.size(), false).c_str());
    UpdateWindow(window);
    RECT r = rect();
    EXPECT_TRUE(EqualRect(&expectedRect, &r));
    EXPECT_TRUE(captureWindow(window) == expected);

    // the most lines that fit as they are stay as they are; one more is cut
    size_t whole = n;
    while (bubbleSizeFor(firstLines(whole + 1, false).c_str()).h <= room)
        ++whole;
    bubble->setText(firstLines(whole, false).c_str());
    EXPECT_EQ(bubbleSizeFor(firstLines(whole, false).c_str()).h, windowSize(window).h);
    EXPECT_EQ(std::wstring(bubble->shownText()).find(L'\x2026'), std::wstring::npos);
    bubble->setText(firstLines(whole + 1, false).c_str());
    EXPECT_EQ(bubbleSizeFor(firstLines(n, true).c_str()).h, windowSize(window).h);

    // one paragraph far too tall even when wrapped: cut at the last blank
    // at which it still fits, never within a word
    std::string paragraph;
    while (paragraph.size() < 12000)
        paragraph += "Kommt ein Mann zum Arzt und sagt: Herr Doktor, mir tut alles weh. ";
    bubble->setText(paragraph.c_str());
    std::wstring shown = bubble->shownText();
    ASSERT_GT(shown.size(), 2u);
    EXPECT_GE(rect().top, work.top);
    EXPECT_EQ(work.bottom, rect().bottom);
    EXPECT_EQ(L"\n\x2026", shown.substr(shown.size() - 2));
    std::wstring start = shown.substr(0, shown.size() - 2);
    std::wstring whole16(paragraph.begin(), paragraph.end());
    ASSERT_EQ(0u, whole16.find(start));
    EXPECT_EQ(L' ', whole16[start.size()]);
    EXPECT_EQ(wrappedBubbleSize(shown).h, windowSize(window).h);
    size_t next = whole16.find(L' ', start.size() + 1);
    EXPECT_GT(wrappedBubbleSize(whole16.substr(0, next) + L"\n\x2026").h, room);
}
