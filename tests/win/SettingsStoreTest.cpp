// The stored settings against the registry of the test prefix: what the
// real controller loads at start-up and writes at shut-down.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "tests/win/DialogFixture.h"

using namespace dialogfx;

namespace {

const char DEFAULT_PATH[] = "Witze\\Blondinen.txt";
// a 1023-character path, two blanks, two numbers of 11 characters
const size_t LONGEST_TEXT = 1023 + 24;

class SettingsStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.ok());
        deleteSettingsKey();
        // the joke counts tell the files apart
        ASSERT_TRUE(folder.makeDir("Witze"));
        ASSERT_TRUE(folder.write(DEFAULT_PATH, jokeText(3)));
        ASSERT_TRUE(folder.write("Witze\\Andere.txt", jokeText(2)));
        ASSERT_TRUE(folder.write("Witze\\Folge 7", jokeText(5)));
        ASSERT_TRUE(folder.makeDir("Meine Witze"));
        ASSERT_TRUE(folder.write("Meine Witze\\Beste Witze.txt", jokeText(4)));
    }
    void TearDown() override { deleteSettingsKey(); }

    static std::string saved(const std::string& path, int show, int pause)
    {
        std::string text = path + " " + std::to_string(show) + " " + std::to_string(pause);
        return text + '\0';
    }

    ScratchFolder folder;
};

struct LoadCase {
    std::string stored;
    std::string path;
    int count;
    int show;
    int pause;
};

// Each stored text: what start-up makes of it, and what shut-down writes
// back in its place.
TEST_F(SettingsStoreTest, StoredTextSetsFileAndIntervalsAndIsWrittenBack)
{
    const std::string absolute = folder.full("Witze\\Andere.txt");
    const std::vector<LoadCase> cases = {
        {"Witze\\Andere.txt 10 120", "Witze\\Andere.txt", 2, 10, 120},
        {absolute + " 1 2", absolute, 2, 1, 2},
        {"Witze\\Andere.txt", "Witze\\Andere.txt", 2, 30, 30},
        {"Witze\\Andere.txt 7", "Witze\\Andere.txt", 2, 7, 30},
        {"Meine Witze\\Beste Witze.txt 5 6", "Meine Witze\\Beste Witze.txt", 4, 5, 6},
        // a last path word that is a number belongs to the path
        {"Witze\\Folge 7 15 25", "Witze\\Folge 7", 5, 15, 25},
        {"Witze\\Andere.txt -5 -2147483648", "Witze\\Andere.txt", 2, -5, INT_MIN},
        {"Witze\\Andere.txt 0 2147483647", "Witze\\Andere.txt", 2, 0, INT_MAX},
        // kept as stored, capitals and all
        {"wITZE\\aNDERE.TXT 3 4", "wITZE\\aNDERE.TXT", 2, 3, 4},
        // empty path: nothing loaded, numbers read
        {" 10 120", DEFAULT_PATH, 3, 10, 120},
        // a file that is gone: the default's three jokes, its own path kept
        {"Witze\\fehlt.txt 11 12", "Witze\\fehlt.txt", 3, 11, 12},
        {"Meine Witze\\fehlt.txt 11 12", "Meine Witze\\fehlt.txt", 3, 11, 12},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE("stored \"" + c.stored + "\"");
        ASSERT_TRUE(writeOptions(c.stored));
        RealApp app;
        EXPECT_STREQ(c.path.c_str(), app->storedJokeFile());
        EXPECT_EQ(c.count, app->jokes->count());
        EXPECT_EQ(c.show, app->showSeconds);
        EXPECT_EQ(c.pause, app->pauseSeconds);
        app.stop();
        StoredValue v = readOptions();
        ASSERT_TRUE(v.found);
        EXPECT_EQ(DWORD(REG_SZ), v.type);
        EXPECT_EQ(saved(c.path, c.show, c.pause), v.bytes);
    }
}

TEST_F(SettingsStoreTest, MissingKeyKeepsDefaultsAndShutDownCreatesIt)
{
    RealApp app;
    EXPECT_STREQ(DEFAULT_PATH, app->jokes->path());
    EXPECT_EQ(3, app->jokes->count());
    EXPECT_EQ(30, app->showSeconds);
    EXPECT_EQ(30, app->pauseSeconds);
    app->pauseSeconds = 45;
    app.stop();

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key));
    char keyClass[64] = "";
    DWORD classLength = sizeof keyClass;
    DWORD values = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, keyClass, &classLength, NULL, NULL, NULL,
                                              NULL, &values, NULL, NULL, NULL, NULL));
    EXPECT_STREQ("Grinsel", keyClass);
    EXPECT_EQ(1u, values) << "only \"Options\" is written";

    // 25 characters and the terminator, counted in the stored length
    char data[64];
    DWORD type = REG_NONE;
    DWORD size = sizeof data;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, SETTINGS_VALUE, NULL, &type, (BYTE*)data, &size));
    RegCloseKey(key);
    EXPECT_EQ(DWORD(REG_SZ), type);
    ASSERT_EQ(26u, size);
    EXPECT_EQ(0, memcmp("Witze\\Blondinen.txt 30 45", data, 26));
}

