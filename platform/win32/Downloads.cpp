// Subscribed calendars fetched with WinHTTP, synchronously, on the caller's
// thread.
#include <windows.h>
#include <winhttp.h>

#include <string>

#include "platform/win32/Text.h"
#include "platform/win32/Win32CalendarIo.h"

namespace {

// WinHTTP is loaded with the first address read, not at every start: most
// users read none, and the library brings its own (sockets, certificates)
// with it. Filled once, under the session's one-time initialisation.
// clang-format off
#define CALENDAR_WINHTTP_FUNCTIONS(X)                                                              \
    X(WinHttpCloseHandle) X(WinHttpConnect) X(WinHttpCrackUrl) X(WinHttpGetIEProxyConfigForCurrentUser) \
    X(WinHttpGetProxyForUrl) X(WinHttpOpen) X(WinHttpOpenRequest) X(WinHttpQueryHeaders)             \
    X(WinHttpReadData) X(WinHttpReceiveResponse) X(WinHttpSendRequest) X(WinHttpSetOption)           \
    X(WinHttpSetStatusCallback) X(WinHttpSetTimeouts)
// clang-format on
struct WinHttpFunctions {
#define CALENDAR_WINHTTP_POINTER(name) decltype(&::name) name = nullptr;
    CALENDAR_WINHTTP_FUNCTIONS(CALENDAR_WINHTTP_POINTER)
#undef CALENDAR_WINHTTP_POINTER
};
WinHttpFunctions winHttp;

// All of them, or none: a library without one of them is not used.
bool LoadWinHttp() {
    // From the system's folder by its full path: where Windows cannot be told
    // to look there alone (before Windows 8, without its update), a library
    // of that name beside the program would otherwise be taken.
    wchar_t path[MAX_PATH + 16];
    const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
    if (folder == 0 || folder >= MAX_PATH) return false;
    lstrcatW(path, L"\\winhttp.dll");
    HMODULE library = LoadLibraryW(path);
    if (!library) return false;
    WinHttpFunctions found;
    bool all = true;
#define CALENDAR_WINHTTP_FIND(name)                                                                            \
    found.name = reinterpret_cast<decltype(&::name)>(reinterpret_cast<void*>(GetProcAddress(library, #name))); \
    all = all && found.name;
    CALENDAR_WINHTTP_FUNCTIONS(CALENDAR_WINHTTP_FIND)
#undef CALENDAR_WINHTTP_FIND
    if (all) winHttp = found;
    return all;
}

const wchar_t kUserAgent[] = L"vrlCalendar/1.0";

struct InternetHandle {
    HINTERNET handle;
    explicit InternetHandle(HINTERNET handle) : handle(handle) {}
    ~InternetHandle() {
        if (handle) winHttp.WinHttpCloseHandle(handle);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    explicit operator bool() const { return handle != nullptr; }
};

HttpReply::Failure FailureOf(DWORD error) {
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT: return HttpReply::Failure::Stalled;
        case ERROR_WINHTTP_SECURE_FAILURE:
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
        case ERROR_WINHTTP_SECURE_INVALID_CA:
        case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
        case ERROR_WINHTTP_SECURE_INVALID_CERT:
        case ERROR_WINHTTP_SECURE_CERT_REVOKED:
        case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
        case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED: return HttpReply::Failure::BadCertificate;
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
        case ERROR_WINHTTP_INVALID_URL: return HttpReply::Failure::Refused;
        default: return HttpReply::Failure::Unreachable;
    }
}

HttpReply Failed(HttpReply reply, HttpReply::Failure failure, DWORD error) {
    reply.failure = failure;
    reply.systemError = error;
    reply.body.clear();
    return reply;
}

HttpReply Failed(HttpReply reply, DWORD error) { return Failed(std::move(reply), FailureOf(error), error); }

// A reply header as sent; empty when there is none.
std::wstring Header(HINTERNET request, DWORD which) {
    DWORD bytes = 0;
    winHttp.WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &bytes,
                                WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes < sizeof(wchar_t)) return {};
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    if (!winHttp.WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes,
                                     WINHTTP_NO_HEADER_INDEX))
        return {};
    text.resize(bytes / sizeof(wchar_t));
    return text;
}

bool Number(HINTERNET request, DWORD which, DWORD& number) {
    DWORD bytes = sizeof(number);
    return winHttp.WinHttpQueryHeaders(request, which | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                                       &number, &bytes, WINHTTP_NO_HEADER_INDEX) != FALSE;
}

// A value given back as a request header; one that could end the header
// line is left out.
void AddHeader(std::wstring& headers, const wchar_t* name, const std::string& value) {
    if (value.empty() || value.find_first_of("\r\n") != std::string::npos) return;
    headers += name;
    headers += wide_text::Utf16(value);
    headers += L"\r\n";
}

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A redirect's Location read against the address that sent it: absolute,
// scheme-relative, host-relative, a query, or a path beside the current one.
std::wstring Resolve(const std::wstring& base, const URL_COMPONENTS& parts, const std::wstring& location) {
    const size_t scheme = location.find(L':');
    if (scheme != std::wstring::npos && scheme > 0 && location.find_first_of(L"/?#") > scheme) return location;
    const std::wstring origin(base.data(), static_cast<size_t>(parts.lpszUrlPath - base.data()));
    const std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (location.rfind(L"//", 0) == 0) return base.substr(0, parts.dwSchemeLength + 1) + location;
    if (location.rfind(L"/", 0) == 0) return origin + location;
    if (location.empty()) return base;
    if (location[0] == L'?') return origin + path + location;
    const size_t folder = path.rfind(L'/');
    return origin + (folder == std::wstring::npos ? std::wstring(L"/") : path.substr(0, folder + 1)) + location;
}

// WinHTTP tells why it refused a certificate only through the status
// callback, on the thread that sent the request when the handle is
// synchronous; the request's context is where the reasons go.
void CALLBACK OnSecureFailure(HINTERNET, DWORD_PTR context, DWORD status, void* information, DWORD length) {
    if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && context && information && length >= sizeof(DWORD))
        *reinterpret_cast<uint32_t*>(context) |= *static_cast<const DWORD*>(information);
}

}  // namespace

