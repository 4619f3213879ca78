#include "app/Settings.h"

#include <windows.h>
#include <new>

#include "app/SettingsText.h"
#include "app/TrayApp.h"

void loadSettings(TrayApp* app)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;

    // one byte more than we ask for, so that data stored without its
    // terminator still ends in one
    char value[SETTINGS_VALUE_SIZE + 1];
    DWORD type = REG_NONE;
    DWORD size = SETTINGS_VALUE_SIZE;
    LONG result = RegQueryValueExA(key, SETTINGS_VALUE, NULL, &type, (BYTE*)value, &size);
    RegCloseKey(key);

    // another type, or more than any value we write: treat as missing
    if (result != ERROR_SUCCESS || type != REG_SZ || size > SETTINGS_VALUE_SIZE)
        return;
    value[size] = '\0';

    SettingsText settings;
    splitSettings(value, &settings);
    if (settings.hasShowSeconds)
        app->showSeconds = settings.showSeconds;
    if (settings.hasPauseSeconds)
        app->pauseSeconds = settings.pauseSeconds;
    if (!settings.path[0])
        return;
    bool opened;
    app->jokes->load(settings.path, &opened);
    if (!opened) {
        // the default file's jokes meanwhile; the user's choice is kept
        int size = lstrlenA(settings.path) + 1;
        app->missingJokeFile = new (std::nothrow) char[size];
        if (app->missingJokeFile)
            lstrcpynA(app->missingJokeFile, settings.path, size);
    }
}

void saveSettings(TrayApp* app)
{
    HKEY key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, (LPSTR) "Grinsel",
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return;

    if (disposition == REG_CREATED_NEW_KEY || disposition == REG_OPENED_EXISTING_KEY) {
        char value[SETTINGS_VALUE_SIZE];
        int length = formatSettings(value, sizeof value, app->storedJokeFile(),
                                    app->showSeconds, app->pauseSeconds);
        if (length >= 0)
            RegSetValueExA(key, SETTINGS_VALUE, 0, REG_SZ, (const BYTE*)value, (DWORD)length + 1);
    }
    RegCloseKey(key);
}
