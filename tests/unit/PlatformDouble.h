#pragma once
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/FormEvents.h"
#include "platform/PlatformServices.h"

// An in-memory window system for driving the calendar's handlers. Every
// operation is written to `calls` in the order it happens ("Me.Left" for a
// read, "Me.Left=2300" for a write), can be made to fail, and can run a hook
// (to deliver a nested event from inside a platform call, say).
class PlatformDouble : public PlatformServices {
public:
    PlatformDouble();

    // --- what the test sets up or inspects ---
    std::vector<std::string> calls;
    std::map<std::string, int> failing;                  // operation -> error number
    std::map<std::string, std::function<void()>> hooks;  // operation -> run before it
    FormEvents* events = nullptr;                        // receives Unload

    // The window holds whole pixels, as the real one does: a position or size
    // written in twips reads back as pixels times twips per pixel. A test
    // that needs the twips it wrote to come back unchanged says why and sets
    // exactTwips.
    bool exactTwips = false;
    char decimalSeparator = '.';  // the user's locale's, for the number conversions
    float Held(float twips) const;

    struct Form {
        float left = 0, top = 0, width = 4800, height = 3600;
        int16_t windowState = 0;
        int16_t visible = 0;
        int32_t hWnd = 0x00010086;
        int32_t icon = 0x001A0F33;
        bool unloaded = false;
    } form;
    struct Label {
        float left = 0, top = 0, width = 0, height = 0;
        int32_t foreColor = -1;
    } label1, label2;
    struct Calendar {
        float left = 0, top = 0, width = 0, height = 0;  // as designed
        std::string toolTip;
        CalendarDate value{1999, 1, 1};
        CalendarDate shownMonth{1999, 1, 1};
        bool weekNumbers = true;        // without them the control measures kWeekNumbersWidth narrower
        int32_t firstDayOfWeek = -1;    // none set: the regional format's
        int32_t columns = 1, rows = 1;  // months shown: width and height are one month's
    } calendar;                         // SetValue shows the date's month
    static constexpr float kWeekNumbersWidth = 330;
    struct ScreenState {
        float width = 19200, height = 14400, twipsPerPixelX = 15;
        float systemTwipsPerPixel = 0;                  // none given: the window's display has the system's scale
        std::vector<DisplayArea> displays;              // none given: the one primary display of width by height
        std::pair<DisplayArea, DisplayArea> workAreas;  // the window's display's and the one worked on
    } screen;
    bool prevInstance = false;
    bool ended = false;
    std::string exeName = "vrlCalendar";
    std::map<std::tuple<std::string, std::string, std::string>, std::string> store;
    CalendarDate today{2026, 12, 7};
    std::string clipboard;
    std::pair<int32_t, int32_t> regionalWeeks{0, 2};  // the first day and first week, as a German format has them
    int32_t processId = 4242;
    struct Message {
        std::string prompt;
        int32_t buttons;
        std::string title;
    };
    std::vector<Message> messages;
    struct ShellCall {
        int32_t message;
        ShellNotifyIconBuffer data;
    };
    std::vector<ShellCall> shellCalls;
    std::set<std::pair<int32_t, int32_t>> trayIcons;   // (hWnd, uID) the shell holds
    int refuseAdds = 0;                                // so many additions the shell refuses first
    int64_t nowUtcMs = 1796601600000;                  // 2026-12-07 00:00 UTC
    std::function<CalendarDate(int64_t)> localDateAt;  // none given: `today` at every instant
    std::map<FormTimer, uint32_t> timers;              // running, with the milliseconds asked for
    std::vector<int32_t> activated;
    std::string fullPath = "C:\\Users\\ann\\Programs\\vrlCalendar.exe";
    std::map<std::string, std::string> runList;  // the log-on entries: name -> command
    std::set<std::string> turnedOff;             // entries the user turned off in Windows' list
    // The menu as last shown, and what the user does with it: the id chosen,
    // 0 for a click elsewhere, kMenuEscaped for Esc.
    std::vector<MenuItem> menuShown;
    int32_t menuChoice = 0;
    // The shortcut the program holds, as (modifiers, key code); another
    // program holding the one it asks for refuses it.
    std::optional<std::pair<int32_t, int32_t>> hotKey;
    bool hotKeyTaken = false;
    std::set<std::pair<int32_t, int32_t>> heldElsewhere;  // shortcuts other programs hold
    // The Settings window as last shown: what it opened on, its status line,
    // the keys its list offers.
    std::optional<SettingsChoice> settingsShown;
    std::string settingsStatus;
    std::vector<std::string> settingsKeys;
    Texts language = Texts::ForLanguages({"en-US"});
    // The day's list under the month, and the calendars' reads: each waits
    // in `background` until the test runs it (RunBackground).
    struct List {
        float left = 0, top = 0, width = 0, height = 0;
        bool visible = false;
        int32_t rows = 4;
        std::vector<ListLine> lines;
        int32_t selected = -1;
    } list;
    // The notifications shown, title and text; refused while false.
    std::vector<std::pair<std::string, std::string>> notifications;
    bool notificationsTaken = true;
    static constexpr float kListHeight = 900;
    std::vector<std::pair<std::function<void()>, std::function<void()>>> background;
    void RunBackground();
    struct FakeIo : CalendarIo {
        std::map<std::string, HttpReply> replies;  // by address
        std::map<std::string, FileReply> files;    // by path; absent: missing
        std::map<std::string, std::string> copies;
        std::vector<std::string> asked;  // "GET url etag lastModified", "READ path"
        HttpReply Fetch(const std::string& url, const std::string& etag, const std::string& lastModified) override;
        FileReply ReadFile(const std::string& path) override;
        int64_t FileStamp(const std::string& path) override;
        std::optional<std::string> ReadCopy(const std::string& name) override;
        bool WriteCopy(const std::string& name, std::string_view bytes) override;
        void RemoveCopy(const std::string& name) override;
    } io;
    std::vector<std::string> watched;
    std::vector<std::string> settingsCalendarLines;  // as last set while the window is open
    int dayStateRefreshes = 0;
    struct FixedZone : ical::Zone {  // the user's: UTC plus a fixed offset
        int32_t offsetSeconds = 0;
        int64_t ToUtc(const ical::LocalDateTime& wall) const override {
            return ical::WallSeconds(wall) - offsetSeconds;
        }
        ical::LocalDateTime ToWall(int64_t utc) const override { return ical::FromWallSeconds(utc + offsetSeconds); }
    };
    struct Zones : ical::SystemZones {
        FixedZone local;
        const ical::Zone* ByWindowsName(std::string_view) const override { return nullptr; }
        const ical::Zone& Local() const override { return local; }
    } zones;

