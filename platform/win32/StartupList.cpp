// The user's Run list, and the mark Windows' startup list (the task
// manager's Startup tab) keeps beside it for an entry the user turned off.
// Paths may hold any character, so the wide registry functions are used and
// the text crosses to the logic as UTF-8.
#include "platform/win32/Win32Platform.h"

#include "platform/Numeric.h"
#include "platform/RuntimeError.h"
#include "platform/win32/Text.h"

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// Windows' own words for a failure, as the user's message box shows them:
// in the language of the calendar's texts where Windows has them in it, else
// in Windows' own choice.
RuntimeError Refused(LONG error, LANGID language) {
    wchar_t* text = nullptr;
    for (LANGID asked : {language, LANGID{0}}) {
        if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(error), asked, reinterpret_cast<wchar_t*>(&text), 0, nullptr))
            break;
    }
    std::string reason = text ? wide_text::Utf8(text) : "Windows error " + numeric::IntegerText(error);
    LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return {RuntimeError::InvalidProcedureCall().Number(), reason};
}

void DeleteValue(const wchar_t* key, const std::string& name, LANGID language) {
    const LONG result = RegDeleteKeyValueW(HKEY_CURRENT_USER, key, wide_text::Utf16(name).c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) throw Refused(result, language);
}

}  // namespace

std::optional<std::string> Win32Platform::Startup::Command(const std::string& name) {
    // An expandable string comes back expanded, as Windows runs it, and then
    // counts as a plain one.
    DWORD size = 0;
    const std::wstring value = wide_text::Utf16(name);
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring command(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(command.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, value.c_str(), RRF_RT_REG_SZ, nullptr, command.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    command.resize(wcsnlen(command.c_str(), command.size()));
    return wide_text::Utf8(command);
}

// The mark is twelve bytes, the first even while the entry is on and odd once
// the user has turned it off (the rest is when); Windows does not document it.
bool Win32Platform::Startup::TurnedOff(const std::string& name) {
    BYTE mark[64]{};
    DWORD size = sizeof mark;
    return RegGetValueW(HKEY_CURRENT_USER, kApprovedKey, wide_text::Utf16(name).c_str(), RRF_RT_REG_BINARY, nullptr,
                        mark, &size) == ERROR_SUCCESS &&
           size > 0 && (mark[0] & 1) != 0;
}

void Win32Platform::Startup::SetCommand(const std::string& name, const std::string& command) {
    const std::wstring text = wide_text::Utf16(command);
    const LONG result = RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, wide_text::Utf16(name).c_str(), REG_SZ,
                                        text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS) throw Refused(result, languageId);
}

void Win32Platform::Startup::Remove(const std::string& name) { DeleteValue(kRunKey, name, languageId); }
void Win32Platform::Startup::ClearTurnedOff(const std::string& name) { DeleteValue(kApprovedKey, name, languageId); }
