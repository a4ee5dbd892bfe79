#include "ui/SyncDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <iterator>

#include "graphics/QtText.h"
#include "storage/Exception.h"
#include "sync/MemoSync.h"
#include "ui/DialogSupport.h"
#include "ui/SyncScheduler.h"

namespace {

constexpr char NewCollectionName[] = "日めくり暦のメモ";
constexpr char KeyringNote[] = "パスワードはデスクトップのキーリングに保存されます。"
                               "Nextcloud で二段階認証を使っているときは、アプリパスワードを入れてください。";
constexpr char NoKeyringNote[] = "このデスクトップにはキーリングがないため、パスワードは保存されず、"
                                 "起動のたびに尋ねます。";

}  // namespace

TSyncDialog::TSyncDialog(std::string dataPath, TSyncScheduler& scheduler, QWidget* parent)
    : QDialog(parent), FDataPath(std::move(dataPath)), FScheduler(scheduler), FSettings(LoadSyncSettings(FDataPath)) {
    setWindowTitle(QtText("同期"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    FSetup = new TSyncSetup(this);

    FServer = new QLineEdit(QtText(FSettings.ServerUrl), this);
    FServer->setObjectName("serverUrl");
    FServer->setPlaceholderText("https://example.com/remote.php/dav");
    FUser = new QLineEdit(QtText(FSettings.UserName), this);
    FUser->setObjectName("userName");
    FPassword = new QLineEdit(this);
    FPassword->setObjectName("password");
    FPassword->setEchoMode(QLineEdit::Password);
    FKeyringNote = new QLabel(QtText(KeyringNote), this);
    FKeyringNote->setWordWrap(true);
    FCollection = new QComboBox(this);
    FCollection->setObjectName("collection");
    FCollection->setMinimumContentsLength(24);
    if (!FSettings.CollectionUrl.empty())
        FCollection->addItem(QtText(FSettings.CollectionUrl), QtText(FSettings.CollectionUrl));
    FCheckButton = new QPushButton(QtText("サーバーを確認"), this);
    FCheckButton->setObjectName("checkButton");
    FCreateButton = new QPushButton(QtText("新しく作る"), this);
    FCreateButton->setObjectName("createButton");
    FCreateButton->setEnabled(false);
    FEnabled = new QCheckBox(QtText("メモを同期する"), this);
    FEnabled->setObjectName("enabled");
    FEnabled->setChecked(FSettings.Enabled);
    FSyncNowButton = new QPushButton(QtText("今すぐ同期"), this);
    FSyncNowButton->setObjectName("syncNowButton");
    FState = new QLabel(this);
    FState->setObjectName("state");
    FState->setWordWrap(true);
    FState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FProgress = new QLabel(this);
    FProgress->setObjectName("progress");
    FOkButton = new QPushButton("OK", this);
    FOkButton->setObjectName("okButton");
    FOkButton->setDefault(true);
    FCancelButton = new QPushButton(QtText("キャンセル"), this);
    FCancelButton->setObjectName("cancelButton");

    auto* collectionRow = new QHBoxLayout;
    collectionRow->addWidget(FCollection, 1);
    collectionRow->addWidget(FCreateButton);
    auto* form = new QFormLayout;
    form->addRow(QtText("サーバー"), FServer);
    form->addRow(QtText("ユーザー名"), FUser);
    form->addRow(QtText("パスワード"), FPassword);
    form->addRow(QString(), FKeyringNote);
    form->addRow(QString(), FCheckButton);
    form->addRow(QtText("メモの置き場所"), collectionRow);
    auto* syncRow = new QHBoxLayout;
    syncRow->addWidget(FEnabled, 1);
    syncRow->addWidget(FSyncNowButton);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(FProgress, 1);
    buttons->addWidget(FCancelButton);
    buttons->addWidget(FOkButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(syncRow);
    layout->addWidget(FState);
    layout->addLayout(buttons);
    resize(430, sizeHint().height());

    // The keyboard goes through the fields as they stand, top to bottom.
    QWidget* order[] = {FServer,       FUser,    FPassword,      FCheckButton,  FCollection,
                        FCreateButton, FEnabled, FSyncNowButton, FCancelButton, FOkButton};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    FServer->setFocus();

    connect(FCheckButton, &QPushButton::clicked, this, [this] { CheckServer(); });
    connect(FCreateButton, &QPushButton::clicked, this, [this] { CreateCollection(); });
    connect(FSyncNowButton, &QPushButton::clicked, this, [this] { SyncNowClick(); });
    connect(FOkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(FCancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(FSetup, &TSyncSetup::ServerChecked, this, [this](const TSyncDiscovery& result) { ServerChecked(result); });
    connect(FSetup, &TSyncSetup::CollectionCreated, this,
            [this](const TSyncDiscovery& result) { CollectionCreated(result); });
    // The state follows a pass that runs while the dialog is open.
    auto* stateTimer = new QTimer(this);
    connect(stateTimer, &QTimer::timeout, this, [this] { ShowState(); });
    stateTimer->start(1000);
    ShowState();

    if (FSettings.Configured()) {
        QPointer<TSyncDialog> self(this);
        FScheduler.Credentials().ReadPassword(CredentialAccount(FSettings), [self](const TCredentialResult& result) {
            if (!self)
                return;
            if (result.NoKeyring)
                self->FKeyringNote->setText(QtText(NoKeyringNote));
            if (result.Ok && self->FPassword->text().isEmpty()) {
                self->FPassword->setText(QtText(result.Password));
                self->FPasswordFromKeyring = true;
            }
        });
    }
}

TSyncSettings TSyncDialog::Settings() const {
    TSyncSettings settings = FSettings;
    settings.ServerUrl = ProgramText(FServer->text().trimmed());
    settings.UserName = ProgramText(FUser->text().trimmed());
    settings.CollectionUrl = ProgramText(FCollection->currentData().toString());
    settings.Enabled = FEnabled->isChecked();
    return settings;
}

void TSyncDialog::ShowState() {
    const TSyncStatus status = ReadSyncStatus(FDataPath, ProcessMemoAccess().Read());
    std::string text = "最後の同期: " + (status.LastSync.empty() ? std::string("まだありません") : status.LastSync);
    text += "\n未送信: " + std::to_string(status.Pending) + " 件";
    if (!status.DaysNeedingLook.empty())
        text += "\n確認が必要な日: " + std::to_string(status.DaysNeedingLook.size()) + " 日";
    if (!status.LastError.empty())
        text += "\n最後のエラー: " + status.LastError;
    FState->setText(QtText(text));
    if (FScheduler.Running())
        FProgress->setText(QtText("同期しています…"));
    else if (FProgress->text() == QtText("同期しています…"))
        FProgress->clear();
}

void TSyncDialog::SetBusy(bool busy) {
    for (QWidget* control : {static_cast<QWidget*>(FCheckButton), static_cast<QWidget*>(FServer),
                             static_cast<QWidget*>(FUser), static_cast<QWidget*>(FPassword)})
        control->setEnabled(!busy);
    FCreateButton->setEnabled(!busy && !FHomeUrl.empty());
    FProgress->setText(busy ? QtText("サーバーに問い合わせています…") : QString());
}

void TSyncDialog::CheckServer() {
    const TSyncSettings settings = Settings();
    if (settings.ServerUrl.empty() || settings.UserName.empty()) {
        FProgress->setText(QtText("サーバーとユーザー名を入れてください"));
        return;
    }
    if (FSetup->CheckServer(settings, ProgramText(FPassword->text())))
        SetBusy(true);
}

bool TSyncDialog::OfferToTrust(const std::string& fingerprint) {
    const QString question =
        QtText("このサーバーの証明書は、このコンピューターが信頼する発行元のものではありません。\n\n"
               "SHA-256 指紋:\n" +
               fingerprint +
               "\n\nサーバーの管理者に確かめた指紋と同じときだけ、信頼してください。"
               "この証明書を信頼しますか?");
    if (QMessageBox::warning(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
        QMessageBox::Yes)
        return false;
    FSettings.PinnedFingerprint = fingerprint;
    return true;
}

void TSyncDialog::ServerChecked(const TSyncDiscovery& result) {
    SetBusy(false);
    if (!result.UntrustedFingerprint.empty()) {
        if (OfferToTrust(result.UntrustedFingerprint))
            CheckServer();
        else
            FProgress->setText(QtText("証明書を信頼しなかったため、接続しませんでした"));
        return;
    }
    if (!result.Ok) {
        FProgress->setText(
            QtText(result.PasswordRefused ? std::string("ユーザー名かパスワードが違います") : result.Error));
        return;
    }
    FHomeUrl = result.HomeUrl;
    const QString chosen = FCollection->currentData().toString();
    FCollection->clear();
    for (const TSyncCollection& collection : result.Collections)
        if (collection.AcceptsJournals)
            FCollection->addItem(QtText(collection.DisplayName.empty() ? collection.Url : collection.DisplayName),
                                 QtText(collection.Url));
    if (!result.CollectionUrl.empty() && FCollection->findData(QtText(result.CollectionUrl)) < 0)
        FCollection->addItem(QtText(result.CollectionUrl), QtText(result.CollectionUrl));
    const QString wanted = !result.CollectionUrl.empty() ? QtText(result.CollectionUrl) : chosen;
    if (int index = FCollection->findData(wanted); index >= 0)
        FCollection->setCurrentIndex(index);
    FCreateButton->setEnabled(!FHomeUrl.empty());
    // The next thing to do is choosing where the memos live.
    FCollection->setFocus();
    FProgress->setText(QtText(FCollection->count() > 0 ? "メモの置き場所を選んでください"
                                                       : "メモを置けるカレンダーがありません。新しく作ってください"));
}

void TSyncDialog::CreateCollection() {
    if (FHomeUrl.empty())
        return;
    if (FSetup->CreateCollection(Settings(), ProgramText(FPassword->text()), FHomeUrl, NewCollectionName))
        SetBusy(true);
}

void TSyncDialog::CollectionCreated(const TSyncDiscovery& result) {
    SetBusy(false);
    if (!result.Ok) {
        FProgress->setText(QtText(result.Error));
        return;
    }
    FCollection->addItem(QtText(NewCollectionName), QtText(result.CollectionUrl));
    FCollection->setCurrentIndex(FCollection->count() - 1);
    FProgress->setText(QtText("「" + std::string(NewCollectionName) + "」を作りました"));
}

bool TSyncDialog::KeepSettings(const TSyncSettings& settings, bool mustBeComplete) {
    if (mustBeComplete && !settings.Configured()) {
        FProgress->setText(QtText("サーバーを確認して、メモの置き場所を選んでください"));
        return false;
    }
    try {
        SaveSyncSettings(FDataPath, settings);
        return true;
    } catch (const Exception& error) {
        QMessageBox::warning(this, windowTitle(), MessageBoxText(QtText(error.Message())));
        return false;
    }
}

void TSyncDialog::OkButtonClick() {
    const TSyncSettings settings = Settings();
    if (!KeepSettings(settings, settings.Enabled))
        return;
    const std::string password = ProgramText(FPassword->text());
    if (!password.empty()) {
        FScheduler.SetPassword(password);
        if (!FPasswordFromKeyring || FPassword->isModified())
            FScheduler.Credentials().WritePassword(CredentialAccount(settings), password,
                                                   [](const TCredentialResult&) {});
    }
    FScheduler.SettingsChanged();
    accept();
}

void TSyncDialog::SyncNowClick() {
    const TSyncSettings settings = Settings();
    if (!KeepSettings(settings, true))
        return;
    if (!FPassword->text().isEmpty())
        FScheduler.SetPassword(ProgramText(FPassword->text()));
    if (settings.Enabled)
        FScheduler.SettingsChanged();  // on again: the timers start and a pass runs
    else
        FScheduler.SyncNow();
    ShowState();
}

void OpenSyncDialog(TSyncScheduler& scheduler, QWidget* owner) {
    TSyncDialog dialog(scheduler.DataPath(), scheduler, owner);
    CentreOnScreen(&dialog);
    dialog.exec();
}
