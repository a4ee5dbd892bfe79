#include "ui/DialogOpeners.h"

#include "ui/Dialogs.h"
#include "ui/SyncDialog.h"

TDialogOpeners& DialogOpeners() {
    static TDialogOpeners openers{OpenMemoEditor, OpenOptions, OpenColorSetup, ShowAboutBox, OpenSyncDialog};
    return openers;
}

void OpenMemoEditorFor(int32_t day) {
    if (DialogOpeners().MemoEditor)
        DialogOpeners().MemoEditor(day);
}

void OpenOptionsDialog(int32_t currentDay, const std::function<void(int32_t day)>& showDay) {
    if (DialogOpeners().Options)
        DialogOpeners().Options(currentDay, showDay);
}

void OpenColorSetupFor(QWidget* owner) {
    if (DialogOpeners().ColorSetup)
        DialogOpeners().ColorSetup(owner);
}

void OpenAboutBoxFor(QWidget* owner) {
    if (DialogOpeners().AboutBox)
        DialogOpeners().AboutBox(owner);
}

void OpenSyncDialogFor(TSyncScheduler& scheduler, QWidget* owner) {
    if (DialogOpeners().SyncSetup)
        DialogOpeners().SyncSetup(scheduler, owner);
}
