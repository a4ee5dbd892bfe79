// quillo-tool ics [FROM [TO]] [--with KINDS] [--data FOLDER]: the almanac's facts (and the
// memos) of a range of days as an iCalendar file on standard output, for importing into
// other calendars. Every fact is an all-day event whose UID is made of its day, its kind
// and the program's domain, so that importing the file again replaces and never doubles.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "almanac/Almanac.h"
#include "almanac/Numerals.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/MemoStore.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "storage/Version.h"
#include "tools/IcsWriter.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

constexpr const char* Usage = "usage: ics [FROM [TO]] [--with KINDS] [--data FOLDER]";
constexpr const char* UidDomain = "quillo.vellomar.example";

enum TKind : unsigned {
    KindHolidays = 1,
    KindTerms = 2,
    KindRokuyo = 4,
    KindLunar = 8,
    KindMemos = 16,
};

struct TKindName {
    const char* Name;
    TKind Kind;
};
constexpr TKindName KindNames[] = {
    {"holidays", KindHolidays}, {"terms", KindTerms}, {"rokuyo", KindRokuyo},
    {"lunar", KindLunar},       {"memos", KindMemos},
};

struct TIcsOptions {
    int32_t From = 0;
    int32_t To = 0;
    unsigned Kinds = KindHolidays | KindTerms;
    std::string DataFolder;  // native; empty: the calendar's own
};

class TUsageError {
public:
    explicit TUsageError(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const { return FMessage; }

private:
    std::string FMessage;
};

unsigned ParseKinds(std::string_view list) {
    unsigned kinds = 0;
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        bool known = false;
        for (const TKindName& entry : KindNames)
            if (name == entry.Name) {
                kinds |= entry.Kind;
                known = true;
            }
        if (!known)
            throw TUsageError("\"" + std::string(name) +
                              "\" is not a kind (holidays, terms, rokuyo, lunar, memos, separated by commas)");
        if (comma == std::string_view::npos)
            return kinds;
        list.remove_prefix(comma + 1);
    }
}

TIcsOptions ParseOptions(int argc, char** argv) {
    TIcsOptions options;
    std::vector<std::string_view> dates;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--with" || argument == "--data") {
            if (i + 1 >= argc)
                throw TUsageError(std::string(argument) + " needs a value (" + Usage + ")");
            if (argument == "--with")
                options.Kinds = ParseKinds(argv[++i]);
            else
                options.DataFolder = argv[++i];
        } else if (argument.starts_with("--with=")) {
            options.Kinds = ParseKinds(argument.substr(7));
        } else if (argument.starts_with("--data=")) {
            options.DataFolder = argument.substr(7);
        } else if (argument.starts_with("-") && argument.size() > 1) {
            throw TUsageError("unknown option \"" + std::string(argument) + "\" (" + Usage + ")");
        } else {
            dates.push_back(argument);
        }
    }
    if (dates.size() > 2)
        throw TUsageError(std::string("too many arguments (") + Usage + ")");
    for (size_t i = 0; i < dates.size(); ++i) {
        int32_t& day = i == 0 ? options.From : options.To;
        if (!ParseIsoDate(dates[i], day))
            throw TUsageError("\"" + std::string(dates[i]) +
                              "\" is not a date of the form YYYY-MM-DD (years 0001-9999)");
    }
    if (dates.empty()) {
        const int year = YmdOf(Today()).Year;
        options.From = DayNumberOf(year, 1, 1);
        options.To = DayNumberOf(year, 12, 31);
    } else if (dates.size() == 1) {
        options.To = options.From;
    } else if (options.To < options.From) {
        throw TUsageError("the last day " + std::string(dates[1]) + " lies before the first day " +
                          std::string(dates[0]));
    }
    return options;
}

// DTSTAMP: SOURCE_DATE_EPOCH when it is set, so that the same input gives the same file.
std::string RunStamp() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch)
        return IcsUtcStamp(static_cast<int64_t>(std::time(nullptr)));
    const std::string_view digits = epoch;
    constexpr int64_t LastSecond = 253402300799;  // 9999-12-31T23:59:59Z
    int64_t seconds = 0;
    bool valid = !digits.empty() && digits.size() <= 12;
    for (char c : digits)
        if (valid && (valid = c >= '0' && c <= '9'))
            seconds = seconds * 10 + (c - '0');
    if (!valid || seconds > LastSecond)
        throw TUsageError("SOURCE_DATE_EPOCH=\"" + std::string(digits) +
                          "\" is not a number of seconds since 1970-01-01 (0-253402300799)");
    return IcsUtcStamp(seconds);
}

