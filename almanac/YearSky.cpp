#include "almanac/YearSky.h"

#include "almanac/SolarTerms.h"

TYearSky WorkedOutSkyOfYear(int year) { return {SolarTermsOfYear(year), LunarMonthsOfYear(year)}; }