TEST_F(SettingsStoreTest, ShutDownReplacesValueInExistingKeyOnly)
{
    // an existing key without class and with a value of someone else
    const char other[] = "bleibt";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, NULL,
                                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                                             &key, NULL));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Fremd", 0, REG_SZ, (const BYTE*)other,
                                            sizeof other));
    RegCloseKey(key);
    ASSERT_TRUE(writeOptions("Witze\\Andere.txt 10 20"));

    RealApp app;
    ASSERT_EQ(2, app->jokes->count());
    ASSERT_EQ(3, app->jokes->load(DEFAULT_PATH));
    app->showSeconds = 99;
    app.stop();

    EXPECT_EQ(saved(DEFAULT_PATH, 99, 20), readOptions().bytes);
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key));
    char data[32] = "";
    DWORD size = sizeof data;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Fremd", NULL, NULL, (BYTE*)data, &size));
    EXPECT_STREQ(other, data);
    RegCloseKey(key);
}

// Neither the default file nor a stored path: the saved value starts with
// a blank, and reading it back loads nothing but keeps both numbers.
TEST_F(SettingsStoreTest, EmptyPathRoundTrips)
{
    ASSERT_TRUE(DeleteFileA(DEFAULT_PATH));
    {
        RealApp app;
        EXPECT_STREQ("", app->jokes->path());
        EXPECT_EQ(0, app->jokes->count());
        app->showSeconds = 8;
        app->pauseSeconds = -9;
    }
    EXPECT_EQ(std::string(" 8 -9", 6), readOptions().bytes);

    RealApp again;
    EXPECT_STREQ("", again->jokes->path());
    EXPECT_EQ(8, again->showSeconds);
    EXPECT_EQ(-9, again->pauseSeconds);
}

// Values that cannot be ours are treated as missing: defaults, no reload.
TEST_F(SettingsStoreTest, UnusableValuesCountAsMissing)
{
    const std::string good = "Witze\\Andere.txt 10 120";
    const DWORD number = 10;
    std::string multi = good;
    multi += '\0';  // the string's own zero ends the list
    const std::string huge = std::string(4990, 'a') + " 10 120";
    // one byte more than the longest value that is ever written
    const std::string tooLong = std::string(1024, 'p') + " -2147483648 -2147483648";
    ASSERT_EQ(LONGEST_TEXT + 1, tooLong.size());

    struct Writer {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
    } writers[] = {
        {"REG_BINARY", REG_BINARY, good.c_str(), DWORD(good.size() + 1)},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, good.c_str(), DWORD(good.size() + 1)},
        {"REG_MULTI_SZ", REG_MULTI_SZ, multi.c_str(), DWORD(multi.size() + 1)},
        {"REG_DWORD", REG_DWORD, &number, sizeof number},
        {"5000 bytes", REG_SZ, huge.c_str(), DWORD(huge.size() + 1)},
        {"1049 bytes", REG_SZ, tooLong.c_str(), DWORD(tooLong.size() + 1)},
    };
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.what);
        deleteSettingsKey();
        ASSERT_TRUE(writeOptions(w.type, w.data, w.size));
        RealApp app;
        EXPECT_STREQ(DEFAULT_PATH, app->jokes->path());
        EXPECT_EQ(3, app->jokes->count());
        EXPECT_EQ(30, app->showSeconds);
        EXPECT_EQ(30, app->pauseSeconds);
    }
}

// A REG_SZ written with a length that leaves the terminator out: the data
// after that length must not leak into the numbers.
TEST_F(SettingsStoreTest, ValueWithoutTerminatorIsReadToItsLength)
{
    {
        const std::string text = "Witze\\Andere.txt 7 8";
        const std::string buffer = text + "9 X";  // what follows is no terminator
        ASSERT_TRUE(writeOptions(REG_SZ, buffer.c_str(), (DWORD)text.size()));
        RealApp app;
        EXPECT_STREQ("Witze\\Andere.txt", app->jokes->path());
        EXPECT_EQ(7, app->showSeconds);
        EXPECT_EQ(8, app->pauseSeconds);
    }
    {
        // as long as the longest value written, and no room for a zero
        const std::string text = std::string(1024, 'p') + " -2147483648 -2147483647";
        ASSERT_EQ(LONGEST_TEXT + 1, text.size());
        const std::string buffer = text + "5";
        ASSERT_TRUE(writeOptions(REG_SZ, buffer.c_str(), (DWORD)text.size()));
        RealApp app;
        EXPECT_STREQ(DEFAULT_PATH, app->jokes->path());
        EXPECT_EQ(INT_MIN, app->showSeconds);
        EXPECT_EQ(INT_MIN + 1, app->pauseSeconds);
    }
}

// The longest path a joke file can have, with the longest numbers: the
// value grows beyond 1024 bytes, and nothing of it is lost on the way
// through shut-down and the next start.
TEST_F(SettingsStoreTest, LongestPathAndNumbersRoundTrip)
{
    std::string path = "Meine Witze\\Beste Witze.txt";
    while (path.size() < 1023)
        path = ".\\" + path;
    ASSERT_EQ(1023u, path.size());
    {
        RealApp app;
        ASSERT_EQ(4, app->jokes->load(path.c_str())) << "the long path must open";
        app->showSeconds = INT_MIN;
        app->pauseSeconds = INT_MIN;
    }
    StoredValue v = readOptions();
    EXPECT_EQ(DWORD(REG_SZ), v.type);
    EXPECT_EQ(saved(path, INT_MIN, INT_MIN), v.bytes);
    EXPECT_EQ(LONGEST_TEXT + 1, v.bytes.size());

    RealApp again;
    EXPECT_STREQ(path.c_str(), again->jokes->path());
    EXPECT_EQ(4, again->jokes->count());
    EXPECT_EQ(INT_MIN, again->showSeconds);
    EXPECT_EQ(INT_MIN, again->pauseSeconds);
}

}  // namespace
