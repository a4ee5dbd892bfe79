#include <gtest/gtest.h>

#include <QString>

#include <new>
#include <stdexcept>
#include <string>

#include "graphics/QtText.h"
#include "storage/Exception.h"
#include "storage/Text.h"

// Every message reaches Qt the same way, whoever raised it: the program's own exceptions
// and the standard library's carry UTF-8 text.
TEST(ExceptionText, OwnAndStandardMessagesAreShownAsTheySay) {
    const std::string path = std::string("/データ/ソ表/メモ.txt");
    const struct {
        const char* Situation;
        std::exception_ptr Error;
        QString Text;
    } cases[] = {
        {"own", std::make_exception_ptr(Exception(std::string("表が不正です"))), QStringLiteral("表が不正です")},
        {"derived", std::make_exception_ptr(EFileError(path + std::string(" に書き込めません: ") + "No space", 28)),
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

// Every character crosses into Qt and back unchanged, also those code page 932 lacks.
TEST(QtText, CrossesIntoQtAndBackUnchanged) {
    for (const std::string text : {"最小化", "🎂 母の誕生日", "café 𠮷野家 한국어 〜", ""}) {
        EXPECT_EQ(ProgramText(QtText(text)), text);
        EXPECT_EQ(QtText(text), QString::fromUtf8(text.c_str()));
    }
}
