#include <QApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include "DialogTestEnvironment.h"
#include "storage/DateUtils.h"
#include "storage/Text.h"
#include "support/FileBytes.h"
#include "ui/DialogSupport.h"
#include "ui/MemoEditor.h"
#include "ui/OptionsDialog.h"

namespace {

const int32_t Day20261207 = DayNumberOf(2026, 12, 7);
const int32_t Day20261208 = DayNumberOf(2026, 12, 8);

class MemoWindow : public ::testing::Test {
protected:
    void TearDown() override { TMemoEditor::SetErrorReporter(nullptr); }

    // Key presses that carry the characters, as a keyboard or an input method sends them.
    void Type(TMemoEditor& window, const QString& text) {
        window.show();
        Child<QPlainTextEdit>(window, "memoText")->setFocus();
        for (QChar character : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
            QApplication::sendEvent(Child<QPlainTextEdit>(window, "memoText"), &press);
        }
    }

    TDialogTestEnvironment Environment;
};

TEST_F(MemoWindow, DayNumbersAndPickerDatesAgree) {
    EXPECT_EQ(TMemoEditor::DateOfDay(0), QDate(1899, 12, 30));
    EXPECT_EQ(TMemoEditor::DateOfDay(Day20261207), QDate(2026, 12, 7));
    EXPECT_EQ(TMemoEditor::DayOfDate(QDate(2026, 12, 7)), Day20261207);
    EXPECT_EQ(TMemoEditor::DayOfDate(QDate(1850, 1, 1)), DayNumberOf(1850, 1, 1));
}

TEST_F(MemoWindow, OpeningAndClosingWithoutTypingWritesNothing) {
    TMemoEditor window;
    window.ShowDate(Day20261207);
    EXPECT_EQ(Child<QDateEdit>(window, "datePicker")->date(), QDate(2026, 12, 7));
    EXPECT_FALSE(window.Changed());
    window.close();
    EXPECT_FALSE(Environment.Exists("Memos.txt"));
    EXPECT_EQ(static_cast<int>(Environment.Probe.MemoDays.size()), 0);
}

// Every way of leaving a date stores what was typed, announces the day, then saves.
TEST_F(MemoWindow, EveryWayOfClosingStoresTheMemo) {
    const struct {
        const char* Way;
        void (*Close)(TMemoEditor&);
    } ways[] = {
        {"close box", [](TMemoEditor& w) { w.close(); }},
        {"Escape", [](TMemoEditor& w) { QTest::keyClick(Child<QPlainTextEdit>(w, "memoText"), Qt::Key_Escape); }},
        {"accept", [](TMemoEditor& w) { w.accept(); }},
    };
    for (const auto& way : ways) {
        TDialogTestEnvironment environment;
        TMemoEditor window;
        window.ShowDate(Day20261207);
        window.show();
        Type(window, QString::fromUtf8("表ソ"));
        EXPECT_TRUE(window.Changed()) << way.Way;
        way.Close(window);
        EXPECT_FALSE(window.isVisible()) << way.Way;
        EXPECT_EQ(environment.FileText("Memos.txt"), "20261207" + Cp932("表ソ") + "\r\n") << way.Way;
        ASSERT_EQ(static_cast<int>(environment.Probe.MemoDays.size()), 1) << way.Way;
        EXPECT_EQ(environment.Probe.MemoDays.back(), Day20261207) << way.Way;
    }
}

TEST_F(MemoWindow, LinesAndBackslashesReachTheFileEscapedAndComeBack) {
    {
        TMemoEditor window;
        window.ShowDate(Day20261207);
        Type(window, "first");
        QTest::keyClick(Child<QPlainTextEdit>(window, "memoText"), Qt::Key_Return);
        Type(window, "a\\b");
        window.close();
    }
    EXPECT_EQ(Environment.FileText("Memos.txt"), "20261207first\\na\\\\b\r\n");
    EXPECT_EQ(MemoStore().MemoOf(Day20261207), "first\r\na\\b");
    MemoStore().Load();
    TMemoEditor again;
    again.ShowDate(Day20261207);
    EXPECT_EQ(Child<QPlainTextEdit>(again, "memoText")->toPlainText(), "first\na\\b");
    EXPECT_FALSE(again.Changed());
}

TEST_F(MemoWindow, PickingAnotherDateStoresThePreviousOneFirst) {
    Environment.WriteFile("Memos.txt", "20261208tomorrow\r\n");
    MemoStore().Load();
    TMemoEditor window;
    window.ShowDate(Day20261207);
    Type(window, "today");
    Child<QDateEdit>(window, "datePicker")->setDate(QDate(2026, 12, 8));
    EXPECT_EQ(window.CurrentDate(), Day20261208);
    EXPECT_EQ(Child<QPlainTextEdit>(window, "memoText")->toPlainText(), "tomorrow");
    EXPECT_FALSE(window.Changed());
    EXPECT_EQ(Environment.FileText("Memos.txt"), "20261208tomorrow\r\n20261207today\r\n");
    ASSERT_EQ(static_cast<int>(Environment.Probe.MemoDays.size()), 1);
    EXPECT_EQ(Environment.Probe.MemoDays.back(), Day20261207);
    window.close();  // unchanged: nothing more
    EXPECT_EQ(static_cast<int>(Environment.Probe.MemoDays.size()), 1);
}

TEST_F(MemoWindow, AnEmptiedMemoStaysAsTheDateAlone) {
    Environment.WriteFile("Memos.txt", "20261207old\r\n");
    MemoStore().Load();
    TMemoEditor window;
    window.ShowDate(Day20261207);
    window.show();
    Child<QPlainTextEdit>(window, "memoText")->selectAll();
    QTest::keyClick(Child<QPlainTextEdit>(window, "memoText"), Qt::Key_Delete);
    window.close();
    EXPECT_EQ(Environment.FileText("Memos.txt"), "20261207\r\n");
}

TEST_F(MemoWindow, OfTwoMemosOfOneDateTheFirstIsEditedAndBothAreKept) {
    Environment.WriteFile("Memos.txt", "20261207one\r\n20261207two\r\n");
    MemoStore().Load();
    TMemoEditor window;
    window.ShowDate(Day20261207);
    EXPECT_EQ(Child<QPlainTextEdit>(window, "memoText")->toPlainText(), "one");
    Child<QPlainTextEdit>(window, "memoText")->moveCursor(QTextCursor::End);
    Type(window, "!");
    window.close();
    EXPECT_EQ(Environment.FileText("Memos.txt"), "20261207one!\r\n20261207two\r\n");
}

TEST_F(MemoWindow, AFailedSaveIsReportedAndTheMemoStaysInMemory) {
    std::filesystem::create_directories(Environment.DataPath() + "Memos.txt");  // a folder: cannot be replaced
    std::vector<std::string> reported;
    TMemoEditor::SetErrorReporter([&](const std::string& message) { reported.push_back(message); });
    TMemoEditor window;
    window.ShowDate(Day20261207);
    window.show();
    Type(window, "kept");
    window.close();
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find(std::string("に書き込めません")), std::string::npos);
    EXPECT_EQ(MemoStore().MemoOf(Day20261207), "kept");
    EXPECT_EQ(static_cast<int>(Environment.Probe.MemoDays.size()), 1);
}

