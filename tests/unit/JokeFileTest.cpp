#include "jokes/JokeFile.h"
#include "jokes/Random.h"
#include "tests/unit/JokeReference.h"
#include "tests/unit/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char fallback[] = "Keine Witzdatei gefunden!";

// Drawn before any test runs: shows the state the program starts with.
const int firstDrawAtStart = nextRandom();

// Seeds the generator so that the next pick draws joke k, then picks.
std::string pickJoke(JokeFile& jokes, int k)
{
    if (jokes.count() <= 0) {
        ADD_FAILURE() << "no jokes to pick from";
        return std::string();
    }
    for (unsigned seed = 0; seed < 1000000; ++seed) {
        seedRandom(seed);
        if (nextRandom() % jokes.count() == k) {
            seedRandom(seed);
            return jokes.pick();
        }
    }
    ADD_FAILURE() << "no seed draws joke " << k;
    return std::string();
}

// True if pick() returns the fallback text without drawing a value.
bool fallsBackWithoutDrawing(JokeFile& jokes)
{
    seedRandom(77);
    int expected = nextRandom();
    seedRandom(77);
    bool isFallback = std::strcmp(jokes.pick(), fallback) == 0;
    return isFallback && nextRandom() == expected;
}

class JokeFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }

    // Loads bytes and compares counts and every joke with the reference.
    void expectLikeReference(const std::string& bytes)
    {
        ReferenceJokes want = referenceScan(bytes);
        JokeFile jokes;
        ASSERT_EQ(jokes.load(dir.write("check.txt", bytes).c_str()), want.count);
        EXPECT_EQ(jokes.longestJoke(), want.longestJoke);
        EXPECT_EQ(jokes.longestLine(), want.longestLine);
        // All jokes of small files; of large ones the ends and a sample.
        for (int k = 0; k < want.count; k += (k < 8 || k > want.count - 8) ? 1 : want.count / 16 + 1) {
            std::string text = pickJoke(jokes, k);
            EXPECT_EQ(text, want.jokes[k]) << "joke " << k;
            EXPECT_LT(text.size(), jokes.textCapacity());
        }
    }

    TempDir dir;
};

TEST(RandomTest, SequenceFromStateOneAndWrapAround)
{
    EXPECT_EQ(firstDrawAtStart, 41);
    seedRandom(1);
    EXPECT_EQ(nextRandom(), 41);
    EXPECT_EQ(nextRandom(), 18467);
    EXPECT_EQ(nextRandom(), 6334);
    // State 0xFFFFFFFF becomes 2316998 modulo 2^32; its bits 16-30 give 35.
    seedRandom(0xFFFFFFFFu);
    EXPECT_EQ(nextRandom(), 35);
    for (int i = 0; i < 100000; ++i) {
        int value = nextRandom();
        ASSERT_TRUE(value >= 0 && value <= 32767) << value;
    }
}

class WorkedExample : public JokeFileTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WorkedExample, CountsBufferAndTexts)
{
    const std::string l1 = "Was ist gelb und klopft?", l2 = "Ein Klopf.";
    const std::string l4 = "Warum summen Bienen? Textlos! ";
    const std::string l7 = "Sagt die Uhr", l8 = "Tick...";
    const std::string l10 = "Dieser Schluss gehoert zu keinem Witz ..";
    ASSERT_EQ(l1.size(), 24u);
    ASSERT_EQ(l2.size(), 10u);
    ASSERT_EQ(l4.size(), 30u);
    ASSERT_EQ(l7.size(), 12u);
    ASSERT_EQ(l8.size(), 7u);
    ASSERT_EQ(l10.size(), 40u);
    const std::string eol = GetParam();
    std::string bytes = l1 + eol + l2 + eol + "###" + eol + l4 + eol + "### abc" + eol + eol +
                        l7 + eol + l8 + eol + "###" + eol + l10;

    JokeFile jokes;
    std::string path = dir.write("Beispiel.txt", bytes);
    EXPECT_EQ(jokes.load(path.c_str()), 3);
    EXPECT_STREQ(jokes.path(), path.c_str());
    EXPECT_EQ(jokes.longestJoke(), 3);
    EXPECT_EQ(jokes.longestLine(), 40);
    EXPECT_EQ(jokes.textCapacity(), 121u);

