// The settings dialog and the about box with their real templates and
// procedures, on the real controller. Most tests create the dialog
// modeless so that they keep control; the few where modality matters
// drive the modal loop from a thread timer.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/win/DialogFixture.h"
#include "ui/Dialogs.h"

using namespace dialogfx;

namespace {

const char DEFAULT_PATH[] = "Witze\\Blondinen.txt";
const char AE_UPPER[] = "Witze\\\xC4rzte.txt";  // Windows-1252 bytes
const char AE_LOWER[] = "Witze\\\xE4rzte.txt";

std::vector<std::string> listEntries(HWND dialog)
{
    std::vector<std::string> entries;
    LRESULT count = SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[1024] = "";
        SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_GETLBTEXT, i, (LPARAM)text);
        entries.push_back(text);
    }
    return entries;
}

LRESULT selection(HWND dialog)
{
    return SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_GETCURSEL, 0, 0);
}

std::string selectedEntry(HWND dialog)
{
    LRESULT i = selection(dialog);
    if (i == CB_ERR)
        return "<none>";
    char text[1024] = "";
    SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_GETLBTEXT, i, (LPARAM)text);
    return text;
}

BOOL CALLBACK collectDialog(HWND w, LPARAM found)
{
    if (IsWindowVisible(w) && windowClass(w) == "#32770")
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(w);
    return TRUE;
}

// visible dialogs of this thread: ours, and the file-open dialog
std::vector<HWND> threadDialogs()
{
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), collectDialog, (LPARAM)&found);
    return found;
}

BOOL CALLBACK findEdit(HWND w, LPARAM edit)
{
    if (windowClass(w) == "Edit") {
        *reinterpret_cast<HWND*>(edit) = w;
        return FALSE;
    }
    return TRUE;
}

HWND findDialog(const char* caption)
{
    for (HWND w : threadDialogs()) {
        char text[128] = "";
        GetWindowTextA(w, text, sizeof text);
        if (strcmp(text, caption) == 0)
            return w;
    }
    return NULL;
}

// Runs step(tick) from a thread timer, that is inside whatever modal loop
// is running, until it returns true. After about five seconds it closes
// every dialog of the thread so that a stuck test ends instead of hanging.
class ModalScript {
public:
    explicit ModalScript(std::function<bool(int)> step) : step(std::move(step))
    {
        running = this;
        timer = SetTimer(NULL, 0, 50, tick);
    }
    ~ModalScript()
    {
        KillTimer(NULL, timer);
        running = NULL;
    }
    bool finished() const { return done; }
    bool rescued() const { return gaveUp; }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalScript* s = running;
        if (!s || s->done)
            return;
        if (s->ticks >= 100) {
            s->gaveUp = s->done = true;
            for (HWND w : threadDialogs())
                PostMessageA(w, WM_CLOSE, 0, 0);
            return;
        }
        if (s->step(s->ticks++))
            s->done = true;
    }

    static ModalScript* running;
    std::function<bool(int)> step;
    UINT_PTR timer = 0;
    int ticks = 0;
    bool done = false;
    bool gaveUp = false;
};
ModalScript* ModalScript::running = NULL;

// Where SetFocus is asked to put the focus, in call order. The dialog
// manager passes a focus given to a dialog on to one of its controls at
// once, so GetFocus() never tells that the dialog itself was asked.
class FocusLog {
public:
    FocusLog()
    {
        active = this;
        hook = SetWindowsHookExA(WH_CBT, onCbt, NULL, GetCurrentThreadId());
    }
    ~FocusLog()
    {
        UnhookWindowsHookEx(hook);
        active = NULL;
    }
    std::vector<HWND> targets;

private:
    static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_SETFOCUS && active)
            active->targets.push_back((HWND)wParam);
        return CallNextHookEx(NULL, code, wParam, lParam);
    }
    static FocusLog* active;
    HHOOK hook;
};
FocusLog* FocusLog::active = NULL;

class SettingsDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.ok());
        deleteSettingsKey();
    }
    void TearDown() override
    {
        if (dialog && IsWindow(dialog))
            DestroyWindow(dialog);
        app.reset();
        deleteSettingsKey();
    }

    // mixed capitals, an umlaut, a blank, a folder that looks like a joke
    // file, and names that must not be listed
    void makeJokeFolder()
    {
        ASSERT_TRUE(folder.makeDir("Witze"));
        ASSERT_TRUE(folder.write(DEFAULT_PATH, jokeText(3)));
        ASSERT_TRUE(folder.write("Witze\\ZZZ.TXT", jokeText(1)));
        ASSERT_TRUE(folder.write("Witze\\aaa.Txt", jokeText(2)));
        ASSERT_TRUE(folder.write(AE_UPPER, jokeText(4)));
        ASSERT_TRUE(folder.write("Witze\\Beste Witze.txt", jokeText(5)));
        ASSERT_TRUE(folder.makeDir("Witze\\x.txt"));
        ASSERT_TRUE(folder.write("Witze\\readme.doc", "kein Witz"));
        ASSERT_TRUE(folder.write("Witze\\alt.txt.bak", jokeText(1)));
    }

    void start() { app.reset(new RealApp()); }

    HWND open()
    {
        if (dialog && IsWindow(dialog))
            DestroyWindow(dialog);
        dialog = CreateDialogParamA(hInst, MAKEINTRESOURCEA(IDD_SETTINGS),
                                    theApp->bubble->window(), SettingsDlgProc, 0);
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }

    // as the dialog manager delivers a button click
    void press(int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    void type(const char* file, const char* show, const char* pause)
    {
        SetDlgItemTextA(dialog, IDC_JOKEFILE, file);
        SetDlgItemTextA(dialog, IDC_SHOWSECONDS, show);
        SetDlgItemTextA(dialog, IDC_PAUSESECONDS, pause);
    }

    ScratchFolder folder;
    std::unique_ptr<RealApp> app;
    HWND dialog = NULL;
};

TEST_F(SettingsDialogTest, ListsEveryTxtNameSortedAndSelectsLoadedFile)
{
    makeJokeFolder();
    start();
    ASSERT_STREQ(DEFAULT_PATH, theApp->jokes->path());
    open();

    std::vector<std::string> entries = listEntries(dialog);
    std::vector<std::string> expected = {"Witze\\aaa.Txt", "Witze\\Beste Witze.txt",
                                         DEFAULT_PATH, "Witze\\x.txt", "Witze\\ZZZ.TXT",
                                         AE_UPPER};
    std::vector<std::string> sortedEntries = entries;
    std::sort(sortedEntries.begin(), sortedEntries.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, sortedEntries) << "one entry per .txt name, with its capitals";

    // the combo box sorts without regard to case
    const char* asciiOrder[] = {"Witze\\aaa.Txt", "Witze\\Beste Witze.txt", DEFAULT_PATH,
                                "Witze\\x.txt", "Witze\\ZZZ.TXT"};
    for (size_t i = 0; i + 1 < 5; ++i) {
        auto a = std::find(entries.begin(), entries.end(), asciiOrder[i]);
        auto b = std::find(entries.begin(), entries.end(), asciiOrder[i + 1]);
        ASSERT_TRUE(a != entries.end() && b != entries.end());
        EXPECT_LT(a - entries.begin(), b - entries.begin())
            << asciiOrder[i] << " before " << asciiOrder[i + 1];
    }

    EXPECT_EQ(DEFAULT_PATH, selectedEntry(dialog));
    EXPECT_EQ(DEFAULT_PATH, itemText(dialog, IDC_JOKEFILE));
    EXPECT_EQ("30", itemText(dialog, IDC_SHOWSECONDS));
    EXPECT_EQ("30", itemText(dialog, IDC_PAUSESECONDS));
}

TEST_F(SettingsDialogTest, PathInOtherAsciiCaseSelectsEntryWithFileCapitals)
{
    makeJokeFolder();
    start();
    ASSERT_EQ(3, theApp->jokes->load("wITZE\\bLONDINEN.TXT"));
    open();
    EXPECT_EQ(DEFAULT_PATH, selectedEntry(dialog));
    EXPECT_EQ(DEFAULT_PATH, itemText(dialog, IDC_JOKEFILE));
}

