// Loads arbitrary bytes as a joke file and checks the reader against the
// plain model: counts, buffer size and the text of every joke picked, also
// after the file has grown behind the loaded counts.

#include "jokes/JokeFile.h"
#include "jokes/Random.h"
#include "tests/unit/JokeReference.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

#define FUZZ_CHECK(cond)                                                        \
    do {                                                                        \
        if (!(cond)) {                                                          \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                       \
        }                                                                       \
    } while (0)

namespace {

const char fallback[] = "Keine Witzdatei gefunden!";

void writeFile(const std::string& path, const std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    FUZZ_CHECK(std::fclose(f) == 0);
}

// Picks with known seeds; loadedCount is what the last load saw, now
// describes the file as it stands.
void checkPicks(JokeFile& jokes, int loadedCount, const ReferenceJokes& now, unsigned picks)
{
    for (unsigned i = 0; i < picks; ++i) {
        unsigned seed = i * 2654435761u;
        seedRandom(seed);
        int draw = nextRandom();
        seedRandom(seed);
        const char* text = jokes.pick();
        FUZZ_CHECK(text != nullptr);
        if (loadedCount <= 0) {
            FUZZ_CHECK(std::strcmp(text, fallback) == 0);
            FUZZ_CHECK(nextRandom() == draw); // nothing drawn
            continue;
        }
        FUZZ_CHECK(std::strlen(text) < jokes.textCapacity());
        int k = draw % loadedCount;
        const std::string& want = k < now.count ? now.jokes[k] : k == now.count ? now.tail : std::string();
        FUZZ_CHECK(want == text);
    }
}

// Loads bytes written at path and checks counts, buffer size and picks.
void checkLoad(JokeFile& jokes, const std::string& path, const std::string& bytes, unsigned picks)
{
    ReferenceJokes ref = referenceScan(bytes);
    FUZZ_CHECK(jokes.load(path.c_str()) == ref.count);
    FUZZ_CHECK(jokes.count() == ref.count);
    FUZZ_CHECK(jokes.longestJoke() == ref.longestJoke);
    FUZZ_CHECK(jokes.longestLine() == ref.longestLine);
    FUZZ_CHECK(std::strcmp(jokes.path(), path.c_str()) == 0);
    std::uint64_t capacity = std::uint64_t(ref.longestJoke) * std::uint64_t(ref.longestLine) + 1;
    if (capacity > std::uint64_t(ref.bytesRead) + 1)
        capacity = std::uint64_t(ref.bytesRead) + 1;
    FUZZ_CHECK(jokes.textCapacity() == capacity);
    checkPicks(jokes, ref.count, ref, picks);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::error_code ec;
    std::string path = (std::filesystem::temp_directory_path(ec) /
                        ("fuzz-jokefile-" + std::to_string(getpid()) + ".txt")).string();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    writeFile(path, bytes);

    JokeFile jokes;
    checkLoad(jokes, path, bytes, 64);

    // The file grows without a new load: the tail now runs into the
    // jokes of the second copy, so picked jokes may outgrow the buffer.
    std::string grown = bytes + bytes;
    writeFile(path, grown);
    checkPicks(jokes, jokes.count(), referenceScan(grown), 16);

    // For inputs with an odd first byte, plain lines in front move the
    // input across the first 64 KiB read block, at an offset the input
    // chooses. Only for some, as it costs a 64 KiB file each time.
    if (size == 0 || data[0] % 2 == 0) {
        std::remove(path.c_str());
        return 0;
    }
    std::size_t cut = (data[0] * 131u) % ((size < 65536 ? size : 65536) + 1);
    std::string padded;
    while (padded.size() + 64 <= 65536 - cut)
        padded += "Polster, damit die Eingabe an der Blockgrenze liegt, ja, genau.\n";
    if (padded.size() < 65536 - cut)
        padded += std::string(65536 - cut - padded.size() - 1, 'p') + "\n";
    padded += bytes;
    writeFile(path, padded);
    checkLoad(jokes, path, padded, 8);

    std::remove(path.c_str());
    return 0;
}
