// The notification-area icon: its image at the taskbar's size, and the
// logic's record handed to the shell at this architecture's layout.
#include "platform/win32/Win32Platform.h"

#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/NativeNotifyIcon.h"
#include "platform/win32/OptionalFunction.h"
#include "platform/win32/Text.h"
#include "platform/win32/Handles.h"
#include "resources/resource.h"

// The icon the shell is handed: drawn for the notification area's size at
// the taskbar's scale, which the shell would otherwise shrink from the large one.
int32_t Win32Platform::Form::IconHandle() {
    w.LoadSmallIcon();
    return AsInt32(w.smallIcon_);
}

// Loaded again whenever the taskbar's display has taken another scale since;
// an icon that cannot be loaded at the new size keeps the old one.
void Win32Platform::LoadSmallIcon() {
    const int size = scale_.SmallIconSize();
    if (size == smallIconSize_) return;
    HICON icon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CALENDAR), IMAGE_ICON, size, size, 0));
    if (!icon) return;
    if (smallIcon_) DestroyIcon(smallIcon_);
    smallIcon_ = icon;
    smallIconSize_ = size;
}

namespace {

// A number of one or two digits filling a square plate: a bold face as tall
// as the icon leaves room for, narrowed until the digits fit its width. GDI
// writes no alpha, so every pixel is made opaque but the plate's corners.
HICON DrawNumberIcon(int32_t number, int size, const contrast::NumberIconColours& colours) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    // The mask, which what draws icons without their alpha reads, all opaque.
    const std::vector<uint8_t> opaque(static_cast<size_t>((size + 15) / 16 * 2 * size), 0);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, opaque.data());
    HDC dc = CreateCompatibleDC(nullptr);
    HICON icon = nullptr;
    if (image && mask && dc && bits) {
        HGDIOBJ oldBitmap = SelectObject(dc, image);
        const RECT all{0, 0, size, size};
        HBRUSH plate = CreateSolidBrush(static_cast<COLORREF>(colours.plate));
        FillRect(dc, &all, plate);
        DeleteObject(plate);
        const std::wstring digits = wide_text::Digits(static_cast<unsigned>(number));
        const wchar_t* text = digits.c_str();
        const int length = static_cast<int>(digits.size());
        LOGFONTW face{};
        face.lfHeight = -(size * 4 / 3);  // digits stand about three quarters of the em high
        face.lfWeight = FW_BOLD;
        face.lfQuality = ANTIALIASED_QUALITY;
        lstrcpyW(face.lfFaceName, L"Tahoma");
        HFONT font = nullptr;
        HGDIOBJ oldFont = nullptr;
        TEXTMETRICW metrics{};
        SIZE extent{};
        const auto select = [&] {
            if (font) SelectObject(dc, oldFont), DeleteObject(font);
            font = CreateFontIndirectW(&face);
            oldFont = SelectObject(dc, font);
            GetTextMetricsW(dc, &metrics);
            GetTextExtentPoint32W(dc, text, length, &extent);
        };
        select();
        // The average width only guides the font mapper: narrower until it fits.
        for (int tries = 0; extent.cx > size && tries < 4; ++tries) {
            face.lfWidth = std::max(1L, (face.lfWidth ? face.lfWidth : metrics.tmAveCharWidth) * size / extent.cx);
            select();
        }
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, static_cast<COLORREF>(colours.digits));
        SetTextAlign(dc, TA_CENTER | TA_TOP);
        // The digits' ink runs from the internal leading down to the ascent.
        const int inkHeight = metrics.tmAscent - metrics.tmInternalLeading;
        TextOutW(dc, size / 2, (size - inkHeight) / 2 - metrics.tmInternalLeading, text, length);
        SelectObject(dc, oldFont);
        DeleteObject(font);
        SelectObject(dc, oldBitmap);
        GdiFlush();
        auto* pixel = static_cast<uint32_t*>(bits);
        for (int i = 0; i < size * size; ++i) pixel[i] |= 0xFF000000u;
        for (const int corner : {0, size - 1, size * (size - 1), size * size - 1}) pixel[corner] = 0;
        ICONINFO parts{TRUE, 0, 0, mask, image};
        icon = CreateIconIndirect(&parts);
    }
    if (dc) DeleteDC(dc);
    if (mask) DeleteObject(mask);
    if (image) DeleteObject(image);
    return icon;
}

}  // namespace

int32_t Win32Platform::NumberIcon(int32_t number) {
    if (number <= 0 || number > 99) return form_.IconHandle();
    const int size = scale_.SmallIconSize();
    const contrast::NumberIconColours colours = contrast::NumberIcon(CurrentScheme());
    if (numberIcon_.icon && numberIcon_.number == number && numberIcon_.size == size && numberIcon_.colours == colours)
        return AsInt32(numberIcon_.icon);
    HICON drawn = DrawNumberIcon(number, size, colours);
    if (!drawn) return form_.IconHandle();  // the designed icon rather than none
    if (numberIcon_.previous) DestroyIcon(numberIcon_.previous);
    numberIcon_ = {drawn, numberIcon_.icon, number, size, colours};
    return AsInt32(drawn);
}

