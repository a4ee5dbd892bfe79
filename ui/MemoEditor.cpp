#include "ui/MemoEditor.h"

#include <QDateEdit>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "storage/AppGlobals.h"
#include "storage/Exception.h"
#include "storage/MemoStore.h"
#include "storage/Text.h"
#include "ui/DialogSupport.h"
#include "ui/Dialogs.h"
#include "ui/Notices.h"
#include "ui/SyncModule.h"

namespace {

std::function<void(const std::string&)> ErrorReporter;

// The height of the window when it shows a merge note or other programs' journals.
constexpr int SyncedHeight = 300;

// The text box holds lines ending in LF; a memo holds them with CR LF.
std::string MemoTextOf(const QString& boxText) {
    QString text = boxText;
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return ProgramText(text);
}

QString BoxTextOf(const std::string& memo) {
    QString text = QtText(memo);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

}  // namespace

void ConnectMemoMessages() {
    SetMemoChangedHandler([](int32_t day) { MemoChangedNotice().Notify(day); });
}

QDate TMemoEditor::DateOfDay(int32_t dayNumber) { return QDate(1899, 12, 30).addDays(dayNumber); }

int32_t TMemoEditor::DayOfDate(const QDate& date) { return static_cast<int32_t>(QDate(1899, 12, 30).daysTo(date)); }

void TMemoEditor::SetErrorReporter(std::function<void(const std::string&)> reporter) {
    ErrorReporter = std::move(reporter);
}

TMemoEditor::TMemoEditor(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QtText("メモ記入"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    FDatePicker = new QDateEdit(this);
    FDatePicker->setObjectName("datePicker");
    LimitToCalendarDates(FDatePicker);
    FDatePicker->setCalendarPopup(true);
    FDatePicker->setDisplayFormat("yyyy/MM/dd (ddd)");
    FDatePicker->setFixedHeight(20);
    // A date being typed counts once it is complete (Enter or leaving the picker), so
    // that the digits of a year do not each step through a date of their own.
    FDatePicker->setKeyboardTracking(false);
    FMemoText = new QPlainTextEdit(this);
    FMemoText->setObjectName("memoText");
    FMergeNote = new QLabel(QtText("別の端末での変更とまとめました。内容を確かめてください。"), this);
    FMergeNote->setObjectName("mergeNote");
    FMergeNote->setWordWrap(true);
    FMergeNote->setStyleSheet("color: #B00000");
    FMergeNote->hide();
    FOtherJournals = new QPlainTextEdit(this);
    FOtherJournals->setObjectName("otherJournals");
    FOtherJournals->setReadOnly(true);
    FOtherJournals->setToolTip(QtText("ほかのアプリがこの日に書いたメモ (ここでは変えられません)"));
    FOtherJournals->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(FDatePicker);
    layout->addWidget(FMergeNote);
    layout->addWidget(FMemoText, 2);
    layout->addWidget(FOtherJournals, 1);
    resize(240, 173);
    FMemoText->setFocus();  // the user opens the window to type
    connect(FDatePicker, &QDateEdit::dateChanged, this, [this] { DatePickerChange(); });
    connect(FMemoText, &QPlainTextEdit::textChanged, this, [this] { MemoTextChange(); });
}

void TMemoEditor::ShowDate(int32_t dayNumber) {
    StoreMemo();
    if (dayNumber != FCurrentDate)
        LeaveSyncedDay();
    FCurrentDate = dayNumber;
    FFilling = true;
    if (DayOfDate(FDatePicker->date()) != dayNumber)
        FDatePicker->setDate(DateOfDay(dayNumber));
    FMemoText->setPlainText(BoxTextOf(MemoStore().MemoOf(dayNumber)));
    FFilling = false;
    FChanged = false;
    ShowSyncedFacts();
}

void TMemoEditor::ShowSyncedFacts() {
    if (!HasAppGlobals())
        return;
    const std::string dataPath = AppGlobals().DataPath();
    // Only a synced data folder has these facts; the module that reads them is loaded then.
    TSyncedDay synced;
    if (SyncSetUp(dataPath)) {
        try {
            synced = SyncModule().SyncedDayOf(dataPath, FCurrentDate);
        } catch (const Exception&) {
            // A module that cannot be loaded is reported by the main window's sync.
        }
    }
    FNeedsLook = synced.NeedsLook;
    std::string others;
    for (const TForeignJournal& journal : synced.Journals) {
        if (!others.empty())
            others += "\n\n";
        others += journal.Summary.empty() || journal.Text.rfind(journal.Summary, 0) == 0
                      ? journal.Text
                      : journal.Summary + "\n" + journal.Text;
    }
    FMergeNote->setVisible(FNeedsLook);
    FOtherJournals->setPlainText(BoxTextOf(others));
    FOtherJournals->setVisible(!others.empty());
    // Room for the memo beside what the sync adds.
    if ((FNeedsLook || !others.empty()) && height() < SyncedHeight)
        resize(width(), SyncedHeight);
}

void TMemoEditor::LeaveSyncedDay() {
    if (!FNeedsLook)
        return;
    FNeedsLook = false;
    try {
        SyncModule().MarkDayLooked(AppGlobals().DataPath(), FCurrentDate);
    } catch (const Exception& error) {
        if (ErrorReporter)
            ErrorReporter(error.Message());
    }
}

void TMemoEditor::DatePickerChange() {
    if (FFilling)
        return;
    StoreMemo();
    const int32_t picked = DayOfDate(FDatePicker->date());
    if (picked != FCurrentDate)
        ShowDate(picked);
}

void TMemoEditor::MemoTextChange() {
    if (!FFilling)
        FChanged = true;
}

void TMemoEditor::StoreMemo() {
    if (!FChanged)
        return;
    FChanged = false;
    try {
        // The store puts the memo into the list, announces it through its changed hook
        // (the windows' memo-changed message), then saves.
        MemoStore().StoreMemo(FCurrentDate, MemoTextOf(FMemoText->toPlainText()));
    } catch (const Exception& error) {
        // The memo is in the list; a later save writes it. Reporting here keeps a failed
        // write from trapping the user in the modal window.
        if (ErrorReporter)
            ErrorReporter(error.Message());
        else
            QMessageBox::warning(this, windowTitle(), MessageBoxText(QtText(error.Message())));
    }
}

void TMemoEditor::done(int result) {
    StoreMemo();
    LeaveSyncedDay();
    QDialog::done(result);
}

void OpenMemoEditor(int32_t day) {
    TMemoEditor window;
    window.ShowDate(day);
    CentreOnScreen(&window);
    window.exec();
}
