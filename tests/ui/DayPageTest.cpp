#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "PageObjects.h"
#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicWork.h"
#include "graphics/QtText.h"
#include "storage/ColorScheme.h"
#include "storage/DateUtils.h"
#include "storage/MemoStore.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "support/FileBytes.h"
#include "ui/PageDescription.h"
#include "ui/PageOfDay.h"

namespace {

const std::string GoldenFolder = QUILLO_SOURCE_DIR "/tests/golden/";

// Font rasterisation is not bit-stable across font and Qt versions, so a page matches its
// golden image when at most MaxDifferingPixels of its 14,400 pixels differ by more than
// ChannelTolerance in any channel.
constexpr int ChannelTolerance = 32;
constexpr int MaxDifferingPixels = 72;  // 0.5 %

uint32_t PixelOf(const TBitmap& page, int x, int y) { return static_cast<uint32_t>(page.Pixel(x, y)); }

std::set<uint32_t> ColorsOf(const TBitmap& page) {
    std::set<uint32_t> colors;
    for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x)
            colors.insert(PixelOf(page, x, y));
    return colors;
}

QImage ImageOf(const TBitmap& page) {
    QImage image(page.Width(), page.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < page.Height(); ++y)
        std::copy_n(page.ScanLine(y), page.Width() * 4, image.scanLine(y));
    return image;
}

// The process-wide objects the renderer reads: the almanac with the shipped holidays, the
// shipped colours and the memos of the golden folder.
class DayPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CreatePageObjects(); }
    static void TearDownTestSuite() { DestroyPageObjects(); }
    void SetUp() override {
        ReplaceColorScheme(std::make_unique<TColorScheme>("unused"));
        ColorScheme().LoadDefaults();
        ReplaceMemoStore(std::make_unique<TMemoStore>(GoldenFolder + "Memos.txt"));
        LoadMemos();
    }
    void TearDown() override {
        DestroyMemoStore();
        DestroyColorScheme();
    }
    static void UseScheme(const std::string& utf8Body) {
        ColorScheme().Clear();
        ColorScheme().LoadFromString(Cp932("<colors>" + utf8Body + "</colors>"));
    }
};

}  // namespace

TEST_F(DayPageTest, PagesMatchTheirGoldenImages) {
    // Together these show every element of a page.
    const char* const pages[] = {
        "2025-03-12",  // weekday with a short memo
        "2025-06-14",  // Saturday; its memo's line break is not interpreted
        "2025-06-15",  // Sunday
        "2025-05-03",  // holiday on a Saturday
        "2025-08-01",  // leap lunar month (閏六月)
        "2026-12-07",  // solar term (大雪) and a memo cut with ".."
        "2026-03-20",  // holiday and solar term on one day
        "1868-01-01",  // before the first era: no era name, year "〇"
        "2019-05-01",  // first day of 令和, a long holiday name
        "2028-11-23",  // two-digit era year and month in the column
        "1927-11-03",  // a holiday of the decree years (明治節)
    };
    const std::filesystem::path output = std::filesystem::path(QUILLO_TEST_OUTPUT_DIR) / "golden-mismatch";
    for (const char* date : pages) {
        std::string ymd = std::string(date, 4) + std::string(date + 5, 2) + std::string(date + 8, 2);
        std::unique_ptr<TBitmap> page = PageOfDay(DayFromYmd(ymd));
        QImage golden(QString::fromStdString(GoldenFolder + date + ".png"));
        ASSERT_FALSE(golden.isNull()) << date;
        golden = golden.convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(golden.width(), page->Width());
        ASSERT_EQ(golden.height(), page->Height());
        QImage actual = ImageOf(*page);
        QImage diff(actual.size(), QImage::Format_ARGB32);
        int differing = 0, worst = 0;
        for (int y = 0; y < actual.height(); ++y)
            for (int x = 0; x < actual.width(); ++x) {
                QRgb a = actual.pixel(x, y), g = golden.pixel(x, y);
                int d = std::max({std::abs(qRed(a) - qRed(g)), std::abs(qGreen(a) - qGreen(g)),
                                  std::abs(qBlue(a) - qBlue(g)), std::abs(qAlpha(a) - qAlpha(g))});
                worst = std::max(worst, d);
                differing += d > ChannelTolerance;
                diff.setPixel(x, y, d > ChannelTolerance ? qRgb(255, 0, 0) : qRgb(255 - d, 255 - d, 255 - d));
            }
        if (differing > MaxDifferingPixels) {
            std::filesystem::create_directories(output);
            actual.save(QString::fromStdString((output / (std::string(date) + "-actual.png")).string()));
            diff.save(QString::fromStdString((output / (std::string(date) + "-diff.png")).string()));
        }
        EXPECT_LE(differing, MaxDifferingPixels)
            << date << ": largest channel difference " << worst << "; actual and diff written to " << output;
    }
}

