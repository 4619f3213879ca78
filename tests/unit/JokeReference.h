#pragma once

// A deliberately plain model of the joke file rules, one character at a
// time and with whole strings, to check the block reader against.

#include <string>
#include <vector>

struct ReferenceJokes {
    int count = 0;
    int longestJoke = 0;
    int longestLine = 0;
    long long bytesRead = 0;         // bytes before the first Ctrl-Z
    std::vector<std::string> jokes;  // texts as pick() returns them
    std::string tail;                // lines after the last separator, same form
};

inline std::string referenceTrim(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

inline ReferenceJokes referenceScan(const std::string& bytes)
{
    ReferenceJokes r;
    // Characters after the CR LF rule, up to the first Ctrl-Z.
    std::string chars;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == 26)
            break;
        ++r.bytesRead;
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue; // the LF that follows stands for both
        chars += c;
    }

    std::string joke;
    int lines = 0;
    std::string line;
    std::size_t i = 0;
    while (i < chars.size()) {
        line.clear();
        while (i < chars.size() && line.size() < 1023) {
            line += chars[i++];
            if (line.back() == '\n')
                break;
        }
        std::string usable = line.substr(0, line.find('\0'));
        int length = static_cast<int>(usable.size());
        if (length > r.longestLine)
            r.longestLine = length;
        if (usable.compare(0, 3, "###") == 0) {
            ++r.count;
            if (lines > r.longestJoke)
                r.longestJoke = lines;
            r.jokes.push_back(referenceTrim(joke));
            joke.clear();
            lines = 0;
        } else {
            ++lines;
            joke += usable;
        }
    }
    r.tail = referenceTrim(joke);
    return r;
}
