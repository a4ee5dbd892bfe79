#pragma once
// TMemoEditor: the memo window, a date picker over a text box. Whatever the user typed for
// a date is stored when the window leaves that date (another date picked, or the window
// closed in any way); there is no cancel. With memo sync, a day whose memo was merged with
// another machine's change says so until the window leaves it, and the journals other
// programs keep on the server for the day are shown below the memo, read-only.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

class QDate;
class QDateEdit;
class QLabel;
class QPlainTextEdit;

// Connects the memo store's changed hook to the memo-changed message of every window, so
// that a stored memo is shown at once wherever its day is on view. Done once the windows
// exist; SetMemoChangedHandler(nullptr) disconnects it.
void ConnectMemoMessages();

class TMemoEditor : public QDialog {
public:
    explicit TMemoEditor(QWidget* parent = nullptr);

    // Stores the memo of the date shown, then shows the memo of dayNumber, unchanged.
    void ShowDate(int32_t dayNumber);
    int32_t CurrentDate() const { return FCurrentDate; }
    bool Changed() const { return FChanged; }

    // Day numbers (day 0 = 1899-12-30) and the picker's dates.
    static QDate DateOfDay(int32_t dayNumber);
    static int32_t DayOfDate(const QDate& date);

    // Told the message of a failed save of "Memos.txt" (default: a message box). The
    // memo stays in memory and reaches the file with the next save that succeeds.
    static void SetErrorReporter(std::function<void(const std::string& message)> reporter);

    void done(int result) override;

private:
    void DatePickerChange();
    void MemoTextChange();
    // Stores the text box as the memo of the date shown, when it was changed.
    void StoreMemo();
    // The sync's word on the day shown: the merge note and the other programs' journals.
    void ShowSyncedFacts();
    // Leaving a day whose merge note was shown: it has been looked at.
    void LeaveSyncedDay();

    QDateEdit* FDatePicker = nullptr;
    QPlainTextEdit* FMemoText = nullptr;
    QLabel* FMergeNote = nullptr;
    QPlainTextEdit* FOtherJournals = nullptr;
    bool FNeedsLook = false;
    int32_t FCurrentDate = 0;
    bool FChanged = false;
    bool FFilling = false;
};
