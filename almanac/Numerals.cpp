#include "almanac/Numerals.h"

#include "storage/ShiftJis.h"

std::string ToFullWidthDigit(int n) {
    if (n == 0)
        return SJIS("〇");
    if (n >= 1 && n <= 9) {
        static const std::string Digits[9] = {Utf8ToSjis("１"), Utf8ToSjis("２"), Utf8ToSjis("３"),
                                              Utf8ToSjis("４"), Utf8ToSjis("５"), Utf8ToSjis("６"),
                                              Utf8ToSjis("７"), Utf8ToSjis("８"), Utf8ToSjis("９")};
        return Digits[n - 1];
    }
    return std::to_string(n);
}

std::string ToKanjiNumeral(int n) {
    if (n < 0)
        return {};
    static constexpr int UnitValues[4] = {10000, 1000, 100, 10};
    static const std::string UnitKanji[4] = {Utf8ToSjis("万"), Utf8ToSjis("千"), Utf8ToSjis("百"), Utf8ToSjis("十")};
    static const std::string Digits[10] = {Utf8ToSjis("零"), Utf8ToSjis("一"), Utf8ToSjis("二"), Utf8ToSjis("三"),
                                           Utf8ToSjis("四"), Utf8ToSjis("五"), Utf8ToSjis("六"), Utf8ToSjis("七"),
                                           Utf8ToSjis("八"), Utf8ToSjis("九")};
    std::string result;
    int rest = n;
    for (int unit = 0; unit < 4; ++unit) {
        if (rest < UnitValues[unit])
            continue;
        const int multiplier = rest / UnitValues[unit];
        if (multiplier > 1)
            result += ToKanjiNumeral(multiplier);
        result += UnitKanji[unit];
        rest %= UnitValues[unit];
    }
    if (rest > 0 || result.empty())
        result += Digits[rest];
    return result;
}
