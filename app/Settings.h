// The settings that outlive a run: one registry value, read at start-up
// and written at shut-down.
#ifndef GRINSEL_SETTINGS_H
#define GRINSEL_SETTINGS_H

class TrayApp;

#define SETTINGS_KEY "SOFTWARE\\Morlando\\Grinsel"
#define SETTINGS_VALUE "Options"

void loadSettings(TrayApp* app);
void saveSettings(TrayApp* app);

#endif