// The window stores through the memo store, and announces only through the store's hook.
TEST_F(MemoWindow, StoringGoesThroughTheStoreAndItsChangedHook) {
    std::vector<std::pair<int32_t, std::string>> told;  // the day, and the file when it was told
    SetMemoChangedHandler([&](int32_t day) { told.push_back({day, Environment.FileText("Memos.txt")}); });
    TMemoEditor window;
    window.ShowDate(Day20261207);
    Type(window, "hooked");
    window.close();
    ConnectMemoMessages();
    // Announced before the save, as the store does it; no message went round the hook.
    EXPECT_EQ(told, (std::vector<std::pair<int32_t, std::string>>{{Day20261207, ""}}));
    EXPECT_EQ(Environment.FileText("Memos.txt"), "20261207hooked\r\n");
    EXPECT_EQ(static_cast<int>(Environment.Probe.MemoDays.size()), 0);
}

class OptionsDialog : public ::testing::Test {
protected:
    std::unique_ptr<TOptionsDialog> Open(int32_t currentDay) {
        auto dialog = std::make_unique<TOptionsDialog>(currentDay, [this](int32_t day) { Shown.push_back(day); });
        dialog->show();
        return dialog;
    }
    int StoredMax() { return AppGlobals().ReadInteger("CALENDAR", "MAX", -1); }

    TDialogTestEnvironment Environment;
    std::vector<int32_t> Shown;
};

