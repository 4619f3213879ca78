// The compiled resources of this executable: languages, the tray menu, the
// raw dialog templates value by value, the settings dialog as the platform
// builds it, and the version block. German texts are compared as Windows-1252
// bytes where the ANSI calls return them and as UTF-16 in the raw data.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/win/DialogFixture.h"

using dialogfx::windowClass;

namespace {

const WORD GERMAN = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

// the raw bytes of one resource in one language
std::vector<BYTE> resourceBytes(LPCSTR type, int id, WORD language)
{
    HMODULE module = GetModuleHandleA(NULL);
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : NULL;
    if (!data)
        return {};
    return std::vector<BYTE>(data, data + SizeofResource(module, found));
}

// the raw bytes of one resource in German (Germany)
std::vector<BYTE> germanResource(LPCSTR type, int id)
{
    return resourceBytes(type, id, GERMAN);
}

TEST(ResourceTest, EveryResourceIsGermanOfGermany)
{
    ASSERT_EQ(0x0407, GERMAN);
    const struct {
        const char* what;
        LPCSTR type;
        int id;
    } expected[] = {
        {"menu", RT_MENU, IDR_TRAYMENU},       {"about box", RT_DIALOG, IDD_ABOUT},
        {"settings", RT_DIALOG, IDD_SETTINGS}, {"active icon", RT_GROUP_ICON, IDI_ACTIVE},
        {"stopped icon", RT_GROUP_ICON, IDI_STOPPED},
    };
    for (const auto& e : expected)
        EXPECT_FALSE(germanResource(e.type, e.id).empty()) << e.what;
    EXPECT_EQ(103, IDR_TRAYMENU);
    EXPECT_EQ(104, IDD_ABOUT);
    EXPECT_EQ(105, IDD_SETTINGS);
    EXPECT_EQ(101, IDI_ACTIVE);
    EXPECT_EQ(102, IDI_STOPPED);
}

// Each icon: six 16-colour images, largest first, one for each small and
// large icon size the shell asks for between 100 and 200 % display scale.
TEST(ResourceTest, IconsHoldSixteenColourImagesInSixSizes)
{
    const std::vector<int> expected = {48, 40, 32, 24, 20, 16};
    for (int id : {IDI_ACTIVE, IDI_STOPPED}) {
        SCOPED_TRACE(testing::Message() << "icon " << id);
        std::vector<BYTE> group = germanResource(RT_GROUP_ICON, id);
        ASSERT_GE(group.size(), 6u);
        const WORD* header = reinterpret_cast<const WORD*>(group.data());
        EXPECT_EQ(0, header[0]);
        EXPECT_EQ(1, header[1]);
        ASSERT_EQ(expected.size(), header[2]);
        ASSERT_EQ(6u + expected.size() * 14, group.size());
        std::vector<int> sizes;
        for (size_t i = 0; i < expected.size(); ++i) {
            const BYTE* entry = group.data() + 6 + 14 * i;
            sizes.push_back(entry[0]);
            EXPECT_EQ(entry[0], entry[1]) << "square";
            const WORD bits = *reinterpret_cast<const WORD*>(entry + 6);
            EXPECT_TRUE(entry[2] == 16 || bits == 4)
                << "colours " << int(entry[2]) << ", bits " << bits;
            // the image itself, not only the directory, is 4 bits per pixel
            // and as large as its entry says (twice as high: colour and mask)
            const WORD image = *reinterpret_cast<const WORD*>(entry + 12);
            std::vector<BYTE> dib = germanResource(RT_ICON, image);
            ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER)) << "image " << image;
            const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
            EXPECT_EQ(entry[0], bih->biWidth);
            EXPECT_EQ(2 * entry[0], bih->biHeight);
            EXPECT_EQ(4, bih->biBitCount);
        }
        EXPECT_EQ(expected, sizes);
    }
}

