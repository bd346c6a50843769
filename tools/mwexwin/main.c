/* A Windows build of the stand-in Logo program, for running the shell's Wine path.
 *
 * It behaves like the native stand-in (tools/mwex): it takes the work's path as its
 * argument, shows one top-level window titled with the work's file name, and appends one
 * line per start to "mwex.log" beside itself, in UTF-8:
 *   <pid> TAB <working folder> TAB <argument count> TAB <argument 1> ... TAB <command line>
 * The pid is the Unix one (the id the window manager sees in _NET_WM_PID); the argument
 * list is what the program's own command-line rules give, and the last field is the
 * command line exactly as the program received it.
 *
 * "mwex.cfg" beside it, one "key=value" a line, makes it misbehave on purpose:
 *   exit=1            exit at once without a window
 *   exit_first=N      exit at once without a window on the first N starts (counted in
 *                     "mwex.count" beside it)
 *   delay=N           show the window only after N milliseconds
 *   state=maximized   start maximized (or minimized)
 *   size=W,H          the window's first size (default 400,300)
 */
#define WIN32_LEAN_AND_MEAN
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static wchar_t here[MAX_PATH]; /* folder of this program, with a final "\" */

static int exitAtOnce, exitFirst, delayMs, width = 400, height = 300, showMode = SW_SHOWNORMAL;

static void beside(wchar_t *out, size_t n, const wchar_t *name) {
    _snwprintf(out, n, L"%ls%ls", here, name);
    out[n - 1] = 0;
}

static void readConfig(void) {
    wchar_t path[MAX_PATH + 16];
    beside(path, MAX_PATH + 16, L"mwex.cfg");
    FILE *f = _wfopen(path, L"rb");
    if (!f)
        return;
    char line[256];
    while (fgets(line, sizeof line, f)) {
        char *eq = strchr(line, '=');
        if (!eq)
            continue;
        *eq = 0;
        const char *key = line, *value = eq + 1;
        if (!strcmp(key, "exit"))
            exitAtOnce = atoi(value) == 1;
        else if (!strcmp(key, "exit_first"))
            exitFirst = atoi(value);
        else if (!strcmp(key, "delay"))
            delayMs = atoi(value);
        else if (!strcmp(key, "state"))
            showMode = !strncmp(value, "maximized", 9)   ? SW_SHOWMAXIMIZED
                       : !strncmp(value, "minimized", 9) ? SW_SHOWMINIMIZED
                                                         : SW_SHOWNORMAL;
        else if (!strcmp(key, "size")) {
            int w = 0, h = 0;
            if (sscanf(value, "%d,%d", &w, &h) == 2 && w > 0 && h > 0) {
                width = w;
                height = h;
            }
        }
    }
    fclose(f);
}

static int bumpCounter(void) {
    wchar_t path[MAX_PATH + 16];
    beside(path, MAX_PATH + 16, L"mwex.count");
    int n = 0;
    FILE *f = _wfopen(path, L"rb");
    if (f) {
        if (fscanf(f, "%d", &n) != 1)
            n = 0;
        fclose(f);
    }
    f = _wfopen(path, L"wb");
    if (f) {
        fprintf(f, "%d", n + 1);
        fclose(f);
    }
    return n + 1;
}

/* The Unix process id, which is what Wine puts in _NET_WM_PID. Wine gives Windows
 * programs ids of its own, and a file opened through Wine is opened by the wineserver, so
 * "Z:\proc\self" names the server, not this process. Code of a Windows program runs in
 * the Unix process itself under Wine, so the kernel's getpid system call answers; it is
 * made only on Wine on x86-64 Linux (elsewhere the number means another call). */
static unsigned long unixPid(void) {
#if defined(__x86_64__)
    typedef void(CDECL * HostVersion)(const char **sysname, const char **release);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const HostVersion hostVersion =
        ntdll ? (HostVersion)(void (*)(void))GetProcAddress(ntdll, "wine_get_host_version")
              : NULL;
    const char *sysname = NULL, *release = NULL;
    if (hostVersion)
        hostVersion(&sysname, &release);
    if (sysname && !strcmp(sysname, "Linux")) {
        long pid;
        __asm__ volatile("syscall" : "=a"(pid) : "a"(39L /* getpid */) : "rcx", "r11", "memory");
        if (pid > 0)
            return (unsigned long)pid;
    }
#endif
    return GetCurrentProcessId();
}

static void putUtf8(FILE *f, const wchar_t *s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s, -1, NULL, 0, NULL, NULL);
    if (n <= 1)
        return;
    char *bytes = malloc((size_t)n);
    if (!bytes)
        return;
    WideCharToMultiByte(CP_UTF8, 0, s, -1, bytes, n, NULL, NULL);
    fputs(bytes, f);
    free(bytes);
}

static void logStart(int argc, wchar_t **argv) {
    wchar_t path[MAX_PATH + 16], cwd[MAX_PATH * 2];
    beside(path, MAX_PATH + 16, L"mwex.log");
    if (!GetCurrentDirectoryW(MAX_PATH * 2, cwd))
        cwd[0] = 0;
    FILE *f = _wfopen(path, L"ab");
    if (!f)
        return;
    fprintf(f, "%lu\t", unixPid());
    putUtf8(f, cwd);
    fprintf(f, "\t%d", argc - 1);
    for (int i = 1; i < argc; ++i) {
        fputc('\t', f);
        putUtf8(f, argv[i]);
    }
    fputc('\t', f);
    putUtf8(f, GetCommandLineW());
    fputc('\n', f);
    fclose(f);
}

static LRESULT CALLBACK windowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        KillTimer(w, 1);
        ShowWindow(w, showMode);
        UpdateWindow(w);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(w, msg, wp, lp);
    }
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR cmd, int show) {
    (void)previous;
    (void)cmd;
    (void)show;
    const DWORD len = GetModuleFileNameW(NULL, here, MAX_PATH);
    if (len == 0 || len >= MAX_PATH)
        return 1;
    wchar_t *slash = wcsrchr(here, L'\\');
    if (slash)
        slash[1] = 0;

    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return 1;
    logStart(argc, argv);
    readConfig();
    const int start = bumpCounter();
    if (exitAtOnce || start <= exitFirst)
        return 0;

    const wchar_t *title = L"Logo stand-in";
    if (argc > 1 && argv[1][0]) {
        title = argv[1];
        for (const wchar_t *p = argv[1]; *p; ++p)
            if (*p == L'\\' || *p == L'/')
                title = p + 1;
    }

    WNDCLASSW wc = {0};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = L"QumoLogoStandIn";
    if (!RegisterClassW(&wc))
        return 1;
    HWND w = CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, width, height, NULL, NULL, instance, NULL);
    if (!w)
        return 1;
    if (delayMs > 0)
        SetTimer(w, 1, (UINT)delayMs, NULL);
    else {
        ShowWindow(w, showMode);
        UpdateWindow(w);
    }
    MSG m;
    while (GetMessageW(&m, NULL, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    LocalFree(argv);
    return 0;
}
