// The joke files that ship, checked byte by byte: Windows-1252 with CR LF,
// every joke closed by "###", at most 8 lines of at most 70 characters (so
// that a bubble always fits an 800-pixel screen), no joke twice; and the
// real reader counts what this check counts.
#include "jokes/JokeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// a byte that Windows-1252 leaves undefined, or a control byte other than CR and LF
bool badByte(unsigned char c)
{
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D ||
           (c < 0x20 && c != '\r' && c != '\n') || c == 0x7F;
}

// "Ã¤" and its kind: text saved as UTF-8 by mistake
bool looksLikeUtf8(const std::string& bytes)
{
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        unsigned char lead = bytes[i], next = bytes[i + 1];
        if (lead >= 0xC2 && lead <= 0xDF && next >= 0x80 && next <= 0xBF)
            return true;
    }
    return false;
}

TEST(ShippedJokesTest, EveryFileKeepsTheFormatAndNoJokeRepeats)
{
    const fs::path folder = fs::path(GRINSEL_SOURCE_DIR) / "Witze";
    std::map<std::string, std::string> seen;  // joke text -> where
    int files = 0, total = 0;
    bool hasDefault = false;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ASSERT_EQ(".txt", entry.path().extension().string()) << "only joke files in Witze";
        hasDefault |= name == "Blondinen.txt";
        ++files;
        const std::string bytes = readBytes(entry.path());
        EXPECT_FALSE(looksLikeUtf8(bytes)) << "saved as UTF-8";
        ASSERT_GE(bytes.size(), 5u);
        EXPECT_EQ("###\r\n", bytes.substr(bytes.size() - 5)) << "the last joke is not closed";

        std::vector<std::string> joke;
        int jokes = 0, lineNumber = 0;
        size_t start = 0;
        while (start < bytes.size()) {
            size_t lf = bytes.find('\n', start);
            ASSERT_NE(std::string::npos, lf) << "no line end after line " << lineNumber;
            ++lineNumber;
            ASSERT_TRUE(lf > start && bytes[lf - 1] == '\r') << "line " << lineNumber << " does not end in CR LF";
            const std::string line = bytes.substr(start, lf - 1 - start);
            start = lf + 1;
            for (unsigned char c : line)
                ASSERT_FALSE(badByte(c)) << "line " << lineNumber << ": byte " << int(c);
            if (line.compare(0, 3, "###") != 0) {
                EXPECT_FALSE(line.empty()) << "line " << lineNumber << " is empty";
                EXPECT_LE(line.size(), 70u) << "line " << lineNumber;
                joke.push_back(line);
                continue;
            }
            EXPECT_EQ("###", line) << "line " << lineNumber;
            EXPECT_FALSE(joke.empty()) << "empty joke before line " << lineNumber;
            EXPECT_LE(joke.size(), 8u) << "joke before line " << lineNumber;
            std::string text;
            for (const std::string& l : joke)
                text += l + "\n";
            const std::string here = name + ":" + std::to_string(lineNumber);
            auto known = seen.emplace(text, here);
            EXPECT_TRUE(known.second) << "the joke before " << here << " is the one before " << known.first->second;
            joke.clear();
            ++jokes;
        }
        EXPECT_GE(jokes, 40);
        total += jokes;

        // the program's own reader sees the same jokes and lines
        JokeFile reader;
        EXPECT_EQ(jokes, reader.load(entry.path().string().c_str()));
        EXPECT_LE(reader.longestLine(), 71);
        EXPECT_LE(reader.longestJoke(), 8);
    }
    EXPECT_TRUE(hasDefault) << "no Witze/Blondinen.txt";
    EXPECT_GE(files, 8);
    EXPECT_GE(total, 400);
}

} // namespace
