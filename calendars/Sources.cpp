#include "calendars/Sources.h"

#include <algorithm>
#include <cctype>

#include "platform/Numeric.h"

namespace calendars {

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= text.size()) return false;
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != prefix[i]) return false;
    }
    return true;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string Key(size_t index) { return "calendar" + numeric::IntegerText(index + 1); }

}  // namespace

std::optional<Source> Classify(const std::string& typed) {
    const std::string text = Trimmed(typed);
    if (text.empty()) return std::nullopt;
    Source source{text, false, {}};
    for (const char* scheme : {"https://", "http://", "webcal://", "webcals://"}) {
        if (!StartsWithNoCase(text, scheme)) continue;
        const size_t rest = std::char_traits<char>::length(scheme);
        if (text.size() == rest || text[rest] == '/') return std::nullopt;  // no host
        source.isAddress = true;
        // Services hand out webcal:// for a calendar program to subscribe
        // to; the calendar behind it is served over HTTPS.
        source.url =
            scheme[0] == 'w' ? "https://" + text.substr(rest) : text.substr(0, rest - 3) + "://" + text.substr(rest);
        for (size_t i = 0; i + 3 < rest; ++i)
            source.url[i] = static_cast<char>(source.url[i] | 0x20);  // the scheme in lower case
        return source;
    }
    if (text.find("://") != std::string::npos) return std::nullopt;
    // A file by its whole path, on a drive (C:\Users) or a share
    // (\\server\share): a relative one would depend on the folder the
    // program happens to be in, and a device (\\.\pipe) is no file.
    const auto slash = [](char c) { return c == '\\' || c == '/'; };
    const bool onDrive =
        text.size() > 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' && slash(text[2]);
    const bool onShare = text.size() > 2 && slash(text[0]) && slash(text[1]) && text[2] != '.' && text[2] != '?';
    if (!onDrive && !onShare) return std::nullopt;
    return source;
}

std::string ShortName(const Source& source) {
    if (source.isAddress) {
        const size_t start = source.url.find("://") + 3;
        std::string host = source.url.substr(start, source.url.find_first_of("/?#", start) - start);
        if (const size_t at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);  // a user and password
        return host;
    }
    const size_t slash = source.typed.find_last_of("\\/");
    return slash == std::string::npos ? source.typed : source.typed.substr(slash + 1);
}

// FNV-1a over the typed text, 64 bits in hexadecimal.
std::string CopyName(const std::string& typed) {
    uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : typed) hash = (hash ^ c) * 1099511628211ULL;
    std::string name(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) name[static_cast<size_t>(i)] = "0123456789abcdef"[hash & 15];
    return name;
}

std::vector<Source> ReadStored(SettingsStore& store, const std::string& appName) {
    std::vector<Source> sources;
    for (size_t i = 0; i < kMostCalendars; ++i)
        if (std::optional<Source> source = Classify(store.GetSetting(appName, appName, Key(i), "")))
            sources.push_back(std::move(*source));
    return sources;
}

void WriteStored(SettingsStore& store, const std::string& appName, const std::vector<Source>& sources) {
    const size_t count = std::min(sources.size(), kMostCalendars);
    for (size_t i = 0; i < count; ++i) store.SaveSetting(appName, appName, Key(i), sources[i].typed);
    for (size_t i = count; i < kMostCalendars; ++i)
        if (!store.GetSetting(appName, appName, Key(i), "").empty()) store.SaveSetting(appName, appName, Key(i), "");
}

}  // namespace calendars
