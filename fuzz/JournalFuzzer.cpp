// Reads any bytes as an iCalendar object from the server, the way a pass reads another
// program's journals. Every journal found, written back as the memo of its day, must read
// back as one journal of that day with the same text: else a memo taken from the server
// would change on its next upload.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sync/Journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view object(reinterpret_cast<const char*>(data), size);
    for (const TJournal& journal : ReadJournals(object)) {
        if (!CanWriteMemoJournal(journal.Day))
            continue;
        const std::string memo = JournalTextToMemo(journal.Text);
        const std::vector<TJournal> again = ReadJournals(WriteMemoJournal(journal.Day, memo, 1, "20261208T000000Z"));
        if (again.size() != 1 || again[0].Day != journal.Day ||
            MemoTextToJournal(JournalTextToMemo(again[0].Text)) != MemoTextToJournal(memo))
            std::abort();
    }
    return 0;
}
