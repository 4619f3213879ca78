// "Mit Windows starten": a shortcut to this program in the user's Startup
// folder, which the shell starts at logon.
#ifndef GRINSEL_AUTOSTART_H
#define GRINSEL_AUTOSTART_H

// the Startup folder holds "Grinsel.lnk" and it points at this program
bool autostartOn();

// creates (or replaces) the shortcut, or deletes it; false if that failed
bool setAutostart(bool on);

#endif
