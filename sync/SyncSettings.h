#pragma once
// What the user set for memo sync: the section "SYNC" of the data folder's settings file
// "application.ini". The password is never kept here (see CredentialStore.h).

#include <string>

struct TSyncSettings {
    bool Enabled = false;           // "ENABLED": 1 syncs in the running calendar
    std::string ServerUrl;          // "URL": what the user typed (server root or collection)
    std::string UserName;           // "USER"
    std::string CollectionUrl;      // "COLLECTION": the collection the memos live in
    std::string PasswordCommand;    // "PASSWORDCOMMAND": a shell command printing the password
    std::string PinnedFingerprint;  // "FINGERPRINT": SHA-256 of a certificate the user trusted
    int TimeoutSeconds = 60;        // "TIMEOUT": longest wait for one request, 1..3600

    // True when a collection and a user are set.
    bool Configured() const { return !CollectionUrl.empty() && !UserName.empty(); }
};

// The settings of the data folder dataPath (ending in "/"); defaults for what is missing.
// Never fails.
TSyncSettings LoadSyncSettings(const std::string& dataPath);
// Writes every entry as one replacement of the settings file. Throws EFileError.
void SaveSyncSettings(const std::string& dataPath, const TSyncSettings& settings);
