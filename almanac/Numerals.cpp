#include "almanac/Numerals.h"

#include "storage/Text.h"

std::string ToFullWidthDigit(int n) {
    if (n == 0)
        return "〇";
    if (n >= 1 && n <= 9) {
        static const std::string Digits[9] = {"１", "２", "３", "４", "５", "６", "７", "８", "９"};
        return Digits[n - 1];
    }
    return std::to_string(n);
}

std::string ToKanjiNumeral(int n) {
    if (n < 0)
        return {};
    static constexpr int UnitValues[4] = {10000, 1000, 100, 10};
    static const std::string UnitKanji[4] = {"万", "千", "百", "十"};
    static const std::string Digits[10] = {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
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
