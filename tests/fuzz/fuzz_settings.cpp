// Splits arbitrary text as a stored settings value, then checks that what
// comes out formats back into a value that splits the same way.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "app/SettingsText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();  // the registry hands over text up to its first zero

    SettingsText first;
    splitSettings(text.c_str(), &first);
    if (strlen(first.path) >= sizeof first.path)
        abort();
    if (!first.hasShowSeconds && first.hasPauseSeconds)
        abort();

    if (first.hasShowSeconds && first.hasPauseSeconds && text.size() < 1023) {
        // whatever was read with both numbers is what the format writes back
        char out[SETTINGS_VALUE_SIZE];
        if (formatSettings(out, sizeof out, first.path, first.showSeconds, first.pauseSeconds) < 0)
            abort();
        SettingsText second;
        splitSettings(out, &second);
        if (strcmp(first.path, second.path) != 0 || second.showSeconds != first.showSeconds
            || second.pauseSeconds != first.pauseSeconds)
            abort();
    }
    return 0;
}
