#include "tests/unit/PlatformDouble.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/frmCalendarDesign.h"
#include "platform/RuntimeError.h"
#include "platform/Units.h"

std::string Num(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

PlatformDouble::PlatformDouble() {
    const form_design::Rect& month = kfrmCalendarDesign.Find(form_design::Name::MonthView1).design;
    calendar.left = month.left, calendar.top = month.top, calendar.width = month.width, calendar.height = month.height;
    calendar.toolTip = language.Text(*kfrmCalendarDesign.Find(form_design::Name::MonthView1).toolTip);
    DesignLabels();
}

// The labels as designed; the load handler replaces all but Label1's height.
void PlatformDouble::DesignLabels() {
    auto design = [](Label& label, form_design::Name which) {
        const form_design::Rect& at = kfrmCalendarDesign.Find(which).design;
        label = {at.left, at.top, at.width, at.height, label.foreColor};
    };
    design(label1, form_design::Name::Label1);
    design(label2, form_design::Name::Label2);
}

void PlatformDouble::Touch(const std::string& operation, const std::string& recorded) {
    calls.push_back(recorded);
    if (auto hook = hooks.find(operation); hook != hooks.end()) hook->second();
    if (auto failure = failing.find(operation); failure != failing.end())
        throw RuntimeError(failure->second, "injected failure of " + operation);
}

std::string PlatformDouble::Stored(const std::string& key) const {
    auto found = store.find({exeName, exeName, key});
    return found == store.end() ? "<absent>" : found->second;
}

float PlatformDouble::Held(float twips) const {
    if (exactTwips) return twips;
    return units::PixelsToTwips(units::TwipsToPixels(twips, screen.twipsPerPixelX), screen.twipsPerPixelX);
}

void PlatformDouble::Store(const std::string& key, const std::string& text) { store[{exeName, exeName, key}] = text; }

// One accessor a line, as a table.
// clang-format off
float PlatformDouble::FormImpl::Left() { d.Touch("Me.Left"); return d.form.left; }
void PlatformDouble::FormImpl::SetLeft(float v) { d.Touch("Me.Left=", "Me.Left=" + Num(v)); d.form.left = d.Held(v); }
float PlatformDouble::FormImpl::Top() { d.Touch("Me.Top"); return d.form.top; }
void PlatformDouble::FormImpl::SetTop(float v) { d.Touch("Me.Top=", "Me.Top=" + Num(v)); d.form.top = d.Held(v); }
float PlatformDouble::FormImpl::Width() { d.Touch("Me.Width"); return d.form.width; }
void PlatformDouble::FormImpl::SetWidth(float v) {
    d.Touch("Me.Width=", "Me.Width=" + Num(v));
    d.form.width = d.Held(v);
}
float PlatformDouble::FormImpl::Height() { d.Touch("Me.Height"); return d.form.height; }
void PlatformDouble::FormImpl::SetHeight(float v) {
    d.Touch("Me.Height=", "Me.Height=" + Num(v));
    d.form.height = d.Held(v);
}
void PlatformDouble::FormImpl::Move(float left, float top) {
    d.Touch("Me.Move", "Me.Move " + Num(left) + "," + Num(top));
    d.form.left = d.Held(left);
    d.form.top = d.Held(top);
}
int16_t PlatformDouble::FormImpl::WindowState() { d.Touch("Me.WindowState"); return d.form.windowState; }
void PlatformDouble::FormImpl::SetWindowState(int16_t s) {
    d.Touch("Me.WindowState=", "Me.WindowState=" + std::to_string(s));
    d.form.windowState = s;
}
void PlatformDouble::FormImpl::SetVisible(int16_t v) {
    d.Touch("Me.Visible=", "Me.Visible=" + std::to_string(v));
    d.form.visible = v;
}
int32_t PlatformDouble::FormImpl::hWnd() { d.Touch("Me.hWnd"); return d.form.hWnd; }
int32_t PlatformDouble::FormImpl::IconHandle() { d.Touch("Me.Icon"); return d.form.icon; }
void PlatformDouble::FormImpl::Unload() {
    d.Touch("Me.Unload");
    int16_t cancel = 0;
    if (d.events) d.events->Form_Unload(cancel);
    d.form.unloaded = true;
}

float PlatformDouble::LabelImpl::Height() { d.Touch(name + ".Height"); return state.height; }
void PlatformDouble::LabelImpl::Move(float left, float top, float width, float height) {
    d.Touch(name + ".Move", name + ".Move " + Num(left) + "," + Num(top) + "," + Num(width) + "," + Num(height));
    state = {left, top, width, height, state.foreColor};
}
void PlatformDouble::LabelImpl::SetForeColor(int32_t rgb) {
    d.Touch(name + ".ForeColor=", name + ".ForeColor=" + std::to_string(rgb));
    state.foreColor = rgb;
}

float PlatformDouble::MonthViewImpl::Width() {
    d.Touch("MonthView1.Width");
    return d.calendar.width * static_cast<float>(d.calendar.columns);
}
float PlatformDouble::MonthViewImpl::Height() {
    d.Touch("MonthView1.Height");
    return d.calendar.height * static_cast<float>(d.calendar.rows);
}
std::string PlatformDouble::MonthViewImpl::ToolTipText() {
    d.Touch("MonthView1.ToolTipText");
    return d.calendar.toolTip;
}
void PlatformDouble::MonthViewImpl::Move(float left, float top) {
    d.Touch("MonthView1.Move", "MonthView1.Move " + Num(left) + "," + Num(top));
    d.calendar.left = left;
    d.calendar.top = top;
}
CalendarDate PlatformDouble::MonthViewImpl::Value() { d.Touch("MonthView1.Value"); return d.calendar.value; }
void PlatformDouble::MonthViewImpl::SetValue(CalendarDate date) {
    d.Touch("MonthView1.Value=");
    d.calendar.value = date;
    d.calendar.shownMonth = {date.year, date.month, 1};
}
void PlatformDouble::MonthViewImpl::SetWeekNumbers(bool shown) {
    d.Touch("MonthView1.SetWeekNumbers", std::string("MonthView1.SetWeekNumbers=") + (shown ? "1" : "0"));
    if (shown != d.calendar.weekNumbers) d.calendar.width += shown ? kWeekNumbersWidth : -kWeekNumbersWidth;
    d.calendar.weekNumbers = shown;
}
void PlatformDouble::MonthViewImpl::SetFirstDayOfWeek(int32_t day) {
    d.Touch("MonthView1.SetFirstDayOfWeek", "MonthView1.SetFirstDayOfWeek=" + std::to_string(day));
    d.calendar.firstDayOfWeek = day;
}
CalendarDate PlatformDouble::MonthViewImpl::ShownMonth() {
    d.Touch("MonthView1.ShownMonth");
    return d.calendar.shownMonth;
}

std::pair<DisplayArea, DisplayArea> PlatformDouble::ScreenImpl::WorkAreas() {
    d.Touch("Screen.WorkAreas");
    return d.screen.workAreas;
}
float PlatformDouble::ScreenImpl::Width() { d.Touch("Screen.Width"); return d.screen.width; }
float PlatformDouble::ScreenImpl::Height() { d.Touch("Screen.Height"); return d.screen.height; }
float PlatformDouble::ScreenImpl::TwipsPerPixelX() { d.Touch("Screen.TwipsPerPixelX"); return d.screen.twipsPerPixelX; }
float PlatformDouble::ScreenImpl::SystemTwipsPerPixel() {
    d.Touch("Screen.SystemTwipsPerPixel");
    return d.screen.systemTwipsPerPixel != 0 ? d.screen.systemTwipsPerPixel : d.screen.twipsPerPixelX;
}
std::vector<DisplayArea> PlatformDouble::ScreenImpl::Displays() {
    d.Touch("Screen.Displays");
    if (d.screen.displays.empty()) return {{0, 0, d.screen.width, d.screen.height}};
    return d.screen.displays;
}

bool PlatformDouble::AppImpl::PrevInstance() { d.Touch("App.PrevInstance"); return d.prevInstance; }
std::string PlatformDouble::AppImpl::EXEName() { d.Touch("App.EXEName"); return d.exeName; }
std::string PlatformDouble::AppImpl::FullPath() { d.Touch("App.FullPath"); return d.fullPath; }
void PlatformDouble::AppImpl::End() { d.Touch("App.End"); d.ended = true; }
// clang-format on

std::string PlatformDouble::SettingsImpl::GetSetting(const std::string& appName, const std::string& section,
                                                     const std::string& key, const std::string& defaultText) {
    d.Touch("GetSetting", "GetSetting " + appName + "/" + section + "/" + key + " default " + defaultText);
    auto found = d.store.find({appName, section, key});
    return found == d.store.end() ? defaultText : found->second;
}
void PlatformDouble::SettingsImpl::SaveSetting(const std::string& appName, const std::string& section,
                                               const std::string& key, const std::string& text) {
    d.Touch("SaveSetting", "SaveSetting " + appName + "/" + section + "/" + key + "=" + text);
    d.store[{appName, section, key}] = text;
}

std::optional<std::string> PlatformDouble::StartupImpl::Command(const std::string& name) {
    d.Touch("Startup.Command");
    auto found = d.runList.find(name);
    return found == d.runList.end() ? std::nullopt : std::optional(found->second);
}
bool PlatformDouble::StartupImpl::TurnedOff(const std::string& name) {
    d.Touch("Startup.TurnedOff");
    return d.turnedOff.count(name) > 0;
}
void PlatformDouble::StartupImpl::SetCommand(const std::string& name, const std::string& command) {
    d.Touch("Startup.SetCommand", "Startup.SetCommand " + name + "=" + command);
    d.runList[name] = command;
}
void PlatformDouble::StartupImpl::Remove(const std::string& name) {
    d.Touch("Startup.Remove", "Startup.Remove " + name);
    d.runList.erase(name);
}
void PlatformDouble::StartupImpl::ClearTurnedOff(const std::string& name) {
    d.Touch("Startup.ClearTurnedOff", "Startup.ClearTurnedOff " + name);
    d.turnedOff.erase(name);
}

int32_t PlatformDouble::PopupMenu(const std::vector<MenuItem>& items) {
    Touch("PopupMenu");
    menuShown = items;
    return menuChoice;
}

// clang-format off
CalendarDate PlatformDouble::Today() { Touch("Today"); return today; }
std::string PlatformDouble::LongDate(CalendarDate date) {
    Touch("LongDate");
    return std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day);
}
std::string PlatformDouble::ShortDate(CalendarDate date) {
    Touch("ShortDate");
    return std::to_string(date.day) + "." + std::to_string(date.month) + "." + std::to_string(date.year);
}
void PlatformDouble::CopyText(const std::string& text) {
    Touch("CopyText", "CopyText " + text);
    clipboard = text;
}
// A number's icon is its own handle: the designed one's plus the number.
int32_t PlatformDouble::NumberIcon(int32_t number) {
    Touch("NumberIcon", "NumberIcon " + std::to_string(number));
    return form.icon + number;
}
std::pair<int32_t, int32_t> PlatformDouble::RegionalWeeks() {
    Touch("RegionalWeeks");
    return regionalWeeks;
}