    seedRandom(1);
    EXPECT_EQ(std::string(jokes.pick()), "\n" + l7 + "\n" + l8);
    EXPECT_EQ(pickJoke(jokes, 0), l1 + "\n" + l2);
    EXPECT_EQ(pickJoke(jokes, 1), l4);
    // The buffer is emptied before each pick.
    EXPECT_EQ(pickJoke(jokes, 1), l4);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, WorkedExample, ::testing::Values("\r\n", "\n"));

TEST_F(JokeFileTest, LongLinesAreSplitAfter1023Characters)
{
    const std::string x1023(1023, 'x');
    JokeFile jokes;
    // 1500 characters: pieces of 1023 and 478, both lines of the joke.
    std::string line1500 = std::string(1500, 'a');
    ASSERT_EQ(jokes.load(dir.write("a.txt", line1500 + "\r\n###\r\n").c_str()), 1);
    EXPECT_EQ(jokes.longestJoke(), 2);
    EXPECT_EQ(jokes.longestLine(), 1023);
    EXPECT_EQ(pickJoke(jokes, 0), line1500);
    // 2 x 1023 + 1 would be more than the 1507 bytes read.
    EXPECT_EQ(jokes.textCapacity(), 1508u);

    // 1023 characters and LF: the LF is a line of its own.
    ASSERT_EQ(jokes.load(dir.write("b.txt", x1023 + "\n###\n").c_str()), 1);
    EXPECT_EQ(jokes.longestJoke(), 2);
    // 1022 characters and CR LF: one line of 1023.
    ASSERT_EQ(jokes.load(dir.write("c.txt", x1023.substr(1) + "\r\n###\n").c_str()), 1);
    EXPECT_EQ(jokes.longestJoke(), 1);
    EXPECT_EQ(jokes.longestLine(), 1023);
    // 1023 characters and CR LF: again two lines.
    ASSERT_EQ(jokes.load(dir.write("d.txt", x1023 + "\r\n###\n").c_str()), 1);
    EXPECT_EQ(jokes.longestJoke(), 2);
    // 1024 characters: the last one starts the next line.
    ASSERT_EQ(jokes.load(dir.write("e.txt", x1023 + "y\n###\n").c_str()), 1);
    EXPECT_EQ(jokes.longestJoke(), 2);
    EXPECT_EQ(pickJoke(jokes, 0), x1023 + "y");

    // "###" as characters 1024 to 1026 makes the second piece a separator,
    // also while pick() passes over it.
    std::string more;
    for (int i = 0; i < 100; ++i)
        more += "noch mehr Text\r\n";
    ASSERT_EQ(jokes.load(dir.write("f.txt", x1023 + "###rest\r\n" + more + "###\r\nzwei\r\n###").c_str()), 3);
    EXPECT_EQ(pickJoke(jokes, 0), x1023);
    EXPECT_EQ(pickJoke(jokes, 1), referenceScan(more + "###").jokes[0]);
    EXPECT_EQ(pickJoke(jokes, 2), "zwei");
    // The same after lines of 1023 are known, with pieces of 1023 that
    // start with "###", with '#' only, and with other text.
    std::string known = std::string(1100, 'v') + "\r\n" + more;
    for (const char* piece : {"###", "#x", "xyz"})
        expectLikeReference(known + x1023 + piece + x1023 + "###\r\n" + more + "###\r\n" + more + "###");
}

TEST_F(JokeFileTest, SeparatorsAndEmptyJokes)
{
    JokeFile jokes;
    std::string bytes = "###\n\n\n###\n###\n\n\nerst leer\r\n## nein\n ### nein\n###mehr Text hier\n";
    ASSERT_EQ(jokes.load(dir.write("a.txt", bytes).c_str()), 4);
    EXPECT_EQ(jokes.longestJoke(), 5);
    EXPECT_EQ(jokes.longestLine(), 18);
    EXPECT_EQ(pickJoke(jokes, 0), "");
    EXPECT_EQ(pickJoke(jokes, 1), "");
    EXPECT_EQ(pickJoke(jokes, 2), "");
    EXPECT_EQ(pickJoke(jokes, 3), "\n\nerst leer\n## nein\n ### nein");

    // A last "###" without line end still ends the joke; trailing line
    // ends of any mix go.
    ASSERT_EQ(jokes.load(dir.write("b.txt", "Witz\r\r\n\n\r\n###").c_str()), 1);
    EXPECT_EQ(pickJoke(jokes, 0), "Witz");
}