TEST_F(DayPageTest, EveryPageIsOpaqueFramedAndOnItsBackground) {
    // Day numbers beyond the years 1..9999 (a damaged paper file) are drawn as the nearest day.
    for (int32_t day :
         {DayFromYmd("20250312"), DayFromYmd("20250503"), DayFromYmd("18680101"), 0, -693593, INT32_MAX, INT32_MIN}) {
        std::unique_ptr<TBitmap> page = PageOfDay(day);
        ASSERT_EQ(page->Width(), 120);
        ASSERT_EQ(page->Height(), 120);
        ASSERT_TRUE(page->Is32Bit());
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 120; ++x) {
                ASSERT_EQ(page->PixelAlpha(x, y), 255) << x << "," << y;
                if (x == 0 || y == 0 || x == 119 || y == 119) {
                    ASSERT_EQ(PixelOf(*page, x, y), 0x808080u) << day << ": " << x << "," << y;
                }
            }
        EXPECT_EQ(PixelOf(*page, 117, 117), 0xFEFDFDu) << day;  // the bottom corner holds no text
    }
}

TEST_F(DayPageTest, TheTextColorFollowsTheWeekdayAndTheHolidayWins) {
    UseScheme("<日めくり><背景>$FFFFFF</背景><枠線>$000000</枠線><文字>"
              "<平日>$00AA00</平日><日曜>$0000AA</日曜><土曜>$AA0000</土曜><祝日>$AA00AA</祝日></文字></日めくり>");
    struct TCase {
        const char* Date;
        uint32_t Color;
    };
    const TCase cases[] = {
        {"20250312", 0x00AA00},  // Wednesday
        {"20250614", 0xAA0000},  // Saturday
        {"20250615", 0x0000AA},  // Sunday
        {"20250503", 0xAA00AA},  // Saturday holiday: the holiday colour, not the Saturday colour
        {"20250505", 0xAA00AA},  // Monday holiday
    };
    const std::set<uint32_t> textColors = {0x00AA00, 0xAA0000, 0x0000AA, 0xAA00AA};
    for (const TCase& c : cases) {
        std::set<uint32_t> colors = ColorsOf(*PageOfDay(DayFromYmd(c.Date)));
        for (uint32_t color : textColors)
            EXPECT_EQ(colors.count(color), color == c.Color ? 1u : 0u) << c.Date << " " << std::hex << color;
    }
}

TEST_F(DayPageTest, MissingColorsFallBackAndANonNumberIsBlack) {
    UseScheme("");
    std::unique_ptr<TBitmap> page = PageOfDay(DayFromYmd("20250614"));  // Saturday
    EXPECT_EQ(PixelOf(*page, 0, 0), 0xC0C0C0u);
    EXPECT_EQ(PixelOf(*page, 117, 117), 0xFFFFFFu);
    EXPECT_EQ(ColorsOf(*page).count(0xFF0000), 1u);  // the Saturday fallback, blue

    UseScheme("<日めくり><背景>white</背景><枠線>$0000FF</枠線></日めくり>");
    page = PageOfDay(DayFromYmd("20250614"));
    EXPECT_EQ(PixelOf(*page, 0, 0), 0x0000FFu);
    EXPECT_EQ(PixelOf(*page, 117, 117), 0x000000u);
}

