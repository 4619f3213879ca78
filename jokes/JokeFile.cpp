#include "JokeFile.h"

#include "Random.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

const char fallbackText[] = "Keine Witzdatei gefunden!";
const char defaultPath[] = "Witze\\Blondinen.txt";
const char emptyText[] = "";

const int maxLineChars = 1023;       // a longer line is read as several
const std::size_t lineWindow = 1024; // raw bytes of one line: 1023, or 1022 + CR LF
const std::size_t blockSize = 64 * 1024;

// Binary read; the line rules below are applied by hand so that both
// builds read the same bytes the same way. msvcrt's fopen lets others
// keep reading and writing, and refuses directories; glibc's opens them,
// so refuse them here too.
std::FILE* openJokeFile(const char* path)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return nullptr;
#ifndef _WIN32
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
#endif
    // fread then fills our block directly instead of going through a
    // second buffer.
    std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

bool isSeparator(const char* text, int length)
{
    return length >= 3 && text[0] == '#' && text[1] == '#' && text[2] == '#';
}

// Working buffer for one scan: a block plus room for the unfinished line
// carried over from the previous block, so every line is contiguous.
class LineBuffer {
public:
    LineBuffer() : data(static_cast<char*>(std::malloc(blockSize + lineWindow))) {}
    ~LineBuffer() { std::free(data); }
    LineBuffer(const LineBuffer&) = delete;
    LineBuffer& operator=(const LineBuffer&) = delete;
    char* data;
};

// Calls onLine(text, length) for each line of f until it returns false.
// text holds the line's usable characters with a CR LF ending already
// turned into one LF; length counts them. The reader may rewrite bytes of
// the current line in the buffer.
template <class OnLine>
void forEachLine(std::FILE* f, char* buf, OnLine onLine)
{
    const std::size_t none = SIZE_MAX;
    std::size_t pos = 0;      // unread bytes are buf[pos, end)
    std::size_t end = 0;
    std::size_t nul = none;   // first NUL in buf[pos, end), if any
    bool eof = false;

    for (;;) {
        if (!eof && end - pos < lineWindow) {
            std::size_t rest = end - pos;
            std::memmove(buf, buf + pos, rest);
            if (nul != none)
                nul -= pos;
            pos = 0;
            end = rest;
            std::size_t got = std::fread(buf + end, 1, blockSize, f);
            if (got < blockSize)
                eof = true; // a read error ends the file too
            // Ctrl-Z ends the file; it is rare, so one search per block.
            if (const void* z = std::memchr(buf + end, 26, got)) {
                got = static_cast<std::size_t>(static_cast<const char*>(z) - (buf + end));
                eof = true;
            }
            if (nul == none) {
                if (const void* z = std::memchr(buf + end, 0, got))
                    nul = static_cast<std::size_t>(static_cast<const char*>(z) - buf);
            }
            end += got;
        }
        if (pos == end)
            return;

        char* s = buf + pos;
        std::size_t avail = end - pos;
        std::size_t window = avail < lineWindow ? avail : lineWindow;
        std::size_t raw;   // bytes the line takes in the file
        std::size_t chars; // its characters after the CR LF rule
        if (const void* lf = std::memchr(s, '\n', window)) {
            std::size_t p = static_cast<std::size_t>(static_cast<const char*>(lf) - s);
            bool crlf = p > 0 && s[p - 1] == '\r';
            if (p < static_cast<std::size_t>(maxLineChars) || crlf) {
                raw = p + 1;
                chars = crlf ? p : p + 1;
                if (crlf)
                    s[p - 1] = '\n';
            } else {
                raw = chars = maxLineChars; // the LF starts the next line
            }
        } else {
            // No LF within reach: a full-length piece, or the file's last line.
            raw = chars = window < static_cast<std::size_t>(maxLineChars) ? window : maxLineChars;
        }

        std::size_t usable = chars;
        if (nul != none && nul < pos + raw && nul - pos < usable)
            usable = nul - pos;

        pos += raw;
        if (nul != none && nul < pos) {
            const void* z = std::memchr(buf + pos, 0, end - pos);
            nul = z ? static_cast<std::size_t>(static_cast<const char*>(z) - buf) : none;
        }
        if (!onLine(s, static_cast<int>(usable)))
            return;
    }
}

} // namespace

