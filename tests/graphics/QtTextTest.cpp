#include <gtest/gtest.h>

#include <QString>

#include <new>
#include <stdexcept>
#include <string>

#include "graphics/QtText.h"
#include "storage/Exception.h"
#include "storage/ShiftJis.h"

// Every message reaches Qt the same way, whoever raised it: the program's own exceptions
// carry Shift_JIS (whose second bytes may be "\" or "|"), the others UTF-8.
TEST(ExceptionText, OwnMessagesAreShiftJisAndOthersAreUtf8) {
    const std::string path = SJIS("/データ/ソ表/メモ.txt");
    const struct {
        const char* Situation;
        std::exception_ptr Error;
        QString Text;
    } cases[] = {
        {"own", std::make_exception_ptr(Exception(SJIS("表が不正です"))), QStringLiteral("表が不正です")},
        {"derived", std::make_exception_ptr(EFileError(path + SJIS(" に書き込めません: ") + "No space", 28)),
         QStringLiteral("/データ/ソ表/メモ.txt に書き込めません: No space")},
        {"empty", std::make_exception_ptr(Exception("")), QString()},
        {"standard, UTF-8", std::make_exception_ptr(std::runtime_error("ファイル ソ")), QStringLiteral("ファイル ソ")},
        {"standard, plain", std::make_exception_ptr(std::bad_alloc()), QStringLiteral("std::bad_alloc")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Situation);
        try {
            std::rethrow_exception(c.Error);
        } catch (const std::exception& error) {
            EXPECT_EQ(ExceptionText(error), c.Text);
        }
    }
}

// A literal that goes straight into Qt shows what the source says, also characters that
// Shift_JIS has no code for; through Shift_JIS the same literal loses them.
TEST(QtLiteral, KeepsTheSourceTextWithoutATripThroughShiftJis) {
    EXPECT_EQ(QtLiteral("最小化"), QtText(SJIS("最小化")));
    EXPECT_EQ(QtLiteral("画像のためのメモリが足りません"), QtText(SJIS("画像のためのメモリが足りません")));
    EXPECT_EQ(QtLiteral("𠮷"), QString::fromUtf8("\xF0\xA0\xAE\xB7"));
    EXPECT_NE(QtText(SJIS("𠮷")), QtLiteral("𠮷"));
    EXPECT_EQ(QtLiteral(""), QString());
}