TEST_F(SettingsDialogTest, PathDifferingInUmlautCaseSelectsNothing)
{
    makeJokeFolder();
    start();
    ASSERT_EQ(4, theApp->jokes->load(AE_UPPER));
    open();
    EXPECT_EQ(AE_UPPER, selectedEntry(dialog));
    EXPECT_EQ(AE_UPPER, itemText(dialog, IDC_JOKEFILE));
    DestroyWindow(dialog);

    // the same file under the name with a small umlaut: only A to Z are
    // folded, so no entry matches and the field keeps the loaded path
    ASSERT_EQ(4, theApp->jokes->load(AE_LOWER)) << "the file system folds the umlaut";
    ASSERT_STREQ(AE_LOWER, theApp->jokes->path());
    open();
    EXPECT_EQ(CB_ERR, selection(dialog)) << selectedEntry(dialog);
    EXPECT_EQ(AE_LOWER, itemText(dialog, IDC_JOKEFILE));
    EXPECT_EQ(6u, listEntries(dialog).size());
}

TEST_F(SettingsDialogTest, EmptyPathLeavesFieldEmptyAndNothingSelected)
{
    start();  // no joke folder yet: the default file does not open
    ASSERT_STREQ("", theApp->jokes->path());
    makeJokeFolder();
    open();
    EXPECT_EQ(6u, listEntries(dialog).size());
    EXPECT_EQ(CB_ERR, selection(dialog)) << selectedEntry(dialog);
    EXPECT_EQ("", itemText(dialog, IDC_JOKEFILE));
}

// With an empty list the field must still show the loaded path, although
// selecting in the still empty list clears it on this platform.
TEST_F(SettingsDialogTest, NoJokeFolderShowsPathWithEmptyList)
{
    makeJokeFolder();
    start();
    const std::string absolute = folder.full(DEFAULT_PATH);
    ASSERT_EQ(3, theApp->jokes->load(absolute.c_str()));
    ASSERT_TRUE(folder.makeDir("leer"));
    ASSERT_TRUE(SetCurrentDirectoryA(folder.full("leer").c_str()));
    open();
    EXPECT_EQ(0u, listEntries(dialog).size());
    EXPECT_EQ(absolute, itemText(dialog, IDC_JOKEFILE));

    // a relative path that does not resolve here shows as it is, too
    DestroyWindow(dialog);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    ASSERT_EQ(3, theApp->jokes->load(DEFAULT_PATH));
    ASSERT_TRUE(SetCurrentDirectoryA(folder.full("leer").c_str()));
    open();
    EXPECT_EQ(DEFAULT_PATH, itemText(dialog, IDC_JOKEFILE));
}

TEST_F(SettingsDialogTest, IntervalsAreShownUnsigned)
{
    makeJokeFolder();
    start();
    theApp->showSeconds = -1;
    theApp->pauseSeconds = INT_MIN;
    open();
    EXPECT_EQ("4294967295", itemText(dialog, IDC_SHOWSECONDS));
    EXPECT_EQ("2147483648", itemText(dialog, IDC_PAUSESECONDS));

    theApp->showSeconds = 0;
    theApp->pauseSeconds = INT_MAX;
    open();
    EXPECT_EQ("0", itemText(dialog, IDC_SHOWSECONDS));
    EXPECT_EQ("2147483647", itemText(dialog, IDC_PAUSESECONDS));
}

TEST_F(SettingsDialogTest, InitDialogPutsFocusOnDialogItself)
{
    makeJokeFolder();
    start();
    {
        // had the procedure returned TRUE instead, the dialog manager would
        // have given the focus to the first control that takes it first
        FocusLog log;
        open();
        ASSERT_FALSE(log.targets.empty());
        EXPECT_EQ(dialog, log.targets[0]);
    }
    SetFocus(GetDlgItem(dialog, IDC_SHOWSECONDS));
    FocusLog log;
    EXPECT_FALSE(SettingsDlgProc(dialog, WM_INITDIALOG, 0, 0));
    ASSERT_FALSE(log.targets.empty());
    EXPECT_EQ(dialog, log.targets[0]);
}