// Before 1899-12-30 the date scale counts the time of day backwards, so a careless
// conversion shows the next day there. The page shows its own day's memo.
TEST_F(DayPageTest, ADayBeforeTheScaleStartShowsItselfNotTheNextDay) {
    for (const char* date : {"18991229", "18680101", "00010101"}) {
        const int32_t day = DayFromYmd(date);
        const int memo = Memos().AddTagged(std::string("ソ表"), day);
        std::unique_ptr<TBitmap> withMemo = PageOfDay(day);
        Memos().Delete(memo);
        std::unique_ptr<TBitmap> without = PageOfDay(day);
        int changedInMemoBand = 0;
        for (int y = 94; y <= 111; ++y)
            for (int x = 2; x <= 117; ++x)
                changedInMemoBand += PixelOf(*withMemo, x, y) != PixelOf(*without, x, y);
        EXPECT_GT(changedInMemoBand, 20) << date;
    }
}

// The description says every fact the page shows, in the page's reading order, and leaves
// out the era before Meiji and the holiday and term on days without them.
TEST(PageDescription, ReadsTheFactsInOrderAndLeavesOutWhatADayLacks) {
    CreatePageObjects();
    const std::pair<const char*, const char*> cases[] = {
        {"20260101", "2026年1月1日 木曜日 令和8年 旧暦十一月13日 大安 元日"},
        {"20250320", "2025年3月20日 木曜日 令和7年 旧暦二月21日 仏滅 春分の日 春分"},
        {"20250505", "2025年5月5日 月曜日 令和7年 旧暦四月8日 大安 こどもの日 立夏"},
        {"18680101", "1868年1月1日 水曜日 旧暦十二月7日 赤口"},
    };
    for (const auto& [date, expected] : cases)
        EXPECT_EQ(std::string(DescribePage(Almanac().FactsOf(DayFromYmd(date)))), expected) << date;
    DestroyPageObjects();
}

// The memo follows the facts as one line; ソ and 表 end in a backslash byte, which is no
// line break.
TEST(PageDescription, TheMemoFollowsOnOneLine) {
    CreatePageObjects();
    const TDayFacts facts = Almanac().FactsOf(DayFromYmd("20261207"));
    const std::string page = "2026年12月7日 月曜日 令和8年 旧暦十月29日 友引 大雪";
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"歯医者 10時", " 歯医者 10時"},
        {"歯医者\r\n表ソ", " 歯医者 表ソ"},
        {"a\rb\nc\r\n\r\nd", " a b c  d"},
        {"  \r\n表 ", " 表"},
        {"\r\n \n", ""},
    };
    for (const auto& [memo, added] : cases)
        EXPECT_EQ(std::string(DescribePage(facts, std::string(memo))), page + added) << memo;
    DestroyPageObjects();
}

TEST_F(DayPageTest, TheDescriptionOfADayReadsItsMemoFromTheStore) {
    const int32_t day = DayFromYmd("20261207");
    const QString withoutMemo = QtText(DescribePage(Almanac().FactsOf(day)));
    Memos().SetStrings(Memos().IndexOfTag(day), std::string("表ソの会"));
    EXPECT_EQ(PageDescription(day), withoutMemo + QtText(std::string(" 表ソの会")));
    Memos().SetStrings(Memos().IndexOfTag(day), "");
    EXPECT_EQ(PageDescription(day), withoutMemo);
    EXPECT_EQ(PageDescription(day + 1), QtText(DescribePage(Almanac().FactsOf(day + 1))));
}

