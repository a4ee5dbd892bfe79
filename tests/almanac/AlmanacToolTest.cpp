#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct TToolResult {
    int ExitStatus;
    std::string Output;  // standard output and standard error
};

TToolResult RunTool(const std::string& arguments) {
    const std::string command = std::string(QUILLO_TOOL_PATH) + " almanac " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    TToolResult result{-1, {}};
    if (!pipe)
        return result;
    char buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.Output.append(buffer, read);
    const int status = pclose(pipe);
    result.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

// 2019-05-01, the first day of 令和, was widely noted as 大安.
TEST(AlmanacTool, PrintsOneTabSeparatedLinePerDay) {
    const TToolResult result = RunTool("2019-04-30 2019-05-01");
    EXPECT_EQ(result.ExitStatus, 0);
    EXPECT_EQ(result.Output, "date\tweekday\tera\tera_year\teto\tlunar_month\tlunar_day\trokuyo\tterm\tholiday\n"
                             "2019-04-30\t火\t平成\t31\t丁酉\t三月\t26\t仏滅\t\t国民の休日\n"
                             "2019-05-01\t水\t令和\t1\t戊戌\t三月\t27\t大安\t\t天皇の即位の日\n");
    const TToolResult early = RunTool("1868-09-07");
    EXPECT_EQ(early.ExitStatus, 0);
    EXPECT_NE(early.Output.find("\n1868-09-07\t月\t\t\t丙申\t"), std::string::npos) << early.Output;
}

TEST(AlmanacTool, DefaultsToToday) {
    const TToolResult result = RunTool("");
    EXPECT_EQ(result.ExitStatus, 0);
    size_t lines = 0;
    for (char c : result.Output)
        lines += c == '\n';
    EXPECT_EQ(lines, 2u);
}

TEST(AlmanacTool, RejectsBadArgumentsWithStatus2) {
    const char* bad[] = {"2025-02-30",
                         "2025-2-3",
                         "20250203",
                         "0000-01-01",
                         "2025-01-0x",
                         "2025-01-02 2025-01-01",
                         "2025-01-01 2025-01-02 2025-01-03",
                         "''"};
    for (const char* arguments : bad) {
        const TToolResult result = RunTool(arguments);
        EXPECT_EQ(result.ExitStatus, 2) << arguments;
        EXPECT_EQ(result.Output.rfind("quillo-tool almanac: ", 0), 0u) << arguments << ": " << result.Output;
    }
}