int32_t PlatformDouble::MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) {
    Touch("MsgBox");
    messages.push_back({prompt, buttons, title});
    return 1;
}

bool PlatformDouble::RegisterHotKey(int32_t modifiers, int32_t keyCode) {
    Touch("RegisterHotKey", "RegisterHotKey " + std::to_string(modifiers) + "," + std::to_string(keyCode));
    if (hotKeyTaken || heldElsewhere.count({modifiers, keyCode})) return false;
    hotKey = {modifiers, keyCode};
    return true;
}

void PlatformDouble::UnregisterHotKey() { Touch("UnregisterHotKey"); hotKey.reset(); }

bool PlatformDouble::HotKeyFree(int32_t modifiers, int32_t keyCode) {
    Touch("HotKeyFree", "HotKeyFree " + std::to_string(modifiers) + "," + std::to_string(keyCode));
    return hotKey != std::pair{modifiers, keyCode} && !heldElsewhere.count({modifiers, keyCode});
}

void PlatformDouble::ShowSettings(const SettingsChoice& choice, const std::string& status,
                                  const std::vector<NamedKey>& keys) {
    Touch("ShowSettings");
    settingsShown = choice;
    settingsStatus = status;
    settingsKeys.clear();
    for (const NamedKey& key : keys) settingsKeys.push_back(key.name);
}

