#include "calendars/Reading.h"

#include <string_view>

#include "platform/Numeric.h"

namespace calendars {

namespace {

// A failure's copy stays; an unchanged calendar keeps the one shown.
Failure FromHttp(const HttpReply& reply) {
    switch (reply.failure) {
        case HttpReply::Failure::None: break;
        case HttpReply::Failure::BadCertificate: return Failure::BadCertificate;
        case HttpReply::Failure::TooLarge: return Failure::TooLarge;
        default: return Failure::Unreachable;
    }
    return reply.status == 200 || reply.status == 304 ? Failure::None : Failure::Unreachable;
}

Failure FromFile(const FileReply& reply) {
    switch (reply.failure) {
        case FileReply::Failure::None: return Failure::None;
        case FileReply::Failure::Missing: return Failure::Missing;
        case FileReply::Failure::TooLarge: return Failure::TooLarge;
        default: return Failure::Unreadable;
    }
}

std::shared_ptr<const ical::Calendar> Parsed(std::string_view bytes) {
    // Not make_shared, whose control block links the library's shared
    // pointer support into the Windows program (see frmCalendar::ReadCalendar).
    return std::shared_ptr<const ical::Calendar>(new ical::Calendar(ical::Read(bytes)));
}

// "<ms since 1970>\n<etag>\n<last-modified>\n": what the next start needs
// to show when the copy was read and to ask only for what changed.
std::string DetailsText(int64_t readAtMs, const Validators& validators) {
    return numeric::IntegerText(readAtMs) + "\n" + validators.etag + "\n" + validators.lastModified + "\n";
}

void ReadDetails(std::string_view text, int64_t& readAtMs, Validators& validators) {
    std::string_view lines[3];
    for (std::string_view& line : lines) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) return;
        line = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    int64_t ms = 0;
    for (const char c : lines[0]) {
        if (c < '0' || c > '9' || ms > (INT64_MAX - 9) / 10) return;
        ms = ms * 10 + (c - '0');
    }
    readAtMs = ms;
    validators.etag = lines[1], validators.lastModified = lines[2];
}

void ReadAddress(CalendarIo& io, ReadJob& job, int64_t nowUtcMs) {
    const std::string name = CopyName(job.source.typed);
    if (job.copyFirst) {
        if (std::optional<std::string> copy = io.ReadCopy(name)) {
            auto calendar = Parsed(*copy);
            if (calendar->isCalendar) {
                job.copy = std::move(calendar);
                if (std::optional<std::string> details = io.ReadCopy(CopyDetailsName(name)))
                    ReadDetails(*details, job.copyReadAtMs, job.validators);
            }
        }
    }
    // Without a copy there is nothing to compare with: everything is asked for.
    const bool haveCopy = job.copy || !job.copyFirst;
    const HttpReply reply = io.Fetch(job.source.url, haveCopy ? job.validators.etag : std::string(),
                                     haveCopy ? job.validators.lastModified : std::string());
    job.failure = FromHttp(reply);
    if (job.failure != Failure::None) return;
    if (reply.status == 304) {
        job.unchanged = true;
        job.newValidators = job.validators;
        return;
    }
    auto calendar = Parsed(reply.body);
    if (!calendar->isCalendar) {
        job.failure = Failure::NotACalendar;
        return;
    }
    job.calendar = std::move(calendar);
    job.newValidators = {reply.etag, reply.lastModified, 0};
    if (io.WriteCopy(name, reply.body)) io.WriteCopy(CopyDetailsName(name), DetailsText(nowUtcMs, job.newValidators));
}

void ReadFile(CalendarIo& io, ReadJob& job) {
    const FileReply reply = io.ReadFile(job.source.typed);
    job.failure = FromFile(reply);
    if (job.failure != Failure::None) return;
    job.newValidators.fileStamp = reply.stamp;
    auto calendar = Parsed(reply.body);
    if (!calendar->isCalendar) {
        job.failure = Failure::NotACalendar;
        return;
    }
    job.calendar = std::move(calendar);
}

}  // namespace

std::string CopyDetailsName(const std::string& copyName) { return copyName + "-read"; }

void Read(CalendarIo& io, ReadJob& job, int64_t nowUtcMs) {
    if (job.source.isAddress)
        ReadAddress(io, job, nowUtcMs);
    else
        ReadFile(io, job);
}

}  // namespace calendars
