// Whether a joke would pop up over something the user is absorbed in.
#ifndef GRINSEL_FULLSCREEN_H
#define GRINSEL_FULLSCREEN_H

#include <windows.h>

// a presentation, a full-screen program or game, the screen saver or a
// locked session, quiet time: the system says so, or the foreground window
// covers its monitor
bool userIsBusy();

// window is a program's window covering the whole of its monitor, and
// neither the desktop, a taskbar nor an ordinary maximised window
bool coversItsMonitor(HWND window);

#endif
