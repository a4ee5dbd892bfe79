#pragma once
// The dialogs the main window's and the papers' menus open, reached through one table so
// that tests can put recorders in their place (the dialogs run modal).

#include <cstdint>
#include <functional>

class QWidget;
class TMemoSync;

struct TDialogOpeners {
    std::function<void(int32_t day)> MemoEditor;
    std::function<void(int32_t currentDay, const std::function<void(int32_t day)>& showDay)> Options;
    std::function<void(QWidget* owner)> ColorSetup;
    std::function<void(QWidget* owner)> AboutBox;
    std::function<void(TMemoSync& sync, QWidget* owner)> SyncSetup;
};
// The table in use; it starts with the real dialogs of ui/Dialogs.h.
TDialogOpeners& DialogOpeners();
// Each opens its dialog through the table; an empty entry opens nothing.
void OpenMemoEditorFor(int32_t day);
void OpenOptionsDialog(int32_t currentDay, const std::function<void(int32_t day)>& showDay);
void OpenColorSetupFor(QWidget* owner);
void OpenAboutBoxFor(QWidget* owner);
void OpenSyncDialogFor(TMemoSync& sync, QWidget* owner);