Win32CalendarIo::~Win32CalendarIo() {
    if (session_) winHttp.WinHttpCloseHandle(session_);
}

BOOL CALLBACK Win32CalendarIo::OpenSession(PINIT_ONCE, void* self, void**) {
    auto& io = *static_cast<Win32CalendarIo*>(self);
    if (!LoadWinHttp()) return TRUE;  // no session: every read is unreachable
    // The user's proxy settings, as Windows 8.1 and later find them; older
    // ones refuse the access type.
    HINTERNET session = winHttp.WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                            WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session) {
        WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
        if (winHttp.WinHttpGetIEProxyConfigForCurrentUser(&user)) {
            if (user.lpszProxy)
                session = winHttp.WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, user.lpszProxy,
                                              user.lpszProxyBypass ? user.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0);
            io.proxyAutoDetect_ = user.fAutoDetect != FALSE;
            if (user.lpszAutoConfigUrl) io.proxyAutoConfigUrl_ = user.lpszAutoConfigUrl;
            for (wchar_t* text : {user.lpszProxy, user.lpszProxyBypass, user.lpszAutoConfigUrl})
                if (text) GlobalFree(text);
        }
        if (!session)
            session = winHttp.WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                          WINHTTP_NO_PROXY_BYPASS, 0);
        // Windows 7 and 8 offer TLS 1.1 and 1.2 only when asked; Vista has
        // neither, refuses the option and keeps its own.
        DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                          WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
        if (session) winHttp.WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
    }
    if (session) {
        const int stall = static_cast<int>(io.stallMs_);
        if (!winHttp.WinHttpSetTimeouts(session, stall, stall, stall, stall)) {
            winHttp.WinHttpCloseHandle(session);
            session = nullptr;
        }
    }
    io.session_ = session;
    return TRUE;
}

void* Win32CalendarIo::Session() {
    InitOnceExecuteOnce(&sessionOnce_, OpenSession, this, nullptr);
    return session_;
}