// The shell's wide record of Windows 2000 on, as this architecture lays it
// out: the program's buffer holds its fields up to the tip, at x86's offsets;
// on x64 the handles are 8 bytes wide and aligned, so every field sits
// elsewhere. The shell reads a tip of 128 units from a record of this size.
constexpr DWORD kWideRecordSize = NOTIFYICONDATAW_V2_SIZE;
static_assert(sizeof(NOTIFYICONDATAW{}.szTip) == shell_layout::kTipBytes);
static_assert(offsetof(NOTIFYICONDATAW, szTip) + shell_layout::kTipBytes == offsetof(NOTIFYICONDATAW, dwState));
// The two layouts the record fuzzer converts, as this compiler has them.
static_assert(offsetof(NOTIFYICONDATAW, hWnd) == sizeof(void*) &&
              offsetof(NOTIFYICONDATAW, szTip) == (sizeof(void*) == 8 ? 40 : 24) &&
              kWideRecordSize == (sizeof(void*) == 8 ? 952 : 936));

HWND Win32Platform::FullHandle(int32_t hWnd) const {
    // Window and icon handles carry 32 significant bits on every Windows, and
    // widen by sign extension; our own keep exactly the value we were given.
    if (hWnd == AsInt32(hwnd_)) return hwnd_;
    return AsHandle(hWnd);
}

HICON Win32Platform::FullIconHandle(int32_t hIcon) const {
    if (hIcon == AsInt32(smallIcon_)) return smallIcon_;
    if (hIcon == AsInt32(numberIcon_.icon)) return numberIcon_.icon;
    return reinterpret_cast<HICON>(static_cast<intptr_t>(hIcon));
}

// The icon's balloon, over the icon the shell holds. NIIF_RESPECT_QUIET_TIME
// (Windows 7 on) has the shell dismiss it, not queue it, in its quiet time
// (the first hour after a new user's first sign-in): the shell is asked
// first, and a notification it would drop is refused, to be offered again.
constexpr DWORD kRespectQuietTime = 0x00000080;
constexpr uint32_t kWindows7Build = 7600;
constexpr int kQuietTime = 6;  // QUNS_QUIET_TIME

namespace {

bool ShellInQuietTime() {
    using QueryStateFn = HRESULT(WINAPI*)(int*);
    static const auto query = OptionalFunction<QueryStateFn>("shell32.dll", "SHQueryUserNotificationState");
    int state = 0;
    return query && SUCCEEDED(query(&state)) && state == kQuietTime;
}

}  // namespace

bool Win32Platform::ShowNotification(const std::string& title, const std::string& text) {
    const bool quietTimeKnown = WindowsBuild() >= kWindows7Build;
    if (!trayIconAdded_ || (quietTimeKnown && ShellInQuietTime())) return false;
    NOTIFYICONDATAW record = trayIcon_;
    record.uFlags = NIF_INFO;
    const auto put = [](wchar_t* into, size_t room, const std::string& utf8) {
        const std::wstring wide = wide_text::Utf16(utf8);
        const size_t length = std::min(wide.size(), room - 1);
        std::copy(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(length), into);
        into[length] = L'\0';
    };
    put(record.szInfoTitle, std::size(record.szInfoTitle), title);
    put(record.szInfo, std::size(record.szInfo), text.empty() ? std::string(" ") : text);  // empty: no balloon
    record.dwInfoFlags = NIIF_INFO | (quietTimeKnown ? kRespectQuietTime : 0);
    return ::Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

int32_t Win32Platform::Shell_NotifyIconW(int32_t message, ShellNotifyIconBuffer& data) {
    NOTIFYICONDATAW record = native_notify_icon::FromBuffer<NOTIFYICONDATAW>(
        data, kWideRecordSize, [&](int32_t h) { return FullHandle(h); }, [&](int32_t h) { return FullIconHandle(h); });
    // The calendar asks for the shell's mouse events as mouse moves of its
    // window. They come as a message of their own, so that a real pointer
    // move is never taken for one; the window turns them into mouse moves.
    const bool asMouseMoves = record.uCallbackMessage == WM_MOUSEMOVE;
    if (asMouseMoves) record.uCallbackMessage = kTrayCallback;
    const BOOL result = ::Shell_NotifyIconW(static_cast<DWORD>(message), &record);
    if (asMouseMoves) record.uCallbackMessage = WM_MOUSEMOVE;
    if (result && (message == NIM_ADD || message == NIM_MODIFY)) {
        trayIcon_ = record;
        trayIconAdded_ = true;
    } else if (result && message == NIM_DELETE && record.hWnd == trayIcon_.hWnd && record.uID == trayIcon_.uID) {
        trayIconAdded_ = false;
    }
    native_notify_icon::ToBuffer(
        record, kWideRecordSize, [](const void* h) { return AsInt32(h); }, data);
    return result;
}
