// Helpers for the in-process tests of the settings store and the dialogs:
// a scratch current folder with joke files, the settings key of this
// prefix's registry, and the real controller.
#ifndef GRINSEL_TESTS_DIALOGFIXTURE_H
#define GRINSEL_TESTS_DIALOGFIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/Settings.h"
#include "app/TrayApp.h"

namespace dialogfx {

// n jokes, each ended by its separator line
inline std::string jokeText(int n)
{
    std::string text;
    for (int i = 1; i <= n; ++i)
        text += "Witz " + std::to_string(i) + "\r\nPointe\r\n###\r\n";
    return text;
}

// removes a folder and everything in it; ANSI names as they are
inline void removeTree(const std::string& dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

// A fresh folder under the temporary folder that is the current folder
// while the object lives; relative joke paths resolve against it.
class ScratchFolder {
public:
    ScratchFolder()
    {
        char saved[MAX_PATH];
        GetCurrentDirectoryA(sizeof saved, saved);
        previous = saved;
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        for (int serial = 0; serial < 1000 && dir.empty(); ++serial) {
            std::string candidate = std::string(temp) + "grinsel-dlg-" +
                                    std::to_string(GetCurrentProcessId()) + "-" +
                                    std::to_string(serial);
            if (CreateDirectoryA(candidate.c_str(), NULL))
                dir = candidate;
        }
        if (!dir.empty())
            SetCurrentDirectoryA(dir.c_str());
    }
    ~ScratchFolder()
    {
        SetCurrentDirectoryA(previous.c_str());
        if (!dir.empty())
            removeTree(dir);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool ok() const { return !dir.empty(); }
    const std::string& path() const { return dir; }
    std::string full(const std::string& relative) const { return dir + "\\" + relative; }

    // relative to this folder, not to the current one
    bool makeDir(const std::string& relative) const
    {
        return CreateDirectoryA(full(relative).c_str(), NULL) != FALSE;
    }
    bool write(const std::string& relative, const std::string& bytes) const
    {
        HANDLE file = CreateFileA(full(relative).c_str(), GENERIC_WRITE, 0, NULL,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        BOOL done = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
        CloseHandle(file);
        return done && written == bytes.size();
    }
    bool append(const std::string& relative, const std::string& bytes) const
    {
        HANDLE file = CreateFileA(full(relative).c_str(), FILE_APPEND_DATA, 0, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        BOOL done = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
        CloseHandle(file);
        return done && written == bytes.size();
    }

private:
    std::string previous;
    std::string dir;
};

// the settings key of this prefix; the tests start and end without it
inline void deleteSettingsKey()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
}

// writes "Options" with the given type and exactly size bytes of data
inline bool writeOptions(DWORD type, const void* data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, NULL, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(key, SETTINGS_VALUE, 0, type, (const BYTE*)data, size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

inline bool writeOptions(const std::string& text)
{
    return writeOptions(REG_SZ, text.c_str(), (DWORD)text.size() + 1);
}

struct StoredValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::string bytes;  // exactly as many bytes as the registry reports
};

inline StoredValue readOptions()
{
    StoredValue v;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return v;
    char data[8192];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, SETTINGS_VALUE, NULL, &v.type, (BYTE*)data, &size) ==
        ERROR_SUCCESS) {
        v.found = true;
        v.bytes.assign(data, size);
    }
    RegCloseKey(key);
    return v;
}

// The real controller, reachable through theApp while it lives: bubble
// window, tray icon, menu, joke file and the stored settings.
class RealApp {
public:
    RealApp()
    {
        hInst = GetModuleHandleA(NULL);
        theApp = new TrayApp();
    }
    ~RealApp() { stop(); }
    RealApp(const RealApp&) = delete;
    RealApp& operator=(const RealApp&) = delete;

    // shut-down as at the program's end; saves the settings
    void stop()
    {
        delete theApp;
        theApp = NULL;
    }
    TrayApp* operator->() const { return theApp; }
};

// drains what is queued for this thread, so posted work gets done
inline void pumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

inline std::string itemText(HWND dialog, int id)
{
    char text[2048];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

inline std::string windowClass(HWND window)
{
    char name[64];
    GetClassNameA(window, name, sizeof name);
    return name;
}

}  // namespace dialogfx

#endif
