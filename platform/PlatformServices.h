#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ical/Zones.h"
#include "platform/CalendarIo.h"
#include "platform/FormEvents.h"
#include "texts/Texts.h"

// Everything the calendar touches outside itself, one object at a time. All
// geometry is in twips held as 32-bit floats; handles and process ids are
// 32-bit integers; text is UTF-8. Any operation may throw RuntimeError.

class FormObject {
public:
    virtual ~FormObject() = default;
    virtual float Left() = 0;
    virtual void SetLeft(float twips) = 0;
    virtual float Top() = 0;
    virtual void SetTop(float twips) = 0;
    virtual float Width() = 0;
    virtual void SetWidth(float twips) = 0;
    virtual float Height() = 0;
    virtual void SetHeight(float twips) = 0;
    virtual void Move(float left, float top) = 0;  // size left unchanged
    virtual int16_t WindowState() = 0;             // 0 normal, 1 minimised
    virtual void SetWindowState(int16_t state) = 0;
    virtual void SetVisible(int16_t visible) = 0;  // -1 True, 0 False
    virtual int32_t hWnd() = 0;
    virtual int32_t IconHandle() = 0;
    virtual void Unload() = 0;  // raises the unload event, then the window is gone
};

class LabelObject {
public:
    virtual ~LabelObject() = default;
    virtual float Height() = 0;
    virtual void Move(float left, float top, float width, float height) = 0;
    virtual void SetForeColor(int32_t rgb) = 0;
};

class MonthViewObject {
public:
    virtual ~MonthViewObject() = default;
    virtual float Width() = 0;
    virtual float Height() = 0;
    virtual std::string ToolTipText() = 0;
    virtual void Move(float left, float top) = 0;
    virtual CalendarDate Value() = 0;  // the current (selected) date
    virtual void SetValue(CalendarDate date) = 0;
    virtual CalendarDate ShownMonth() = 0;  // the month on show; day is 1
    // With or without the weeks' numbers: the control is measured again, and
    // a window already shown is laid out again as at a new scale
    // (Form_DpiChanged), a hidden one when it is shown.
    virtual void SetWeekNumbers(bool shown) = 0;
    // So many months side by side and so many rows of them: the control is
    // measured again at once, Width and Height then its new size.
    virtual void SetMonths(int32_t columns, int32_t rows) = 0;
    // The day the rows start on, 0 Monday to 6 Sunday; the week numbers are
    // asked for again (MonthView1_GetWeekNumber).
    virtual void SetFirstDayOfWeek(int32_t day) = 0;
    // The bold days asked for again (MonthView1_GetDayState) for the months
    // on show, and drawn.
    virtual void RefreshDayStates() = 0;
};

// A line of the day's list, and what its tip says (empty: no tip).
struct ListLine {
    std::string text;
    std::string tip;
    bool operator==(const ListLine&) const = default;
};

// The list of the picked day's events under the month; hidden as designed.
class ListObject {
public:
    virtual ~ListObject() = default;
    virtual float Height() = 0;  // as designed: a few lines in its font
    virtual void Move(float left, float top, float width, float height) = 0;
    virtual void SetVisible(bool shown) = 0;
    virtual int32_t Rows() = 0;  // how many lines its height holds
    virtual void SetLines(const std::vector<ListLine>& lines) = 0;
    virtual void SetSelected(int32_t line) = 0;  // picked and scrolled into view; no change is reported
};

// One display's area in twips, placed as the window system places them: the
// primary display's top-left corner is (0, 0).
struct DisplayArea {
    float left;
    float top;
    float width;
    float height;
};

class ScreenObject {
public:
    virtual ~ScreenObject() = default;
    virtual float Width() = 0;  // the primary display's
    virtual float Height() = 0;
    virtual float TwipsPerPixelX() = 0;  // on the display the window is on
    // The system's scale, the primary display's at sign-in: the one every
    // display had before the program followed each display's own.
    virtual float SystemTwipsPerPixel() = 0;
    // Every display connected, the primary one first.
    virtual std::vector<DisplayArea> Displays() = 0;
    // The work areas (the display less the taskbar) of the display the
    // window is on, or was on when it was hidden, and of the one the user
    // works on: the one holding the window in the foreground, else the pointer.
    virtual std::pair<DisplayArea, DisplayArea> WorkAreas() = 0;
};

