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
#include "storage/ShiftJis.h"
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
    setWindowTitle(QtText(SJIS("オプション設定")));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(215, 133);

    BtOK = new QPushButton("OK", this);
    BtOK->setObjectName("BtOK");
    BtOK->setGeometry(136, 108, 75, 20);
    BtOK->setDefault(true);
    DateLabel = new QLabel(QtText(SJIS("現在日付")), this);
    DateLabel->move(8, 12);
    DtPickup = new QDateEdit(this);
    DtPickup->setObjectName("DtPickup");
    LimitToCalendarDates(DtPickup);
    DtPickup->setDate(TMemoEditor::DateOfDay(currentDay));
    DtPickup->setCalendarPopup(true);
    DtPickup->setDisplayFormat("yyyy/MM/dd");
    DtPickup->setGeometry(60, 8, 150, 20);
    MaxPapersLabel = new QLabel(QtText(SJIS("最大枚数")), this);
    MaxPapersLabel->move(8, 36);
    MaxPapers = new TLimitedSpinBox(this);
    MaxPapers->setObjectName("MaxPapers");
    MaxPapers->setRange(LeastPapers, MostPapers);
    MaxPapers->setGeometry(60, 32, 49, 20);
    MaxPapers->setValue(AppGlobals().ReadInteger("CALENDAR", "MAX", 10));
    BtCancel = new QPushButton(QtText(SJIS("キャンセル")), this);
    BtCancel->setObjectName("BtCancel");
    BtCancel->setGeometry(56, 108, 75, 20);
    setTabOrder(BtOK, DtPickup);
    setTabOrder(DtPickup, MaxPapers);
    setTabOrder(MaxPapers, BtCancel);

    connect(BtOK, &QPushButton::clicked, this, [this] { BtOKClick(); });
    connect(BtCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOptionsDialog::BtOKClick() {
    // A number still being typed counts as the box would count it on leaving.
    MaxPapers->interpretText();
    const int32_t picked = TMemoEditor::DayOfDate(DtPickup->date());
    if (picked != FCurrentDay && FShowDay)
        FShowDay(picked);
    try {
        AppGlobals().WriteInteger("CALENDAR", "MAX", MaxPapers->value());
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
