// Looks at the calendar from outside, as any other Windows program could, and
// plays the shell's part where a test needs the shell to misbehave. Its
// commands are the table at the end; run without one, it lists them.
#include <windows.h>
#include <sddl.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "HookProtocol.h"

namespace {

const char kCalendarClass[] = "vrlCalendar.frmCalendar";

std::string Utf8(const wchar_t* text) {
    char utf8[8192] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
}

// A list box's text is its lines, " | " between them.
std::string Text(HWND hwnd) {
    wchar_t text[2048] = L"";
    char className[16] = "";
    GetClassNameA(hwnd, className, sizeof className);
    if (lstrcmpiA(className, "ListBox") != 0) {
        GetWindowTextW(hwnd, text, 2048);
        return Utf8(text);
    }
    std::string lines;
    const auto count = SendMessageW(hwnd, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageW(hwnd, LB_GETTEXTLEN, i, 0) >= 2048) continue;
        SendMessageW(hwnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        lines += (i ? " | " : "") + Utf8(text);
    }
    return lines;
}

BOOL CALLBACK FindTips(HWND hwnd, LPARAM tips) {
    char className[64] = "";
    GetClassNameA(hwnd, className, sizeof className);
    if (IsWindowVisible(hwnd) && std::strcmp(className, TOOLTIPS_CLASSA) == 0)
        reinterpret_cast<std::vector<HWND>*>(tips)->push_back(hwnd);
    return TRUE;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM parent) {
    char className[64] = "";
    GetClassNameA(child, className, sizeof className);
    RECT r{};
    GetWindowRect(child, &r);
    POINT origin{r.left, r.top};
    ScreenToClient(reinterpret_cast<HWND>(parent), &origin);
    std::printf("child=%s id=%ld x=%ld y=%ld width=%ld height=%ld text=%s\n", className,
                static_cast<long>(GetDlgCtrlID(child)), origin.x, origin.y, r.right - r.left, r.bottom - r.top,
                Escaped(Text(child)).c_str());
    return TRUE;
}

BOOL CALLBACK CountCalendars(HWND hwnd, LPARAM count) {
    char className[64] = "";
    GetClassNameA(hwnd, className, sizeof className);
    if (std::strcmp(className, kCalendarClass) == 0) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int refused = 0;

// Shell_NotifyIcon hands its record to the first "Shell_TrayWnd" window as
// WM_COPYDATA; answering FALSE refuses it, as a shell still starting does.
LRESULT CALLBACK RefusingTray(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        ++refused;
        return FALSE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

struct WindowCount {
    DWORD pid;
    int windows;
};

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountProcessWindows(HWND hwnd, LPARAM data) {
    auto* count = reinterpret_cast<WindowCount*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == count->pid) {
        ++count->windows;
        EnumChildWindows(hwnd, CountChild, reinterpret_cast<LPARAM>(&count->windows));
    }
    return TRUE;
}

int ShowWindowState(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const LONG exStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
    HWND foreground = GetForegroundWindow();
    std::printf("hwnd=%lu\npid=%lu\nleft=%ld\ntop=%ld\nwidth=%ld\nheight=%ld\n",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd)), static_cast<unsigned long>(pid), r.left,
                r.top, r.right - r.left, r.bottom - r.top);
    std::printf("visible=%d\niconic=%d\ntopmost=%d\ntoolwindow=%d\nenabled=%d\nforeground=%d\nforeground_title=%s\n",
                IsWindowVisible(hwnd) ? 1 : 0, IsIconic(hwnd) ? 1 : 0, exStyle & WS_EX_TOPMOST ? 1 : 0,
                exStyle & WS_EX_TOOLWINDOW ? 1 : 0, IsWindowEnabled(hwnd) ? 1 : 0, foreground == hwnd ? 1 : 0,
                foreground ? Text(foreground).c_str() : "");
    std::printf("screen_width=%d\nscreen_height=%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    EnumChildWindows(hwnd, PrintChild, reinterpret_cast<LPARAM>(hwnd));
    return 0;
}

// Runs one of calendar_hook.dll's procedures in the thread of a window of the calendar's (or of
// another program's): posts the window the message the procedure waits for, and waits until the
// procedure says it is done.
bool InCalendar(HWND calendar, const hook_protocol::Procedure& procedure, WPARAM wParam = 0) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::strcpy(std::strrchr(path, '\\') + 1, "calendar_hook.dll");
    HMODULE library = LoadLibraryA(path);
    auto* hookProc = library ? reinterpret_cast<HOOKPROC>(GetProcAddress(library, procedure.name)) : nullptr;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, procedure.done);
    if (done) ResetEvent(done);  // an inspector that serves may still hold the one set last time
    const DWORD thread = GetWindowThreadProcessId(calendar, nullptr);
    HHOOK hook = hookProc ? SetWindowsHookExA(WH_GETMESSAGE, hookProc, library, thread) : nullptr;
    const bool ok = hook && PostMessageA(calendar, RegisterWindowMessageA(procedure.message), wParam, 0) &&
                    WaitForSingleObject(done, 30000) == WAIT_OBJECT_0;
    if (hook) UnhookWindowsHookEx(hook);
    if (done) CloseHandle(done);
    return ok;
}

