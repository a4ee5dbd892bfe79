#pragma once
// The file of one saved paper: a profile text with the one section "PAPER" that holds the
// paper's angle, position, size, date and creation time. The main window writes one file
// per paper at exit, named by the paper's place in the save order, and reads them back
// at the next start. No window code here, so that the reader can be fuzzed on its own.

#include <cstdint>
#include <string>
#include <string_view>

struct TPaperRecord {
    int Angle = 0;  // degrees, 0..359
    int Left = 0;   // window position on the screen (may be negative)
    int Top = 0;
    int Width = 0;  // written for the reader's information, never read back
    int Height = 0;
    int32_t Date = 0;     // day number of the page
    double MakeTime = 0;  // days since 1899-12-30, time of day as fraction
};

// A paper file is far smaller than this; a larger file is not read.
constexpr std::size_t MaxPaperFileBytes = 64 * 1024;

// "PAPERS/" + the index with at least two digits ("00", "07", "100"), below dataPath
// (which ends in "/").
std::string PaperFolder(std::string_view dataPath);
std::string PaperFileName(std::string_view dataPath, int index);

// The file's text: the keys "angle", "left", "top", "width", "height", "date", "maketime"
// in this order, CR LF line ends; the creation time with up to 15 significant digits
// and "." as decimal mark whatever the locale.
std::string PaperFileBytes(const TPaperRecord& paper);

// Reads the bytes of a paper file over defaults: a value that is missing or damaged
// keeps the default. The angle is folded into 0..359; a date outside the years
// 1..9999 and a creation time that is not a finite number count as damaged. Never
// fails, whatever the bytes are.
TPaperRecord ParsePaperFile(std::string_view bytes, const TPaperRecord& defaults);

// Reads the paper file of index over defaults. False (and paper untouched) when the file
// is missing, cannot be read or has no section "PAPER"; damaged values read as defaults.
bool LoadPaperFile(std::string_view dataPath, int index, const TPaperRecord& defaults, TPaperRecord& paper);
// Creates the folder when missing and replaces the file atomically; EFileError when it
// cannot be written.
void SavePaperFile(std::string_view dataPath, int index, const TPaperRecord& paper);
