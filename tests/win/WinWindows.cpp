// The window tests' eyes and hands under Wine, where no window manager tells X the windows'
// titles: lists the titles of the visible top-level windows (UTF-8, one a line), or presses a
// key in the first window whose title starts with a given text.
//
//   win_windows list
//   win_windows key PREFIX return|escape
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Found {
    HWND hwnd;
    std::string title;
};

std::string Utf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
    if (!IsWindowVisible(hwnd))
        return TRUE;
    wchar_t title[512] = {};
    GetWindowTextW(hwnd, title, 512);
    if (title[0])
        reinterpret_cast<std::vector<Found>*>(param)->push_back({hwnd, Utf8(title)});
    return TRUE;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<Found> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    if (argc == 2 && std::strcmp(argv[1], "list") == 0) {
        for (const Found& w : windows)
            std::printf("%s\n", w.title.c_str());
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "key") == 0) {
        const UINT key = std::strcmp(argv[3], "escape") == 0 ? VK_ESCAPE : VK_RETURN;
        for (const Found& w : windows) {
            if (w.title.rfind(argv[2], 0) != 0)
                continue;
            SetForegroundWindow(w.hwnd);
            PostMessageW(w.hwnd, WM_KEYDOWN, key, 1);
            PostMessageW(w.hwnd, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
            return 0;
        }
        std::fprintf(stderr, "no window whose title starts with %s\n", argv[2]);
        return 1;
    }
    std::fprintf(stderr, "usage: win_windows list | key PREFIX return|escape\n");
    return 2;
}
