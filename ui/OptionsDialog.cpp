#include "ui/OptionsDialog.h"

#include <algorithm>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

#include "storage/AppGlobals.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/Text.h"
#include "ui/DialogSupport.h"
#include "ui/Dialogs.h"
#include "ui/MemoEditor.h"

namespace {

// A spin box that keeps its number within its limits: a number typed beyond a limit is
// pulled to that limit, and text that is no number counts as the lower limit.
class TLimitedSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }

    int valueFromText(const QString& text) const override {
        bool isNumber = false;
        const long long number = text.trimmed().toLongLong(&isNumber);
        if (!isNumber)
            return minimum();
        return static_cast<int>(std::clamp<long long>(number, minimum(), maximum()));
    }

    void fixup(QString& text) const override { text = QString::number(valueFromText(text)); }
};

}  // namespace

TOptionsDialog::TOptionsDialog(int32_t currentDay, std::function<void(int32_t)> showDay, QWidget* parent)
    : QDialog(parent), FCurrentDay(currentDay), FShowDay(std::move(showDay)) {
    setWindowTitle(QtText("オプション設定"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(215, 133);

    FOkButton = new QPushButton("OK", this);
    FOkButton->setObjectName("okButton");
    FOkButton->setGeometry(136, 108, 75, 20);
    FOkButton->setDefault(true);
    FDateLabel = new QLabel(QtText("現在日付"), this);
    FDateLabel->setObjectName("dateLabel");
    FDateLabel->move(8, 12);
    FDatePicker = new QDateEdit(this);
    FDatePicker->setObjectName("datePicker");
    LimitToCalendarDates(FDatePicker);
    FDatePicker->setDate(TMemoEditor::DateOfDay(currentDay));
    FDatePicker->setCalendarPopup(true);
    FDatePicker->setDisplayFormat("yyyy/MM/dd");
    FDatePicker->setGeometry(60, 8, 150, 20);
    FMaxPapersLabel = new QLabel(QtText("最大枚数"), this);
    FMaxPapersLabel->setObjectName("maxPapersLabel");
    FMaxPapersLabel->move(8, 36);
    FMaxPapers = new TLimitedSpinBox(this);
    FMaxPapers->setObjectName("maxPapers");
    FMaxPapers->setRange(LeastPapers, MostPapers);
    FMaxPapers->setGeometry(60, 32, 49, 20);
    FMaxPapers->setValue(AppGlobals().ReadInteger("CALENDAR", "MAX", 10));
    FCancelButton = new QPushButton(QtText("キャンセル"), this);
    FCancelButton->setObjectName("cancelButton");
    FCancelButton->setGeometry(56, 108, 75, 20);
    setTabOrder(FOkButton, FDatePicker);
    setTabOrder(FDatePicker, FMaxPapers);
    setTabOrder(FMaxPapers, FCancelButton);

    connect(FOkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(FCancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TOptionsDialog::OkButtonClick() {
    // A number still being typed counts as the box would count it on leaving.
    FMaxPapers->interpretText();
    const int32_t picked = TMemoEditor::DayOfDate(FDatePicker->date());
    if (picked != FCurrentDay && FShowDay)
        FShowDay(picked);
    try {
        AppGlobals().WriteInteger("CALENDAR", "MAX", FMaxPapers->value());
    } catch (const Exception& error) {
        QMessageBox::warning(this, windowTitle(), MessageBoxText(QtText(error.Message())));
    }
    accept();
}

void OpenOptions(int32_t currentDay, const std::function<void(int32_t day)>& showDay) {
    TOptionsDialog dialog(currentDay, showDay);
    CentreOnScreen(&dialog);
    dialog.exec();
}