TEST_F(OptionsDialog, ShowsTheCalendarDateAndTheStoredMaximumWithinItsLimits) {
    const struct {
        int Stored;  // 0: no entry
        int Shown;
    } cases[] = {{0, 10}, {200, 100}, {2, 5}, {37, 37}};
    for (const auto& c : cases) {
        TDialogTestEnvironment environment;
        if (c.Stored)
            AppGlobals().WriteInteger("CALENDAR", "MAX", c.Stored);
        auto dialog = Open(Day20261207);
        EXPECT_EQ(Child<QSpinBox>(*dialog, "maxPapers")->value(), c.Shown) << c.Stored;
        EXPECT_EQ(Child<QDateEdit>(*dialog, "datePicker")->date(), QDate(2026, 12, 7));
        EXPECT_EQ(dialog->windowTitle(), QtText(std::string("オプション設定")));
    }
}

TEST_F(OptionsDialog, OkStoresTheTypedMaximumPulledIntoItsLimits) {
    const struct {
        const char* Typed;
        int Stored;
    } cases[] = {{"7", 7}, {"300", 100}, {"3", 5}, {"abc", 5}, {"", 5}, {"100", 100}};
    for (const auto& c : cases) {
        TDialogTestEnvironment environment;
        auto dialog = Open(Day20261207);
        QLineEdit* text = Child<QSpinBox>(*dialog, "maxPapers")->findChild<QLineEdit*>();
        text->selectAll();
        QTest::keyClick(text, Qt::Key_Delete);
        QTest::keyClicks(text, c.Typed);
        QTest::mouseClick(Child<QPushButton>(*dialog, "okButton"), Qt::LeftButton);
        EXPECT_EQ(AppGlobals().ReadInteger("CALENDAR", "MAX", -1), c.Stored) << c.Typed;
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
    }
}

TEST_F(OptionsDialog, OkShowsAnotherDateAndLeavesAnUnchangedOneAlone) {
    auto unchanged = Open(Day20261207);
    QTest::mouseClick(Child<QPushButton>(*unchanged, "okButton"), Qt::LeftButton);
    EXPECT_TRUE(Shown.empty());
    EXPECT_EQ(StoredMax(), 10);

    auto changed = Open(Day20261207);
    Child<QDateEdit>(*changed, "datePicker")->setDate(QDate(2027, 1, 1));
    QTest::mouseClick(Child<QPushButton>(*changed, "okButton"), Qt::LeftButton);
    EXPECT_EQ(Shown, std::vector<int32_t>{DayNumberOf(2027, 1, 1)});
}

// Qt's own lower limit (1752-09-14) would raise an earlier day when OK is pressed.
TEST_F(OptionsDialog, TheDateFieldHoldsEveryDayOfTheCalendarUnchanged) {
    for (const QDate date : {QDate(1, 1, 1), QDate(1600, 3, 1), QDate(1752, 9, 13), QDate(9999, 12, 31)}) {
        auto dialog = Open(TMemoEditor::DayOfDate(date));
        EXPECT_EQ(Child<QDateEdit>(*dialog, "datePicker")->date(), date);
        QTest::mouseClick(Child<QPushButton>(*dialog, "okButton"), Qt::LeftButton);
    }
    EXPECT_TRUE(Shown.empty());  // nothing moved, so no other day was shown
    auto dialog = Open(Day20261207);
    EXPECT_EQ(Child<QDateEdit>(*dialog, "datePicker")->minimumDate(), QDate(MinDateYear, 1, 1));
    EXPECT_EQ(Child<QDateEdit>(*dialog, "datePicker")->maximumDate(), QDate(MaxDateYear, 12, 31));
}

TEST_F(OptionsDialog, CancelAndTheCloseBoxChangeNothing) {
    for (bool closeBox : {false, true}) {
        auto dialog = Open(Day20261207);
        Child<QDateEdit>(*dialog, "datePicker")->setDate(QDate(2027, 1, 1));
        Child<QSpinBox>(*dialog, "maxPapers")->setValue(50);
        if (closeBox)
            dialog->close();
        else
            QTest::mouseClick(Child<QPushButton>(*dialog, "cancelButton"), Qt::LeftButton);
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
    }
    EXPECT_TRUE(Shown.empty());
    EXPECT_EQ(StoredMax(), -1);
}

}  // namespace
