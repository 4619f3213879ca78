// Start-up time under the same platform, side by side: starts each program
// in turn, measures from CreateProcess to its window being visible and
// painted, closes it, and prints the medians and their ratio.
//   startbench.exe PROGRAM_A CLASS_A PROGRAM_B CLASS_B [ROUNDS]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

static double now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return (double)count.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

// the window's middle pixel differs from the desktop's colour: it has been
// painted, not only shown
static bool painted(HWND window, COLORREF desktop)
{
    RECT r;
    GetWindowRect(window, &r);
    HDC screen = GetDC(NULL);
    COLORREF middle = GetPixel(screen, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ReleaseDC(NULL, screen);
    return middle != CLR_INVALID && middle != desktop;
}

// milliseconds until the window of windowClass is on the screen, or -1
static double timeStart(const char* program, const char* windowClass)
{
    HDC screen = GetDC(NULL);
    COLORREF desktop = GetPixel(screen, 2, 2);
    ReleaseDC(NULL, screen);

    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    char commandLine[MAX_PATH];
    lstrcpynA(commandLine, program, MAX_PATH);

    double start = now();
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return -1;
    double elapsed = -1;
    while (now() - start < 10000) {
        HWND window = FindWindowA(windowClass, NULL);
        if (window && IsWindowVisible(window) && painted(window, desktop)) {
            elapsed = now() - start;
            PostMessageA(window, WM_CLOSE, 0, 0);
            break;
        }
        Sleep(0);
    }
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return elapsed;
}

static double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

int main(int argc, char** argv)
{
    if (argc < 5) {
        fprintf(stderr, "usage: startbench PROGRAM_A CLASS_A PROGRAM_B CLASS_B [ROUNDS]\n");
        return 2;
    }
    int rounds = argc > 5 ? atoi(argv[5]) : 9;
    GetDesktopWindow();

    // one unmeasured start each: the first start pays for loading the DLLs
    timeStart(argv[1], argv[2]);
    timeStart(argv[3], argv[4]);

    std::vector<double> a, b;
    for (int i = 0; i < rounds; ++i) {
        double ta = timeStart(argv[1], argv[2]);
        double tb = timeStart(argv[3], argv[4]);
        if (ta < 0 || tb < 0) {
            fprintf(stderr, "a window did not appear\n");
            return 1;
        }
        a.push_back(ta);
        b.push_back(tb);
    }
    double ma = median(a), mb = median(b);
    printf("start to window painted: %s %.1f ms, %s %.1f ms (median of %d), ratio %.2f\n",
           argv[1], ma, argv[3], mb, rounds, ma / mb);
    return 0;
}
