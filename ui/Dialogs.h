// The dialogs the calendar's windows open: the memo editor, the options, the colour setup
// and the about box. The windows need only these four entry points.
#pragma once

#include <cstdint>
#include <functional>

class QWidget;

void OpenMemoEditor(int32_t day);  // modal memo window for that day
// Modal options dialog for the calendar showing currentDay; a day picked there goes to showDay.
void OpenOptions(int32_t currentDay, const std::function<void(int32_t day)>& showDay);
void OpenColorSetup(QWidget* owner);  // the one colour setup dialog, not modal
void ShowAboutBox(QWidget* owner);    // modal about box