class AppObject {
public:
    virtual ~AppObject() = default;
    virtual bool PrevInstance() = 0;
    virtual std::string EXEName() = 0;
    // The program file's path, as Windows started it, in UTF-8 as the
    // commands of the log-on list are.
    virtual std::string FullPath() = 0;
    virtual void End() = 0;  // ends the program at once; does not return on Windows
};

// Per-user, persistent text values addressed by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or defaultText when the key is absent.
    virtual std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                                   const std::string& defaultText) = 0;
    virtual void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                             const std::string& text) = 0;
};

// The programs Windows starts when the user signs in (the per-user Run list),
// by entry name; names and commands in UTF-8, for a path may hold any
// character. Writes throw RuntimeError with Windows' reason as its text.
class StartupList {
public:
    virtual ~StartupList() = default;
    // The entry's command line, if there is such an entry.
    virtual std::optional<std::string> Command(const std::string& name) = 0;
    // Whether the user turned the entry off in Windows' own list of startup
    // programs (the task manager's Startup tab), which keeps the entry itself.
    virtual bool TurnedOff(const std::string& name) = 0;
    virtual void SetCommand(const std::string& name, const std::string& command) = 0;
    virtual void Remove(const std::string& name) = 0;
    virtual void ClearTurnedOff(const std::string& name) = 0;
};

// One item of a shortcut menu; an item without text is a separator.
struct MenuItem {
    int32_t id = 0;
    std::string text;
    bool isDefault = false;  // drawn bold; what a double-click or Enter picks
    bool checked = false;
    bool enabled = true;
    bool operator==(const MenuItem&) const = default;
};
// A key a shortcut can be made with, by its virtual-key code and its name.
struct NamedKey {
    int32_t code;
    std::string name;
};

// What PopupMenu returns when the user closed the menu with Esc rather than
// by clicking elsewhere (which returns 0).
constexpr int32_t kMenuEscaped = -1;

// The shell's notify-icon record in its wide form (Windows 2000 on), as far
// as the program fills it, little-endian: six 32-bit fields, then a tip of
// 128 UTF-16 units. The Win32 layer builds the shell's native record for the
// architecture it is compiled for from these fields.
using ShellNotifyIconBuffer = std::array<uint8_t, 280>;
namespace shell_layout {
constexpr size_t kCbSize = 0;
constexpr size_t kHWnd = 4;
constexpr size_t kUID = 8;
constexpr size_t kUFlags = 12;
constexpr size_t kUCallbackMessage = 16;
constexpr size_t kHIcon = 20;
constexpr size_t kSzTip = 24;
constexpr size_t kTipUnits = 128;
constexpr size_t kTipBytes = 2 * kTipUnits;
static_assert(kSzTip + kTipBytes == std::tuple_size_v<ShellNotifyIconBuffer>);

inline void PutInt32(ShellNotifyIconBuffer& buffer, size_t offset, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) buffer[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

inline int32_t GetInt32(const ShellNotifyIconBuffer& buffer, size_t offset) {
    uint32_t bits = 0;
    for (size_t i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(buffer[offset + i]) << (8 * i);
    return static_cast<int32_t>(bits);
}
}  // namespace shell_layout

class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    virtual FormObject& Me() = 0;
    virtual LabelObject& Label1() = 0;
    virtual LabelObject& Label2() = 0;
    virtual MonthViewObject& MonthView1() = 0;
    virtual ListObject& List1() = 0;
    virtual ScreenObject& Screen() = 0;
    virtual AppObject& App() = 0;
    virtual SettingsStore& Settings() = 0;
    virtual StartupList& Startup() = 0;

    virtual CalendarDate Today() = 0;
    // Now, as milliseconds since 1970 UTC, and the user's local date at such
    // an instant, by the time zone's rules for that instant.
    virtual int64_t NowUtcMs() = 0;
    virtual CalendarDate LocalDateAt(int64_t utcMs) = 0;
    // The date as the user's long date format writes it ("Thursday, 10
    // December 2026").
    virtual std::string LongDate(CalendarDate date) = 0;
    virtual std::string ShortDate(CalendarDate date) = 0;  // "10.12.2026"
    // Text on the clipboard, for any program to paste. A clipboard another
    // program holds is tried briefly, then left as it is.
    virtual void CopyText(const std::string& text) = 0;
    // The notification area's icon showing a number, 1 to 99, drawn at the
    // size and in the colours the taskbar has now; for 0, the designed icon
    // (Me().IconHandle()). The same number asked again, with nothing changed,
    // is the same handle.
    virtual int32_t NumberIcon(int32_t number) = 0;
    // The user's regional format's first day of the week (0 Monday to 6
    // Sunday) and first week of the year (0 the week that holds 1 January, 1
    // the first full week, 2 the first with four days), as Windows gives
    // them; -1 where it gives none.
    virtual std::pair<int32_t, int32_t> RegionalWeeks() = 0;
    // Raises Form_Timer(which) once, so many milliseconds from now; starting a
    // timer that is already running starts it afresh.
    virtual void StartTimer(FormTimer which, uint32_t milliseconds) = 0;
    virtual void StopTimer(FormTimer which) = 0;
    // The texts in the user's display language.
    virtual const Texts& Language() = 0;
    virtual int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) = 0;
    virtual void AppActivate(int32_t processId) = 0;
    // The notification icon's shortcut menu, at the pointer or, opened from
    // the keyboard, at the icon. Returns the id of the item chosen, 0 when
    // the user clicked elsewhere, kMenuEscaped when Esc closed it.
    virtual int32_t PopupMenu(const std::vector<MenuItem>& items) = 0;
    // A shortcut held anywhere raises Form_HotKey, until it is released or
    // the program ends. False where another program holds it already; a new
    // one replaces the one held only once it is the program's, so a refused
    // one leaves the old one working. Modifiers are the window system's bits
    // (1 Alt, 2 Ctrl, 4 Shift, 8 Win).
    virtual bool RegisterHotKey(int32_t modifiers, int32_t keyCode) = 0;
    virtual void UnregisterHotKey() = 0;
    // Whether nobody holds a shortcut: found out by taking it and letting it
    // go at once.
    virtual bool HotKeyFree(int32_t modifiers, int32_t keyCode) = 0;
    // The Settings window, opened on choice with the status line under the
    // shortcut and the keys its list offers (code 0 first, for none);
    // already open, it is shown and brought to the front as it is. It stays
    // while the calendar hides. It raises Settings_ShortcutChange and
    // Settings_OK; Cancel and its close box close it and change nothing, and
    // so does CloseSettings (nothing when it is not open).
    virtual void ShowSettings(const SettingsChoice& choice, const std::string& status,
                              const std::vector<NamedKey>& keys) = 0;
    virtual void CloseSettings() = 0;
    // The calendars' lines of an open Settings window, as they are now: the
    // line of each of these calendars it lists (nothing when it is not open).
    virtual void SetSettingsCalendarLines(const std::vector<std::string>& sources,
                                          const std::vector<std::string>& lines) = 0;

