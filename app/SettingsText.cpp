#include "app/SettingsText.h"

#include <limits.h>
#include <stdio.h>
#include <string.h>

int formatSettings(char* out, size_t outSize, const char* path,
                   int showSeconds, int pauseSeconds)
{
    int length = snprintf(out, outSize, "%s %d %d", path, showSeconds, pauseSeconds);
    if (length < 0 || (size_t)length >= outSize)
        return -1;
    return length;
}

// a decimal int with an optional sign, nothing else, in range
static bool parseNumber(const char* begin, const char* end, int* value)
{
    const char* p = begin;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+'))
        negative = *p++ == '-';
    if (p == end)
        return false;
    long long number = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        number = number * 10 + (*p - '0');
        if (number > (long long)INT_MAX + 1)
            return false;
    }
    if (negative)
        number = -number;
    if (number < INT_MIN || number > INT_MAX)
        return false;
    *value = (int)number;
    return true;
}

// the token that ends at end: [*begin, end); returns false at the text start
static bool lastToken(const char* text, const char* end, const char** begin)
{
    const char* p = end;
    while (p > text && p[-1] != ' ')
        --p;
    if (p == text)
        return false;  // no blank before it: it is part of the path
    *begin = p;
    return true;
}

void splitSettings(const char* text, SettingsText* result)
{
    result->hasShowSeconds = false;
    result->hasPauseSeconds = false;
    result->showSeconds = 0;
    result->pauseSeconds = 0;

    const char* pathEnd = text + strlen(text);
    int numbers[2];
    int found = 0;
    const char* end = pathEnd;
    const char* begin;
    while (found < 2 && lastToken(text, end, &begin) && parseNumber(begin, end, &numbers[found])) {
        ++found;
        end = begin - 1;  // the blank before the number
        pathEnd = end;
    }
    if (found == 2) {
        result->hasShowSeconds = result->hasPauseSeconds = true;
        result->showSeconds = numbers[1];
        result->pauseSeconds = numbers[0];
    } else if (found == 1) {
        result->hasShowSeconds = true;
        result->showSeconds = numbers[0];
    }

    size_t length = (size_t)(pathEnd - text);
    if (length >= sizeof result->path)
        length = sizeof result->path - 1;
    memcpy(result->path, text, length);
    result->path[length] = '\0';
}
