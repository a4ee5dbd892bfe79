#pragma once
// TIcsWriter: an iCalendar document (RFC 5545) of all-day events, built in memory as UTF-8
// with CR LF line ends and content lines folded at 75 octets. It knows the format only;
// what the events say is the caller's (tools/IcsCommand.cpp).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One all-day event on one day, every text UTF-8 and unescaped.
struct TIcsEvent {
    int32_t DayNumber = 0;                // the day, years 1..9999; the event ends with it
    std::string Uid;                      // the same for the same fact on every run
    std::string Summary;                  //
    std::vector<std::string> Categories;  // each one value of CATEGORIES
    std::string Description;              // left out when empty
};

// The text with "\", ";" and "," escaped and every line break (CR LF, LF or CR) as "\n".
std::string EscapeIcsText(std::string_view text);
// One content line as written: folded so that no physical line holds more than 75
// octets before its CR LF, never inside a UTF-8 character; continuation lines start with
// one space.
std::string FoldIcsLine(std::string_view line);
// "YYYYMMDDTHHMMSSZ" of a moment in seconds since 1970-01-01 00:00 UTC (years 1..9999;
// moments outside are brought to the nearest end).
std::string IcsUtcStamp(int64_t secondsSinceEpoch);
// "YYYYMMDD" of a day number.
std::string IcsDate(int32_t dayNumber);

class TIcsWriter {
public:
    // productId: PRODID; calendarName: X-WR-CALNAME; stamp: DTSTAMP of every event
    // (IcsUtcStamp). Writes the head of the calendar object.
    TIcsWriter(std::string_view productId, std::string_view calendarName, std::string stamp);

    void AddEvent(const TIcsEvent& event);
    // Ends the calendar object; returns the whole document. No event may follow.
    std::string Finish();

    // The document so far, and leaving it empty (for writing a long calendar in pieces).
    std::string TakeText();
    int EventCount() const { return FEventCount; }

private:
    void AddLine(std::string_view line);

    std::string FStamp;
    std::string FText;
    int FEventCount = 0;
    bool FFinished = false;
};