TEST_F(JokeFileTest, CarriageReturnCtrlZAndNul)
{
    JokeFile jokes;
    // A lone CR is a character, also at the end of the file.
    ASSERT_EQ(jokes.load(dir.write("cr.txt", "a\rb\r\n###\r\nlast\r").c_str()), 1);
    EXPECT_EQ(pickJoke(jokes, 0), "a\rb");
    EXPECT_EQ(jokes.longestLine(), 5);

    // Ctrl-Z ends the file: what follows is neither counted nor shown.
    ASSERT_EQ(jokes.load(dir.write("z.txt", "eins\n###\nzwei\x1A\n###\ndrei\n###\n").c_str()), 1);
    EXPECT_EQ(jokes.longestJoke(), 1);
    ASSERT_EQ(jokes.load(dir.write("zcr.txt", "eins\r\x1A\n###\n").c_str()), 0);
    EXPECT_EQ(jokes.longestLine(), 5);

    // A NUL ends the usable text of its line, the LF included.
    const char nulBytes[] = "ab\0cd\r\nef\n\0###\n##\0#\n###\0zzzzzzzzzzzz\n";
    std::string nul(nulBytes, sizeof nulBytes - 1);
    ASSERT_EQ(jokes.load(dir.write("nullbytes.txt", nul).c_str()), 1);
    EXPECT_EQ(jokes.longestJoke(), 4);
    EXPECT_EQ(jokes.longestLine(), 3);
    EXPECT_EQ(pickJoke(jokes, 0), "abef\n##");

    // The 1023-character split still counts the characters after a NUL.
    std::string split = std::string("a\0", 2) + std::string(1021, 'b') + "###\nc\n###\n";
    ASSERT_EQ(jokes.load(dir.write("nullsplit.txt", split).c_str()), 2);
    EXPECT_EQ(jokes.longestLine(), 4);
    EXPECT_EQ(pickJoke(jokes, 0), "a");
}

TEST_F(JokeFileTest, LinesAcrossReadBlocks)
{
    // Lines of 100 characters and CR LF; the filler moves the CR LF pair
    // and a long line across the 64 KiB and 128 KiB marks.
    // Lines of exactly 64 bytes: line ends fall on word boundaries of the
    // scan, also at the end of a read block.
    std::string exact;
    for (int i = 0; i < 3000; ++i)
        exact += std::string(63, 'e') + "\n";
    expectLikeReference(exact + "###\n");

    const std::string line = std::string(98, 'w') + ".\r\n";
    for (long mark : {65536L, 131072L}) {
        for (long shift = -3; shift <= 3; ++shift) {
            std::string bytes;
            while (static_cast<long>(bytes.size() + line.size()) < mark - 400 + shift)
                bytes += line;
            // The filler, the longest line, has its CR at mark - 1 + shift
            // and its LF right after.
            bytes += std::string(mark - 1 + shift - static_cast<long>(bytes.size()), 'f') + "\r\n###\r\n";
            expectLikeReference(bytes);
            // A NUL found in one block and reached only after the next
            // refill shortens the longest line.
            std::string nul = bytes;
            nul[mark - 10 + shift] = '\0';
            expectLikeReference(nul);
            std::string spanning = bytes.substr(0, bytes.size() - 2600) + std::string(1500, 's') + "\r\n###" +
                                   std::string(1200, 't') + "\r\nx\r\n###\r\n";
            expectLikeReference(spanning);
        }
    }
}

TEST_F(JokeFileTest, SpotsAcrossReadBlocks)
{
    // Each spot starts a line; the byte named with it lands at every
    // offset from 3 before to 3 after a 64 KiB mark of the file.
    const struct {
        std::string bytes;
        long at;
    } spots[] = {
        {"\r\n###\r\n", 2},                         // a separator
        {std::string("ab\0cd\r\n", 7), 2},          // a NUL
        {"zz\x1A###\r\n", 2},                       // Ctrl-Z
        {std::string(1023, 'L') + "###\r\n", 1023}, // a long line's second piece
    };
    const std::string line = std::string(98, 'w') + ".\r\n";
    for (long mark : {65536L, 131072L}) {
        for (const auto& spot : spots) {
            for (long shift = -3; shift <= 3; ++shift) {
                std::string bytes = "erster Witz\r\n###\r\n";
                long start = mark + shift - spot.at;
                while (static_cast<long>(bytes.size() + line.size()) < start - 200)
                    bytes += line;
                bytes += std::string(start - 2 - static_cast<long>(bytes.size()), 'p') + "\r\n";
                expectLikeReference(bytes + spot.bytes + "Witz danach\r\n###\r\nRest");
            }
        }
    }
}

