#include "wizard/tests/driver/WizardDriver.h"

#include <cstdint>
#include <vector>

namespace WizardDriver {

namespace {

constexpr int MessageBoxTextId = 0xFFFF;
constexpr int StartButtonId = 1010;

struct Search {
    DWORD processId;
    bool wantMessageBox;
    HWND found = nullptr;
};

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

BOOL CALLBACK Visit(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || ClassName(window) != L"#32770")
        return TRUE;
    bool isMain = GetDlgItem(window, StartButtonId) != nullptr;
    bool isBox = GetDlgItem(window, MessageBoxTextId) != nullptr;
    if ((search->wantMessageBox && isBox && !isMain) || (!search->wantMessageBox && isMain)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowOf(DWORD processId, bool messageBox) {
    Search search{processId, messageBox};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring WindowText(HWND window) {
    wchar_t text[4096] = {};
    SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
    return text;
}

} // namespace

WizardProcess::WizardProcess(const std::wstring& commandLine, const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring writable = commandLine;
    if (CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        process.Reset(started.hProcess);
        CloseHandle(started.hThread);
        processId = started.dwProcessId;
    }
}

WizardProcess::~WizardProcess() {
    if (process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.Get(), 99);
        WaitForSingleObject(process.Get(), 5000);
    }
}

HWND WizardProcess::Dialog(DWORD timeoutMs) {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindWindowOf(processId, false)) != nullptr; }, timeoutMs);
    return dialog;
}

bool WizardProcess::WaitForMessageBox(MessageBoxInfo& box, DWORD timeoutMs) {
    HWND window = nullptr;
    if (!WaitUntil([&] { return (window = FindWindowOf(processId, true)) != nullptr; }, timeoutMs))
        return false;
    box.window = window;
    box.caption = WindowText(window);
    box.text = WindowText(GetDlgItem(window, MessageBoxTextId));
    return true;
}

bool WizardProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) {
    if (!process || WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(process.Get(), &exitCode) != FALSE;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

std::wstring ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void SetControlText(HWND dialog, int id, const std::wstring& text) {
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool IsControlEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

std::vector<std::wstring> ComboItems(HWND dialog, int id) {
    std::vector<std::wstring> items;
    HWND combo = GetDlgItem(dialog, id);
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[1024] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

void SelectComboItem(HWND dialog, int id, int index) {
    HWND combo = GetDlgItem(dialog, id);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void AnswerMessageBox(const MessageBoxInfo& box, int buttonId) {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, buttonId)));
}

bool CaptureWindow(HWND window, const std::wstring& bmpPath) {
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, old);
    }
    if (ok) {
        DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
        DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER header{};
        header.bfType = 0x4D42;
        header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        header.bfSize = header.bfOffBits + imageSize;
        info.bmiHeader.biSizeImage = imageSize;
        Gathrix::UniqueHandle file(
            CreateFileW(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ok = file && WriteFile(file.Get(), &header, sizeof(header), &written, nullptr) &&
             WriteFile(file.Get(), &info.bmiHeader, sizeof(BITMAPINFOHEADER), &written, nullptr) &&
             WriteFile(file.Get(), bits, imageSize, &written, nullptr);
    }
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

} // namespace WizardDriver
