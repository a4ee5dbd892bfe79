#include "ui/MemoSyncWindow.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "graphics/QtText.h"
#include "sync/CredentialStore.h"
#include "sync/MemoSync.h"
#include "sync/SyncSettings.h"
#include "ui/SyncDialog.h"
#include "ui/SyncScheduler.h"

namespace {

// The scheduler of the running calendar and the questions its passes put to the user.
class TMemoSyncWindow final : public TMemoSync {
public:
    explicit TMemoSyncWindow(const std::string& dataPath)
        : FScheduler(dataPath, std::make_unique<TKeychainCredentialStore>()) {
        // Asked from the event loop, never from inside the report of a pass.
        FScheduler.OnPasswordWanted = [this] { QTimer::singleShot(0, &FScheduler, [this] { AskPassword(); }); };
        FScheduler.OnSafetyStop = [this](const TSyncReport&) {
            QTimer::singleShot(0, &FScheduler, [this] { AskAfterSafetyStop(); });
        };
        FScheduler.Start();
    }

    std::string MenuCaption() const override { return FScheduler.MenuCaption(); }
    void OpenDialog(QWidget* owner) override { OpenSyncDialog(FScheduler, owner); }

private:
    // The sync wants a password no keyring gave, or the server refused the one it had.
    void AskPassword() {
        const TSyncSettings settings = LoadSyncSettings(FScheduler.DataPath());
        bool given = false;
        const QString password = QInputDialog::getText(nullptr, QtText("同期"),
                                                       QtText("メモの同期に使うパスワードを入れてください (" +
                                                              settings.UserName + ", " + settings.ServerUrl + ")"),
                                                       QLineEdit::Password, QString(), &given);
        if (!given || password.isEmpty())
            return;
        FScheduler.SetPassword(ProgramText(password));
        FScheduler.Credentials().WritePassword(CredentialAccount(settings), ProgramText(password),
                                               [](const TCredentialResult&) {});
        FScheduler.SyncNow();
    }

    // The server lists none of the memos synced before: the user decides.
    void AskAfterSafetyStop() {
        QMessageBox box(QMessageBox::Warning, QtText("同期"),
                        QtText("サーバーのカレンダーから、これまで同期したメモがすべて消えています。"
                               "この端末のメモはまだ消していません。どうしますか?"));
        QPushButton* deleteHere = box.addButton(QtText("この端末のメモも消す"), QMessageBox::DestructiveRole);
        QPushButton* uploadAgain = box.addButton(QtText("この端末のメモを送り直す"), QMessageBox::AcceptRole);
        box.addButton(QtText("あとで決める"), QMessageBox::RejectRole);
        box.exec();
        if (box.clickedButton() == deleteHere)
            FScheduler.SyncNow(TMassDeletionChoice::DeleteLocally);
        else if (box.clickedButton() == uploadAgain)
            FScheduler.SyncNow(TMassDeletionChoice::UploadAgain);
    }

    TSyncScheduler FScheduler;
};

class TLinkedSyncModule final : public TSyncModule {
public:
    std::unique_ptr<TMemoSync> StartMemoSync(const std::string& dataPath) override {
        return std::make_unique<TMemoSyncWindow>(dataPath);
    }
    TSyncedDay SyncedDayOf(const std::string& dataPath, int32_t dayNumber) override {
        return ::SyncedDayOf(dataPath, dayNumber);
    }
    void MarkDayLooked(const std::string& dataPath, int32_t dayNumber) override {
        ::MarkDayLooked(dataPath, dayNumber);
    }
};

}  // namespace

TSyncModule& LinkedSyncModule() {
    static TLinkedSyncModule module;
    return module;
}
