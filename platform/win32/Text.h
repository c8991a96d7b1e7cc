#pragma once
#include <windows.h>

#include <string>

// Text between the logic's 8-bit strings and Windows' 16-bit ones. The
// logic's texts are UTF-8 throughout, the stored numbers included.
namespace wide_text {

inline std::wstring Widen(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

inline std::string Narrow(const wchar_t* text, size_t length, UINT codePage) {
    if (length == 0) return {};
    const int size = WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// What the user reads, as the wide functions take it.
inline std::wstring Utf16(const std::string& utf8) { return Widen(utf8, CP_UTF8); }
inline std::string Utf8(const std::wstring& wide) { return Narrow(wide.data(), wide.size(), CP_UTF8); }

// A count's digits, as the icon and the week column draw them; the C
// library's wide formatting would add a tenth to the program's size.
inline std::wstring Digits(unsigned number) {
    std::wstring digits;
    do digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
    while (number /= 10);
    return digits;
}

}  // namespace wide_text