TEST(ResourceTest, TrayMenuItemsInOrder)
{
    ASSERT_EQ(1252u, GetACP()) << "the expected texts are Windows-1252 bytes";
    HMENU menu = LoadMenuA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_TRAYMENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(1, GetMenuItemCount(menu));
    char text[128] = "";
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("(Obermen\xFC)", text);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);

    const struct {
        UINT id;  // 0: separator
        const char* text;
        bool checked;
    } items[] = {
        {IDM_ACTIVE, "Aktiv", true},
        {IDM_REST, "Eine Stunde Ruhe", false},
        {IDM_AUTOSTART, "Mit Windows starten", false},
        {0, "", false},
        {IDM_SETTINGS, "Einstellungen", false},
        {IDM_ABOUT, "Info \xFC" "ber Grinsel", false},
        {0, "", false},
        {IDM_COPYJOKE, "Witz kopieren", false},
        {IDM_NEXTJOKE, "N\xE4" "chster Witz ...", false},
        {IDM_EXIT, "Beenden", false},
    };
    ASSERT_EQ(10, GetMenuItemCount(popup));
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(testing::Message() << "position " << i + 1);
        UINT state = GetMenuState(popup, i, MF_BYPOSITION);
        if (!items[i].id) {
            EXPECT_TRUE(state & MF_SEPARATOR);
            continue;
        }
        EXPECT_FALSE(state & (MF_SEPARATOR | MF_POPUP | MF_GRAYED | MF_DISABLED));
        EXPECT_EQ(items[i].id, GetMenuItemID(popup, i));
        text[0] = '\0';
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(items[i].text, text);
        EXPECT_EQ(items[i].checked, (state & MF_CHECKED) != 0);
    }
    EXPECT_EQ(40004, IDM_SETTINGS);
    EXPECT_EQ(40005, IDM_ACTIVE);
    EXPECT_EQ(40006, IDM_ABOUT);
    EXPECT_EQ(40009, IDM_EXIT);
    EXPECT_EQ(40011, IDM_NEXTJOKE);
    EXPECT_EQ(40012, IDM_AUTOSTART);
    DestroyMenu(menu);
}

// A DLGTEMPLATE and its DLGITEMTEMPLATEs, read as the dialog manager reads
// them.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring name;
};

struct RawItem {
    DWORD style, exStyle;
    short x, y, cx, cy;
    WORD id;
    NameOrOrdinal cls, title;
    WORD extra;
};

struct RawDialog {
    bool ok = false;
    DWORD style, exStyle;
    WORD count;
    short x, y, cx, cy;
    NameOrOrdinal menu, cls;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring font;
    std::vector<RawItem> items;
    size_t end = 0;  // bytes used
};

class Reader {
public:
    explicit Reader(const std::vector<BYTE>& data) : data(data) {}
    bool ok() const { return good; }
    size_t offset() const { return pos; }

    WORD word()
    {
        if (pos + 2 > data.size()) {
            good = false;
            return 0;
        }
        WORD w = WORD(data[pos] | (data[pos + 1] << 8));
        pos += 2;
        return w;
    }
    DWORD dword()
    {
        DWORD low = word();
        return low | (DWORD(word()) << 16);
    }
    std::wstring string()
    {
        std::wstring s;
        for (WORD c = word(); good && c; c = word())
            s += wchar_t(c);
        return s;
    }
    NameOrOrdinal nameOrOrdinal()
    {
        NameOrOrdinal n;
        WORD first = word();
        if (first == 0xFFFF) {
            n.isOrdinal = true;
            n.ordinal = word();
        } else if (first) {
            n.name += wchar_t(first);
            n.name += string();
        }
        return n;
    }
    void alignDword() { pos = (pos + 3) & ~size_t(3); }

private:
    const std::vector<BYTE>& data;
    size_t pos = 0;
    bool good = true;
};