void PlatformDouble::CloseSettings() { Touch("CloseSettings"); }
// clang-format on

void PlatformDouble::AppActivate(int32_t id) {
    Touch("AppActivate", "AppActivate " + std::to_string(id));
    activated.push_back(id);
}

std::string PlatformDouble::SingleToText(float value) {
    std::string text = Num(value);
    std::replace(text.begin(), text.end(), '.', decimalSeparator);
    return text;
}

// A strict reading in the "C" locale: optional blanks around a decimal number.
// What the user's locale would also accept (thousands separators, a decimal
// comma) is the Windows conversion's business, not the logic's.
float PlatformDouble::TextToSingle(const std::string& text) {
    size_t begin = text.find_first_not_of(' ');
    size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos) throw RuntimeError::TypeMismatch();
    std::string trimmed = text.substr(begin, end - begin + 1);
    if (decimalSeparator != '.') {
        if (trimmed.find('.') != std::string::npos) throw RuntimeError::TypeMismatch();
        std::replace(trimmed.begin(), trimmed.end(), decimalSeparator, '.');
    }
    for (char c : trimmed)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            throw RuntimeError::TypeMismatch();
    char* stop = nullptr;
    errno = 0;
    const double value = std::strtod(trimmed.c_str(), &stop);
    if (stop != trimmed.c_str() + trimmed.size()) throw RuntimeError::TypeMismatch();
    if (errno == ERANGE && std::fabs(value) > 1) throw RuntimeError::Overflow();
    if (std::fabs(value) > FLT_MAX) throw RuntimeError::Overflow();
    return static_cast<float>(value);
}

