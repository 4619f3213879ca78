// The settings dialog: joke file and both intervals. It keeps nothing of its
// own; every opening reads the controller afresh.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <new>
#include <string.h>

#include "app/SystemLibrary.h"
#include "app/TrayApp.h"
#include "res/resource.h"
#include "ui/Dialogs.h"

enum { PATH_BUFFER = 1024 };

// file names differ only in A..Z case for the file system; umlauts must match
static bool equalsIgnoringAsciiCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z')
            x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z')
            y += 'a' - 'A';
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}

void fillJokeFileList(HWND dialog, const char* path)
{
    char* buffer = new (std::nothrow) char[PATH_BUFFER];
    if (!buffer)
        return;
    lstrcpyA(buffer, "Witze\\*.TXT");
    for (char* p = buffer; *p; ++p)
        if (*p >= 'A' && *p <= 'Z')
            *p += 'a' - 'A';

    // folders ending in .txt are listed too, as the user sees them
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(buffer, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            lstrcpyA(buffer, "Witze\\");
            lstrcpynA(buffer + 6, found.cFileName, PATH_BUFFER - 6);
            SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_ADDSTRING, 0, (LPARAM)buffer);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }

    for (int i = 0; SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_GETLBTEXT, i, (LPARAM)buffer) != CB_ERR; ++i)
        if (equalsIgnoringAsciiCase(buffer, path))
            SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_SETCURSEL, i, 0);
    delete[] buffer;
}

// the common dialogs and the shell are loaded at first use, not at start
static BOOL getOpenFileName(OPENFILENAMEA* ofn)
{
    typedef BOOL(WINAPI * OpenFileNameProc)(OPENFILENAMEA*);
    OpenFileNameProc open = (OpenFileNameProc)systemFunction("comdlg32.dll", "GetOpenFileNameA");
    return open ? open(ofn) : FALSE;
}

// true if the shell started something (it answers above 32 then)
static bool shellExecute(HWND owner, const char* operation, const char* file,
                         const char* parameters, const char* directory, int show)
{
    typedef HINSTANCE(WINAPI * ShellExecuteProc)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    ShellExecuteProc execute = (ShellExecuteProc)systemFunction("shell32.dll", "ShellExecuteA");
    return execute && (INT_PTR)execute(owner, operation, file, parameters, directory, show) > 32;
}

static void showPath(HWND dialog, const char* path)
{
    SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_RESETCONTENT, 0, 0);
    SetDlgItemTextA(dialog, IDC_JOKEFILE, path);
    SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_SETCURSEL, 0, 0);
    fillJokeFileList(dialog, path);
    // selecting in an empty list may clear the edit field; what is applied
    // is the field's text, so it must hold the path when no entry does
    if (SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_GETCURSEL, 0, 0) == CB_ERR)
        SetDlgItemTextA(dialog, IDC_JOKEFILE, path);
}

static void onInitDialog(HWND dialog)
{
    showPath(dialog, theApp->jokes->path());
    SetDlgItemInt(dialog, IDC_SHOWSECONDS, (UINT)theApp->showSeconds, FALSE);
    SetDlgItemInt(dialog, IDC_PAUSESECONDS, (UINT)theApp->pauseSeconds, FALSE);
    SetFocus(dialog);
}

static void apply(HWND dialog)
{
    char* buffer = new (std::nothrow) char[PATH_BUFFER];
    if (buffer) {
        GetDlgItemTextA(dialog, IDC_JOKEFILE, buffer, PATH_BUFFER);
        theApp->applyJokeFile(buffer);
        delete[] buffer;
    }
    // empty or no number gives 0, which is stored like any other value
    theApp->showSeconds = (int)GetDlgItemInt(dialog, IDC_SHOWSECONDS, NULL, FALSE);
    theApp->pauseSeconds = (int)GetDlgItemInt(dialog, IDC_PAUSESECONDS, NULL, FALSE);
}

static void browse(HWND dialog)
{
    char* buffer = new (std::nothrow) char[PATH_BUFFER];
    if (!buffer)
        return;
    lstrcpynA(buffer, theApp->jokes->path(), PATH_BUFFER);

    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof ofn);
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = "Textdateien\0*.TXT\0";  // the literal adds the last zero
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = PATH_BUFFER;
    // the joke folder and relative joke files are found from the current
    // folder, which the dialog would otherwise leave where the user browsed
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    // shown only; "OK" or "Uebernehmen" loads it
    if (getOpenFileName(&ofn))
        showPath(dialog, buffer);
    delete[] buffer;
}

void editorParameter(const char* path, char* out, size_t outSize)
{
    // a path with blanks would reach the word processor as several words
    if (outSize < 3 || !strchr(path, ' ')) {
        if (outSize)
            lstrcpynA(out, path, (int)outSize);
        return;
    }
    // by hand: wsprintfA knows no "*" precision and stops at 1024 bytes
    size_t length = strlen(path);
    if (length > outSize - 3)
        length = outSize - 3;
    out[0] = '"';
    memcpy(out + 1, path, length);
    out[length + 1] = '"';
    out[length + 2] = '\0';
}

static bool endsWithTxt(const char* path)
{
    size_t length = strlen(path);
    return length >= 4 && equalsIgnoringAsciiCase(path + length - 4, ".txt");
}

static void editJokeFile(HWND dialog)
{
    const char* path = theApp->jokes->path();
    char parameter[PATH_BUFFER + 2];
    editorParameter(path, parameter, sizeof parameter);
    if (shellExecute(dialog, "open", "wordpad", parameter, "", SW_SHOW))
        return;
    // newer systems lack the word processor: the text editor the user chose,
    // but only for text files, since a typed path may name a program
    if (endsWithTxt(path) && shellExecute(dialog, "open", path, NULL, "", SW_SHOW))
        return;
    shellExecute(dialog, "open", "notepad", parameter, "", SW_SHOW);
}

static BOOL onCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
        apply(dialog);
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_APPLY:
        apply(dialog);
        return FALSE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_BROWSE:
        browse(dialog);
        return FALSE;
    case IDC_EDITFILE:
        editJokeFile(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_INITDIALOG:
        // the opener's slot for the handle, to bring it to the front
        if (lParam)
            *(HWND*)lParam = dialog;
        onInitDialog(dialog);
        return FALSE;  // the focus stays on the dialog itself
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}
