#ifndef GRINSEL_JOKEFILE_H
#define GRINSEL_JOKEFILE_H

#include <cstddef>

// One joke file on disk: jokes follow one another, each ended by a line
// that begins with "###". load() scans the file once for its counts;
// pick() reads it again up to a random joke. Nothing but the path, the
// counts and one text buffer is kept between calls.
class JokeFile {
public:
    JokeFile();
    virtual ~JokeFile();

    // Returns the number of jokes, or 0 if the file cannot be opened
    // (then nothing changes); opened, if given, tells the two zeros apart.
    int load(const char* path, bool* opened = nullptr);

    // A random joke, or the fixed fallback text; never null.
    const char* pick();

    const char* path() const { return filePath; }

    // Read-only views for tests and the benchmark.
    int count() const { return jokeCount; }
    int longestJoke() const { return maxJokeLines; }
    int longestLine() const { return maxLineLength; }
    std::size_t textCapacity() const { return textSize; }

    JokeFile(const JokeFile&) = delete;
    JokeFile& operator=(const JokeFile&) = delete;

private:
    int maxJokeLines;
    int maxLineLength;
    int jokeCount;
    char filePath[1024];
    char* jokeText;
    std::size_t textSize; // capacity of jokeText, terminating NUL included
};

#endif
