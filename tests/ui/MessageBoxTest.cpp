#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <gtest/gtest.h>

#include <string>

#include "storage/Text.h"
#include "ui/DialogSupport.h"

namespace {

// A message box with the text the calendar would give it, shown, and its frame's size.
QSize ShownBoxSize(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("quillo"), MessageBoxText(text));
    box.show();
    QCoreApplication::processEvents();
    return box.frameGeometry().size();
}

}  // namespace

TEST(MessageBox, AnyMessageLeavesTheBoxInsideTheScreen) {
    std::string damagedFile;
    for (int i = 0; i < 20000; ++i)
        damagedFile.push_back(static_cast<char>((i * 131 + i / 7) & 0xFF));  // every byte, CR and LF among them
    const struct {
        const char* What;
        QString Text;
    } cases[] = {
        {"a damaged file's bytes", QtText(std::string("解析できません") + damagedFile)},
        {"one line of wide characters", QString(5000, QChar(0x8868))},
        {"thousands of short lines", QStringLiteral("line\n").repeated(3000)},
        {"a long path", QtText("/data/" + std::string(2000, 'a') + std::string(" に書き込めません"))},
    };
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    for (const auto& c : cases) {
        const QSize size = ShownBoxSize(c.Text);
        EXPECT_LE(size.width(), workArea.width()) << c.What;
        EXPECT_LE(size.height(), workArea.height()) << c.What;
    }
}

TEST(MessageBox, AShortMessageStaysALongLineIsBrokenIntoRowsAndMoreLinesAreCut) {
    const QString message = QtText(std::string("Memos.txt に書き込めません\r\nNo space left on device"));
    EXPECT_EQ(MessageBoxText(message).toStdString(), "Memos.txt に書き込めません\nNo space left on device");
    // A line too wide for the box is broken into rows after a "/" or a space, and keeps
    // every character.
    const QString path = QStringLiteral("/home/someone/.local/share/Vellomar/quillo/PAPERS/00 に書き込めません: "
                                        "No space left on device");
    const QStringList rows = MessageBoxText(path).split(QLatin1Char('\n'));
    ASSERT_GE(rows.size(), 2);
    EXPECT_EQ(rows.join(QString()), path);
    for (qsizetype i = 0; i + 1 < rows.size(); ++i)
        EXPECT_TRUE(rows[i].endsWith(QLatin1Char('/')) || rows[i].endsWith(QLatin1Char(' '))) << rows[i].toStdString();
    // Lines left off are marked.
    EXPECT_TRUE(MessageBoxText(QStringLiteral("line\n").repeated(3000)).endsWith(QStringLiteral("line\n…")));
}
