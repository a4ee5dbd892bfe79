#include "tools/IcsWriter.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

#include "storage/DateUtils.h"

namespace {

constexpr size_t MaxLineOctets = 75;

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string EscapeIcsText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
        case ';':
        case ',':
            escaped += '\\';
            escaped += c;
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            escaped += "\\n";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string FoldIcsLine(std::string_view line) {
    std::string folded;
    folded.reserve(line.size() + line.size() / 64 * 3 + 2);
    size_t room = MaxLineOctets;  // the first line has no leading space
    while (line.size() > room) {
        size_t cut = room;
        while (cut > 0 && IsUtf8Continuation(line[cut]))
            --cut;
        if (cut == 0)  // no character start within the line: damaged text, cut anyway
            cut = room;
        folded.append(line.substr(0, cut));
        folded += "\r\n ";
        line.remove_prefix(cut);
        room = MaxLineOctets - 1;
    }
    folded.append(line);
    folded += "\r\n";
    return folded;
}

std::string IcsUtcStamp(int64_t secondsSinceEpoch) {
    constexpr int64_t SecondsPerDay = 86400;
    constexpr int32_t EpochDayNumber = 25569;  // 1970-01-01
    const int64_t lowest = (DayNumberOf(MinDateYear, 1, 1) - int64_t{EpochDayNumber}) * SecondsPerDay;
    const int64_t highest = (DayNumberOf(MaxDateYear, 12, 31) - int64_t{EpochDayNumber} + 1) * SecondsPerDay - 1;
    const int64_t seconds = std::clamp(secondsSinceEpoch, lowest, highest);
    int64_t days = seconds / SecondsPerDay;
    int64_t secondOfDay = seconds % SecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += SecondsPerDay;
        --days;
    }
    const TYmd ymd = YmdOf(static_cast<int32_t>(days + EpochDayNumber));
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02dT%02d%02d%02dZ", ymd.Year, ymd.Month, ymd.Day,
                  static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                  static_cast<int>(secondOfDay % 60));
    return stamp;
}

std::string IcsDate(int32_t dayNumber) {
    const TYmd ymd = YmdOf(dayNumber);
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", ymd.Year, ymd.Month, ymd.Day);
    return date;
}

TIcsWriter::TIcsWriter(std::string_view productId, std::string_view calendarName, std::string stamp)
    : FStamp(std::move(stamp)) {
    AddLine("BEGIN:VCALENDAR");
    AddLine("VERSION:2.0");
    AddLine(std::string("PRODID:") + EscapeIcsText(productId));
    AddLine("CALSCALE:GREGORIAN");
    AddLine("METHOD:PUBLISH");
    AddLine(std::string("X-WR-CALNAME:") + EscapeIcsText(calendarName));
}

void TIcsWriter::AddEvent(const TIcsEvent& event) {
    assert(!FFinished && "no event after Finish");
    AddLine("BEGIN:VEVENT");
    AddLine("UID:" + EscapeIcsText(event.Uid));
    AddLine("DTSTAMP:" + FStamp);
    AddLine("DTSTART;VALUE=DATE:" + IcsDate(event.DayNumber));
    // A date has four year digits: 10000-01-01 cannot be written. Without DTEND an event
    // with a DTSTART date takes that one day (RFC 5545, 3.6.1).
    if (event.DayNumber < DayNumberOf(MaxDateYear, 12, 31))
        AddLine("DTEND;VALUE=DATE:" + IcsDate(event.DayNumber + 1));
    AddLine("SUMMARY:" + EscapeIcsText(event.Summary));
    if (!event.Description.empty())
        AddLine("DESCRIPTION:" + EscapeIcsText(event.Description));
    if (!event.Categories.empty()) {
        std::string categories = "CATEGORIES:";
        for (const std::string& category : event.Categories)
            categories += EscapeIcsText(category) + ',';
        categories.pop_back();
        AddLine(categories);
    }
    AddLine("TRANSP:TRANSPARENT");
    AddLine("END:VEVENT");
    ++FEventCount;
}

std::string TIcsWriter::Finish() {
    AddLine("END:VCALENDAR");
    FFinished = true;
    return TakeText();
}

std::string TIcsWriter::TakeText() {
    std::string text;
    text.swap(FText);
    return text;
}

void TIcsWriter::AddLine(std::string_view line) { FText += FoldIcsLine(line); }
