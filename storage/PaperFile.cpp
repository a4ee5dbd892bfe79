#include "storage/PaperFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/ProfileFile.h"
#include "storage/TextUtils.h"

namespace {

constexpr std::string_view Section = "PAPER";

int NormalizedAngle(int32_t angle) {
    int folded = static_cast<int>(angle % 360);
    return folded < 0 ? folded + 360 : folded;
}

std::string FormatMakeTime(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

// Plain decimal text only: from_chars also takes "inf" and "nan", which would make the
// papers' creation order meaningless.
bool ParseMakeTime(std::string_view entry, double& value) {
    const std::string text = Trim(entry);
    if (text.empty())
        return false;
    double parsed = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

void ReadInt(const TProfileText& text, std::string_view key, int32_t& value) {
    if (std::optional<std::string> entry = text.Find(Section, key)) {
        int32_t parsed = 0;
        if (TryParseInt(Trim(*entry), parsed))
            value = parsed;
    }
}

}  // namespace

std::string PaperFolder(std::string_view dataPath) { return std::string(dataPath) + "PAPERS"; }

std::string PaperFileName(std::string_view dataPath, int index) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%2.2d", index);
    return PaperFolder(dataPath) + "/" + digits;
}

std::string PaperFileBytes(const TPaperRecord& paper) {
    TProfileText text;
    text.Set(Section, "angle", std::to_string(paper.Angle));
    text.Set(Section, "left", std::to_string(paper.Left));
    text.Set(Section, "top", std::to_string(paper.Top));
    text.Set(Section, "width", std::to_string(paper.Width));
    text.Set(Section, "height", std::to_string(paper.Height));
    text.Set(Section, "date", std::to_string(paper.Date));
    text.Set(Section, "maketime", FormatMakeTime(paper.MakeTime));
    return text.Bytes();
}

TPaperRecord ParsePaperFile(std::string_view bytes, const TPaperRecord& defaults) {
    TProfileText text(bytes);
    TPaperRecord paper = defaults;
    int32_t angle = paper.Angle;
    ReadInt(text, "angle", angle);
    paper.Angle = NormalizedAngle(angle);
    ReadInt(text, "left", paper.Left);
    ReadInt(text, "top", paper.Top);
    int32_t date = paper.Date;
    ReadInt(text, "date", date);
    if (date >= DayNumberOf(MinDateYear, 1, 1) && date <= DayNumberOf(MaxDateYear, 12, 31))
        paper.Date = date;
    if (std::optional<std::string> entry = text.Find(Section, "maketime"))
        ParseMakeTime(*entry, paper.MakeTime);
    return paper;
}

bool LoadPaperFile(std::string_view dataPath, int index, const TPaperRecord& defaults, TPaperRecord& paper) {
    std::string fileName = PaperFileName(dataPath, index);
    if (!FileExists(fileName))
        return false;
    std::string bytes;
    try {
        bytes = ReadFileBytes(fileName, MaxPaperFileBytes);
    } catch (const EFileError&) {
        return false;
    }
    // A file without the paper's section is no paper file (a damaged or foreign file).
    if (!TProfileText(bytes).HasSection(Section))
        return false;
    paper = ParsePaperFile(bytes, defaults);
    return true;
}

void SavePaperFile(std::string_view dataPath, int index, const TPaperRecord& paper) {
    CreateFoldersFor(PaperFileName(dataPath, index));
    WriteFileAtomic(PaperFileName(dataPath, index), PaperFileBytes(paper));
}