// Text the hook library read inside another program, in the memory it shares.
const char* SharedText() {
    static HANDLE shared = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              hook_protocol::kSharedSize, hook_protocol::kSharedText);
    static const char* text =
        shared ? static_cast<const char*>(MapViewOfFile(shared, FILE_MAP_READ, 0, 0, 0)) : nullptr;
    return text;
}

// Runs a hook procedure in the calendar and says whether it ran, as key=1 or key=0.
int RunInCalendar(HWND calendar, const hook_protocol::Procedure& procedure, const char* key, WPARAM wParam = 0) {
    const bool done = InCalendar(calendar, procedure, wParam);
    std::printf("%s=%d\n", key, done ? 1 : 0);
    return done ? 0 : 1;
}

// Runs a hook procedure that reads something and prints what it read.
int ReadInCalendar(HWND calendar, const hook_protocol::Procedure& procedure, WPARAM wParam = 0) {
    const char* text = SharedText();
    const bool read = text && InCalendar(calendar, procedure, wParam);
    std::printf("%s", read ? text : "found=0\n");
    return read ? 0 : 1;
}

using Arguments = std::vector<const char*>;

int WaitVisible(HWND, const Arguments& args) {
    // Ready first, so the caller can start the program after this line.
    std::printf("ready\n");
    std::fflush(stdout);
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(args[0], nullptr);
        if (window && IsWindowVisible(window)) break;
        if (GetTickCount() - start > 60000) return 1;
        Sleep(1);
    }
    std::printf("visible after %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
    return 0;
}

int Window(HWND calendar, const Arguments& args) {
    HWND window = args.empty() ? calendar : FindWindowA(args[0], nullptr);
    std::printf("found=%d\n", window ? 1 : 0);
    return window ? ShowWindowState(window) : 1;
}

int Selected(HWND calendar, const Arguments&) {
    // The control writes the date into memory of its own process: lend it some.
    HWND month = FindWindowExA(calendar, nullptr, "SysMonthCal32", nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(month, &pid);
    HANDLE process = month ? OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, pid) : nullptr;
    void* remote = process ? VirtualAllocEx(process, nullptr, sizeof(SYSTEMTIME), MEM_COMMIT, PAGE_READWRITE) : nullptr;
    SYSTEMTIME day{}, today{};
    const bool read = remote && SendMessageA(month, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(remote)) &&
                      ReadProcessMemory(process, remote, &day, sizeof day, nullptr) &&
                      SendMessageA(month, MCM_GETTODAY, 0, reinterpret_cast<LPARAM>(remote)) &&
                      ReadProcessMemory(process, remote, &today, sizeof today, nullptr);
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process) CloseHandle(process);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(calendar, nullptr), &gui);
    std::printf("found=%d\ndate=%04u-%02u-%02u\ntoday=%04u-%02u-%02u\nfocus=%d\n", read ? 1 : 0, day.wYear, day.wMonth,
                day.wDay, today.wYear, today.wMonth, today.wDay, month && gui.hwndFocus == month ? 1 : 0);
    return read ? 0 : 1;
}

