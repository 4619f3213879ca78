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
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

const char fallbackText[] = "Keine Witzdatei gefunden!";
const char defaultPath[] = "Witze\\Blondinen.txt";
const char emptyText[] = "";

const std::size_t maxLineChars = 1023; // a longer line is read as several
const std::size_t lineWindow = 1024;   // raw bytes of one line: 1023, or 1022 + CR LF
const std::size_t blockSize = 64 * 1024;
const std::size_t none = SIZE_MAX;

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

#ifdef __SSE2__
// Bit i set where bits i to i+n-1 of x are all set.
std::uint64_t runsOf(std::uint64_t x, std::size_t n)
{
    if (n == 0)
        return ~std::uint64_t(0);
    std::size_t have = 1;
    for (; have * 2 <= n; have *= 2)
        x &= x >> have;
    if (have < n)
        x &= x >> (n - have);
    return x;
}

// Bits 0 to 63 from the byte compares of 64 bytes.
std::uint64_t maskOf(__m128i a, __m128i b, __m128i c, __m128i d)
{
    auto bits = [](__m128i x) { return std::uint64_t(std::uint32_t(_mm_movemask_epi8(x))); };
    return bits(a) | bits(b) << 16 | bits(c) << 32 | bits(d) << 48;
}

// The LFs among 64 bytes, one bit each.
std::uint64_t lfMaskAt(const char* at)
{
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i* v = reinterpret_cast<const __m128i*>(at);
    return maskOf(_mm_cmpeq_epi8(_mm_loadu_si128(v), lf), _mm_cmpeq_epi8(_mm_loadu_si128(v + 1), lf),
                  _mm_cmpeq_epi8(_mm_loadu_si128(v + 2), lf), _mm_cmpeq_epi8(_mm_loadu_si128(v + 3), lf));
}