JokeFile::JokeFile()
    : maxJokeLines(0), maxLineLength(0), jokeCount(0), jokeText(nullptr), textSize(0)
{
    filePath[0] = '\0';
    load(defaultPath);
}

JokeFile::~JokeFile()
{
    std::free(jokeText);
}

int JokeFile::load(const char* path)
{
    // Paths are held in 1024 bytes; a longer one is refused like a file
    // that cannot be opened, rather than cut to a different path.
    if (!path || !std::memchr(path, '\0', sizeof filePath))
        return 0;
    std::FILE* f = openJokeFile(path);
    if (!f)
        return 0;
    LineBuffer work;
    if (!work.data) {
        std::fclose(f);
        return 0;
    }

    int count = 0;
    int longestJoke = 0;
    int longestLine = 0;
    int lines = 0;
    std::uint64_t charsRead = 0;
    forEachLine(f, work.data, [&](const char* text, int length) {
        charsRead += static_cast<unsigned>(length);
        if (length > longestLine)
            longestLine = length;
        if (isSeparator(text, length)) {
            if (count < INT_MAX)
                ++count;
            if (lines > longestJoke)
                longestJoke = lines;
            lines = 0;
        } else if (lines < INT_MAX) {
            ++lines;
        }
        return true;
    });
    std::fclose(f);

    jokeCount = count;
    maxJokeLines = longestJoke;
    maxLineLength = longestLine;
    std::memcpy(filePath, path, std::strlen(path) + 1);

    // No joke can hold more characters than the scan read, which keeps
    // the buffer small for files with one huge joke.
    std::uint64_t capacity = static_cast<std::uint64_t>(longestJoke) * static_cast<std::uint64_t>(longestLine) + 1;
    if (capacity > charsRead + 1)
        capacity = charsRead + 1;
    std::free(jokeText);
    jokeText = nullptr;
    textSize = 0;
    if (capacity <= SIZE_MAX) {
        jokeText = static_cast<char*>(std::malloc(static_cast<std::size_t>(capacity)));
        if (jokeText) {
            textSize = static_cast<std::size_t>(capacity);
            jokeText[0] = '\0';
        }
    }
    // Without a buffer pick() still works: it grows one as it needs.
    return jokeCount;
}

const char* JokeFile::pick()
{
    std::FILE* f = openJokeFile(filePath);
    if (!f)
        return fallbackText;
    LineBuffer work;
    if (jokeCount <= 0 || !work.data) {
        std::fclose(f);
        return fallbackText;
    }

    int k = nextRandom() % jokeCount;
    std::size_t length = 0;
    bool full = false;

    forEachLine(f, work.data, [&](const char* text, int lineLength) {
        if (isSeparator(text, lineLength))
            return --k >= 0;
        if (k != 0)
            return true;
        std::size_t n = static_cast<std::size_t>(lineLength);
        if (n + 1 > textSize - length) {
            // The file grew since it was loaded: make room, or cut the
            // joke where the buffer ends.
            std::size_t need = length + n + 1;
            std::size_t grown = textSize > SIZE_MAX / 2 ? SIZE_MAX : textSize * 2;
            if (grown < need)
                grown = need;
            char* bigger = static_cast<char*>(std::realloc(jokeText, grown));
            if (!bigger && grown != need)
                bigger = static_cast<char*>(std::realloc(jokeText, grown = need));
            if (bigger) {
                jokeText = bigger;
                textSize = grown;
            } else {
                n = textSize > length ? textSize - length - 1 : 0;
                full = true;
            }
        }
        if (n > 0)
            std::memcpy(jokeText + length, text, n);
        length += n;
        return !full;
    });
    std::fclose(f);

    if (!jokeText)
        return emptyText;
    while (length > 0 && (jokeText[length - 1] == '\n' || jokeText[length - 1] == '\r'))
        --length;
    jokeText[length] = '\0';
    return jokeText;
}
