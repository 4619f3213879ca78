// Functions of system libraries that are loaded at first use, not at start:
// the shell, the common dialogs, COM. Each library is looked up by its bare
// name, so it comes from wherever the process lets libraries come from.
#ifndef GRINSEL_SYSTEMLIBRARY_H
#define GRINSEL_SYSTEMLIBRARY_H

#include <windows.h>

// the function, or NULL if the library or the function is missing
FARPROC systemFunction(const char* library, const char* name);

// COM on this thread, around one piece of work or for the rest of the run:
// every comBegin that returns true is paired with one comEnd. Calls nest,
// with each other and with whatever else initialises COM on the thread.
bool comBegin();
void comEnd();
HRESULT comCreate(REFCLSID clsid, REFIID iid, void** object);

#endif