int32_t PlatformDouble::Shell_NotifyIconW(int32_t message, ShellNotifyIconBuffer& data) {
    Touch("Shell_NotifyIconW", "Shell_NotifyIconW " + std::to_string(message));
    shellCalls.push_back({message, data});
    auto word = [&](size_t at) {
        return static_cast<int32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                                    static_cast<uint32_t>(data[at + 3]) << 24);
    };
    const std::pair<int32_t, int32_t> icon{word(4), word(8)};
    if (message == 0 && refuseAdds > 0) return --refuseAdds, 0;
    if (message == 0) return trayIcons.insert(icon).second ? 1 : 0;
    if (message == 1) return trayIcons.count(icon) ? 1 : 0;
    if (message == 2) return trayIcons.erase(icon) ? 1 : 0;
    return 0;
}

void PlatformDouble::StartTimer(FormTimer which, uint32_t milliseconds) {
    Touch("StartTimer", "StartTimer " + std::to_string(static_cast<int>(which)) + " " + std::to_string(milliseconds));
    timers[which] = milliseconds;
}

void PlatformDouble::StopTimer(FormTimer which) {
    Touch("StopTimer", "StopTimer " + std::to_string(static_cast<int>(which)));
    timers.erase(which);
}

int32_t PlatformDouble::SetWindowPos(int32_t hWnd, int32_t after, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                     int32_t flags) {
    Touch("SetWindowPos", "SetWindowPos " + std::to_string(hWnd) + "," + std::to_string(after) + "," +
                              std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(cx) + "," +
                              std::to_string(cy) + "," + std::to_string(flags));
    return 1;
}

int32_t PlatformDouble::GetWindowThreadProcessId(int32_t hWnd, int32_t& id) {
    Touch("GetWindowThreadProcessId", "GetWindowThreadProcessId " + std::to_string(hWnd));
    id = processId;
    return 77;
}

