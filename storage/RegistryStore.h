#pragma once
// The small string store that stands in for the registry. One root (per-user or
// per-machine) is one profile file; a key path such as "software\Vellomar\quillo\DATA"
// is the section of that name and its string values are the section's entries. Key
// paths and value names compare without regard to letter case.

#include <string>
#include <string_view>
#include <vector>

#include "storage/ProfileFile.h"

enum class TRegistryAccess { ReadOnly, ReadWrite };

class TRegistryStore {
public:
    // fileName: the store's file. A ReadOnly store never writes it.
    TRegistryStore(std::string fileName, TRegistryAccess access);

    // The per-user store: $XDG_CONFIG_HOME/vellomar/registry.ini (default ~/.config).
    static std::string CurrentUserFile();
    // The per-machine store that a system installation writes: /etc/xdg/vellomar/registry.ini.
    static std::string LocalMachineFile();
    // Where an installation of the program in programFolder may have recorded itself, in
    // the order they are read: "vellomar/registry.ini" in every absolute folder of
    // $XDG_CONFIG_DIRS (default /etc/xdg), then in "etc/xdg" of the installation prefix,
    // the folder above programFolder (so that an installation under /usr/local or ~/.local,
    // whose configuration folder is not on that list, is found as well).
    static std::vector<std::string> LocalMachineFiles(std::string_view programFolder);

    const std::string& FileName() const { return FProfile.FileName(); }

    // Whether the key exists, found without creating anything: a key exists when it or
    // a key below it holds a section in the file.
    bool KeyExists(std::string_view keyPath) const;
    // The string value, or defaultValue when the key or the value is missing.
    std::string ReadString(std::string_view keyPath, std::string_view name, std::string_view defaultValue) const;
    // Sets the value, creating the store's folder, file and key as needed. Throws
    // EFileError "<file> に書き込めません: <reason>" when it cannot be written or the store
    // is ReadOnly.
    void WriteString(std::string_view keyPath, std::string_view name, std::string_view value);

private:
    TProfileFile FProfile;
    TRegistryAccess FAccess;
};
