// Dialog procedures of the settings dialog and the about box.
#ifndef GRINSEL_DIALOGS_H
#define GRINSEL_DIALOGS_H

#include <windows.h>

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void fillJokeFileList(HWND dialog, const char* path);

// the word processor's parameter text for a path (quoted when it has a blank)
void editorParameter(const char* path, char* out, size_t outSize);

#endif
