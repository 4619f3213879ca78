#include <windows.h>

#include "ui/Dialogs.h"

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_INITDIALOG:
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