    std::string Stored(const std::string& key) const;
    void Store(const std::string& key, const std::string& text);
    // The labels back as designed, as the platform puts them at a new scale.
    void DesignLabels();
    // The calls made since the last Forget(), and a fresh start for the next step.
    void Forget() { calls.clear(); }

    // --- PlatformServices ---
    FormObject& Me() override { return me_; }
    LabelObject& Label1() override { return label1_; }
    LabelObject& Label2() override { return label2_; }
    MonthViewObject& MonthView1() override { return monthView_; }
    ListObject& List1() override { return list_; }
    ScreenObject& Screen() override { return screen_; }
    AppObject& App() override { return app_; }
    SettingsStore& Settings() override { return settings_; }
    StartupList& Startup() override { return startup_; }
    CalendarDate Today() override;
    int64_t NowUtcMs() override { return nowUtcMs; }
    CalendarDate LocalDateAt(int64_t utcMs) override { return localDateAt ? localDateAt(utcMs) : today; }
    std::string LongDate(CalendarDate date) override;
    std::string ShortDate(CalendarDate date) override;
    void CopyText(const std::string& text) override;
    int32_t NumberIcon(int32_t number) override;
    std::pair<int32_t, int32_t> RegionalWeeks() override;
    void StartTimer(FormTimer which, uint32_t milliseconds) override;
    void StopTimer(FormTimer which) override;
    const Texts& Language() override { return language; }
    int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override;
    void AppActivate(int32_t processId) override;
    int32_t PopupMenu(const std::vector<MenuItem>& items) override;
    bool RegisterHotKey(int32_t modifiers, int32_t keyCode) override;
    void UnregisterHotKey() override;
    bool HotKeyFree(int32_t modifiers, int32_t keyCode) override;
    void ShowSettings(const SettingsChoice& choice, const std::string& status,
                      const std::vector<NamedKey>& keys) override;
    void CloseSettings() override;
    void SetSettingsCalendarLines(const std::vector<std::string>& sources,
                                  const std::vector<std::string>& lines) override;
    CalendarIo& Io() override { return io; }
    void InBackground(std::function<void()> work, std::function<void()> done) override;
    void WatchFiles(const std::vector<std::string>& paths) override;
    const ical::SystemZones& Zones() override { return zones; }
    std::string ShortTime(int32_t hour, int32_t minute) override;
    std::string ShortDay(CalendarDate date) override;
    std::string DateAndTime(int64_t utcMs) override;
    std::string SingleToText(float value) override;
    float TextToSingle(const std::string& text) override;
    int32_t Shell_NotifyIconW(int32_t message, ShellNotifyIconBuffer& data) override;
    bool ShowNotification(const std::string& title, const std::string& text) override {
        if (notificationsTaken) notifications.emplace_back(title, text);
        return notificationsTaken;
    }
    int32_t SetWindowPos(int32_t hWnd, int32_t hWndInsertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                         int32_t flags) override;
    int32_t GetWindowThreadProcessId(int32_t hWnd, int32_t& processId) override;