    // The user's calendars: files and addresses, read off the window's
    // thread. `work` runs there, `done` on the window's thread once it is
    // over, in the order given; neither runs after the window is gone.
    virtual CalendarIo& Io() = 0;
    virtual void InBackground(std::function<void()> work, std::function<void()> done) = 0;
    // A change on disk to any of these files raises Form_CalendarFileChanged.
    virtual void WatchFiles(const std::vector<std::string>& utf8Paths) = 0;
    // The time zones the system knows, and the user's own.
    virtual const ical::SystemZones& Zones() = 0;
    // How the user's formats write a time of day ("14:05", "2:05 PM"), a day
    // near today ("Fri 26"), and an instant ("10.12.2026 14:05").
    virtual std::string ShortTime(int32_t hour, int32_t minute) = 0;
    virtual std::string ShortDay(CalendarDate date) = 0;
    virtual std::string DateAndTime(int64_t utcMs) = 0;

    // Conversions that follow the user's locale. TextToSingle throws type
    // mismatch for text that is no number and overflow for one out of range.
    virtual std::string SingleToText(float value) = 0;
    virtual float TextToSingle(const std::string& text) = 0;

    // A notification from the notification-area icon the shell holds (its
    // balloon; Windows 10 and 11 show it as a notification and keep it).
    // A click on it is reported as the icon's mouse event
    // tray::kNotificationClick. False where the shell has no icon of the
    // program's, refused it, or would drop it unseen (its quiet time).
    virtual bool ShowNotification(const std::string& title, const std::string& text) = 0;

    // Windows functions called directly; their results are handed back as is.
    virtual int32_t Shell_NotifyIconW(int32_t message, ShellNotifyIconBuffer& data) = 0;
    virtual int32_t SetWindowPos(int32_t hWnd, int32_t hWndInsertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                 int32_t flags) = 0;
    virtual int32_t GetWindowThreadProcessId(int32_t hWnd, int32_t& processId) = 0;
};
