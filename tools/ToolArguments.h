#pragma once
// Arguments shared by the commands of quillo-tool: dates, months, day ranges, the data
// folder, and the texts of the page converted to UTF-8 once each.

#include <cstdint>
#include <string>
#include <string_view>

// "YYYY-MM-DD" of a real date in years 1..9999; false for anything else.
bool ParseIsoDate(std::string_view text, int32_t& dayNumber);
// "YYYY-MM" of a month in years 1..9999; false for anything else.
bool ParseYearMonth(std::string_view text, int& year, int& month);

// The calendar's data folder with a trailing "/": folder when it is not empty
// (it must exist), else the folder the calendar program beside this tool uses, by the
// calendar's own rule. Throws Exception with the reason when there is none.
std::string ToolDataPath(const std::string& nativeFolder);
