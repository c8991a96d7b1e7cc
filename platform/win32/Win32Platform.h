#pragma once
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <optional>
#include <string>

#include "platform/Contrast.h"
#include "platform/FormDesign.h"
#include "platform/FormEvents.h"
#include "platform/PlatformServices.h"
#include "platform/Units.h"
#include "platform/win32/AccessibleName.h"
#include "platform/win32/BackgroundWork.h"
#include "platform/win32/FileWatch.h"
#include "platform/win32/SystemZones.h"
#include "platform/win32/Win32CalendarIo.h"
#include "platform/win32/WindowScale.h"

// PlatformServices on the Win32 API. It makes the window and its controls from
// the design it is given, turns window messages into handler calls, and turns
// handler requests into API calls, converting twips and pixels on the way. It
// decides nothing about the calendar's behaviour. One concern a file: the
// window (FormWindow.cpp), its messages (FormMessages.cpp), the controls'
// properties (Controls.cpp), the settings store (SettingsRegistry.cpp), the
// clock and timers (Clock.cpp), the notification icon (NotifyIcon.cpp) and
// activation (Activation.cpp); the rest here.
class Win32Platform : public PlatformServices {
public:
    Win32Platform(HINSTANCE instance, const form_design::Form& design);

    // From here on the DLLs that Windows' own libraries load on demand come
    // from the system directory only, never from the program's folder, where
    // a download could have planted one of the same name.
    static void LoadLibrariesFromSystemOnly();

    // Creates the window, raises load, shows the window and pumps messages
    // until the window is gone, then ends the process.
    [[noreturn]] void Run(FormEvents& events);

    FormObject& Me() override { return form_; }
    LabelObject& Label1() override { return label1_; }
    LabelObject& Label2() override { return label2_; }
    MonthViewObject& MonthView1() override { return monthView_; }
    ListObject& List1() override { return eventList_; }
    ScreenObject& Screen() override { return screen_; }
    AppObject& App() override { return app_; }
    SettingsStore& Settings() override { return settings_; }
    StartupList& Startup() override { return startup_; }
    CalendarDate Today() override;
    int64_t NowUtcMs() override;
    CalendarDate LocalDateAt(int64_t utcMs) override;
    std::string LongDate(CalendarDate date) override;
    std::string ShortDate(CalendarDate date) override;
    void CopyText(const std::string& text) override;
    int32_t NumberIcon(int32_t number) override;
    std::pair<int32_t, int32_t> RegionalWeeks() override;
    void StartTimer(FormTimer which, uint32_t milliseconds) override;
    void StopTimer(FormTimer which) override;
    const Texts& Language() override { return language_; }
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
    CalendarIo& Io() override { return io_; }
    void InBackground(std::function<void()> work, std::function<void()> done) override;
    void WatchFiles(const std::vector<std::string>& utf8Paths) override;
    const ical::SystemZones& Zones() override { return zones_; }
    std::string ShortTime(int32_t hour, int32_t minute) override;
    std::string ShortDay(CalendarDate date) override;
    std::string DateAndTime(int64_t utcMs) override;
    std::string SingleToText(float value) override;
    float TextToSingle(const std::string& text) override;
    int32_t Shell_NotifyIconW(int32_t message, ShellNotifyIconBuffer& data) override;
    bool ShowNotification(const std::string& title, const std::string& text) override;
    int32_t SetWindowPos(int32_t hWnd, int32_t hWndInsertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                         int32_t flags) override;
    int32_t GetWindowThreadProcessId(int32_t hWnd, int32_t& processId) override;

private:
    // The shell's notifications about the icon.
    static constexpr UINT kTrayCallback = WM_APP + 1;
    // A new scale, taken on once the handler running when Windows told of it
    // is done.
    static constexpr UINT kScaleChanged = WM_APP + 2;
    // A calendar's read done off the window's thread, and a change to a
    // calendar's file on disk.
    static constexpr UINT kBackgroundDone = WM_APP + 3;
    static constexpr UINT kFileChanged = WM_APP + 4;
    // The calendar takes the activation back from its own tool tip, once the
    // change that gave it to the tip is over.
    static constexpr UINT kTakeActivationBack = WM_APP + 5;
    // The platform's own timer, beside the logic's (FormTimer): the tool tips, made after the first paint.
    static constexpr UINT_PTR kToolTipsTimer = 100;

    // The user's display languages, in the order Windows prefers them.
    static std::vector<std::string> PreferredLanguages();
    // The logic's 32-bit handle values, back at their full width.
    HWND FullHandle(int32_t hWnd) const;
    HICON FullIconHandle(int32_t hIcon) const;

    int ToPixels(float twips) const { return units::TwipsToPixels(twips, scale_.TwipsPerPixel()); }
    float ToTwips(int pixels) const { return units::PixelsToTwips(pixels, scale_.TwipsPerPixel()); }