    // Records the operation, runs its hook, and throws if it is set to fail.
    void Touch(const std::string& operation, const std::string& recorded);
    void Touch(const std::string& operation) { Touch(operation, operation); }

private:
    struct FormImpl : FormObject {
        PlatformDouble& d;
        explicit FormImpl(PlatformDouble& d) : d(d) {}
        float Left() override;
        void SetLeft(float twips) override;
        float Top() override;
        void SetTop(float twips) override;
        float Width() override;
        void SetWidth(float twips) override;
        float Height() override;
        void SetHeight(float twips) override;
        void Move(float left, float top) override;
        int16_t WindowState() override;
        void SetWindowState(int16_t state) override;
        void SetVisible(int16_t visible) override;
        int32_t hWnd() override;
        int32_t IconHandle() override;
        void Unload() override;
    } me_{*this};
    struct LabelImpl : LabelObject {
        PlatformDouble& d;
        Label& state;
        std::string name;
        LabelImpl(PlatformDouble& d, Label& state, std::string name) : d(d), state(state), name(std::move(name)) {}
        float Height() override;
        void Move(float left, float top, float width, float height) override;
        void SetForeColor(int32_t rgb) override;
    } label1_{*this, label1, "Label1"}, label2_{*this, label2, "Label2"};
    struct MonthViewImpl : MonthViewObject {
        PlatformDouble& d;
        explicit MonthViewImpl(PlatformDouble& d) : d(d) {}
        float Width() override;
        float Height() override;
        std::string ToolTipText() override;
        void Move(float left, float top) override;
        CalendarDate Value() override;
        void SetValue(CalendarDate date) override;
        CalendarDate ShownMonth() override;
        void SetWeekNumbers(bool shown) override;
        void SetMonths(int32_t columns, int32_t rows) override {
            d.Touch("MonthView1.SetMonths",
                    "MonthView1.SetMonths " + std::to_string(columns) + "x" + std::to_string(rows));
            d.calendar.columns = columns, d.calendar.rows = rows;
        }
        void SetFirstDayOfWeek(int32_t day) override;
        void RefreshDayStates() override;
    } monthView_{*this};
    struct ListImpl : ListObject {
        PlatformDouble& d;
        explicit ListImpl(PlatformDouble& d) : d(d) {}
        float Height() override;
        void Move(float left, float top, float width, float height) override;
        void SetVisible(bool shown) override;
        int32_t Rows() override { return d.list.rows; }
        void SetLines(const std::vector<ListLine>& lines) override;
        void SetSelected(int32_t line) override { d.list.selected = line; }
    } list_{*this};
    struct ScreenImpl : ScreenObject {
        PlatformDouble& d;
        explicit ScreenImpl(PlatformDouble& d) : d(d) {}
        float Width() override;
        float Height() override;
        float TwipsPerPixelX() override;
        float SystemTwipsPerPixel() override;
        std::vector<DisplayArea> Displays() override;
        std::pair<DisplayArea, DisplayArea> WorkAreas() override;
    } screen_{*this};
    struct AppImpl : AppObject {
        PlatformDouble& d;
        explicit AppImpl(PlatformDouble& d) : d(d) {}
        bool PrevInstance() override;
        std::string EXEName() override;
        std::string FullPath() override;
        void End() override;
    } app_{*this};
    struct SettingsImpl : SettingsStore {
        PlatformDouble& d;
        explicit SettingsImpl(PlatformDouble& d) : d(d) {}
        std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                               const std::string& defaultText) override;
        void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                         const std::string& text) override;
    } settings_{*this};
    struct StartupImpl : StartupList {
        PlatformDouble& d;
        explicit StartupImpl(PlatformDouble& d) : d(d) {}
        std::optional<std::string> Command(const std::string& name) override;
        bool TurnedOff(const std::string& name) override;
        void SetCommand(const std::string& name, const std::string& command) override;
        void Remove(const std::string& name) override;
        void ClearTurnedOff(const std::string& name) override;
    } startup_{*this};
};

// The tip in a record the shell was handed, in UTF-8 (characters of the
// Basic Multilingual Plane).
std::string TipOf(const ShellNotifyIconBuffer& data);

// "2300" for 2300.0f, "-50" for -50.0f, "20.5" for 20.5f: how the double
// writes numbers into its call log.
std::string Num(float value);
