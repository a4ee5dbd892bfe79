// The dialogs the calendar's windows open: the memo editor, the options, the colour setup
// and the about box. The windows need only these four entry points.
#pragma once

#include <cstdint>

class QWidget;

void OpenMemoEditor(int32_t day);     // modal memo window for that day
void OpenOptions();                   // modal options dialog
void OpenColorSetup(QWidget* owner);  // the one colour setup dialog, not modal
void ShowAboutBox(QWidget* owner);    // modal about box
