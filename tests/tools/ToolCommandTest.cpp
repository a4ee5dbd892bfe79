// The commands ics, month and almanac --json run as a program, as scripts run them.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "storage/DateUtils.h"
#include "storage/MemoStore.h"
#include "storage/Text.h"
#include "support/TestEnvironment.h"

namespace {

struct TToolResult {
    int ExitStatus = -1;
    std::string Output;  // standard output
    std::string Errors;  // standard error
};

std::string ReadFile(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Runs `environment quillo-tool arguments` through the shell.
TToolResult RunTool(const std::string& arguments, const std::string& environment = "") {
    TTemporaryFolder folder;
    const std::string errors = folder.Slash() + "stderr";
    const std::string command =
        "env " + environment + " " + QUILLO_TOOL_PATH + " " + arguments + " 2>" + errors + " </dev/null";
    TToolResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[65536];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.Output.append(buffer, read);
    const int status = pclose(pipe);
    result.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Errors = ReadFile(errors);
    return result;
}

// The unfolded content lines of an iCalendar text.
std::vector<std::string> ContentLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        if (text[start] == ' ' && !lines.empty())
            lines.back() += text.substr(start + 1, end - start - 1);
        else
            lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// The value of every content line that starts with name + ":".
std::vector<std::string> Values(const std::string& text, const std::string& name) {
    std::vector<std::string> values;
    for (const std::string& line : ContentLines(text))
        if (line.rfind(name + ":", 0) == 0)
            values.push_back(line.substr(name.size() + 1));
    return values;
}

constexpr const char* Epoch = "SOURCE_DATE_EPOCH=1700000000";

}  // namespace

TEST(IcsCommand, RejectsBadArgumentsWithStatus2AndNoOutput) {
    const struct {
        const char* Arguments;
        const char* Environment;
    } table[] = {
        {"--with", ""},
        {"--with ''", ""},
        {"--with holidays,", ""},
        {"--with Holidays", ""},
        {"--with=moons", ""},
        {"--data", ""},
        {"--colour", ""},
        {"2025-02-30", ""},
        {"2025-1-01", ""},
        {"2025-01-02 2025-01-01", ""},
        {"2025-01-01 2025-01-02 2025-01-03", ""},
        {"2025-01-01 --with memos --data /nonexistent/folder", ""},
        {"2025-01-01", "SOURCE_DATE_EPOCH=-5"},
        {"2025-01-01", "SOURCE_DATE_EPOCH=12abc"},
        {"2025-01-01", "SOURCE_DATE_EPOCH="},
        {"2025-01-01", "SOURCE_DATE_EPOCH=99999999999999999999"},
    };
    for (const auto& row : table) {
        const TToolResult result = RunTool(std::string("ics ") + row.Arguments, row.Environment);
        SCOPED_TRACE(std::string(row.Environment) + " ics " + row.Arguments);
        EXPECT_EQ(result.ExitStatus, 2);
        EXPECT_EQ(result.Output, "");
        EXPECT_EQ(result.Errors.rfind("quillo-tool ics: ", 0), 0u) << result.Errors;
    }
}

TEST(IcsCommand, SourceDateEpochMakesTheRunReproducible) {
    const std::string arguments = "ics 2025-01-01 2025-12-31 --with holidays,terms,rokuyo,lunar";
    const TToolResult first = RunTool(arguments, Epoch);
    const TToolResult second = RunTool(arguments, Epoch);
    EXPECT_EQ(first.ExitStatus, 0);
    EXPECT_EQ(first.Output, second.Output);
    for (const std::string& stamp : Values(first.Output, "DTSTAMP"))
        ASSERT_EQ(stamp, "20231114T221320Z");

    // Without it, the time of the run in UTC.
    const std::time_t before = std::time(nullptr);
    const TToolResult now = RunTool("ics 2025-03-20", "-u SOURCE_DATE_EPOCH");
    std::tm utc{};
    gmtime_r(&before, &utc);
    char earliest[32];
    std::strftime(earliest, sizeof earliest, "%Y%m%dT%H%M%SZ", &utc);
    ASSERT_EQ(Values(now.Output, "DTSTAMP").size(), 2u);
    EXPECT_GE(Values(now.Output, "DTSTAMP")[0], earliest);
    EXPECT_LE(Values(now.Output, "DTSTAMP")[0].substr(0, 9), std::string(earliest).substr(0, 8) + "U");
}

// Importing another range or other kinds again must replace the same facts.
TEST(IcsCommand, UidsDependOnlyOnDayAndKind) {
    const TToolResult year = RunTool("ics 2025-01-01 2025-12-31 --with holidays,terms,lunar", Epoch);
    const TToolResult day = RunTool("ics 2025-03-20 --with=lunar,terms,holidays", Epoch);
    const TToolResult defaults = RunTool("ics 2025-03-20", Epoch);
    const std::vector<std::string> expected = {"20250320-holiday@quillo.vellomar.example",
                                               "20250320-term@quillo.vellomar.example",
                                               "20250320-lunar@quillo.vellomar.example"};
    EXPECT_EQ(Values(day.Output, "UID"), expected);
    EXPECT_EQ(Values(defaults.Output, "UID"), std::vector<std::string>(expected.begin(), expected.begin() + 2));
    const std::vector<std::string> all = Values(year.Output, "UID");
    for (const std::string& uid : expected)
        EXPECT_EQ(std::count(all.begin(), all.end(), uid), 1) << uid;
    EXPECT_EQ(Values(day.Output, "SUMMARY"), (std::vector<std::string>{"春分の日", "春分", "旧暦二月二十一日"}));
    // One event for both; (month 2 + day 21) mod 6 = 5 is 仏滅.
    EXPECT_EQ(Values(RunTool("ics 2025-03-20 --with rokuyo,lunar").Output, "SUMMARY"),
              std::vector<std::string>{"旧暦二月二十一日 仏滅"});
    EXPECT_EQ(Values(RunTool("ics 2025-03-20 --with rokuyo").Output, "UID"),
              std::vector<std::string>{"20250320-rokuyo@quillo.vellomar.example"});
}

TEST(IcsCommand, ExportsTheMemosOfTheDataFolderInTheRange) {
    TTemporaryFolder data;
    TMemoStore store(data.Slash() + "Memos.txt");
    const int32_t day = DayNumberOf(2025, 3, 20);
    store.Items().AddTagged(std::string("\r\n会議ソ表; 本社, 3階\r\n持ち物: C:\\資料"), day);
    store.Items().AddTagged(std::string("二つ目"), day);
    store.Items().AddTagged("", day + 1);  // an emptied memo is no event
    store.Items().AddTagged(std::string("範囲の外"), day + 100);
    store.Save();

    const TToolResult result = RunTool("ics 2025-03-20 2025-03-31 --with memos --data " + data.Slash(), Epoch);
    ASSERT_EQ(result.ExitStatus, 0) << result.Errors;
    EXPECT_EQ(Values(result.Output, "UID"), (std::vector<std::string>{"20250320-memo@quillo.vellomar.example",
                                                                      "20250320-memo2@quillo.vellomar.example"}));
    EXPECT_EQ(Values(result.Output, "SUMMARY"), (std::vector<std::string>{R"(会議ソ表\; 本社\, 3階)", "二つ目"}));
    EXPECT_EQ(Values(result.Output, "DESCRIPTION"),
              (std::vector<std::string>{R"(\n会議ソ表\; 本社\, 3階\n持ち物: C:\\資料)", "二つ目"}));
    EXPECT_EQ(Values(result.Output, "CATEGORIES"), (std::vector<std::string>{"メモ", "メモ"}));
}

TEST(MonthCommand, PrintsTheGoldenMonths) {
    // With holidays (振替休日), an era starting within the month, the 国民の休日 of 2019
    // and 令和元年, and the start of a leap month (閏二月 on 2023-03-22).
    for (const char* month : {"2025-05", "1989-01", "2019-05", "2023-03"}) {
        const TToolResult result = RunTool(std::string("month ") + month);
        EXPECT_EQ(result.ExitStatus, 0);
        EXPECT_EQ(result.Output, ReadFile(std::string(QUILLO_SOURCE_DIR) + "/tests/data/tools/month-" + month + ".txt"))
            << month;
    }
}

TEST(MonthCommand, DefaultsToThisMonthAndRejectsBadMonths) {
    const TYmd today = YmdOf(Today());
    const TToolResult result = RunTool("month");
    EXPECT_EQ(result.ExitStatus, 0);
    EXPECT_NE(result.Output.find(std::to_string(today.Year) + "年"), std::string::npos) << result.Output;
    EXPECT_NE(result.Output.find(std::to_string(today.Month) + "月\n"), std::string::npos) << result.Output;
    for (const char* bad : {"2025-13", "2025-00", "2025-5", "202505", "0000-01", "2025-05 2025-06", "''"}) {
        const TToolResult rejected = RunTool(std::string("month ") + bad);
        EXPECT_EQ(rejected.ExitStatus, 2) << bad;
        EXPECT_EQ(rejected.Output, "") << bad;
        EXPECT_EQ(rejected.Errors.rfind("quillo-tool month: ", 0), 0u) << bad << ": " << rejected.Errors;
    }
}

TEST(AlmanacCommand, JsonLinesCarryTheTsvFieldsAndTheDayNumber) {
    const TToolResult result = RunTool("almanac --json 2019-04-30 2019-05-01");
    EXPECT_EQ(result.ExitStatus, 0);
    EXPECT_EQ(result.Output,
              R"({"day_number":43585,"date":"2019-04-30","weekday":"火","era":"平成","era_year":"31","eto":"丁酉",)"
              R"("lunar_month":"三月","lunar_day":"26","rokuyo":"仏滅","term":"","holiday":"国民の休日"})"
              "\n"
              R"({"day_number":43586,"date":"2019-05-01","weekday":"水","era":"令和","era_year":"1","eto":"戊戌",)"
              R"("lunar_month":"三月","lunar_day":"27","rokuyo":"大安","term":"","holiday":"天皇の即位の日"})"
              "\n");
    const TToolResult early = RunTool("almanac 1868-09-07 --json");
    EXPECT_NE(early.Output.find(R"("era":"","era_year":"",)"), std::string::npos) << early.Output;
    const TToolResult bad = RunTool("almanac --jsonl 2019-04-30");
    EXPECT_EQ(bad.ExitStatus, 2);
    EXPECT_EQ(bad.Output, "");
}
