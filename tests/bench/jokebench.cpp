// Measures JokeFile::load and the slowest pick (the last joke that can be
// drawn, read up to its end) on generated files of about 1 MiB and 64 MiB,
// against the floor (FloorRead.h) reading the same bytes, next to `wc -l`
// on the same file, and the peak memory of a process that loads and picks.
// A third file of 64 MiB holds only short jokes and short lines, the
// hardest case for the scan.
// Usage: jokebench            full run
//        jokebench --peak F   load and pick F, print peak memory

#include "jokes/JokeFile.h"
#include "jokes/Random.h"
#include "tests/bench/FloorRead.h"
#include "tests/unit/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#define popen _popen
#define pclose _pclose
#else
#include <sys/resource.h>
#endif

namespace {

// Turns per figure: more for the small file, whose figures are short.
int turnsFor(const std::string& bytes)
{
    return bytes.size() < (8u << 20) ? 45 : 9;
}

// Its own small generator, so the file content does not depend on the
// program's random state.
struct TextGen {
    unsigned state;
    unsigned next(unsigned below)
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % below;
    }
};

const char* const words[] = {
    "der", "die", "das", "und", "ist", "nicht", "ein", "eine", "Witz", "Blondine", "Auto", "Haus",
    "K\xFChlschrank", "Katze", "Hund", "Computer", "sagt", "fragt", "Mann", "Frau", "warum", "weil",
    "heute", "morgen", "Stra\xDF" "e", "gro\xDF", "klein", "sch\xF6n", "B\xE4" "cker", "Br\xF6tchen",
    "Lehrer", "Sch\xFCler", "Wetter", "Urlaub", "Meer", "Berg", "Zug", "versp\xE4tet", "lacht",
    "\xFC" "ber", "mit", "f\xFCr", "zum", "Kaffee", "Chef", "B\xFCro", "Drucker", "Maus", "Igel",
};

// Jokes of up to maxLines lines of 15 to 90 characters, and with
// longLines one line in 50 of 1200 to 3000.
std::string makeJokeFile(std::size_t targetBytes, unsigned seed, unsigned maxLines, bool longLines)
{
    TextGen gen{seed};
    std::string out;
    out.reserve(targetBytes + 4096);
    while (out.size() < targetBytes) {
        unsigned lines = 1 + gen.next(maxLines);
        for (unsigned l = 0; l < lines; ++l) {
            std::size_t length = longLines && gen.next(50) == 0 ? 1200 + gen.next(1800) : 15 + gen.next(75);
            std::string line;
            while (line.size() < length) {
                if (!line.empty())
                    line += ' ';
                line += words[gen.next(sizeof words / sizeof words[0])];
            }
            line += gen.next(4) == 0 ? "?" : ".";
            out += line + "\r\n";
        }
        out += "###\r\n";
    }
    return out;
}

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

template <class F>
double timed(F run)
{
    auto start = std::chrono::steady_clock::now();
    run();
    return seconds(std::chrono::steady_clock::now() - start);
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long peakKiB()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
    struct rusage usage;
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
    return usage.ru_maxrss; // KiB on Linux
#endif
}

// Draws never exceed 32767, so with more jokes the later ones are never
// picked.
int lastDrawable(int count)
{
    return count > 32768 ? 32767 : count - 1;
}

// A seed whose first draw selects joke k of count.
unsigned seedFor(int k, int count)
{
    for (unsigned seed = 0;; ++seed) {
        seedRandom(seed);
        if (nextRandom() % count == k)
            return seed;
    }
}

int peakMode(const char* path)
{
    JokeFile jokes;
    if (jokes.load(path) <= 0) {
        std::fprintf(stderr, "no jokes in %s\n", path);
        return 1;
    }
    seedRandom(seedFor(lastDrawable(jokes.count()), jokes.count()));
    std::size_t length = std::strlen(jokes.pick());
    std::printf("%ld %zu\n", peakKiB(), length);
    return 0;
}

long childPeakKiB(const std::string& self, const std::string& file)
{
    std::string command = "\"" + self + "\" --peak \"" + file + "\"";
#ifdef _WIN32
    command = "\"" + command + "\""; // cmd /c drops the outermost quotes
#endif
    std::FILE* child = popen(command.c_str(), "r");
    if (!child)
        return -1;
    long kib = -1;
    std::size_t length = 0;
    if (std::fscanf(child, "%ld %zu", &kib, &length) != 2)
        kib = -1;
    pclose(child);
    return kib;
}

std::string selfPath(const char* argv0)
{
#ifdef _WIN32
    char buffer[1024];
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (n > 0 && n < sizeof buffer)
        return buffer;
#endif
    return argv0;
}

// Offset just past the separator line that ends joke k: where the floor
// of picking joke k stops reading. The generated files have no other '#'.
std::uint64_t endOfJoke(const std::string& bytes, int k)
{
    std::size_t at = 0;
    for (int i = 0; i <= k; ++i)
        at = bytes.find("###\r\n", at) + 5;
    return at;
}

struct Ratios {
    double load, pick;
};