HttpReply Win32CalendarIo::Fetch(const std::string& address, const std::string& etag, const std::string& lastModified) {
    HttpReply reply;
    HINTERNET session = Session();
    if (!session) return Failed(std::move(reply), HttpReply::Failure::Unreachable, GetLastError());
    const ULONGLONG deadline = GetTickCount64() + 10ull * stallMs_;
    std::wstring url = wide_text::Utf16(address);
    url.resize(url.find(L'#') == std::wstring::npos ? url.size() : url.find(L'#'));
    std::wstring conditions;
    AddHeader(conditions, L"If-None-Match: ", etag);
    AddHeader(conditions, L"If-Modified-Since: ", lastModified);
    bool wasSecure = false;
    for (int redirects = 0;; ++redirects) {
        URL_COMPONENTS parts{};
        parts.dwStructSize = sizeof(parts);
        parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength =
            static_cast<DWORD>(-1);
        if (!winHttp.WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
            (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
            return Failed(std::move(reply), HttpReply::Failure::Refused, GetLastError());
        const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
        // As Windows' own redirect policy: never from a secure address to a plain one.
        if (wasSecure && !secure) return Failed(std::move(reply), HttpReply::Failure::Refused, 0);
        wasSecure = secure;
        reply.finalUrl = wide_text::Utf8(url);

        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        if (path.empty()) path = L"/";
        InternetHandle connection(winHttp.WinHttpConnect(session, host.c_str(), parts.nPort, 0));
        if (!connection) return Failed(std::move(reply), GetLastError());
        InternetHandle request(winHttp.WinHttpOpenRequest(connection.handle, L"GET", path.c_str(), nullptr,
                                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                          secure ? WINHTTP_FLAG_SECURE : 0));
        if (!request) return Failed(std::move(reply), GetLastError());
        // Every redirect is followed here, so that each counts: Wine follows
        // 301, 302 and 307 itself but hands 303 and 308 back.
        DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        if (!winHttp.WinHttpSetOption(request.handle, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof(never)))
            return Failed(std::move(reply), GetLastError());
        if (proxyAutoDetect_ || !proxyAutoConfigUrl_.empty()) {
            WINHTTP_AUTOPROXY_OPTIONS automatic{};
            if (proxyAutoDetect_) {
                automatic.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
                automatic.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
            }
            if (!proxyAutoConfigUrl_.empty()) {
                automatic.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
                automatic.lpszAutoConfigUrl = proxyAutoConfigUrl_.c_str();
            }
            automatic.fAutoLogonIfChallenged = TRUE;
            WINHTTP_PROXY_INFO proxy{};
            // No configuration found: the session's own (the user's fixed proxy, or none).
            if (winHttp.WinHttpGetProxyForUrl(session, url.c_str(), &automatic, &proxy)) {
                winHttp.WinHttpSetOption(request.handle, WINHTTP_OPTION_PROXY, &proxy, sizeof(proxy));
                if (proxy.lpszProxy) GlobalFree(proxy.lpszProxy);
                if (proxy.lpszProxyBypass) GlobalFree(proxy.lpszProxyBypass);
            }
        }
        winHttp.WinHttpSetStatusCallback(request.handle, OnSecureFailure, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
        if (!winHttp.WinHttpSendRequest(request.handle,
                                        conditions.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : conditions.c_str(),
                                        static_cast<DWORD>(conditions.size()), WINHTTP_NO_REQUEST_DATA, 0, 0,
                                        reinterpret_cast<DWORD_PTR>(&reply.certificateFlags)) ||
            !winHttp.WinHttpReceiveResponse(request.handle, nullptr))
            return Failed(std::move(reply), GetLastError());

        DWORD status = 0;
        if (!Number(request.handle, WINHTTP_QUERY_STATUS_CODE, status)) return Failed(std::move(reply), GetLastError());
        reply.status = static_cast<int32_t>(status);
        if (IsRedirect(status)) {
            const std::wstring location = Header(request.handle, WINHTTP_QUERY_LOCATION);
            if (!location.empty()) {
                if (redirects == kMaxRedirects)
                    return Failed(std::move(reply), HttpReply::Failure::TooManyRedirects, 0);
                url = Resolve(url, parts, location);
                url.resize(url.find(L'#') == std::wstring::npos ? url.size() : url.find(L'#'));
                continue;
            }
        }
        reply.etag = wide_text::Utf8(Header(request.handle, WINHTTP_QUERY_ETAG));
        reply.lastModified = wide_text::Utf8(Header(request.handle, WINHTTP_QUERY_LAST_MODIFIED));
        reply.contentType = wide_text::Utf8(Header(request.handle, WINHTTP_QUERY_CONTENT_TYPE));
        // A 304 has no body, whatever length it declares: the one it would have had.
        if (status == 304) return reply;

        DWORD declared = 0;
        const bool hasLength = Number(request.handle, WINHTTP_QUERY_CONTENT_LENGTH, declared);
        if (hasLength && declared > kMaxCalendarBytes) return Failed(std::move(reply), HttpReply::Failure::TooLarge, 0);
        // The length a server declares is no limit: the body is counted as it comes.
        constexpr size_t kPart = 64 * 1024;
        for (;;) {
            const size_t had = reply.body.size();
            reply.body.resize(had + kPart);
            DWORD got = 0;
            if (!winHttp.WinHttpReadData(request.handle, reply.body.data() + had, static_cast<DWORD>(kPart), &got))
                return Failed(std::move(reply), GetLastError());
            reply.body.resize(had + got);
            if (got == 0) break;
            if (reply.body.size() > static_cast<size_t>(kMaxCalendarBytes))
                return Failed(std::move(reply), HttpReply::Failure::TooLarge, 0);
            if (GetTickCount64() > deadline)
                return Failed(std::move(reply), HttpReply::Failure::Stalled, ERROR_WINHTTP_TIMEOUT);
        }
        // A body shorter than declared: the connection broke on the way.
        if (hasLength && reply.body.size() < declared)
            return Failed(std::move(reply), HttpReply::Failure::Unreachable, ERROR_WINHTTP_CONNECTION_ERROR);
        reply.body.shrink_to_fit();
        return reply;
    }
}
