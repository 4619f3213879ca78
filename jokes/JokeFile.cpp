#include "jokes/JokeFile.h"

#include "jokes/Random.h"

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

const std::size_t maxLineChars = 1023; // a longer line is read as several
const std::size_t lineWindow = 1024;   // raw bytes of one line: 1023, or 1022 + CR LF
const std::size_t blockSize = 64 * 1024;

// Index of the first byte below 0x20 in s[i, n), or n. LF, CR, NUL and
// Ctrl-Z are all such bytes and text has few others, so whole words are
// passed over at once: (w - 0x2020...) & ~w & 0x8080... marks bytes
// below 0x20, the lowest mark exactly (higher ones may come from its
// borrow), and on a little-endian machine the lowest is the first.
std::size_t findControl(const char* s, std::size_t i, std::size_t n)
{
    const std::size_t ones = ~std::size_t(0) / 255;
    const std::size_t one = 1;
    const bool littleEndian = *reinterpret_cast<const unsigned char*>(&one) == 1;
    for (; i + sizeof(std::size_t) <= n; i += sizeof(std::size_t)) {
        std::size_t w;
        std::memcpy(&w, s + i, sizeof w);
        std::size_t marks = (w - ones * 0x20) & ~w & ones * 0x80;
        if (marks != 0 && littleEndian) {
            // One 0x01 for each byte before the mark, summed into the top byte.
            std::size_t before = (((marks & (0 - marks)) >> 7) - 1) & ones;
            return i + (before * ones >> (sizeof(std::size_t) - 1) * 8);
        }
        if (marks != 0)
            break;
    }
    while (i < n && static_cast<unsigned char>(s[i]) >= 0x20)
        ++i;
    return i;
}

// Reads a joke file line by line through one block, refilled in 64 KiB
// steps; what is left of the block is moved to its front first, so every
// line is contiguous. The file is read in binary and the line rules are
// applied here, the same in both builds. msvcrt's fopen lets other
// programs keep reading and writing the file.
class LineReader {
public:
    explicit LineReader(const char* path) : f(std::fopen(path, "rb"))
    {
#ifndef _WIN32
        // glibc's fopen opens directories, msvcrt's does not.
        struct stat st;
        if (f && (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode))) {
            std::fclose(f);
            f = nullptr;
        }
#endif
        if (f) {
            std::setvbuf(f, nullptr, _IONBF, 0); // fread fills our block directly
            buf = static_cast<char*>(std::malloc(blockSize + lineWindow));
        }
    }
    ~LineReader()
    {
        std::free(buf);
        if (f)
            std::fclose(f);
    }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool ok() const { return buf != nullptr; }
    bool next(); // false at the end of the file
    bool separator() const { return length >= 3 && text[0] == '#' && text[1] == '#' && text[2] == '#'; }
    std::uint64_t bytesRead() const { return dropped + pos; } // at the end: up to a Ctrl-Z

    // The line's usable characters (those before a NUL), a CR LF ending
    // turned into one LF.
    const char* text = nullptr;
    int length = 0;

private:
    std::FILE* f;
    char* buf = nullptr;
    std::uint64_t dropped = 0; // bytes moved out of the block so far
    std::size_t pos = 0;       // unread bytes are buf[pos, end)
    std::size_t end = 0;
    bool eof = false;
};

bool LineReader::next()
{
    if (!eof && end - pos < lineWindow) {
        std::memmove(buf, buf + pos, end - pos);
        dropped += pos;
        end -= pos;
        pos = 0;
        std::size_t got = std::fread(buf + end, 1, blockSize, f);
        end += got;
        eof = got < blockSize; // a read error ends the file too
    }
    char* s = buf + pos;
    std::size_t n = end - pos < lineWindow ? end - pos : lineWindow;
    std::size_t nul = lineWindow;
    std::size_t i = 0; // where the LF or the CR LF pair starts
    bool crlf = false;
    for (;; ++i) {
        i = findControl(s, i, n);
        if (i == n || s[i] == '\n')
            break;
        if (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n') {
            crlf = true;
            break;
        }
        if (s[i] == 26) { // Ctrl-Z ends the file: this line here, the next call at once
            n = i;
            break;
        }
        if (s[i] == '\0' && i < nul)
            nul = i;
    }
    if (n == 0)
        return false;

    std::size_t chars = n < maxLineChars ? n : maxLineChars; // no line end in reach
    std::size_t raw = chars;
    if (i < chars) {
        s[i] = '\n';
        chars = i + 1;
        raw = chars + crlf;
    }
    pos += raw;
    text = s;
    length = static_cast<int>(nul < chars ? nul : chars);
    return true;
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

int JokeFile::load(const char* path, bool* opened)
{
    if (opened)
        *opened = false;
    // Paths are held in 1024 bytes; a longer one is refused like a file
    // that cannot be opened, rather than cut to a different path.
    if (!path || !std::memchr(path, '\0', sizeof filePath))
        return 0;
    LineReader reader(path);
    if (!reader.ok())
        return 0;
    if (opened)
        *opened = true;
    jokeCount = maxJokeLines = maxLineLength = 0;
    std::memmove(filePath, path, std::strlen(path) + 1);
    int lines = 0; // of the joke being read
    while (reader.next()) {
        if (reader.length > maxLineLength)
            maxLineLength = reader.length;
        if (!reader.separator()) {
            if (lines < INT_MAX)
                ++lines;
            continue;
        }
        if (jokeCount < INT_MAX)
            ++jokeCount;
        if (lines > maxJokeLines)
            maxJokeLines = lines;
        lines = 0;
    }

    // No joke can hold more characters than the scan read, which keeps
    // the buffer small for files with one huge joke. Without a buffer
    // pick() still works: it grows one as it needs.
    std::uint64_t capacity = std::uint64_t(maxJokeLines) * std::uint64_t(maxLineLength) + 1;
    if (capacity > reader.bytesRead() + 1)
        capacity = reader.bytesRead() + 1;
    std::free(jokeText);
    jokeText = capacity <= SIZE_MAX ? static_cast<char*>(std::malloc(static_cast<std::size_t>(capacity))) : nullptr;
    textSize = jokeText ? static_cast<std::size_t>(capacity) : 0;
    return jokeCount;
}

const char* JokeFile::pick()
{
    if (jokeCount <= 0)
        return fallbackText;
    LineReader reader(filePath);
    if (!reader.ok())
        return fallbackText;

    int k = nextRandom() % jokeCount;
    std::size_t length = 0;
    while (reader.next()) {
        if (reader.separator()) {
            if (--k < 0)
                break;
        } else if (k == 0) {
            // The file may have grown since the load: the buffer grows
            // too, and without memory the joke stops short.
            std::size_t n = static_cast<std::size_t>(reader.length);
            if (n >= textSize - length) {
                char* bigger = static_cast<char*>(std::realloc(jokeText, textSize + length + n + 1));
                if (!bigger)
                    break;
                jokeText = bigger;
                textSize += length + n + 1;
            }
            std::memcpy(jokeText + length, reader.text, n);
            length += n;
        }
    }
    if (!jokeText)
        return emptyText;
    while (length > 0 && (jokeText[length - 1] == '\n' || jokeText[length - 1] == '\r'))
        --length;
    jokeText[length] = '\0';
    return jokeText;
}
