// The settings store: HKCU\Software\VB and VBA Program Settings\<application>
// \<section>, values of text, as the classic runtime's per-user settings
// functions keep them. The registry holds text as UTF-16 whichever functions
// wrote it, so values written by earlier versions read back the same.
#include "platform/win32/Win32Platform.h"

#include <vector>

#include "platform/RuntimeError.h"
#include "platform/win32/Text.h"

namespace {

std::wstring SettingsKeyPath(const std::string& appName, const std::string& section) {
    return wide_text::Utf16("Software\\VB and VBA Program Settings\\" + appName + "\\" + section);
}

}  // namespace

std::string Win32Platform::Registry::GetSetting(const std::string& appName, const std::string& section,
                                                const std::string& key, const std::string& defaultText) {
    HKEY settings = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKeyPath(appName, section).c_str(), 0, KEY_QUERY_VALUE, &settings) !=
        ERROR_SUCCESS)
        return defaultText;
    const std::wstring name = wide_text::Utf16(key);
    DWORD type = 0, size = 0;
    std::string text = defaultText;
    if (RegQueryValueExW(settings, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(settings, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
            ERROR_SUCCESS)
            text = wide_text::Utf8(buffer.data());  // the stored text may or may not end in a NUL
    }
    RegCloseKey(settings);
    return text;
}

void Win32Platform::Registry::SaveSetting(const std::string& appName, const std::string& section,
                                          const std::string& key, const std::string& text) {
    HKEY settings = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKeyPath(appName, section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &settings, nullptr) != ERROR_SUCCESS)
        throw RuntimeError::InvalidProcedureCall();
    const std::wstring data = wide_text::Utf16(text);
    const LONG result =
        RegSetValueExW(settings, wide_text::Utf16(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(settings);
    if (result != ERROR_SUCCESS) throw RuntimeError::InvalidProcedureCall();
}