// The common case in bulk: 64 bytes at a time, lines that are neither
// separators nor longer than the scan cares about are only counted.
// Anything else (a line starting with '#', a long line) stops it at the
// start of the line concerned, and slowUntil tells the line-by-line path
// how far to go before trying again. Bytes from limit on are not read.
//
// A line within two neighbouring chunks is at most 127 long. From a
// longest of 128 on, only lines across chunks without an LF can be too
// long, so the last LF need not be tracked exactly (coarse): lineStart
// then only bounds the line's start from below (it follows an LF in the
// chunk just before it), and the exact start is looked up when it matters.
template <bool coarse, class Scan>
std::size_t skipChunks(const char* buf, std::size_t pos, std::size_t limit, std::size_t longest, Scan& scan,
                       std::size_t& slowUntil)
{
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i hash = _mm_set1_epi8('#');
    const __m128i zero = _mm_setzero_si128();
    std::uint64_t lines = 0;
    std::size_t lineStart = pos;
    auto exactStart = [&] {
        if (!coarse || lineStart == pos)
            return lineStart;
        std::size_t lfChunk = lineStart - 1;
        return lfChunk + 64 - static_cast<std::size_t>(__builtin_clzll(lfMaskAt(buf + lfChunk)));
    };

    std::size_t c = pos;
    while (c + 64 <= limit) {
        // LFs counted per byte lane, at most 4 a chunk: fold before 256.
        std::size_t chunks = (limit - c) / 64 < 63 ? (limit - c) / 64 : 63;
        std::size_t batchEnd = c + 64 * chunks;
        __m128i lfCounts = zero;
        for (; c < batchEnd; c += 64) {
            const __m128i* at = reinterpret_cast<const __m128i*>(buf + c);
            __m128i a = _mm_loadu_si128(at), b = _mm_loadu_si128(at + 1);
            __m128i x = _mm_loadu_si128(at + 2), y = _mm_loadu_si128(at + 3);
            __m128i lfA = _mm_cmpeq_epi8(a, lf), lfB = _mm_cmpeq_epi8(b, lf);
            __m128i lfX = _mm_cmpeq_epi8(x, lf), lfY = _mm_cmpeq_epi8(y, lf);
            __m128i lfSum = _mm_add_epi8(_mm_add_epi8(lfA, lfB), _mm_add_epi8(lfX, lfY));
            bool anyLf = _mm_movemask_epi8(lfSum) != 0;
            std::uint64_t lfs = 0;
            if constexpr (coarse) {
                if (anyLf & (c + 64 - lineStart > longest)) {
                    // The line ending here may be too long: measure it.
                    lfs = maskOf(lfA, lfB, lfX, lfY);
                    std::size_t first = c + static_cast<std::size_t>(__builtin_ctzll(lfs));
                    std::size_t start = exactStart();
                    std::size_t length = first + 1 - start - (first > start && buf[first - 1] == '\r');
                    if (length > longest) {
                        // Once lines of 1023 are known, a longer one only
                        // adds its pieces, unless a piece may be a separator.
                        bool inBulk = longest == maxLineChars;
                        for (std::size_t p = start + maxLineChars; inBulk && p < first; p += maxLineChars)
                            inBulk = buf[p] != '#';
                        if (!inBulk) {
                            lineStart = start;
                            slowUntil = first + 1;
                            break;
                        }
                        lines += (length - 1) / maxLineChars;
                    }
                }
            } else {
                lfs = maskOf(lfA, lfB, lfX, lfY);
                // The line ending at the first LF may have begun chunks ago.
                std::size_t first = c + static_cast<std::size_t>(__builtin_ctzll(lfs | std::uint64_t(1) << 63));
                std::size_t length = first + 1 - lineStart;
                if ((anyLf & (length > longest)) &&
                    length - (first > lineStart && buf[first - 1] == '\r') > longest) {
                    slowUntil = first + 1; // a new longest line
                    break;
                }
                // Lines within the chunk are shorter than 64. Here a CR
                // before the LF can make one look a character longer than
                // it is; the line-by-line path then measures it exactly.
                if (longest < 64 && (runsOf(~lfs, longest) & (lfs >> longest)) != 0) {
                    slowUntil = c + 64;
                    break;
                }
            }
            // Lines starting with '#': separators are taken here when the
            // scan allows and the line ends in this chunk, anything else
            // is left to the line-by-line path.
            lfCounts = _mm_sub_epi8(lfCounts, lfSum);
            __m128i hA = _mm_cmpeq_epi8(a, hash), hB = _mm_cmpeq_epi8(b, hash);
            __m128i hX = _mm_cmpeq_epi8(x, hash), hY = _mm_cmpeq_epi8(y, hash);
            if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(hA, hB), _mm_or_si128(hX, hY))) != 0) {
                lfs = maskOf(lfA, lfB, lfX, lfY);
                std::uint64_t startsHere = c == pos || buf[c - 1] == '\n';
                std::uint64_t hashStarts = (lfs << 1 | startsHere) & maskOf(hA, hB, hX, hY);
                bool stop = false;
                for (; hashStarts != 0; hashStarts &= hashStarts - 1) {
                    std::size_t at = static_cast<std::size_t>(__builtin_ctzll(hashStarts));
                    std::size_t q = c + at;
                    bool known = q + 2 < limit;
                    if (known && (buf[q + 1] != '#' || buf[q + 2] != '#'))
                        continue; // an ordinary line
                    // All LFs up to the end of this chunk are counted so
                    // far; those from q on belong to later lines.
                    std::uint64_t fromHere = lfs >> at;
                    std::uint64_t later = static_cast<std::uint64_t>(__builtin_popcountll(fromHere));
                    __m128i sums = _mm_sad_epu8(lfCounts, zero);
                    lines += std::uint32_t(_mm_cvtsi128_si32(sums)) + std::uint32_t(_mm_extract_epi16(sums, 4));
                    lfCounts = zero;
                    lines -= later;
                    // The separator's own LF must be in this chunk.
                    if (!known || fromHere == 0 || !scan.bulkSeparator(lines)) {
                        lineStart = q;
                        slowUntil = q + 1;
                        stop = true;
                        break;
                    }
                    lines = later - 1;
                }
                if (stop)
                    break;
            }
            // Half the chunks or so hold no LF: no branch on that.
            std::size_t next = coarse ? c + 1 : c + 64 - static_cast<std::size_t>(__builtin_clzll(lfs | 1));
            lineStart += (next - lineStart) & (std::size_t(0) - anyLf);
        }
        __m128i sums = _mm_sad_epu8(lfCounts, zero);
        lines += std::uint32_t(_mm_cvtsi128_si32(sums)) + std::uint32_t(_mm_extract_epi16(sums, 4));
        if (c < batchEnd)
            break; // stopped early
    }
    scan.plainLines(lines);
    return c + 64 <= limit ? lineStart : exactStart();
}

