// Writes the sky table of the years FIRST..LAST to FILE, worked out with the almanac's own
// ephemeris, for the program to include (almanac/SkyTable.h, SkyOfYear):
//
//     quillo_sky_table_maker FIRST LAST FILE
//
// Runs once per build; the file is written beside and then renamed, so that a build broken
// off never leaves half a table.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "almanac/SkyTable.h"
#include "almanac/YearSky.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FIRST LAST FILE\n", argv[0]);
        return 2;
    }
    const int first = std::atoi(argv[1]), last = std::atoi(argv[2]);
    const std::string file = argv[3], written = file + ".new";
    std::ofstream out(written, std::ios::binary | std::ios::trunc);
    out << "// Made by quillo_sky_table_maker when the program was built.\n"
        << "constexpr int SkyTableFirstYear = " << first << ";\n"
        << "constexpr int SkyTableLastYear = " << last << ";\n"
        << "constexpr TSkyTableYear SkyTable[] = {\n";
    for (int year = first; year <= last; ++year) {
        const TYearSky sky = WorkedOutSkyOfYear(year);
        if (sky.Terms.Count() < SolarTermCount || sky.Months.size() > MaxSkyTableMonths) {
            std::fprintf(stderr, "%s: the sky of %d does not fit the table\n", argv[0], year);
            return 1;
        }
        out << "    {{";
        for (int row = 0; row < SolarTermCount; ++row)
            out << (row ? ", " : "") << sky.Terms.Tags(row);
        out << "}, " << sky.Months.size() << ", {{";
        for (size_t i = 0; i < sky.Months.size(); ++i)
            out << (i ? ", " : "") << "{" << sky.Months[i].FirstDay << ", " << sky.Months[i].Number << ", "
                << (sky.Months[i].Leap ? "true" : "false") << "}";
        out << "}}},\n";
    }
    out << "};\n";
    out.close();
    if (!out || std::rename(written.c_str(), file.c_str()) != 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], file.c_str());
        return 1;
    }
    return 0;
}
