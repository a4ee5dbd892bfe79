#pragma once
// One memo as a VJOURNAL (RFC 5545 §3.6.3), written and read with libical.
//
// A memo of day D lives at "<collection>/<yyyymmdd>-memo.ics" with the UID
// "<yyyymmdd>-memo@quillo.vellomar.example" (the UID the iCalendar export gives memos),
// DTSTART;VALUE=DATE floating, SUMMARY the first line with text, DESCRIPTION the whole memo,
// DTSTAMP, LAST-MODIFIED and SEQUENCE.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "<yyyymmdd>-memo.ics" and "<yyyymmdd>-memo@quillo.vellomar.example".
std::string MemoResourceName(int32_t dayNumber);
std::string MemoUid(int32_t dayNumber);
// The day of a resource name or a UID in those forms; nothing for any other.
std::optional<int32_t> DayOfMemoResourceName(std::string_view name);
std::optional<int32_t> DayOfMemoUid(std::string_view uid);

// A journal as read from the server.
struct TJournal {
    std::string Uid;
    int32_t Day = 0;  // the date of DTSTART as written (never moved to UTC)
    std::string Summary;
    std::string Text;  // the DESCRIPTIONs joined by "\n"
    int Sequence = 0;
};

// The VJOURNALs of an iCalendar object with a DTSTART each (others ignored). Text with
// lines ended by "\n". Never fails: nothing usable gives an empty list.
std::vector<TJournal> ReadJournals(std::string_view icalendar);

// libical writes dates of years up to this one; a memo of a later day stays on this
// machine only (written, its DTSTART would read back as no date at all).
constexpr int MaxJournalYear = 3000;
bool CanWriteMemoJournal(int32_t dayNumber);

// The memo's object (CanWriteMemoJournal must hold). text uses the memo store's line ends (CR LF) or "\n"; stampUtc is
// "yyyymmddThhmmssZ" for DTSTAMP and LAST-MODIFIED.
std::string WriteMemoJournal(int32_t dayNumber, std::string_view text, int sequence, std::string_view stampUtc);

// Line ends between the memo store (CR LF) and iCalendar ("\n"); a lone CR or LF of either
// side is a line end of the other.
std::string MemoTextToJournal(std::string_view text);
std::string JournalTextToMemo(std::string_view text);