int Count(HWND, const Arguments&) {
    int count = 0;
    EnumWindows(CountCalendars, reinterpret_cast<LPARAM>(&count));
    std::printf("count=%d\n", count);
    return 0;
}

int Dialog(HWND, const Arguments& args) {
    HWND dialog = FindWindowA("#32770", args[0]);
    int count = 0;
    for (HWND other = dialog; other; other = FindWindowExA(nullptr, other, "#32770", args[0])) ++count;
    std::printf("found=%d\ncount=%d\n", dialog ? 1 : 0, count);
    if (!dialog) return 1;
    // A message box keeps its text in a static control with id 0xFFFF.
    std::printf("message=%s\n", Escaped(Text(GetDlgItem(dialog, 0xFFFF))).c_str());
    std::printf("foreground=%d\n", GetForegroundWindow() == dialog ? 1 : 0);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    std::printf("visible=%d\nfocus=%d\nowned=%d\n", IsWindowVisible(dialog) ? 1 : 0,
                gui.hwndFocus && IsChild(dialog, gui.hwndFocus) ? 1 : 0, GetWindow(dialog, GW_OWNER) ? 1 : 0);
    RECT r{};
    GetWindowRect(dialog, &r);
    std::printf("left=%ld\ntop=%ld\nright=%ld\nbottom=%ld\n", r.left, r.top, r.right, r.bottom);
    EnumChildWindows(dialog, PrintChild, reinterpret_cast<LPARAM>(dialog));
    return 0;
}

int DropIcon(HWND calendar, const Arguments&) {
    NOTIFYICONDATAA icon{};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = calendar;
    icon.uID = 1;
    std::printf("deleted=%d\n", Shell_NotifyIconA(NIM_DELETE, &icon) ? 1 : 0);
    return 0;
}

int AnnounceTaskbar(HWND, const Arguments&) {
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    std::printf("announced=1\n");
    return 0;
}

int RefuseIcons(HWND, const Arguments& args) {
    WNDCLASSA tray{};
    tray.lpfnWndProc = RefusingTray;
    tray.hInstance = GetModuleHandleA(nullptr);
    tray.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&tray);
    HWND refuser = CreateWindowA("Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, tray.hInstance, nullptr);
    if (!refuser || FindWindowA("Shell_TrayWnd", nullptr) != refuser) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    const DWORD start = GetTickCount();
    const DWORD limit = static_cast<DWORD>(std::atol(args[0]));
    while (GetTickCount() - start < limit) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    DestroyWindow(refuser);
    std::printf("refused=%d\n", refused);
    return 0;
}

int TimeChanged(HWND, const Arguments&) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_TIMECHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    std::printf("announced=1\n");
    return 0;
}

int TakeScheme(HWND calendar, const Arguments&) { return RunInCalendar(calendar, hook_protocol::kTakeScheme, "taken"); }
int Menu(HWND calendar, const Arguments&) { return ReadInCalendar(calendar, hook_protocol::kReadMenu); }
int Names(HWND calendar, const Arguments&) { return ReadInCalendar(calendar, hook_protocol::kReadNames); }
int CloseMenu(HWND calendar, const Arguments&) { return RunInCalendar(calendar, hook_protocol::kCloseMenu, "closed"); }
int ActivateTip(HWND calendar, const Arguments& args) {
    return ReadInCalendar(calendar, hook_protocol::kActivateTip, !args.empty());
}
int ChangeDpi(HWND calendar, const Arguments& args) {
    return RunInCalendar(calendar, hook_protocol::kChangeDpi, "changed", static_cast<WPARAM>(std::atol(args[0])));
}