RawDialog parseDialog(const std::vector<BYTE>& data)
{
    RawDialog d;
    Reader r(data);
    d.style = r.dword();
    d.exStyle = r.dword();
    d.count = r.word();
    d.x = (short)r.word();
    d.y = (short)r.word();
    d.cx = (short)r.word();
    d.cy = (short)r.word();
    d.menu = r.nameOrOrdinal();
    d.cls = r.nameOrOrdinal();
    d.caption = r.string();
    if (d.style & DS_SETFONT) {
        d.pointSize = r.word();
        d.font = r.string();
    }
    for (int i = 0; i < d.count && r.ok(); ++i) {
        r.alignDword();
        RawItem it;
        it.style = r.dword();
        it.exStyle = r.dword();
        it.x = (short)r.word();
        it.y = (short)r.word();
        it.cx = (short)r.word();
        it.cy = (short)r.word();
        it.id = r.word();
        it.cls = r.nameOrOrdinal();
        it.title = r.nameOrOrdinal();
        it.extra = r.word();
        for (WORD b = 0; b < it.extra; ++b)  // skipped byte by byte
            if (b % 2 == 0)
                r.word();
        d.items.push_back(it);
    }
    d.ok = r.ok();
    d.end = r.offset();
    return d;
}

struct ExpectedItem {
    WORD id;
    WORD cls;  // predefined class ordinal
    const wchar_t* text;
    DWORD style;
    short x, y, cx, cy;
};

void checkItems(const RawDialog& d, const std::vector<ExpectedItem>& expected)
{
    ASSERT_EQ(expected.size(), d.items.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "control " << i + 1);
        const RawItem& it = d.items[i];
        const ExpectedItem& e = expected[i];
        EXPECT_EQ(e.id, it.id);
        EXPECT_TRUE(it.cls.isOrdinal);
        EXPECT_EQ(e.cls, it.cls.ordinal);
        EXPECT_FALSE(it.title.isOrdinal);
        EXPECT_EQ(std::wstring(e.text), it.title.name);
        EXPECT_EQ(e.style, it.style) << std::hex << it.style;
        EXPECT_EQ(0u, it.exStyle);
        EXPECT_EQ(e.x, it.x);
        EXPECT_EQ(e.y, it.y);
        EXPECT_EQ(e.cx, it.cx);
        EXPECT_EQ(e.cy, it.cy);
        EXPECT_EQ(0, it.extra);
    }
}

const WORD BUTTON = 0x80, EDIT = 0x81, STATIC = 0x82, COMBOBOX = 0x85;
const WORD NO_ID = 0xFFFF;

TEST(ResourceTest, SettingsTemplateValueByValue)
{
    std::vector<BYTE> data = germanResource(RT_DIALOG, IDD_SETTINGS);
    ASSERT_FALSE(data.empty());
    RawDialog d = parseDialog(data);
    ASSERT_TRUE(d.ok);
    EXPECT_LE(d.end, data.size());
    EXPECT_EQ(0x80C808C6u, d.style) << std::hex << d.style;
    EXPECT_EQ(DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT |
                    DS_CENTER | DS_3DLOOK | DS_SYSMODAL),
              d.style);
    EXPECT_EQ(0u, d.exStyle);
    EXPECT_EQ(13, d.count);
    EXPECT_EQ(0, d.x);
    EXPECT_EQ(0, d.y);
    EXPECT_EQ(236, d.cx);
    EXPECT_EQ(85, d.cy);
    EXPECT_TRUE(!d.menu.isOrdinal && d.menu.name.empty()) << "no menu";
    EXPECT_TRUE(!d.cls.isOrdinal && d.cls.name.empty()) << "standard dialog class";
    EXPECT_EQ(L"Grinsel Einstellungen", d.caption);
    EXPECT_EQ(8, d.pointSize);
    EXPECT_EQ(L"MS Sans Serif", d.font);

    checkItems(d, {
        {IDOK, BUTTON, L"OK", 0x50010001, 68, 64, 52, 14},
        {IDCANCEL, BUTTON, L"Abbrechen", 0x50010000, 124, 64, 52, 14},
        {IDC_BROWSE, BUTTON, L"Durchsuchen...", 0x50010000, 168, 8, 60, 12},
        {IDC_JOKEFILE, COMBOBOX, L"", 0x50210142, 52, 8, 110, 48},
        {NO_ID, STATIC, L"Witzedatei:", 0x50020200, 8, 8, 40, 12},
        {IDC_APPLY, BUTTON, L"\u00DC" L"bernehmen", 0x50010000, 180, 64, 50, 14},
        {NO_ID, STATIC, L"Witz zeigen:", 0x50020200, 12, 44, 40, 16},
        {IDC_SHOWSECONDS, EDIT, L"", 0x50812080, 56, 44, 28, 14},
        {NO_ID, STATIC, L"N\u00E4" L"chster Witz nach:", 0x50020200, 108, 44, 68, 16},
        {IDC_PAUSESECONDS, EDIT, L"", 0x50812080, 180, 44, 28, 14},
        {NO_ID, STATIC, L"sek", 0x50020200, 212, 44, 12, 16},
        {IDC_EDITFILE, BUTTON, L"Diese Datei mit dem Windows-Wordpad editieren...", 0x50010000,
         52, 24, 176, 14},
        {NO_ID, STATIC, L"sek", 0x50020200, 88, 44, 12, 16},
    });
    EXPECT_EQ(1002, IDC_BROWSE);
    EXPECT_EQ(1003, IDC_JOKEFILE);
    EXPECT_EQ(1004, IDC_APPLY);
    EXPECT_EQ(1006, IDC_SHOWSECONDS);
    EXPECT_EQ(1007, IDC_PAUSESECONDS);
    EXPECT_EQ(1010, IDC_EDITFILE);
}

