#include "ui/Autostart.h"

#include <windows.h>
#include <shlobj.h>

#include "app/SystemLibrary.h"

// the shortcut's path; with create, a missing Startup folder is made
static bool startupLink(wchar_t* path, bool create)
{
    typedef HRESULT(WINAPI * FolderPathProc)(HWND, int, HANDLE, DWORD, LPWSTR);
    FolderPathProc folderPath = (FolderPathProc)systemFunction("shell32.dll", "SHGetFolderPathW");
    int folder = CSIDL_STARTUP | (create ? CSIDL_FLAG_CREATE : 0);
    if (!folderPath || FAILED(folderPath(NULL, folder, NULL, SHGFP_TYPE_CURRENT, path)))
        return false;
    static const wchar_t NAME[] = L"\\Grinsel.lnk";
    if (lstrlenW(path) + lstrlenW(NAME) >= MAX_PATH)
        return false;
    lstrcatW(path, NAME);
    return true;
}

// the shell's link object, loaded from the file at path if one is given
static IShellLinkW* openLink(const wchar_t* path, IPersistFile** file)
{
    IShellLinkW* link;
    if (FAILED(comCreate(CLSID_ShellLink, IID_IShellLinkW, (void**)&link)))
        return NULL;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)file))) {
        if (!path || SUCCEEDED((*file)->Load(path, STGM_READ)))
            return link;
        (*file)->Release();
    }
    link->Release();
    return NULL;
}

bool autostartOn()
{
    wchar_t path[MAX_PATH], target[MAX_PATH], self[MAX_PATH];
    // no shortcut, no need for COM: this runs whenever a menu opens
    if (!startupLink(path, false) || GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES
        || !GetModuleFileNameW(NULL, self, MAX_PATH) || !comBegin())
        return false;
    bool ours = false;
    IPersistFile* file;
    if (IShellLinkW* link = openLink(path, &file)) {
        ours = SUCCEEDED(link->GetPath(target, MAX_PATH, NULL, 0)) && !lstrcmpiW(target, self);
        file->Release();
        link->Release();
    }
    comEnd();
    return ours;
}

bool setAutostart(bool on)
{
    wchar_t path[MAX_PATH], self[MAX_PATH], folder[MAX_PATH];
    if (!startupLink(path, on))
        return false;
    if (!on)
        return DeleteFileW(path) != FALSE;

    // the working directory is today's: the default joke file and every
    // relative path resolve against it
    if (!GetModuleFileNameW(NULL, self, MAX_PATH) || !GetCurrentDirectoryW(MAX_PATH, folder)
        || !comBegin())
        return false;
    bool saved = false;
    IPersistFile* file;
    if (IShellLinkW* link = openLink(NULL, &file)) {
        saved = SUCCEEDED(link->SetPath(self)) && SUCCEEDED(link->SetWorkingDirectory(folder))
                && SUCCEEDED(link->SetArguments(L"")) && SUCCEEDED(link->SetDescription(L"Grinsel"))
                && SUCCEEDED(file->Save(path, TRUE));
        file->Release();
        link->Release();
    }
    comEnd();
    return saved;
}
