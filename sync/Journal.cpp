#include "sync/Journal.h"

#include <libical/ical.h>

#include <cstdlib>
#include <mutex>

#include "storage/DateUtils.h"

namespace {

constexpr std::string_view MemoSuffix = "-memo";
constexpr std::string_view UidDomain = "@quillo.vellomar.example";
// Larger objects are not read: no memo comes near it, and libical holds the whole tree.
constexpr std::size_t MaxJournalBytes = 4u << 20;

void QuietLibical() {
    static std::once_flag once;
    std::call_once(once, [] { icalerror_set_errors_are_fatal(0); });
}

std::optional<int32_t> DayOfDigits(std::string_view text) {
    if (text.size() != 8)
        return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    const int year = std::atoi(std::string(text.substr(0, 4)).c_str());
    const int month = std::atoi(std::string(text.substr(4, 2)).c_str());
    const int day = std::atoi(std::string(text.substr(6, 2)).c_str());
    if (!IsValidDate(year, month, day))
        return std::nullopt;
    return DayNumberOf(year, month, day);
}

std::optional<int32_t> DayBefore(std::string_view text, std::string_view tail) {
    if (text.size() != 8 + tail.size() || text.substr(8) != tail)
        return std::nullopt;
    return DayOfDigits(text.substr(0, 8));
}

std::string TextOf(const char* text) { return text ? std::string(text) : std::string(); }

// The first line that holds more than spaces, as the iCalendar export's summary.
std::string FirstLineWithText(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (line.find_first_not_of(" \t") != std::string_view::npos)
            return std::string(line);
        start = end + 1;
    }
    return {};
}

TJournal ReadOneJournal(icalcomponent* journal) {
    TJournal result;
    result.Uid = TextOf(icalcomponent_get_uid(journal));
    const icaltimetype start = icalcomponent_get_dtstart(journal);
    if (IsValidDate(start.year, start.month, start.day))
        result.Day = DayNumberOf(start.year, start.month, start.day);
    result.Summary = TextOf(icalcomponent_get_summary(journal));
    for (icalproperty* property = icalcomponent_get_first_property(journal, ICAL_DESCRIPTION_PROPERTY); property;
         property = icalcomponent_get_next_property(journal, ICAL_DESCRIPTION_PROPERTY)) {
        if (!result.Text.empty())
            result.Text += '\n';
        result.Text += TextOf(icalproperty_get_description(property));
    }
    result.Sequence = icalcomponent_get_sequence(journal);
    return result;
}

}  // namespace

std::string MemoResourceName(int32_t dayNumber) { return FormatYmd(dayNumber) + std::string(MemoSuffix) + ".ics"; }

std::string MemoUid(int32_t dayNumber) {
    return FormatYmd(dayNumber) + std::string(MemoSuffix) + std::string(UidDomain);
}

std::optional<int32_t> DayOfMemoResourceName(std::string_view name) {
    return DayBefore(name, std::string(MemoSuffix) + ".ics");
}

std::optional<int32_t> DayOfMemoUid(std::string_view uid) {
    return DayBefore(uid, std::string(MemoSuffix) + std::string(UidDomain));
}

std::vector<TJournal> ReadJournals(std::string_view icalendar) {
    std::vector<TJournal> journals;
    if (icalendar.empty() || icalendar.size() > MaxJournalBytes)
        return journals;
    QuietLibical();
    icalcomponent* root = icalcomponent_new_from_string(std::string(icalendar).c_str());
    if (!root)
        return journals;
    if (icalcomponent_isa(root) == ICAL_VJOURNAL_COMPONENT) {
        journals.push_back(ReadOneJournal(root));
    } else {
        for (icalcomponent* journal = icalcomponent_get_first_component(root, ICAL_VJOURNAL_COMPONENT); journal;
             journal = icalcomponent_get_next_component(root, ICAL_VJOURNAL_COMPONENT))
            journals.push_back(ReadOneJournal(journal));
    }
    icalcomponent_free(root);
    std::erase_if(journals, [](const TJournal& journal) { return journal.Day == 0; });
    return journals;
}

bool CanWriteMemoJournal(int32_t dayNumber) {
    const TYmd date = YmdOf(dayNumber);
    return IsValidDate(date.Year, date.Month, date.Day) && date.Year <= MaxJournalYear;
}

std::string WriteMemoJournal(int32_t dayNumber, std::string_view text, int sequence, std::string_view stampUtc) {
    QuietLibical();
    const std::string body = MemoTextToJournal(text);
    const TYmd date = YmdOf(dayNumber);
    icaltimetype start = icaltime_null_date();
    start.year = date.Year;
    start.month = date.Month;
    start.day = date.Day;
    const icaltimetype stamp = icaltime_from_string(std::string(stampUtc).c_str());

    icalcomponent* journal = icalcomponent_new(ICAL_VJOURNAL_COMPONENT);
    icalcomponent_add_property(journal, icalproperty_new_uid(MemoUid(dayNumber).c_str()));
    icalcomponent_add_property(journal, icalproperty_new_dtstamp(stamp));
    icalcomponent_add_property(journal, icalproperty_new_lastmodified(stamp));
    icalcomponent_add_property(journal, icalproperty_new_sequence(sequence));
    icalcomponent_add_property(journal, icalproperty_new_dtstart(start));
    icalcomponent_add_property(journal, icalproperty_new_summary(FirstLineWithText(body).c_str()));
    icalcomponent_add_property(journal, icalproperty_new_description(body.c_str()));

    icalcomponent* calendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid("-//Vellomar//quillo//JA"));
    icalcomponent_add_component(calendar, journal);
    char* written = icalcomponent_as_ical_string_r(calendar);
    std::string result = TextOf(written);
    icalmemory_free_buffer(written);
    icalcomponent_free(calendar);
    return result;
}

// A lone CR is a line end too: libical writes it unescaped and drops it when it reads the
// object back, so it travels as "\n". Backspace and form feed are dropped by libical's
// writer, and spaces at either end by its reader; leaving them out here keeps the text
// compared the text that travels.
std::string MemoTextToJournal(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') || text[i] == '\b' || text[i] == '\f')
            continue;
        result += text[i] == '\r' ? '\n' : text[i];
    }
    // libical's reader drops spaces and tabs at either end of a value.
    const std::size_t first = result.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return result.substr(first, result.find_last_not_of(" \t") - first + 1);
}

std::string JournalTextToMemo(std::string_view text) {
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n' || text[i] == '\r')
            result += "\r\n";
        else
            result += text[i];
    }
    return result;
}