TEST(ResourceTest, AboutTemplateValueByValue)
{
    std::vector<BYTE> data = germanResource(RT_DIALOG, IDD_ABOUT);
    ASSERT_FALSE(data.empty());
    RawDialog d = parseDialog(data);
    ASSERT_TRUE(d.ok);
    EXPECT_LE(d.end, data.size());
    EXPECT_EQ(0x80C808C0u, d.style) << std::hex << d.style;
    EXPECT_EQ(0u, d.exStyle);
    EXPECT_EQ(3, d.count);
    EXPECT_EQ(0, d.x);
    EXPECT_EQ(0, d.y);
    EXPECT_EQ(208, d.cx);
    EXPECT_EQ(39, d.cy);
    EXPECT_TRUE(!d.menu.isOrdinal && d.menu.name.empty());
    EXPECT_TRUE(!d.cls.isOrdinal && d.cls.name.empty());
    EXPECT_EQ(L"Grinsel 1.0", d.caption);
    EXPECT_EQ(8, d.pointSize);
    EXPECT_EQ(L"MS Sans Serif", d.font);
    ASSERT_EQ(3u, d.items.size());

    const RawItem& ok = d.items[0];
    EXPECT_EQ(IDOK, ok.id);
    EXPECT_EQ(BUTTON, ok.cls.ordinal);
    EXPECT_EQ(L"OK", ok.title.name);
    EXPECT_EQ(0x50010001u, ok.style);
    EXPECT_EQ((std::vector<short>{148, 8, 50, 14}),
              (std::vector<short>{ok.x, ok.y, ok.cx, ok.cy}));

    // the icon is named by its number, not by a name
    const RawItem& icon = d.items[1];
    EXPECT_EQ(NO_ID, icon.id);
    EXPECT_EQ(STATIC, icon.cls.ordinal);
    EXPECT_TRUE(icon.title.isOrdinal);
    EXPECT_EQ(IDI_ACTIVE, icon.title.ordinal);
    EXPECT_EQ(0x50000003u, icon.style);
    EXPECT_EQ((std::vector<short>{7, 7, 20, 20}),
              (std::vector<short>{icon.x, icon.y, icon.cx, icon.cy}));

    // author, e-mail address, web address
    const RawItem& text = d.items[2];
    EXPECT_EQ(NO_ID, text.id);
    EXPECT_EQ(STATIC, text.cls.ordinal);
    EXPECT_EQ(0x50020000u, text.style);
    EXPECT_EQ((std::vector<short>{36, 8, 108, 25}),
              (std::vector<short>{text.x, text.y, text.cx, text.cy}));
    const std::wstring& lines = text.title.name;
    size_t first = lines.find(L'\n');
    size_t second = lines.find(L'\n', first + 1);
    ASSERT_NE(std::wstring::npos, second) << "three lines";
    EXPECT_EQ(std::wstring::npos, lines.find(L'\n', second + 1));
    EXPECT_GT(first, 0u);
    EXPECT_NE(std::wstring::npos, lines.substr(first + 1, second - first - 1).find(L'@'));
    EXPECT_GT(lines.size(), second + 1);
    for (const RawItem& it : d.items)
        EXPECT_EQ(0u, it.exStyle);
}