std::string TipOf(const ShellNotifyIconBuffer& data) {
    std::string tip;
    for (size_t at = shell_layout::kSzTip; at + 1 < data.size(); at += 2) {
        const unsigned unit = data[at] | data[at + 1] << 8;
        if (unit == 0) break;
        if (unit < 0x80) {
            tip += static_cast<char>(unit);
        } else if (unit < 0x800) {
            tip += {static_cast<char>(0xC0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3F))};
        } else {
            tip += {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | (unit >> 6 & 0x3F)),
                    static_cast<char>(0x80 | (unit & 0x3F))};
        }
    }
    return tip;
}

void PlatformDouble::MonthViewImpl::RefreshDayStates() {
    d.Touch("MonthView1.RefreshDayStates");
    ++d.dayStateRefreshes;
}

float PlatformDouble::ListImpl::Height() {
    d.Touch("List1.Height");
    return kListHeight;
}
void PlatformDouble::ListImpl::Move(float left, float top, float width, float height) {
    d.Touch("List1.Move", "List1.Move " + Num(left) + "," + Num(top) + "," + Num(width) + "," + Num(height));
    d.list.left = left, d.list.top = top, d.list.width = width, d.list.height = height;
}
void PlatformDouble::ListImpl::SetVisible(bool shown) {
    d.Touch("List1.Visible", std::string("List1.Visible=") + (shown ? "1" : "0"));
    d.list.visible = shown;
}
void PlatformDouble::ListImpl::SetLines(const std::vector<ListLine>& lines) {
    d.Touch("List1.SetLines");
    d.list.lines = lines;
}

void PlatformDouble::SetSettingsCalendarLines(const std::vector<std::string>& /*sources*/,
                                              const std::vector<std::string>& lines) {
    if (settingsShown) settingsCalendarLines = lines;
}

void PlatformDouble::InBackground(std::function<void()> work, std::function<void()> done) {
    Touch("InBackground");
    background.emplace_back(std::move(work), std::move(done));
}

void PlatformDouble::RunBackground() {
    while (!background.empty()) {
        auto [work, done] = std::move(background.front());
        background.erase(background.begin());
        work();
        done();
    }
}

void PlatformDouble::WatchFiles(const std::vector<std::string>& paths) {
    Touch("WatchFiles");
    watched = paths;
}

std::string PlatformDouble::ShortTime(int32_t hour, int32_t minute) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(hour % 100), static_cast<int>(minute % 100));
    return text;
}

std::string PlatformDouble::ShortDay(CalendarDate date) {
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    return std::string(kDays[ical::Weekday(date.year, date.month, date.day)]) + " " + std::to_string(date.day);
}

std::string PlatformDouble::DateAndTime(int64_t utcMs) {
    const ical::LocalDateTime at = zones.local.ToWall(utcMs / 1000);
    return ShortDate({at.year, at.month, at.day}) + " " + ShortTime(at.hour, at.minute);
}

HttpReply PlatformDouble::FakeIo::Fetch(const std::string& url, const std::string& etag,
                                        const std::string& lastModified) {
    asked.push_back("GET " + url + " " + etag + " " + lastModified);
    auto found = replies.find(url);
    if (found == replies.end()) return {HttpReply::Failure::Unreachable};
    if (!etag.empty() && etag == found->second.etag) return {HttpReply::Failure::None, 304};
    return found->second;
}

FileReply PlatformDouble::FakeIo::ReadFile(const std::string& path) {
    asked.push_back("READ " + path);
    auto found = files.find(path);
    return found == files.end() ? FileReply{FileReply::Failure::Missing} : found->second;
}

int64_t PlatformDouble::FakeIo::FileStamp(const std::string& path) {
    auto found = files.find(path);
    return found == files.end() ? 0 : found->second.stamp;
}

std::optional<std::string> PlatformDouble::FakeIo::ReadCopy(const std::string& name) {
    auto found = copies.find(name);
    if (found == copies.end()) return std::nullopt;
    return found->second;
}

bool PlatformDouble::FakeIo::WriteCopy(const std::string& name, std::string_view bytes) {
    copies[name] = std::string(bytes);
    return true;
}

void PlatformDouble::FakeIo::RemoveCopy(const std::string& name) { copies.erase(name); }