TEST_F(SettingsDialogTest, ApplyLoadsTypedFileWritesIntervalsAndStaysOpen)
{
    makeJokeFolder();
    start();
    open();
    ShowWindow(dialog, SW_SHOWNA);
    type("Witze\\Beste Witze.txt", "12", "34");
    EXPECT_FALSE(SettingsDlgProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0));
    EXPECT_STREQ("Witze\\Beste Witze.txt", theApp->jokes->path());
    EXPECT_EQ(5, theApp->jokes->count());
    EXPECT_EQ(12, theApp->showSeconds);
    EXPECT_EQ(34, theApp->pauseSeconds);
    EXPECT_TRUE(IsWindowVisible(dialog));

    // the fields are not refreshed, and nothing is saved
    EXPECT_EQ("Witze\\Beste Witze.txt", itemText(dialog, IDC_JOKEFILE));
    EXPECT_EQ("12", itemText(dialog, IDC_SHOWSECONDS));
    EXPECT_FALSE(readOptions().found);

    // a pick from the list reaches the field, and the field is applied
    LRESULT zzz = SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_FINDSTRINGEXACT, (WPARAM)-1,
                                      (LPARAM) "Witze\\ZZZ.TXT");
    ASSERT_NE(CB_ERR, zzz);
    SendDlgItemMessageA(dialog, IDC_JOKEFILE, CB_SETCURSEL, zzz, 0);
    press(IDC_APPLY);
    EXPECT_STREQ("Witze\\ZZZ.TXT", theApp->jokes->path());
    EXPECT_EQ(1, theApp->jokes->count());
    EXPECT_TRUE(IsWindowVisible(dialog));
}

TEST_F(SettingsDialogTest, ApplyRereadsTheFileAlreadyLoaded)
{
    makeJokeFolder();
    start();
    open();
    ASSERT_EQ(3, theApp->jokes->count());
    ASSERT_TRUE(folder.append(DEFAULT_PATH, jokeText(2)));
    press(IDC_APPLY);
    EXPECT_STREQ(DEFAULT_PATH, theApp->jokes->path());
    EXPECT_EQ(5, theApp->jokes->count());
}

TEST_F(SettingsDialogTest, ApplyWithMissingFileKeepsJokeFileButWritesIntervals)
{
    makeJokeFolder();
    start();
    open();
    type("Witze\\fehlt.txt", "7", "8");
    press(IDC_APPLY);
    EXPECT_STREQ(DEFAULT_PATH, theApp->jokes->path());
    EXPECT_EQ(3, theApp->jokes->count());
    EXPECT_EQ(7, theApp->showSeconds);
    EXPECT_EQ(8, theApp->pauseSeconds);
    EXPECT_EQ("Witze\\fehlt.txt", itemText(dialog, IDC_JOKEFILE));

    // a folder is no joke file either
    type("Witze\\x.txt", "9", "10");
    press(IDOK);
    EXPECT_STREQ(DEFAULT_PATH, theApp->jokes->path());
    EXPECT_EQ(9, theApp->showSeconds);
    EXPECT_EQ(10, theApp->pauseSeconds);
}

// The fields are read as unsigned numbers whatever they hold; text put in
// with WM_SETTEXT bypasses ES_NUMBER, as pasting might. 4294967295 itself
// is left out: this platform's GetDlgItemInt reads it as a failure.
TEST_F(SettingsDialogTest, IntervalFieldsReadAsUnsignedNumbers)
{
    makeJokeFolder();
    start();
    open();
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},           {"abc", 0},          {"4294967296", 0},   {"0", 0},
        {"45", 45},        {"4294967294", -2},  {"3000000000", -1294967296},
        {"2147483647", INT_MAX},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("field \"") + c.text + "\"");
        theApp->showSeconds = theApp->pauseSeconds = 77;
        type(DEFAULT_PATH, c.text, "5");
        press(IDC_APPLY);
        EXPECT_EQ(c.value, theApp->showSeconds);
        EXPECT_EQ(5, theApp->pauseSeconds);
        theApp->showSeconds = theApp->pauseSeconds = 77;
        type(DEFAULT_PATH, "5", c.text);
        press(IDC_APPLY);
        EXPECT_EQ(5, theApp->showSeconds);
        EXPECT_EQ(c.value, theApp->pauseSeconds);
    }
}

TEST_F(SettingsDialogTest, OkAppliesAndEnds)
{
    makeJokeFolder();
    start();
    open();
    ShowWindow(dialog, SW_SHOWNA);
    type("Witze\\aaa.Txt", "", "120");
    // the notification code is not looked at
    EXPECT_TRUE(SettingsDlgProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0));
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_STREQ("Witze\\aaa.Txt", theApp->jokes->path());
    EXPECT_EQ(0, theApp->showSeconds);
    EXPECT_EQ(120, theApp->pauseSeconds);
}