TEST_F(JokeFileTest, LongestLineAnywhereInPlainText)
{
    // One line longer than all before it, at many offsets against the
    // words of the scan, amid short lines.
    JokeFile jokes;
    const std::size_t cases[][2] = {{5, 6},   {5, 7},   {5, 33},  {5, 64},
                                    {5, 200}, {40, 41}, {40, 63}, {40, 65}, {200, 1500}};
    for (auto [before, length] : cases) {
        std::string shortLines;
        for (int i = 0; i < 40; ++i)
            shortLines += std::string(before - 1, 'k') + "\n";
        for (std::size_t shift = 0; shift < 64; ++shift) {
            std::string filler = std::string(shift % before, 'f') + "\n";
            std::string bytes = std::string(shift, '\n') + shortLines + filler + std::string(length - 1, 'w') +
                                "\n" + shortLines + "###\n";
            ASSERT_EQ(jokes.load(dir.write("lang.txt", bytes).c_str()), 1);
            // A line longer than 1023 counts as its pieces.
            std::size_t pieces = (length + 1022) / 1023;
            ASSERT_EQ(jokes.longestLine(), static_cast<int>(std::min<std::size_t>(length, 1023)))
                << before << " " << shift;
            ASSERT_EQ(jokes.longestJoke(), static_cast<int>(shift + 81 + pieces)) << before << " " << shift;
        }
    }
}

TEST_F(JokeFileTest, RandomFilesMatchPlainModel)
{
    // Mostly plain text, with line lengths that keep setting new records
    // through the file, and every kind of odd line mixed in.
    std::mt19937 gen(20240611);
    auto roll = [&](std::size_t n) { return static_cast<std::size_t>(gen() % n); };
    const char letters[] = "abcdefghijklmnop qrstuvwxyz \xE4\xF6\xFC\xDF.,?";
    const std::size_t longest[] = {40, 70, 300, 1300};
    for (int file = 0; file < 8; ++file) {
        std::string bytes;
        const std::size_t size = 150000 + roll(100000);
        const char* eol = file % 2 ? "\r\n" : "\n";
        while (bytes.size() < size) {
            std::string line(roll(1 + bytes.size() * longest[file % 4] / size), ' ');
            for (char& c : line)
                c = letters[roll(sizeof letters - 1)];
            std::size_t kind = roll(200);
            if (kind < 6)
                line = "###" + line;
            else if (kind < 8)
                line = (kind % 2 ? "#" : "##") + line;
            else if (kind < 9)
                line.insert(roll(line.size() + 1), 1, '\0');
            else if (kind < 10)
                line.insert(roll(line.size() + 1), 1, '\r');
            else if (kind < 11)
                line = std::string(1000 + roll(1200), 'L');
            bytes += line + (roll(10) ? eol : "\r\n");
        }
        if (file % 4 == 3)
            bytes[size / 2 + roll(size / 2)] = 26;
        expectLikeReference(bytes);
    }
}

TEST_F(JokeFileTest, PicksDeepJokes)
{
    std::string bytes;
    for (int i = 0; i < 40000; ++i)
        bytes += "Witz " + std::to_string(i) + "\r\n###\r\n";
    JokeFile jokes;
    ASSERT_EQ(jokes.load(dir.write("viele.txt", bytes).c_str()), 40000);
    for (int k : {0, 1, 9999, 32766, 32767})
        EXPECT_EQ(pickJoke(jokes, k), "Witz " + std::to_string(k));
}

TEST_F(JokeFileTest, FilesThatOpenButHoldNoJoke)
{
    JokeFile jokes;
    std::string empty = dir.write("leer.txt", "");
    EXPECT_EQ(jokes.load(empty.c_str()), 0);
    EXPECT_STREQ(jokes.path(), empty.c_str());
    EXPECT_EQ(jokes.longestLine(), 0);
    EXPECT_EQ(jokes.textCapacity(), 1u);
    EXPECT_TRUE(fallsBackWithoutDrawing(jokes));

    std::string plain = dir.write("ohne.txt", "kurz\r\neine laengere Zeile\r\nx");
    EXPECT_EQ(jokes.load(plain.c_str()), 0);
    EXPECT_STREQ(jokes.path(), plain.c_str());
    EXPECT_EQ(jokes.longestJoke(), 0);
    EXPECT_EQ(jokes.longestLine(), 20);
    EXPECT_TRUE(fallsBackWithoutDrawing(jokes));
}

