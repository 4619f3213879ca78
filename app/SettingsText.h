// The text of the stored settings: "<path> <showSeconds> <pauseSeconds>".
#ifndef GRINSEL_SETTINGSTEXT_H
#define GRINSEL_SETTINGSTEXT_H

#include <stddef.h>

enum {
    SETTINGS_PATH_SIZE = 1024,
    // the longest value we write: a 1023-character path, two blanks, two
    // numbers of up to 11 characters each and the terminator
    SETTINGS_VALUE_SIZE = 1023 + 1 + 11 + 1 + 11 + 1
};

struct SettingsText {
    char path[SETTINGS_PATH_SIZE];
    bool hasShowSeconds;
    int showSeconds;
    bool hasPauseSeconds;
    int pauseSeconds;
};

// Writes the value into out, returns its length without the terminator,
// or -1 if it does not fit into outSize bytes.
int formatSettings(char* out, size_t outSize, const char* path,
                   int showSeconds, int pauseSeconds);

// Splits a value from the right: the last two blank-separated tokens that
// are numbers are the intervals, everything before them is the path,
// blanks included. With one number it is the show interval; with none the
// whole text is the path.
void splitSettings(const char* text, SettingsText* result);

#endif
