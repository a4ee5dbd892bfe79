#pragma once
// TSyncDialog ("同期…"): where the user sets memo sync with their CalDAV server — the
// server's address, the user name and password, the collection the memos live in (one of
// the server's that takes memos, or a new "日めくり暦のメモ"), sync on or off — and sees how
// it goes (the last sync, the changes waiting, the last error). "OK" keeps the settings in
// the data folder's settings file and the password in the desktop's keyring.

#include <QDialog>

#include <string>

#include "sync/Discovery.h"
#include "sync/SyncSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TSyncScheduler;
class TSyncSetup;

class TSyncDialog : public QDialog {
public:
    TSyncDialog(std::string dataPath, TSyncScheduler& scheduler, QWidget* parent = nullptr);

    // What the fields hold, as they would be kept.
    TSyncSettings Settings() const;
    // The state line: last sync, pending changes, the last error.
    void ShowState();

private:
    void CheckServer();
    void ServerChecked(const TSyncDiscovery& result);
    void CreateCollection();
    void CollectionCreated(const TSyncDiscovery& result);
    // A refused certificate: the user may trust it; true when it is pinned now.
    bool OfferToTrust(const std::string& fingerprint);
    // Writes settings to the data folder's settings file; false, with the reason shown, when
    // they are not complete though they must be, or cannot be written.
    bool KeepSettings(const TSyncSettings& settings, bool mustBeComplete);
    void OkButtonClick();
    void SyncNowClick();
    void SetBusy(bool busy);

    std::string FDataPath;
    TSyncScheduler& FScheduler;
    TSyncSettings FSettings;
    std::string FHomeUrl;
    TSyncSetup* FSetup = nullptr;
    QLineEdit* FServer = nullptr;
    QLineEdit* FUser = nullptr;
    QLineEdit* FPassword = nullptr;
    QLabel* FKeyringNote = nullptr;
    QComboBox* FCollection = nullptr;
    QPushButton* FCheckButton = nullptr;
    QPushButton* FCreateButton = nullptr;
    QCheckBox* FEnabled = nullptr;
    QPushButton* FSyncNowButton = nullptr;
    QLabel* FState = nullptr;
    QLabel* FProgress = nullptr;
    QPushButton* FOkButton = nullptr;
    QPushButton* FCancelButton = nullptr;
    bool FPasswordFromKeyring = false;
};

// Opens the dialog, modal, for the running calendar's sync.
void OpenSyncDialog(TSyncScheduler& scheduler, QWidget* owner);