TEST_F(DayPageTest, TheMemoIsDrawnOnlyInItsBandNearTheBottom) {
    const int32_t day = DayFromYmd("20261207");
    std::unique_ptr<TBitmap> withMemo = PageOfDay(day);
    Memos().SetStrings(Memos().IndexOfTag(day), "");
    std::unique_ptr<TBitmap> without = PageOfDay(day);
    int changed = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x)
            if (PixelOf(*withMemo, x, y) != PixelOf(*without, x, y)) {
                ++changed;
                // Centred on (60, 102), one line of 14-pixel characters, within the 115.5-pixel width.
                EXPECT_TRUE(y >= 94 && y <= 111 && x >= 2 && x <= 117) << x << "," << y;
            }
    EXPECT_GT(changed, 100);
}

// A page for a screen of device pixel ratio r is DeviceLength(120, r) pixels a side, framed
// one logical pixel wide. At ratio 2 it is the 240-pixel drawing itself (halving it gives
// the page of ratio 1); between 1 and 2 it is that drawing reduced, never a smaller page
// stretched up.
TEST_F(DayPageTest, PagesForHighResolutionScreensAreDrawnAtTheirDeviceSize) {
    const int32_t day = DayFromYmd("20261207");
    const struct {
        double Ratio;
        int Side;
        int Frame;
    } sizes[] = {{2, 240, 2},  {1.5, 180, 2}, {1.25, 150, 1}, {1.75, 210, 2}, {3, 360, 3},
                 {0.5, 60, 1}, {0, 120, 1},   {-2, 120, 1},   {NAN, 120, 1},  {100, 120, 1}};
    for (const auto& size : sizes) {
        std::unique_ptr<TBitmap> page = PageOfDay(day, size.Ratio);
        ASSERT_EQ(page->Width(), size.Side) << size.Ratio;
        ASSERT_EQ(page->Height(), size.Side) << size.Ratio;
        for (int i = 0; i < size.Side; ++i)
            for (int edge = 0; edge < size.Frame; ++edge) {
                ASSERT_EQ(PixelOf(*page, i, edge), 0x808080u) << size.Ratio << ": " << i << "," << edge;
                ASSERT_EQ(PixelOf(*page, size.Side - 1 - edge, i), 0x808080u) << size.Ratio << ": " << i;
            }
        EXPECT_NE(PixelOf(*page, size.Side / 2, size.Frame), 0x808080u) << size.Ratio;
    }

    std::unique_ptr<TBitmap> single = PageOfDay(day);
    std::unique_ptr<TBitmap> twice = PageOfDay(day, 2);
    std::unique_ptr<TBitmap> halved = std::make_unique<TBitmap>(*twice);
    HalveBitmap(*halved);
    for (int y = 1; y < 119; ++y)
        for (int x = 1; x < 119; ++x)
            ASSERT_EQ(PixelOf(*halved, x, y), PixelOf(*single, x, y)) << x << "," << y;

    // The drawing holds detail a stretched 120-pixel page lacks: the 2× page has many
    // neighbouring pixel pairs that differ although both fall in one pixel of the 1× page.
    int fineDetail = 0;
    for (int y = 2; y < 238; y += 2)
        for (int x = 2; x < 238; x += 2)
            fineDetail += PixelOf(*twice, x, y) != PixelOf(*twice, x + 1, y + 1);
    EXPECT_GT(fineDetail, 500);

    std::unique_ptr<TBitmap> oneAndAHalf = PageOfDay(day, 1.5);
    std::unique_ptr<TBitmap> reduced = ReduceBitmap(*twice, 180, 180);
    for (int y = 3; y < 177; ++y)
        for (int x = 3; x < 177; ++x)
            ASSERT_EQ(PixelOf(*oneAndAHalf, x, y), PixelOf(*reduced, x, y)) << x << "," << y;
}
