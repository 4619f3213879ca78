// The speech-bubble window at the lower-right corner of the work area.
#ifndef GRINSEL_JOKEBUBBLE_H
#define GRINSEL_JOKEBUBBLE_H

#include <windows.h>

class JokeBubble {
public:
    explicit JokeBubble(WNDPROC windowProc);
    virtual ~JokeBubble();

    void setText(const char* newText);
    void paint();
    // a contrast theme on or off: the window colours or the info colours
    // from now on, repainted at once
    void setContrastTheme(bool on);
    void place();
    void hide();
    void showNoActivate();
    HWND window() const { return hwnd; }

    // the window's class and title, by which a second start finds it
    static const char CLASS_NAME[];
    static const char TITLE[];

    const RECT& textArea() const { return textRect; }
    // the text as the bubble shows it now, in UTF-16
    const wchar_t* shownText() const { return cut ? cut : text; }

    // puts the last text given, whole, on the clipboard as Unicode text
    // with CR LF line ends; false if the clipboard could not be had
    bool copyText() const;

private:
    struct Placement {
        int x, y, width, height;
    };

    Placement placement;
    RECT textRect;
    HWND hwnd;
    HRGN outline;
    wchar_t* text;  // the last text given, whole
    wchar_t* cut;   // its start and a line "..." when too tall, or NULL
    int wrapWidth;  // lines broken at blanks to this width; 0: at line feeds only
    int dpi;        // the system's, read once at start
    bool contrast;  // a contrast theme is on
};

#endif