int Tip(HWND, const Arguments&) {
    const char* text = SharedText();
    if (!text) return 1;
    std::vector<HWND> tips;
    EnumWindows(FindTips, reinterpret_cast<LPARAM>(&tips));
    for (HWND tip : tips)
        if (InCalendar(tip, hook_protocol::kReadTip)) std::printf("tip=%s\n", text);
    return 0;
}

int Close(HWND calendar, const Arguments&) {
    std::printf("closed=%d\n", calendar && PostMessageA(calendar, WM_CLOSE, 0, 0) ? 1 : 0);
    return 0;
}

int TrayEvent(HWND calendar, const Arguments& args) {
    // As the shell reports the icon's mouse and keyboard events: the callback message the calendar's
    // Win32 layer asks for (WM_APP + 1), the icon's id, then the event.
    for (const char* event : args) PostMessageA(calendar, WM_APP + 1, 1, std::atol(event));
    std::printf("posted=%d\n", static_cast<int>(args.size()));
    return 0;
}

int Writes(const char* key, bool allow) {
    // Everyone may read; writing values or subkeys is denied, or allowed again.
    const char* rules = allow ? "D:(A;;KA;;;WD)" : "D:(D;;KW;;;WD)(A;;KR;;;WD)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    HKEY opened = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(rules, SDDL_REVISION_1, &descriptor, nullptr)) return 1;
    LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, WRITE_DAC, &opened);
    if (result == ERROR_SUCCESS) {
        result = RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(opened);
    }
    LocalFree(descriptor);
    std::printf("changed=%d\n", result == ERROR_SUCCESS ? 1 : 0);
    return result == ERROR_SUCCESS ? 0 : 1;
}
int DenyWrites(HWND, const Arguments& args) { return Writes(args[0], false); }
int AllowWrites(HWND, const Arguments& args) { return Writes(args[0], true); }

int GuiResources(HWND, const Arguments& args) {
    const DWORD pid = static_cast<DWORD>(std::atol(args[0]));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) return 1;
    std::printf("gdi=%lu\nuser=%lu\n", static_cast<unsigned long>(GetGuiResources(process, GR_GDIOBJECTS)),
                static_cast<unsigned long>(GetGuiResources(process, GR_USEROBJECTS)));
    CloseHandle(process);
    // Windows are the USER objects anyone can count, where the call above
    // is not implemented (Wine answers 0).
    WindowCount count{pid, 0};
    EnumWindows(CountProcessWindows, reinterpret_cast<LPARAM>(&count));
    std::printf("windows=%d\n", count.windows);
    return 0;
}

// Whether another program holds a shortcut: it is free if this one can take it.
int HotKeyHeld(HWND, const Arguments& args) {
    const UINT modifiers = static_cast<UINT>(std::atol(args[0])), key = static_cast<UINT>(std::atol(args[1]));
    const bool free = RegisterHotKey(nullptr, 1, modifiers, key);
    if (free) UnregisterHotKey(nullptr, 1);
    std::printf("held=%d\n", free ? 0 : 1);
    return 0;
}

int HoldHotKey(HWND, const Arguments& args) {
    if (!RegisterHotKey(nullptr, 1, static_cast<UINT>(std::atol(args[0])), static_cast<UINT>(std::atol(args[1]))))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::atol(args[2])));
    return 0;
}

// As Windows delivers a shortcut to the window that holds it.
int PostHotKey(HWND calendar, const Arguments&) {
    std::printf("posted=%d\n", PostMessageA(calendar, WM_HOTKEY, 1, 0) ? 1 : 0);
    return 0;
}

// As Settings announces a change: "ImmersiveColorSet" for the app mode.
int SettingChanged(HWND, const Arguments& args) {
    wchar_t area[64] = L"";
    MultiByteToWideChar(CP_UTF8, 0, args[0], -1, area, 64);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(area), SMTO_ABORTIFHUNG, 5000,
                        &answer);
    std::printf("announced=1\n");
    return 0;
}

