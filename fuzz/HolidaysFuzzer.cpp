// Holiday definition documents from arbitrary bytes: loading either fails with the
// program's exception or gives rules, and building the tables of a few years from any
// rules and asking for every day's holiday never fails.

#include <cstddef>
#include <cstdint>
#include <string>

#include "almanac/Almanac.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TAlmanac almanac;
    try {
        almanac.LoadHolidays(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const Exception&) {
        return 0;
    }
    for (int year : {1, 1973, 2006, 2007, 2025, 9999}) {
        const int32_t first = DayNumberOf(year, 1, 1);
        for (int32_t day = first; day < first + 366 && day <= DayNumberOf(9999, 12, 31); day += 3) {
            almanac.FactsOf(day);
        }
    }
    return 0;
}