INT_PTR CALLBACK plainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The settings dialog as the platform builds it from the template: the
// windows, their order, classes, styles and ANSI texts.
TEST(ResourceTest, SettingsDialogAsBuilt)
{
    ASSERT_EQ(1252u, GetACP());
    HINSTANCE module = GetModuleHandleA(NULL);
    HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_SETTINGS), NULL,
                                     plainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    char text[128] = "";
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_STREQ("Grinsel Einstellungen", text);
    // every top-level window gets WS_CLIPSIBLINGS from the platform
    const DWORD style = (DWORD)GetWindowLongA(dialog, GWL_STYLE) & ~(WS_VISIBLE | WS_CLIPSIBLINGS);
    EXPECT_EQ(0x80C808C6u, style) << std::hex << style;
    const struct {
        int id;
        const char* cls;
        const char* text;
        DWORD style;
    } expected[] = {
        {IDOK, "Button", "OK", 0x50010001},
        {IDCANCEL, "Button", "Abbrechen", 0x50010000},
        {IDC_BROWSE, "Button", "Durchsuchen...", 0x50010000},
        {IDC_JOKEFILE, "ComboBox", "", 0x50210142},
        {NO_ID, "Static", "Witzedatei:", 0x50020200},
        {IDC_APPLY, "Button", "\xDC" "bernehmen", 0x50010000},
        {NO_ID, "Static", "Witz zeigen:", 0x50020200},
        {IDC_SHOWSECONDS, "Edit", "", 0x50812080},
        {NO_ID, "Static", "N\xE4" "chster Witz nach:", 0x50020200},
        {IDC_PAUSESECONDS, "Edit", "", 0x50812080},
        {NO_ID, "Static", "sek", 0x50020200},
        {IDC_EDITFILE, "Button", "Diese Datei mit dem Windows-Wordpad editieren...", 0x50010000},
        {NO_ID, "Static", "sek", 0x50020200},
    };
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const auto& e : expected) {
        SCOPED_TRACE(e.text);
        ASSERT_NE(child, nullptr) << "too few controls";
        EXPECT_EQ(e.id, LOWORD(GetDlgCtrlID(child)));
        EXPECT_EQ(e.cls, windowClass(child));
        GetWindowTextA(child, text, sizeof text);
        EXPECT_STREQ(e.text, text);
        // the combo box hands its scroll bar to its list, and the edit
        // field draws its border as a client edge; the raw template test
        // holds those bits exactly
        DWORD s = (DWORD)GetWindowLongA(child, GWL_STYLE);
        const DWORD exStyle = (DWORD)GetWindowLongA(child, GWL_EXSTYLE);
        if (windowClass(child) == "ComboBox")
            s |= WS_VSCROLL;
        if (windowClass(child) == "Edit" && (exStyle & WS_EX_CLIENTEDGE))
            s |= WS_BORDER;
        EXPECT_EQ(e.style, s) << std::hex << s;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, child) << "more controls than expected";
    DestroyWindow(dialog);
}

// The about box's icon control resolves the icon named by number.
TEST(ResourceTest, AboutDialogShowsProgramIcon)
{
    HINSTANCE module = GetModuleHandleA(NULL);
    HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_ABOUT), NULL,
                                     plainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    char text[64] = "";
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_STREQ("Grinsel 1.0", text);
    EXPECT_FALSE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HWND icon = GetWindow(GetDlgItem(dialog, IDOK), GW_HWNDNEXT);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ("Static", windowClass(icon));
    EXPECT_NE(nullptr, (HICON)SendMessageA(icon, STM_GETICON, 0, 0));
    DestroyWindow(dialog);
}

