#include <windows.h>

#include "ui/Dialogs.h"

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_INITDIALOG:
        // the opener's slot for the handle, to bring it to the front
        if (lParam)
            *(HWND*)lParam = dialog;
        SetFocus(dialog);
        return FALSE;
    case WM_COMMAND:
        // Escape sends IDCANCEL, which leaves the box open
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
