#pragma once
// TOptionsDialog: the dialog for the date the calendar shows and the greatest number of
// papers on the desktop ("CALENDAR"/"MAX", 5..100). Only "OK" changes anything.

#include <QDialog>
#include <cstdint>
#include <functional>

class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;

class TOptionsDialog : public QDialog {
public:
    // currentDay: the calendar's date; showDay makes another day the calendar's date.
    TOptionsDialog(int32_t currentDay, std::function<void(int32_t day)> showDay, QWidget* parent = nullptr);

    static constexpr int LeastPapers = 5;
    static constexpr int MostPapers = 100;

private:
    void OkButtonClick();

    QLabel* FDateLabel = nullptr;
    QDateEdit* FDatePicker = nullptr;
    QLabel* FMaxPapersLabel = nullptr;
    QSpinBox* FMaxPapers = nullptr;
    QPushButton* FCancelButton = nullptr;
    QPushButton* FOkButton = nullptr;
    int32_t FCurrentDay;
    std::function<void(int32_t)> FShowDay;
};
