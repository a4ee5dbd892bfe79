#pragma once
// Numbers written the way date text on the page writes them .

#include <string>

// 0 → "〇", 1..9 → the full-width digits "１".."９"; any other value in ASCII decimal.
std::string ToFullWidthDigit(int n);
// Kanji numeral without a written multiplier of one: 15 → 十五, 103 → 百三, 10000 → 万,
// 0 → 零; a negative value gives an empty string.
std::string ToKanjiNumeral(int n);