TEST_F(SettingsDialogTest, CancelAndCloseEndWithoutApplying)
{
    makeJokeFolder();
    start();
    const struct {
        const char* what;
        UINT message;
        WPARAM wParam;
    } enders[] = {
        {"Abbrechen", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {"close box", WM_CLOSE, 0},
    };
    for (const auto& e : enders) {
        SCOPED_TRACE(e.what);
        open();
        ShowWindow(dialog, SW_SHOWNA);
        type("Witze\\aaa.Txt", "1", "2");
        EXPECT_TRUE(SettingsDlgProc(dialog, e.message, e.wParam, 0));
        EXPECT_FALSE(IsWindowVisible(dialog));
        EXPECT_STREQ(DEFAULT_PATH, theApp->jokes->path());
        EXPECT_EQ(30, theApp->showSeconds);
        EXPECT_EQ(30, theApp->pauseSeconds);
    }
}

TEST_F(SettingsDialogTest, OtherCommandsNeitherApplyNorEnd)
{
    makeJokeFolder();
    start();
    open();
    ShowWindow(dialog, SW_SHOWNA);
    type("Witze\\aaa.Txt", "1", "2");
    const WPARAM others[] = {
        MAKEWPARAM(IDC_JOKEFILE, CBN_SELCHANGE), MAKEWPARAM(IDC_JOKEFILE, CBN_EDITCHANGE),
        MAKEWPARAM(IDC_SHOWSECONDS, EN_CHANGE),  MAKEWPARAM(IDC_PAUSESECONDS, EN_KILLFOCUS),
        MAKEWPARAM(IDCANCEL + 1, 0),             MAKEWPARAM(IDC_APPLY + 1, 0),
    };
    for (WPARAM w : others) {
        SCOPED_TRACE(testing::Message() << "wParam " << std::hex << w);
        EXPECT_FALSE(SettingsDlgProc(dialog, WM_COMMAND, w, 0));
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
    EXPECT_FALSE(SettingsDlgProc(dialog, WM_TIMER, 0, 0));
    EXPECT_STREQ(DEFAULT_PATH, theApp->jokes->path());
    EXPECT_EQ(30, theApp->showSeconds);
    EXPECT_EQ(30, theApp->pauseSeconds);
}

TEST_F(SettingsDialogTest, ApplyThenCancelKeepsWhatWasApplied)
{
    makeJokeFolder();
    start();
    open();
    type("Witze\\zzz.txt", "5", "6");
    press(IDC_APPLY);
    press(IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_STREQ("Witze\\zzz.txt", theApp->jokes->path());
    EXPECT_EQ(1, theApp->jokes->count());
    EXPECT_EQ(5, theApp->showSeconds);
    EXPECT_EQ(6, theApp->pauseSeconds);

    // the next opening reads the controller afresh
    open();
    EXPECT_EQ("Witze\\ZZZ.TXT", selectedEntry(dialog));
    EXPECT_EQ("Witze\\ZZZ.TXT", itemText(dialog, IDC_JOKEFILE));
    EXPECT_EQ("5", itemText(dialog, IDC_SHOWSECONDS));
    EXPECT_EQ("6", itemText(dialog, IDC_PAUSESECONDS));
}

// "Durchsuchen..." through the real file-open dialog: the chosen full path
// is shown but not loaded; "OK" loads it.
TEST_F(SettingsDialogTest, BrowseShowsChosenFullPathWithoutLoadingIt)
{
    makeJokeFolder();
    start();
    open();
    ShowWindow(dialog, SW_SHOW);
    const std::string chosen = folder.full("Witze\\aaa.Txt");
    HWND fileDialog = NULL;
    std::string offered;
    ModalScript script([&](int) {
        for (HWND w : threadDialogs())
            if (GetWindow(w, GW_OWNER) == dialog)
                fileDialog = w;
        if (!fileDialog)
            return false;
        // the file-name field: a combo box holding an edit field
        HWND edit = NULL;
        EnumChildWindows(GetDlgItem(fileDialog, 0x47C), findEdit, (LPARAM)&edit);
        if (!edit)
            return false;
        char text[1024] = "";
        GetWindowTextA(edit, text, sizeof text);
        offered = text;
        SetWindowTextA(edit, chosen.c_str());
        PostMessageA(fileDialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    char before[MAX_PATH] = "", after[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, before);
    press(IDC_BROWSE);
    ASSERT_FALSE(script.rescued()) << "the file-open dialog did not come up or did not end";
    ASSERT_TRUE(script.finished());
    EXPECT_FALSE(IsWindow(fileDialog));
    // relative joke paths are found from the current folder: it stays
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(before, after);
    // what the file-open dialog was given is the loaded file
    EXPECT_NE(std::string::npos, offered.find("Blondinen.txt")) << offered;

    EXPECT_EQ(0, lstrcmpiA(chosen.c_str(), itemText(dialog, IDC_JOKEFILE).c_str()))
        << itemText(dialog, IDC_JOKEFILE);
    EXPECT_EQ(CB_ERR, selection(dialog)) << selectedEntry(dialog);
    EXPECT_STREQ(DEFAULT_PATH, theApp->jokes->path());
    EXPECT_TRUE(IsWindowVisible(dialog));

    const std::string shown = itemText(dialog, IDC_JOKEFILE);
    press(IDOK);
    EXPECT_STREQ(shown.c_str(), theApp->jokes->path());
    EXPECT_EQ(2, theApp->jokes->count());
    open();
    EXPECT_EQ(shown, itemText(dialog, IDC_JOKEFILE));
    EXPECT_EQ(CB_ERR, selection(dialog));
}

// The modal dialog as the menu command opens it: topmost, owned by the
// bubble; Escape ends it without applying, Enter applies.
TEST_F(SettingsDialogTest, ModalEscapeCancelsAndEnterApplies)
{
    makeJokeFolder();
    start();
    HWND bubble = theApp->bubble->window();
    for (WPARAM key : {(WPARAM)VK_ESCAPE, (WPARAM)VK_RETURN}) {
        SCOPED_TRACE(key == VK_ESCAPE ? "Escape" : "Enter");
        HWND modal = NULL;
        HWND owner = NULL;
        LONG exStyle = 0;
        ModalScript script([&](int) {
            modal = findDialog("Grinsel Einstellungen");
            if (!modal)
                return false;
            owner = GetWindow(modal, GW_OWNER);
            exStyle = GetWindowLongA(modal, GWL_EXSTYLE);
            SetDlgItemTextA(modal, IDC_SHOWSECONDS, "99");
            PostMessageA(modal, WM_KEYDOWN, key, 0);
            return true;
        });
        SendMessageA(bubble, WM_COMMAND, IDM_SETTINGS, 0);
        ASSERT_FALSE(script.rescued());
        EXPECT_FALSE(IsWindow(modal));
        EXPECT_EQ(bubble, owner);
        // never behind the bubble: topmost, as the template asks on Windows
        // and as the topmost owner makes it here
        EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
        EXPECT_EQ(key == VK_ESCAPE ? 30 : 99, theApp->showSeconds);
    }
}

TEST(EditorParameterTest, QuotesPathsWithBlanksOnly)
{
    const struct {
        const char* path;
        const char* parameter;
    } cases[] = {
        {"Witze\\Blondinen.txt", "Witze\\Blondinen.txt"},
        {"", ""},
        {"C:\\Meine Witze\\Beste Witze.txt", "\"C:\\Meine Witze\\Beste Witze.txt\""},
        {" ", "\" \""},
    };
    for (const auto& c : cases) {
        char out[1026];
        editorParameter(c.path, out, sizeof out);
        EXPECT_STREQ(c.parameter, out);
    }
}

// The longest path with a blank needs both quotes and the terminator:
// 1026 bytes, and not one more.
TEST(EditorParameterTest, LongestPathsFitWithoutOverflow)
{
    std::string withBlank = "Meine Witze\\" + std::string(1023 - 12, 'w');
    std::string plain(1023, 'p');
    ASSERT_EQ(1023u, withBlank.size());

    std::vector<char> out(1026 + 16, '#');
    editorParameter(withBlank.c_str(), out.data(), 1026);
    EXPECT_EQ("\"" + withBlank + "\"", std::string(out.data()));
    EXPECT_EQ(std::string(16, '#'), std::string(out.data() + 1026, 16));

    std::fill(out.begin(), out.end(), '#');
    editorParameter(plain.c_str(), out.data(), 1024);
    EXPECT_EQ(plain, std::string(out.data()));
    EXPECT_EQ(std::string(18, '#'), std::string(out.data() + 1024, 18));

    // a buffer too small is filled, terminated, and not overrun
    for (size_t size : {1u, 2u, 3u, 10u, 1025u}) {
        SCOPED_TRACE(testing::Message() << "size " << size);
        for (const std::string& path : {withBlank, plain}) {
            std::fill(out.begin(), out.end(), '#');
            editorParameter(path.c_str(), out.data(), size);
            EXPECT_NE(nullptr, memchr(out.data(), '\0', size));
            EXPECT_EQ(std::string(out.size() - size, '#'),
                      std::string(out.data() + size, out.size() - size));
        }
    }
}

class AboutDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        hInst = GetModuleHandleA(NULL);
        owner = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10,
                                NULL, NULL, hInst, NULL);
        ASSERT_NE(owner, nullptr);
        about = CreateDialogParamA(hInst, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDlgProc, 0);
        ASSERT_NE(about, nullptr);
    }
    void TearDown() override
    {
        if (about && IsWindow(about))
            DestroyWindow(about);
        if (owner)
            DestroyWindow(owner);
    }
    HWND owner = NULL;
    HWND about = NULL;
};

TEST_F(AboutDialogTest, InitDialogPutsFocusOnDialogItself)
{
    DestroyWindow(about);
    {
        FocusLog log;
        about = CreateDialogParamA(hInst, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDlgProc, 0);
        ASSERT_NE(about, nullptr);
        ASSERT_FALSE(log.targets.empty());
        EXPECT_EQ(about, log.targets[0]);
    }
    SetFocus(GetDlgItem(about, IDOK));
    FocusLog log;
    EXPECT_FALSE(AboutDlgProc(about, WM_INITDIALOG, 0, 0));
    ASSERT_FALSE(log.targets.empty());
    EXPECT_EQ(about, log.targets[0]);
}

TEST_F(AboutDialogTest, OkAndCloseEndIt)
{
    const struct {
        const char* what;
        UINT message;
        WPARAM wParam;
    } enders[] = {
        {"OK", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)},
        {"OK by accelerator", WM_COMMAND, MAKEWPARAM(IDOK, 1)},
        {"close box", WM_CLOSE, 0},
    };
    for (const auto& e : enders) {
        SCOPED_TRACE(e.what);
        ShowWindow(about, SW_SHOWNA);
        ASSERT_TRUE(IsWindowVisible(about));
        EXPECT_TRUE(AboutDlgProc(about, e.message, e.wParam, 0));
        EXPECT_FALSE(IsWindowVisible(about));
    }
}

TEST_F(AboutDialogTest, EscapeAndOtherMessagesLeaveItOpen)
{
    ShowWindow(about, SW_SHOWNA);
    const WPARAM commands[] = {MAKEWPARAM(IDCANCEL, BN_CLICKED), MAKEWPARAM(IDC_APPLY, 0),
                               MAKEWPARAM(0xFFFF, 0)};
    for (WPARAM w : commands) {
        SCOPED_TRACE(testing::Message() << "wParam " << std::hex << w);
        EXPECT_FALSE(AboutDlgProc(about, WM_COMMAND, w, 0));
        EXPECT_TRUE(IsWindowVisible(about));
    }
    EXPECT_FALSE(AboutDlgProc(about, WM_TIMER, 0, 0));
    EXPECT_FALSE(AboutDlgProc(about, WM_KEYDOWN, VK_ESCAPE, 0));
    EXPECT_TRUE(IsWindowVisible(about));
}

// Keys through the real modal loop of the menu command: Escape leaves the
// box open, Enter ends it.
TEST(AboutModalTest, EscapeKeepsItOpenEnterEndsIt)
{
    ScratchFolder folder;
    ASSERT_TRUE(folder.ok());
    deleteSettingsKey();
    {
        RealApp app;
        HWND bubble = theApp->bubble->window();
        HWND about = NULL;
        HWND owner = NULL;
        bool openAfterEscape = false;
        int escapeTick = -1;
        ModalScript script([&](int tick) {
            if (!about) {
                about = findDialog("Grinsel 1.0");
                if (!about)
                    return false;
                owner = GetWindow(about, GW_OWNER);
                PostMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0);
                escapeTick = tick;
                return false;
            }
            // posted keys go before the next timer message
            if (tick == escapeTick)
                return false;
            openAfterEscape = IsWindow(about) && IsWindowVisible(about);
            PostMessageA(about, WM_KEYDOWN, VK_RETURN, 0);
            return true;
        });
        SendMessageA(bubble, WM_COMMAND, IDM_ABOUT, 0);
        ASSERT_FALSE(script.rescued());
        EXPECT_TRUE(openAfterEscape);
        EXPECT_EQ(bubble, owner);
        EXPECT_FALSE(IsWindow(about));
    }
    deleteSettingsKey();
}

}  // namespace