// Starts a program and waits for it, so that a test knows its process id.
int Run(HWND, const Arguments& args) {
    std::wstring line;
    for (const char* arg : args) {
        wchar_t wide[1024] = L"";
        MultiByteToWideChar(CP_UTF8, 0, arg, -1, wide, 1024);
        line += (line.empty() ? L"\"" + std::wstring(wide) + L"\"" : L" " + std::wstring(wide));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 1;
    WaitForSingleObject(process.hProcess, 300000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("pid=%lu\nexit=%lu\n", process.dwProcessId, code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

// The process that started the calendar's, as Windows' process list keeps it.
int Parent(HWND calendar, const Arguments&) {
    DWORD pid = 0;
    GetWindowThreadProcessId(calendar, &pid);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == pid) parent = entry.th32ParentProcessID;
    std::printf("pid=%lu\nparent=%lu\n", pid, parent);
    CloseHandle(snapshot);
    return 0;
}

LRESULT CALLBACK IgnoresClose(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_CLOSE ? 0 : DefWindowProcA(hwnd, message, wParam, lParam);
}

// A calendar window that will not close, as an elevated or hung one looks to an installer. With FILE,
// one that closes but whose process goes on for MS more holding FILE, as a calendar's process holds its
// program file until it has ended.
int HoldWindow(HWND, const Arguments& args) {
    const bool closes = args.size() > 1;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = closes ? DefWindowProcA : IgnoresClose;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kCalendarClass;
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowA(kCalendarClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
    HANDLE held =
        closes ? CreateFileA(args[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) : nullptr;
    if (!window || held == INVALID_HANDLE_VALUE) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    const DWORD hold = static_cast<DWORD>(std::atol(args[0]));
    DWORD until = GetTickCount() + hold;
    for (MSG msg; GetTickCount() < until;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (closes && window && !IsWindow(window)) window = nullptr, until = GetTickCount() + hold;
    }
    if (held) CloseHandle(held);
    return 0;
}

// A program on the desktop until it is ended. Wine closes a desktop, and its explorer, a second after its
// last program has gone; a program started just then can fail to start.
int KeepDesktop(HWND, const Arguments&) {
    if (!CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    for (MSG msg; GetMessageA(&msg, nullptr, 0, 0) > 0;) DispatchMessageA(&msg);
    return 0;
}

int ClipboardText(HWND, const Arguments&) {
    if (!OpenClipboard(nullptr)) return 1;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* text = static_cast<const wchar_t*>(data ? GlobalLock(data) : nullptr);
    char utf8[512] = "";
    if (text) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    if (text) GlobalUnlock(data);
    CloseClipboard();
    std::printf("found=%d\ntext=%s\n", text ? 1 : 0, utf8);
    return 0;
}

struct Command {
    const char* name;
    const char* arguments;  // as the usage shows them
    size_t least;           // arguments it needs
    bool needsCalendar;     // found=0 without a calendar window
    int (*run)(HWND calendar, const Arguments& args);
    const char* what;
};

const Command kCommands[] = {
    {"window", "[CLASS]", 0, false, Window, "the calendar window (or another class): place, state, controls"},
    {"wait-visible", "CLASS", 1, false, WaitVisible, "waits for such a window to be visible; prints the ms it waited"},
    {"selected", "", 0, true, Selected, "the day the calendar has selected, its today, and whether it has the focus"},
    {"count", "", 0, false, Count, "how many calendar windows exist"},
    {"dialog", "TITLE", 1, false, Dialog,
     "a dialog with that title: its text, whether shown, with the keyboard and owned, its place, controls"},
    {"drop-icon", "", 0, true, DropIcon, "the shell forgets the calendar's icon"},
    {"announce-taskbar", "", 0, false, AnnounceTaskbar, "the shell says a new taskbar was created"},
    {"refuse-icons", "MS", 1, false, RefuseIcons,
     "for so many ms, the shell refuses every icon: its tray window is ours"},
    {"time-changed", "", 0, false, TimeChanged, "tells every window the system time was changed"},
    {"take-scheme", "", 0, true, TakeScheme,
     "the calendar takes the colours in HKCU\\Control Panel\\Colors, as at a change of scheme"},
    {"menu", "", 0, true, Menu, "the calendar's open menu: its items, their state and where they are on the screen"},
    {"names", "", 0, true, Names, "what a screen reader calls the calendar's window and its labels (asked inside it)"},
    {"tip", "", 0, false, Tip, "the text of each tool tip on the screen (asked inside its program)"},
    {"activate-tip", "[force]", 0, true, ActivateTip,
     "a click reaches the calendar's tool tip, as Wine activates it; with force, activated whatever it answers"},
    {"tray-event", "MSG...", 0, true, TrayEvent, "the shell reports these mouse messages on the calendar's icon"},
    {"close-menu", "", 0, true, CloseMenu, "closes the calendar's open menu (EndMenu, inside it)"},
    {"close", "", 0, false, Close, "asks the calendar to close, as the system does (WM_CLOSE)"},
    {"change-dpi", "DPI", 1, true, ChangeDpi, "the calendar's display takes that scale, as Windows tells it"},
    {"deny-writes", "KEY", 1, false, DenyWrites, "makes HKCU\\KEY read-only for everyone"},
    {"allow-writes", "KEY", 1, false, AllowWrites, "undoes deny-writes"},
    {"gui-resources", "PID", 1, false, GuiResources, "the process's counts of GDI and USER objects"},
    {"hotkey-held", "MODS KEY", 2, false, HotKeyHeld, "whether a program holds that shortcut"},
    {"hold-hotkey", "MODS KEY MS", 3, false, HoldHotKey, "holds that shortcut for so many ms, as another program"},
    {"post-hotkey", "", 0, true, PostHotKey, "the calendar's shortcut pressed, as Windows tells its window"},
    {"setting-changed", "AREA", 1, false, SettingChanged, "tells every window a setting changed (WM_SETTINGCHANGE)"},
    {"run", "EXE ARG...", 1, false, Run, "starts a program, waits for it: its process id and exit code"},
    {"parent", "", 0, true, Parent, "the calendar's process and the one that started it"},
    {"clipboard", "", 0, false, ClipboardText, "the text on the clipboard, as another program reads it"},
    {"keep-desktop", "", 0, false, KeepDesktop, "stays on the desktop until ended, so that it stays open"},
    {"hold-window", "MS [FILE]", 1, false, HoldWindow,
     "for so many ms, a calendar window that ignores WM_CLOSE; with FILE, one that closes and holds FILE"},
};

int Usage() {
    std::fprintf(stderr, "usage: inspector COMMAND [ARGUMENTS]\n");
    for (const Command& command : kCommands)
        std::fprintf(stderr, "  %-16s %-8s %s\n", command.name, command.arguments, command.what);
    std::fprintf(stderr, "  %-16s %-8s %s\n", "serve", "",
                 "runs the commands read from its input, a line each (words between tabs), each answer ended by "
                 "end=EXIT");
    std::fprintf(stderr, "Output is key=value lines, text in UTF-8; the exit code is 0 when the thing was found.\n");
    return 2;
}

// words: the command's name, then its arguments.
int RunCommand(const Arguments& words) {
    const Arguments args(words.begin() + 1, words.end());
    for (const Command& command : kCommands) {
        if (std::strcmp(words[0], command.name) != 0) continue;
        if (args.size() < command.least) return Usage();
        HWND calendar = FindWindowA(kCalendarClass, nullptr);
        if (command.needsCalendar && !calendar) {
            std::printf("found=0\n");
            return 1;
        }
        return command.run(calendar, args);
    }
    return Usage();
}

// A test that looks many times a second would otherwise start a Windows
// program for every look, a third of a second each under Wine.
int Serve() {
    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        Arguments words;
        for (char* word = std::strtok(line, "\t"); word; word = std::strtok(nullptr, "\t")) words.push_back(word);
        const int code = words.empty() ? Usage() : RunCommand(words);
        std::printf("end=%d\n", code);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "serve") == 0) return Serve();
    return argc < 2 ? Usage() : RunCommand(Arguments(argv + 1, argv + argc));
}