TEST_F(JokeFileTest, FailedLoadsChangeNothing)
{
    JokeFile jokes;
    std::string good = dir.write("gut.txt", "Eins\n###\nZwei\nDrei\n###\n");
    ASSERT_EQ(jokes.load(good.c_str()), 2);
    std::string longPath(1024, 'p');
    std::string folder = dir.file("ordner");
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);
    for (const std::string& bad : {dir.file("fehlt.txt"), folder, longPath}) {
        EXPECT_EQ(jokes.load(bad.c_str()), 0) << bad;
        EXPECT_STREQ(jokes.path(), good.c_str());
        EXPECT_EQ(jokes.count(), 2);
        EXPECT_EQ(jokes.longestJoke(), 2);
        EXPECT_EQ(jokes.longestLine(), 5);
        EXPECT_EQ(jokes.textCapacity(), 11u);
        EXPECT_EQ(pickJoke(jokes, 1), "Zwei\nDrei");
    }
    EXPECT_EQ(jokes.load(nullptr), 0);

    // Once the file is gone, pick falls back and leaves the last text alone.
    const char* last = jokes.pick();
    std::string before = last;
    std::filesystem::remove(good, ec);
    EXPECT_TRUE(fallsBackWithoutDrawing(jokes));
    EXPECT_EQ(std::string(last), before);
}

TEST_F(JokeFileTest, FileChangedSinceLoad)
{
    JokeFile jokes;
    std::string path = dir.write("wechsel.txt", "a\n###\nb\n###\nc\n###\n");
    ASSERT_EQ(jokes.load(path.c_str()), 3);
    ASSERT_EQ(jokes.textCapacity(), 5u);

    // Fewer separators now: index 1 yields the tail, index 2 nothing.
    dir.write("wechsel.txt", "a\n###\nneu\n");
    EXPECT_EQ(pickJoke(jokes, 1), "neu");
    EXPECT_EQ(pickJoke(jokes, 2), "");

    // A joke far larger than the buffer comes back whole.
    std::string big;
    for (int i = 0; i < 60; ++i)
        big += std::to_string(i) + std::string(1000, 'g') + "\r\n";
    dir.write("wechsel.txt", "a\n###\n" + big + "###\n");
    std::string text = pickJoke(jokes, 1);
    EXPECT_EQ(text, referenceScan(big + "###").jokes[0]);
    EXPECT_LT(text.size(), jokes.textCapacity());
    EXPECT_EQ(pickJoke(jokes, 0), "a");
}

TEST_F(JokeFileTest, DefaultFileIsRelativeToCurrentFolder)
{
    std::error_code ec;
    std::filesystem::path previous = std::filesystem::current_path(ec);
    std::filesystem::current_path(dir.path(), ec);
    ASSERT_FALSE(ec);
    {
        JokeFile none;
        EXPECT_STREQ(none.path(), "");
        EXPECT_EQ(none.count(), 0);
        EXPECT_EQ(none.textCapacity(), 0u);
        EXPECT_TRUE(fallsBackWithoutDrawing(none));
    }
#ifdef _WIN32
    dir.write("Witze\\Blondinen.txt", "Hallo\r\n###\r\n");
    {
        JokeFile jokes;
        EXPECT_STREQ(jokes.path(), "Witze\\Blondinen.txt");
        EXPECT_EQ(pickJoke(jokes, 0), "Hallo");
        // Resolved again at each pick: another folder, no file.
        SetCurrentDirectoryA("Witze");
        EXPECT_TRUE(fallsBackWithoutDrawing(jokes));
    }
#endif
    std::filesystem::current_path(previous, ec);
}

#ifdef _WIN32
TEST_F(JokeFileTest, OtherHandlesOnTheFile)
{
    std::string path = dir.write("offen.txt", "Eins\r\n###\r\n");
    JokeFile jokes;
    ASSERT_EQ(jokes.load(path.c_str()), 1);

    // Held without sharing: neither load nor pick can open it.
    HANDLE locked = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(jokes.load(path.c_str()), 0);
    EXPECT_TRUE(fallsBackWithoutDrawing(jokes));
    CloseHandle(locked);

    // Another program writing to it does not stop reading.
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(jokes.load(path.c_str()), 1);
    EXPECT_EQ(pickJoke(jokes, 0), "Eins");
    CloseHandle(writer);
}
#endif

} // namespace