template <class Scan>
std::size_t skipPlainLines(const char* buf, std::size_t pos, std::size_t limit, Scan& scan,
                           std::size_t& slowUntil)
{
    std::size_t longest = static_cast<std::size_t>(scan.threshold());
    if (longest > maxLineChars)
        longest = maxLineChars; // longer lines are split: never in bulk
    if (longest >= 128)
        return skipChunks<true>(buf, pos, limit, longest, scan, slowUntil);
    return skipChunks<false>(buf, pos, limit, longest, scan, slowUntil);
}
#endif

// Runs scan over the lines of f: scan.line(text, length) for each line,
// or, where lines can be taken in bulk (see skipPlainLines),
// scan.plainLines(n) and scan.bulkSeparator(n), until line() returns false. text holds the line's
// usable characters with a CR LF ending turned into one LF; length counts
// them. Returns the number of bytes read, up to a Ctrl-Z.
template <class Scan>
std::uint64_t scanLines(std::FILE* f, char* buf, Scan& scan)
{
    std::uint64_t before = 0; // bytes dropped from the buffer so far
    std::size_t pos = 0;      // unread bytes are buf[pos, end)
    std::size_t end = 0;
    std::size_t nul = none;   // first NUL in buf[pos, end), if any
    std::size_t slowUntil = 0;
    bool eof = false;

    for (;;) {
        if (!eof && end - pos < lineWindow) {
            std::size_t rest = end - pos;
            std::memmove(buf, buf + pos, rest);
            if (nul != none)
                nul -= pos;
            slowUntil = slowUntil > pos ? slowUntil - pos : 0;
            before += pos;
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
#ifdef __SSE2__
        if (pos >= slowUntil && scan.threshold() >= 0) {
            std::size_t next = skipPlainLines(buf, pos, nul < end ? nul : end, scan, slowUntil);
            if (next != pos) {
                pos = next;
                continue; // it may have used up the block
            }
        }
#endif
        if (pos == end)
            return before + end;

        char* s = buf + pos;
        std::size_t avail = end - pos;
        std::size_t window = avail < lineWindow ? avail : lineWindow;
        std::size_t raw;   // bytes the line takes in the file
        std::size_t chars; // its characters after the CR LF rule
        if (const void* lf = std::memchr(s, '\n', window)) {
            std::size_t p = static_cast<std::size_t>(static_cast<const char*>(lf) - s);
            bool crlf = p > 0 && s[p - 1] == '\r';
            if (p < maxLineChars || crlf) {
                raw = p + 1;
                chars = crlf ? p : p + 1;
                if (crlf)
                    s[p - 1] = '\n';
            } else {
                raw = chars = maxLineChars; // the LF starts the next line
            }
        } else {
            // No LF within reach: a full-length piece, or the file's last line.
            raw = chars = window < maxLineChars ? window : maxLineChars;
        }

        std::size_t usable = chars;
        if (nul != none && nul < pos + raw)
            usable = nul - pos;

        pos += raw;
        if (nul != none && nul < pos) {
            const void* z = std::memchr(buf + pos, 0, end - pos);
            nul = z ? static_cast<std::size_t>(static_cast<const char*>(z) - buf) : none;
        }
        if (!scan.line(s, static_cast<int>(usable)))
            return before + pos;
    }
}

// Counting for load().
struct LoadScan {
    int count = 0;
    int longestJoke = 0;
    int longestLine = 0;
    int lines = 0; // lines of the joke being read

    int threshold() const { return longestLine; }
    void plainLines(std::uint64_t n) { lines = n > std::uint64_t(INT_MAX - lines) ? INT_MAX : lines + int(n); }
    void separator()
    {
        if (count < INT_MAX)
            ++count;
        if (lines > longestJoke)
            longestJoke = lines;
        lines = 0;
    }
    // A separator after n more plain lines, met in bulk.
    bool bulkSeparator(std::uint64_t n)
    {
        plainLines(n);
        separator();
        return true;
    }
    bool line(const char* text, int length)
    {
        if (length > longestLine)
            longestLine = length;
        if (isSeparator(text, length))
            separator();
        else
            plainLines(1);
        return true;
    }
};

// Collecting joke k for pick(). The text goes to jokeText, which grows if
// the file has grown since it was loaded.
struct PickScan {
    int k;
    char*& text;
    std::size_t& capacity;
    std::size_t length = 0;

    // Lines before the joke matter only when they are separators.
    int threshold() const { return k > 0 ? INT_MAX : -1; }
    void plainLines(std::uint64_t) {}
    // The separator that ends the joke before the chosen one is left to
    // line(), which then starts collecting.
    bool bulkSeparator(std::uint64_t)
    {
        if (k <= 1)
            return false;
        --k;
        return true;
    }
    bool line(const char* line, int lineLength)
    {
        if (isSeparator(line, lineLength))
            return --k >= 0;
        if (k != 0)
            return true;
        std::size_t n = static_cast<std::size_t>(lineLength);
        bool full = false;
        if (n + 1 > capacity - length) {
            std::size_t grown = capacity > SIZE_MAX / 2 ? SIZE_MAX : capacity * 2;
            if (grown < length + n + 1)
                grown = length + n + 1;
            if (char* bigger = static_cast<char*>(std::realloc(text, grown))) {
                text = bigger;
                capacity = grown;
            } else {
                // No memory: cut the joke where the buffer ends.
                n = capacity > length ? capacity - length - 1 : 0;
                full = true;
            }
        }
        if (n > 0)
            std::memcpy(text + length, line, n);
        length += n;
        return !full;
    }
};

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
    LoadScan scan;
    std::uint64_t bytesRead = scanLines(f, work.data, scan);
    std::fclose(f);

    jokeCount = scan.count;
    maxJokeLines = scan.longestJoke;
    maxLineLength = scan.longestLine;
    std::memcpy(filePath, path, std::strlen(path) + 1);

    // No joke can hold more characters than the scan read, which keeps
    // the buffer small for files with one huge joke.
    std::uint64_t capacity = std::uint64_t(maxJokeLines) * std::uint64_t(maxLineLength) + 1;
    if (capacity > bytesRead + 1)
        capacity = bytesRead + 1;
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
    if (jokeCount <= 0) {
        std::fclose(f);
        return fallbackText;
    }
    LineBuffer work;
    if (!work.data) {
        std::fclose(f);
        return fallbackText;
    }

    PickScan scan{nextRandom() % jokeCount, jokeText, textSize};
    scanLines(f, work.data, scan);
    std::fclose(f);

    if (!jokeText)
        return emptyText;
    std::size_t length = scan.length;
    while (length > 0 && (jokeText[length - 1] == '\n' || jokeText[length - 1] == '\r'))
        --length;
    jokeText[length] = '\0';
    return jokeText;
}