std::string Uid(int32_t day, std::string_view kind) { return IcsDate(day) + "-" + std::string(kind) + "@" + UidDomain; }

// The memos of the range in the order of their days, each with its running number on its day.
struct TMemoEvent {
    int32_t Day;
    std::string Text;
};

std::vector<TMemoEvent> MemosInRange(const std::string& dataPath, int32_t from, int32_t to) {
    TMemoStore store(dataPath + "Memos.txt");
    store.Load();
    std::vector<TMemoEvent> memos;
    const TTaggedStrings& items = store.Items();
    for (int i = 0; i < items.Count(); ++i)
        if (items.Tags(i) >= from && items.Tags(i) <= to && !items.Strings(i).empty())
            memos.push_back({items.Tags(i), items.Strings(i)});
    std::stable_sort(memos.begin(), memos.end(),
                     [](const TMemoEvent& a, const TMemoEvent& b) { return a.Day < b.Day; });
    return memos;
}

// The memo's first line that holds text.
std::string FirstLine(const std::string& text) {
    const size_t start = std::min(text.find_first_not_of("\r\n"), text.size());
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

void AddDayEvents(const TDayFacts& facts, unsigned kinds, TIcsWriter& writer) {
    const int32_t day = facts.DayNumber;
    if ((kinds & KindHolidays) && !facts.HolidayName.empty())
        writer.AddEvent({day, Uid(day, "holiday"), facts.HolidayName, {"祝日"}, {}});
    if ((kinds & KindTerms) && !facts.SolarTermName.empty())
        writer.AddEvent({day, Uid(day, "term"), facts.SolarTermName, {"節気・雑節"}, {}});
    // The lunar date and the 六曜 of a day are one event when both are asked.
    const bool lunar = kinds & KindLunar;
    const bool rokuyo = kinds & KindRokuyo;
    if (lunar || rokuyo) {
        std::string summary;
        std::vector<std::string> categories;
        if (lunar) {
            summary = "旧暦" + facts.LunarMonthName + ToKanjiNumeral(facts.LunarDay) + "日";
            categories.push_back("旧暦");
        }
        if (rokuyo) {
            if (lunar)
                summary += ' ';
            summary += facts.Rokuyo;
            categories.push_back("六曜");
        }
        const char* kind = lunar && rokuyo ? "lunar-rokuyo" : lunar ? "lunar" : "rokuyo";
        writer.AddEvent({day, Uid(day, kind), summary, categories, {}});
    }
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "quillo-tool ics: %s\n", message.c_str());
    return 2;
}

}  // namespace

int RunIcsCommand(int argc, char** argv) {
    TIcsOptions options;
    std::string stamp;
    try {
        options = ParseOptions(argc, argv);
        stamp = RunStamp();
    } catch (const TUsageError& error) {
        return Fail(error.Message());
    }

    TAlmanac almanac;
    std::vector<TMemoEvent> memos;
    try {
        almanac.LoadHolidays(LoadResourceText("holidays"));
        if (options.Kinds & KindMemos)
            memos = MemosInRange(ToolDataPath(options.DataFolder), options.From, options.To);
    } catch (const Exception& error) {
        return Fail(error.Message());
    }
    TIcsWriter writer(std::string("-//Vellomar//quillo-tool ") + QuilloFileVersion + "//JA", "日本の祝日と暦", stamp);
    size_t nextMemo = 0;
    int memoNumber = 0;
    for (int32_t day = options.From; day <= options.To; ++day) {
        AddDayEvents(almanac.FactsOf(day), options.Kinds, writer);
        for (; nextMemo < memos.size() && memos[nextMemo].Day == day; ++nextMemo) {
            const std::string text = memos[nextMemo].Text;
            const std::string kind = ++memoNumber == 1 ? "memo" : "memo" + std::to_string(memoNumber);
            writer.AddEvent({day, Uid(day, kind), FirstLine(text), {"メモ"}, text});
        }
        memoNumber = 0;
        if (day % 64 == 0) {
            const std::string text = writer.TakeText();
            std::fwrite(text.data(), 1, text.size(), stdout);
        }
    }
    const std::string text = writer.Finish();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 2;
}
