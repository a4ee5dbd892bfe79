#pragma once
// Where the sync password lives: the desktop's keyring (Secret Service or KWallet through
// QtKeychain), never a file. An in-memory store stands in for it in tests. Calls return at
// once and report on the caller's thread through the callback, so that a window never
// waits on a keyring that asks the user to unlock it.

#include <functional>
#include <map>
#include <string>

#include "sync/SyncSettings.h"

struct TCredentialResult {
    bool Ok = false;
    std::string Password;    // the password read (ReadPassword)
    bool NoKeyring = false;  // no keyring runs on this desktop
    bool NotFound = false;   // the keyring holds no password for the account
    std::string Error;       // why it failed, in the user's words
};

class TCredentialStore {
public:
    using TDone = std::function<void(const TCredentialResult& result)>;
    virtual ~TCredentialStore() = default;
    virtual void ReadPassword(const std::string& account, TDone done) = 0;
    virtual void WritePassword(const std::string& account, const std::string& password, TDone done) = 0;
    virtual void DeletePassword(const std::string& account, TDone done) = 0;
};

// The desktop's keyring; needs a running QCoreApplication.
class TKeychainCredentialStore : public TCredentialStore {
public:
    void ReadPassword(const std::string& account, TDone done) override;
    void WritePassword(const std::string& account, const std::string& password, TDone done) override;
    void DeletePassword(const std::string& account, TDone done) override;
};

// Passwords in memory for the life of the object; reports before returning.
class TMemoryCredentialStore : public TCredentialStore {
public:
    void ReadPassword(const std::string& account, TDone done) override;
    void WritePassword(const std::string& account, const std::string& password, TDone done) override;
    void DeletePassword(const std::string& account, TDone done) override;

private:
    std::map<std::string, std::string> FPasswords;
};

// The keyring entry of a sync account: "<user>@<collection or server URL>".
std::string CredentialAccount(const TSyncSettings& settings);

// The password that needs no keyring: QUILLO_SYNC_PASSWORD when set (it always wins), else
// the first line the settings' PASSWORDCOMMAND prints (run by /bin/sh, at most 30 s).
// found is false when neither is set; a command that fails throws Exception with the reason.
std::string PasswordWithoutKeyring(const TSyncSettings& settings, bool& found);