TEST(ResourceTest, VersionInfoNamesProductInGerman)
{
    EXPECT_FALSE(germanResource(RT_VERSION, 1).empty());
    HMODULE version = LoadLibraryA("version.dll");
    ASSERT_NE(version, nullptr);
    typedef DWORD(WINAPI * SizeFn)(LPCSTR, LPDWORD);
    typedef BOOL(WINAPI * InfoFn)(LPCSTR, DWORD, DWORD, LPVOID);
    typedef BOOL(WINAPI * QueryFn)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    SizeFn infoSize = (SizeFn)(void*)GetProcAddress(version, "GetFileVersionInfoSizeA");
    InfoFn info = (InfoFn)(void*)GetProcAddress(version, "GetFileVersionInfoA");
    QueryFn query = (QueryFn)(void*)GetProcAddress(version, "VerQueryValueA");
    ASSERT_TRUE(infoSize && info && query);

    char file[MAX_PATH];
    GetModuleFileNameA(NULL, file, sizeof file);
    DWORD size = infoSize(file, NULL);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(info(file, 0, size, block.data()));

    WORD* translation = NULL;
    UINT length = 0;
    ASSERT_TRUE(query(block.data(), "\\VarFileInfo\\Translation", (void**)&translation, &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(0x0407, translation[0]);
    EXPECT_EQ(1252, translation[1]);

    char* product = NULL;
    ASSERT_TRUE(query(block.data(), "\\StringFileInfo\\040704E4\\ProductName", (void**)&product,
                      &length));
    EXPECT_STREQ("Grinsel", product);
    VS_FIXEDFILEINFO* fixed = NULL;
    ASSERT_TRUE(query(block.data(), "\\", (void**)&fixed, &length));
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    FreeLibrary(version);
}

}  // namespace

// The manifest: the platform accepts it as an activation context, it asks
// for no elevation and names the supported systems, and the process that
// carries it (this one) gets version 6 of the common controls.
TEST(ResourceTest, ManifestIsAcceptedAndBringsTheCurrentCommonControls)
{
    std::vector<BYTE> bytes = resourceBytes(MAKEINTRESOURCEA(24), 1, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_FALSE(bytes.empty()) << "no manifest";
    const std::string xml(bytes.begin(), bytes.end());

    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    ACTCTXA context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = self;
    context.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE parsed = CreateActCtxA(&context);
    EXPECT_NE(INVALID_HANDLE_VALUE, parsed) << "the platform refuses the manifest";
    if (parsed != INVALID_HANDLE_VALUE)
        ReleaseActCtx(parsed);

    EXPECT_NE(std::string::npos, xml.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, xml.find("uiAccess=\"false\""));
    for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",    // 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",    // 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",    // 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})  // 10 and 11
        EXPECT_NE(std::string::npos, xml.find(std::string("<supportedOS Id=\"") + os + "\"/>")) << os;
    // system DPI aware, and nothing more: the bubble sits on the primary
    // screen and draws in the stock font made for the system DPI
    const size_t settings = xml.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n    <windowsSettings>");
    const size_t aware = xml.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>");
    EXPECT_NE(std::string::npos, settings);
    EXPECT_NE(std::string::npos, aware);
    EXPECT_LT(settings, aware);
    EXPECT_LT(aware, xml.find("</windowsSettings>"));
    EXPECT_EQ(std::string::npos, xml.find("dpiAwareness"));

    // the common controls come from their side-by-side assembly of version 6
    // (Wine's copy there still calls itself 5.81)
    HMODULE controls = LoadLibraryA("comctl32.dll");
    ASSERT_TRUE(controls);
    char path[MAX_PATH] = "";
    GetModuleFileNameA(controls, path, sizeof path);
    CharLowerA(path);
    EXPECT_NE(nullptr, strstr(path, "\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0."))
        << path;
}
