#include "sync/SyncSettings.h"

#include <cstdlib>

#include "storage/ProfileFile.h"

namespace {

constexpr const char* Section = "SYNC";

std::string SettingsFile(const std::string& dataPath) { return dataPath + "application.ini"; }

int TimeoutOf(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 1 || value > 3600)
        return TSyncSettings().TimeoutSeconds;
    return static_cast<int>(value);
}

}  // namespace

TSyncSettings LoadSyncSettings(const std::string& dataPath) {
    const TProfileFile file(SettingsFile(dataPath));
    TSyncSettings settings;
    settings.Enabled = file.ReadString(Section, "ENABLED", "0") == "1";
    settings.ServerUrl = file.ReadString(Section, "URL", "");
    settings.UserName = file.ReadString(Section, "USER", "");
    settings.CollectionUrl = file.ReadString(Section, "COLLECTION", "");
    settings.PasswordCommand = file.ReadString(Section, "PASSWORDCOMMAND", "");
    settings.PinnedFingerprint = file.ReadString(Section, "FINGERPRINT", "");
    settings.TimeoutSeconds = TimeoutOf(file.ReadString(Section, "TIMEOUT", ""));
    return settings;
}

void SaveSyncSettings(const std::string& dataPath, const TSyncSettings& settings) {
    TProfileFile file(SettingsFile(dataPath));
    file.WriteTogether([&] {
        file.WriteString(Section, "ENABLED", settings.Enabled ? "1" : "0");
        file.WriteString(Section, "URL", settings.ServerUrl);
        file.WriteString(Section, "USER", settings.UserName);
        file.WriteString(Section, "COLLECTION", settings.CollectionUrl);
        file.WriteString(Section, "PASSWORDCOMMAND", settings.PasswordCommand);
        file.WriteString(Section, "FINGERPRINT", settings.PinnedFingerprint);
        file.WriteString(Section, "TIMEOUT", std::to_string(settings.TimeoutSeconds));
    });
}
