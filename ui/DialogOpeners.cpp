#include "ui/DialogOpeners.h"

#include "ui/Dialogs.h"

TDialogOpeners& DialogOpeners() {
    static TDialogOpeners openers{OpenMemoEditor, OpenOptions, OpenColorSetup, ShowAboutBox};
    return openers;
}

void OpenMemoEditorFor(int32_t day) {
    if (DialogOpeners().MemoEditor)
        DialogOpeners().MemoEditor(day);
}

void OpenOptionsDialog() {
    if (DialogOpeners().Options)
        DialogOpeners().Options();
}

void OpenColorSetupFor(QWidget* owner) {
    if (DialogOpeners().ColorSetup)
        DialogOpeners().ColorSetup(owner);
}

void OpenAboutBoxFor(QWidget* owner) {
    if (DialogOpeners().AboutBox)
        DialogOpeners().AboutBox(owner);
}