    // The window and its controls, made as designed (FormWindow.cpp).
    void CreateForm();
    HWND CreateControl(const form_design::Control& control);
    void LetShellMessagesThrough();
    void AddToolTips();
    void AddToolTip(HWND control, std::optional<TextId> text);
    void DesignControls();
    void LoadSmallIcon();
    void PreviewKey(const MSG& msg);
    bool TabBetweenControls(const MSG& msg);
    template <typename Handler>
    void Raise(Handler&& handler);
    [[noreturn]] void ReportException(const std::exception_ptr& thrown);

    // The window's messages, each turned into an event (FormMessages.cpp).
    static LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ToolTipProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);
    LRESULT OnFormMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMonthViewMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLabelMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnListMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);  // EventList.cpp
    LRESULT OnCtlColorList(HWND list, HDC dc);
    LRESULT OnNotify(const NMHDR& header);
    void OnMouseMove(WPARAM keys, LPARAM at);
    void OnTrayCallback(LPARAM event);
    void OnActivate(WPARAM state, HWND other);
    void OnTakeActivationBack();
    LRESULT OnCtlColorStatic(HWND control, HDC dc);
    void OnDpiChangedMessage(WPARAM dotsPerInch, const RECT& suggested);
    void OnScaleChanged();
    void OnDpiChanged(int dotsPerInch, const RECT& suggested, bool remakeFonts = false);
    void MeasureAgain(bool remakeFonts);
    void OnColoursChanged();
    void OnSettingChange(WPARAM setting, const wchar_t* area);
    LRESULT OnEraseBackground(HWND hwnd, HDC dc);
    // The logic's week numbers over the control's own (WeekColumn.cpp).
    void PaintMonthView(HWND calendar);
    void PaintWeekNumbers(HDC dc);
    void PaintMonthWeeks(HDC dc, const RECT& column, int firstDayX);

    // The window's colours in the light or dark app mode (AppMode.cpp).
    static uint32_t WindowsBuild();
    contrast::Scheme CurrentScheme() const;
    void ReadAppMode();
    void ApplyAppMode();
    // The icon's menu dark or light, as the app mode says (AppMode.cpp).
    void ApplyMenuMode(const contrast::Scheme& scheme);

    // The Settings window (SettingsDialog.cpp).
    static INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnSettingsInit(HWND dialog);
    void OnSettingsCommand(HWND dialog, WORD control, WORD notification);
    SettingsChoice SettingsChosen(HWND dialog) const;
    void PlaceSettings(HWND dialog);
    void AddCalendar(HWND dialog, std::string source);
    std::optional<std::string> PickCalendarFile(HWND dialog);
    std::optional<std::string> AskAddress(HWND dialog);
    static INT_PTR CALLBACK AddressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    void OnClose();
    bool OnTimer(WPARAM which);
    void OnDayChange();
    void RefreshToday();

    struct Form : FormObject {
        Win32Platform& w;
        std::optional<RECT> held;  // the place and size while the load handler runs
        bool movedWhileHidden = false;
        explicit Form(Win32Platform& w) : w(w) {}
        RECT Rect();
        void Place(int x, int y, int cx, int cy, UINT flags);
        void Hold();
        void Settle();
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
    } form_{*this};

    struct Label : LabelObject {
        Win32Platform& w;
        HWND hwnd = nullptr;
        WNDPROC classProc = nullptr;       // the static control's own
        std::optional<int32_t> foreColor;  // none written yet: the button-text colour
        bool pressed = false;
        std::wstring accessibleName;  // what a screen reader calls it
        explicit Label(Win32Platform& w) : w(w) {}
        float Height() override;
        void Move(float left, float top, float width, float height) override;
        void SetForeColor(int32_t rgb) override;
    } label1_{*this}, label2_{*this};

    struct MonthView : MonthViewObject {
        Win32Platform& w;
        HWND hwnd = nullptr;
        WNDPROC classProc = nullptr;  // the month-calendar control's own
        std::string toolTip;
        explicit MonthView(Win32Platform& w) : w(w) {}
        float Width() override;
        float Height() override;
        std::string ToolTipText() override { return toolTip; }
        void Move(float left, float top) override;
        CalendarDate Value() override;
        void SetValue(CalendarDate date) override;
        CalendarDate ShownMonth() override;
        void SetWeekNumbers(bool shown) override;
        void SetMonths(int32_t columns, int32_t rows) override;
        int32_t columns = 0, rows = 0;                 // 0: as designed
        void SetFirstDayOfWeek(int32_t day) override;  // WeekColumn.cpp
        void RefreshDayStates() override;
        // The bold days of the months [first, first + count), as the logic has them.
        void FillDayStates(const SYSTEMTIME& first, int count, DWORD* states);  // MONTHDAYSTATEs
        std::vector<DWORD> dayStates;  // handed to the control where it brings no array
    } monthView_{*this};

    struct EventList : ListObject {  // EventList.cpp
        Win32Platform& w;
        HWND hwnd = nullptr;
        WNDPROC classProc = nullptr;  // the list box's own
        HWND tip = nullptr;           // the window's tool tips, once made
        std::vector<ListLine> lines;
        int hot = -1;  // the line the tip is about
        explicit EventList(Win32Platform& w) : w(w) {}
        float Height() override;
        void Move(float left, float top, float width, float height) override;
        void SetVisible(bool shown) override;
        int32_t Rows() override;
        void SetLines(const std::vector<ListLine>& lines) override;
        void SetSelected(int32_t line) override;
        void ShowTipOf(int line);
    } eventList_{*this};

    struct Screen : ScreenObject {
        Win32Platform& w;
        explicit Screen(Win32Platform& w) : w(w) {}
        float Width() override;
        float Height() override;
        float TwipsPerPixelX() override { return w.scale_.TwipsPerPixel(); }
        float SystemTwipsPerPixel() override { return w.scale_.SystemTwipsPerPixel(); }
        std::vector<DisplayArea> Displays() override;
        std::pair<DisplayArea, DisplayArea> WorkAreas() override;
    } screen_{*this};

    struct App : AppObject {
        Win32Platform& w;
        bool prevInstance = false;
        explicit App(Win32Platform& w) : w(w) {}
        bool PrevInstance() override { return prevInstance; }
        std::string EXEName() override;
        std::string FullPath() override;
        [[noreturn]] void End() override;
    } app_{*this};

    // HKCU\Software\VB and VBA Program Settings\<application>\<section>, as the
    // classic runtime's per-user settings functions keep them.
    struct Registry : SettingsStore {
        std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                               const std::string& defaultText) override;
        void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                         const std::string& text) override;
    } settings_;

    // HKCU's Run list (StartupList.cpp). Windows' reasons for a refused
    // write come in the user's language (languageId).
    struct Startup : StartupList {
        LANGID languageId = 0;
        std::optional<std::string> Command(const std::string& name) override;
        bool TurnedOff(const std::string& name) override;
        void SetCommand(const std::string& name, const std::string& command) override;
        void Remove(const std::string& name) override;
        void ClearTurnedOff(const std::string& name) override;
    } startup_;

    HINSTANCE instance_;
    const form_design::Form& design_;
    Texts language_;
    FormEvents* events_ = nullptr;
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;       // the window's, at the large size
    HICON smallIcon_ = nullptr;  // the notification area's, at its size for the taskbar's display
    int smallIconSize_ = 0;
    struct {
        HICON icon = nullptr;      // the number the notification area shows, as last drawn
        HICON previous = nullptr;  // kept until the shell has surely taken the new one
        int32_t number = 0;
        int size = 0;
        contrast::NumberIconColours colours{};
    } numberIcon_;
    WindowScale scale_{design_.Find(form_design::Name::Label1).font};
    HWND toolTips_ = nullptr;
    accessible_name::Names names_;  // the labels' names, once a screen reader asks
    HANDLE instanceMutex_ = nullptr;
    // The icon as the shell last took it, so a run-time error report can
    // take away exactly that one.
    NOTIFYICONDATAW trayIcon_{};
    bool trayIconAdded_ = false;
    bool reporting_ = false;  // a run-time error is being reported
    bool darkApps_ = false;   // the user's default app mode is dark
    struct {
        contrast::CalendarLooks looks;  // what the calendar is given as the mode and the scheme change
        bool applied = false;           // the calendar has its visual style off and the dark colours
        HBRUSH background = nullptr;    // the dark surface
        bool measuredApplied = false;   // whether the calendar was last measured with them
    } dark_;
    int hotKeyId_ = 0;        // the id the shortcut held is registered under; 0: none held
    bool menusDark_ = false;  // the process's menus are drawn dark
    struct {
        HWND dialog = nullptr;  // the one Settings window, while it is open
        SettingsChoice choice;  // what it opens on
        std::string status;
        std::vector<NamedKey> keys;
        std::vector<std::string> calendars;  // as its list has them now
    } settingsWindow_;
    UINT taskbarCreated_ = 0;
    Win32CalendarIo io_;
    WindowsZones zones_;
    std::optional<BackgroundWork> background_;  // made with the window, which hears of each piece done
    std::optional<FileWatcher> fileWatcher_;
    POINT trayEventAt_{};  // where the pointer was at the shell's last event on the icon
    struct {
        bool pending = false;
        int dotsPerInch = 0;
        RECT suggested{};
        bool remakeFonts = false;  // the user's settings changed, maybe the scale not
    } scaleChange_;                // the latest WM_DPICHANGED or change of settings, until it is taken on
};

template <typename Handler>
void Win32Platform::Raise(Handler&& handler) {
    // While a run-time error is being reported the program is ending: no
    // handler runs any more, so no second error can pile up on the first.
    if (reporting_) return;
    try {
        handler();
    } catch (...) {
        ReportException(std::current_exception());
    }
}
