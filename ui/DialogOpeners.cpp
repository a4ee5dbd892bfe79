#include "ui/DialogOpeners.h"

#include "ui/Dialogs.h"
#include "ui/SyncModule.h"

TDialogOpeners& DialogOpeners() {
    static TDialogOpeners openers{OpenMemoEditor, OpenOptions, OpenColorSetup, ShowAboutBox,
                                  [](TMemoSync& sync, QWidget* owner) { sync.OpenDialog(owner); }};
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

void OpenSyncDialogFor(TMemoSync& sync, QWidget* owner) {
    if (DialogOpeners().SyncSetup)
        DialogOpeners().SyncSetup(sync, owner);
}
