#pragma once
// What the sync state says of one day, as the memo window shows it.

#include <string>
#include <vector>

// A journal of another program on a day: shown read-only below the memo, never changed.
struct TForeignJournal {
    std::string Summary;
    std::string Text;  // the descriptions joined by line breaks
};

// Whether the day's memo was merged and not looked at yet, and the other programs' journals
// of the day.
struct TSyncedDay {
    bool NeedsLook = false;
    std::vector<TForeignJournal> Journals;
};