// One file: the reader and the floor take turns, so that both see the
// same conditions, and each figure is the median of its turns.
Ratios benchFile(const std::string& path, const std::string& bytes, const char* name)
{
    JokeFile jokes;
    jokes.load(path.c_str()); // warms the file cache
    int count = jokes.count();
    int last = lastDrawable(count);
    unsigned seed = seedFor(last, count);
    std::uint64_t pickBytes = endOfJoke(bytes, last);
    std::size_t lastLength = 0;
    std::int64_t lineFeeds = 0;
#ifndef _WIN32
    std::string wcCommand = "wc -l '" + path + "' > /dev/null";
    bool wcWorks = std::system(wcCommand.c_str()) == 0;
#endif

    // Which of the two goes first alternates: the first one warms the
    // caches for the second.
    std::vector<double> loads, loadFloors, picks, pickFloors, wcs;
    int turns = turnsFor(bytes);
    for (int i = 0; i < turns; ++i) {
        auto runLoad = [&] { loads.push_back(timed([&] { jokes.load(path.c_str()); })); };
        auto runLoadFloor = [&] { loadFloors.push_back(timed([&] { lineFeeds = floorRead(path.c_str()); })); };
        auto runPick = [&] {
            picks.push_back(timed([&] {
                seedRandom(seed);
                lastLength = std::strlen(jokes.pick());
            }));
        };
        auto runPickFloor = [&] { pickFloors.push_back(timed([&] { floorRead(path.c_str(), pickBytes); })); };
        if (i % 2 == 0) {
            runLoad();
            runLoadFloor();
            runPick();
            runPickFloor();
        } else {
            runLoadFloor();
            runLoad();
            runPickFloor();
            runPick();
        }
#ifndef _WIN32
        if (wcWorks)
            wcs.push_back(timed([&] { wcWorks = std::system(wcCommand.c_str()) == 0; }));
#endif
    }
    double load = median(loads), loadFloor = median(loadFloors);
    double pickLast = median(picks), pickFloor = median(pickFloors);

    double mib = bytes.size() / 1048576.0;
    std::printf("%s, %.1f MiB: %d jokes, %lld lines, longest joke %d lines, longest line %d, buffer %zu bytes;"
                " medians of %d turns\n",
                name, mib, count, static_cast<long long>(lineFeeds), jokes.longestJoke(), jokes.longestLine(),
                jokes.textCapacity(), turns);
    std::printf("  load         %9.3f ms  (%.0f MiB/s)\n", load * 1e3, mib / load);
    std::printf("  floor        %9.3f ms  (the whole file)\n", loadFloor * 1e3);
    std::printf("  pick(last)   %9.3f ms  (joke %d, %zu characters)\n", pickLast * 1e3, last, lastLength);
    std::printf("  floor        %9.3f ms  (%.1f MiB, up to the end of joke %d)\n", pickFloor * 1e3,
                pickBytes / 1048576.0, last);
    if (wcs.size() == static_cast<std::size_t>(turns)) {
        double wc = median(wcs);
        std::printf("  wc -l        %9.3f ms  (process start included)\n", wc * 1e3);
        std::printf("  load/wc-l        %.3f\n", load / wc);
    }
    std::printf("  load/floor       %.3f\n", load / loadFloor);
    std::printf("  pick/floor       %.3f\n", pickLast / pickFloor);
    return Ratios{load / loadFloor, pickLast / pickFloor};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0)
        return peakMode(argv[2]);

    TempDir dir;
    if (!dir.ok()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    // About 2 KiB a joke on average, so that the 64 MiB file stays below
    // 32768 jokes and its last joke can be drawn.
    std::string smallBytes = makeJokeFile(1u << 20, 1, 60, true);
    std::string largeBytes = makeJokeFile(64u << 20, 2, 60, true);
    std::string shortBytes = makeJokeFile(64u << 20, 3, 6, false);
    std::string small = dir.write("klein.txt", smallBytes);
    std::string large = dir.write("gross.txt", largeBytes);
    std::string shortJokes = dir.write("kurz.txt", shortBytes);
    if (small.empty() || large.empty() || shortJokes.empty()) {
        std::fprintf(stderr, "cannot write the joke files\n");
        return 1;
    }
    Ratios r1 = benchFile(small, smallBytes, "small file");
    Ratios r2 = benchFile(large, largeBytes, "large file");
    Ratios r3 = benchFile(shortJokes, shortBytes, "short jokes, no long lines");
    std::printf("against the floor     load   pick\n");
    std::printf("  1 MiB              %5.2f  %5.2f\n", r1.load, r1.pick);
    std::printf("  64 MiB mixed       %5.2f  %5.2f\n", r2.load, r2.pick);
    std::printf("  64 MiB short       %5.2f  %5.2f\n", r3.load, r3.pick);

    std::string self = selfPath(argv[0]);
    long peakSmall = childPeakKiB(self, small);
    long peakLarge = childPeakKiB(self, large);
    std::printf("peak memory (load and pick last) 1 MiB file: %ld KiB, 64 MiB file: %ld KiB, difference %ld KiB\n",
                peakSmall, peakLarge, peakLarge - peakSmall);
    return 0;
}
