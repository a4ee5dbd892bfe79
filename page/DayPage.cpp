#include "page/DayPage.h"

#include <algorithm>
#include <string>

#include "almanac/Numerals.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicWork.h"
#include "storage/ColorScheme.h"
#include "storage/TextUtils.h"

namespace {

// The page's layout on the 240 × 240 drawing. Every size and place is a multiple of a
// tenth of the drawing (24 pixels), truncated: Trunc(24 × factor), the factor in the
// comment. Heights are character heights in pixels, given negative as fonts take them.
constexpr int DayFigureHeight = -139;   // 5.8
constexpr TPoint DayFigureAt{120, 96};  // 5, 4
constexpr int WeekdayHeight = -28;      // 1.2
constexpr TPoint WeekdayAt{120, 168};   // 5, 7
constexpr int YearMonthHeight = -24;    // 1
constexpr TPoint YearMonthAt{120, 19};  // 5, 0.8
constexpr int ColumnHeight = -19;       // 0.8
constexpr int MemoHeight = -28;         // 1.2
constexpr TPoint MemoAt{120, 204};      // 5, 8.5
constexpr int MemoWidth = 240 - 9;      // the drawing less 0.4

constexpr uint8_t AlignCentre = 0;
constexpr uint8_t AlignMiddle = 0;
constexpr uint8_t AlignTop = 1;

// A text in vertical writing at its place: centred on X, starting at Y.
struct TColumn {
    int X;
    int Y;
    std::string Text;
};

// One colour for every text of the page: by weekday, the holiday colour over it.
uint32_t TextColor(const TDayFacts& facts, const TPageColors& colors) {
    if (facts.IsHoliday)
        return colors.Holiday;
    return facts.DayOfWeek == 6 ? colors.Saturday : facts.DayOfWeek == 7 ? colors.Sunday : colors.Weekday;
}

void SetFont(TCanvas& canvas, const std::string& name, int height) {
    canvas.Font.Name = name;
    canvas.Font.Height = height;
}

}  // namespace

TPageColors PageColorsOf(TColorScheme& scheme) {
    TPageColors colors;
    colors.Background = scheme.GetColor("日めくり\\背景", colors.Background);
    colors.Frame = scheme.GetColor("日めくり\\枠線", colors.Frame);
    colors.Weekday = scheme.GetColor("日めくり\\文字\\平日", colors.Weekday);
    colors.Saturday = scheme.GetColor("日めくり\\文字\\土曜", colors.Saturday);
    colors.Sunday = scheme.GetColor("日めくり\\文字\\日曜", colors.Sunday);
    colors.Holiday = scheme.GetColor("日めくり\\文字\\祝日", colors.Holiday);
    return colors;
}

std::unique_ptr<TBitmap> DrawDayPage(const TDayFacts& facts, std::string_view memo, const TPageColors& colors,
                                     double ratio) {
    ratio = UsableRatio(ratio);
    const int deviceSide = DeviceLength(PageSide, ratio);
    const int drawSide = std::max(PageDrawSide, deviceSide);
    // The layout below is given on the 240-pixel drawing; a larger drawing scales it.
    auto at = [drawSide](int length) {
        return drawSide == PageDrawSide ? length : DeviceLength(length, drawSide / 240.0);
    };

    auto page = std::make_unique<TBitmap>();
    TCanvas& canvas = page->Canvas();
    canvas.Brush.Color = colors.Background;
    page->SetSize(drawSide, drawSide);
    page->SetPixelFormat(TPixelFormat::Bits32);

    canvas.Brush.Style = TBrushStyle::Clear;
    canvas.Font.Color = TextColor(facts, colors);

    SetFont(canvas, "Impact", -at(-DayFigureHeight));
    TextOutAligned(canvas, at(DayFigureAt.X), at(DayFigureAt.Y), AlignCentre, AlignMiddle, std::to_string(facts.Day));
    canvas.Font.Height = -at(-WeekdayHeight);
    TextOutAligned(canvas, at(WeekdayAt.X), at(WeekdayAt.Y), AlignCentre, AlignMiddle, facts.DayOfWeekName);
    canvas.Font.Height = -at(-YearMonthHeight);
    TextOutAligned(canvas, at(YearMonthAt.X), at(YearMonthAt.Y), AlignCentre, AlignMiddle,
                   std::to_string(facts.Year) + " " + facts.MonthName);

    SetFont(canvas, "HG創英角ｺﾞｼｯｸUB", -at(-ColumnHeight));
    const TColumn columns[] = {
        {14, 9, facts.EraName},                                                           // 0.6, 0.4
        {14, 48, ToFullWidthDigit(facts.EraYear)},                                        // 0.6, 2
        {14, 67, "年"},                                                                   // 0.6, 2.8
        {14, 86, ToFullWidthDigit(facts.Month)},                                          // 0.6, 3.6
        {14, 105, "月"},                                                                  // 0.6, 4.4
        {36, 9, facts.DayOfWeekKanji + "曜日"},                                           // 1.5, 0.4
        {36, 76, facts.HolidayName},                                                      // 1.5, 3.2
        {204, 9, "旧暦" + facts.LunarMonthName + ToKanjiNumeral(facts.LunarDay) + "日"},  // 8.5, 0.4
        {225, 9, facts.Eto},                                                              // 9.4, 0.4
        {225, 57, facts.Rokuyo},                                                          // 9.4, 2.4
        {225, 105, facts.SolarTermName},                                                  // 9.4, 4.4
    };
    for (const TColumn& column : columns)
        TextOutVertical(canvas, at(column.X), at(column.Y), AlignCentre, AlignTop, column.Text);

    SetFont(canvas, "ＭＳ Ｐゴシック", -at(-MemoHeight));
    if (!memo.empty()) {
        std::string line = FitText(
            std::string(memo), [&canvas](const std::string& text) { return canvas.TextWidth(text); }, at(MemoWidth));
        TextOutAligned(canvas, at(MemoAt.X), at(MemoAt.Y), AlignCentre, AlignMiddle, line);
    }

    if (deviceSide != drawSide)
        page = ReduceBitmap(*page, deviceSide, deviceSide);
    TCanvas& finished = page->Canvas();
    finished.Brush.Style = TBrushStyle::Clear;
    finished.Pen.Color = colors.Frame;
    // One logical pixel of frame: as many one-pixel outlines, inward from the edge.
    const int frameWidth = DeviceLength(1, ratio);
    for (int i = 0; i < frameWidth; ++i)
        finished.Rectangle(i, i, deviceSide - i, deviceSide - i);
    SetAlpha(*page, 255);
    return page;
}
