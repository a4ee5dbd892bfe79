#include "storage/RegistryStore.h"

#include <cstdlib>

#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"

TRegistryStore::TRegistryStore(std::string fileName, TRegistryAccess access)
    : FProfile(std::move(fileName)), FAccess(access) {}

std::string TRegistryStore::CurrentUserFile() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules ask.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = (home && *home ? std::string(home) : std::string()) + "/.config";
    }
    return folder + "/vellomar/registry.ini";
}

std::string TRegistryStore::LocalMachineFile() { return "/etc/xdg/vellomar/registry.ini"; }

std::vector<std::string> TRegistryStore::LocalMachineFiles(std::string_view programFolder) {
    constexpr const char* StoreName = "/vellomar/registry.ini";
    std::vector<std::string> files;
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string list = dirs && *dirs ? std::string(dirs) : std::string("/etc/xdg");
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t colon = list.find(':', start);
        if (colon == std::string::npos)
            colon = list.size();
        std::string folder = list.substr(start, colon - start);
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        // Relative entries are invalid and ignored, as the XDG rules ask.
        if (!folder.empty() && folder[0] == '/')
            files.push_back((folder == "/" ? std::string() : folder) + StoreName);
        start = colon + 1;
    }
    std::string program(programFolder);
    while (program.size() > 1 && program.back() == '/')
        program.pop_back();
    std::string prefix = FolderOf(program);
    if (!prefix.empty() && program != "/")
        files.push_back(prefix + "etc/xdg" + StoreName);
    return files;
}

bool TRegistryStore::KeyExists(std::string_view keyPath) const {
    std::string wanted = AsciiLowerCase(keyPath);
    for (const std::string& section : FProfile.SectionNames()) {
        std::string name = AsciiLowerCase(section);
        if (name == wanted ||
            (name.size() > wanted.size() && name.compare(0, wanted.size(), wanted) == 0 && name[wanted.size()] == '\\'))
            return true;
    }
    return false;
}

std::string TRegistryStore::ReadString(std::string_view keyPath, std::string_view name,
                                       std::string_view defaultValue) const {
    return FProfile.ReadString(keyPath, name, defaultValue);
}

void TRegistryStore::WriteString(std::string_view keyPath, std::string_view name, std::string_view value) {
    // The per-machine store belongs to the installer; the program only reads it.
    if (FAccess == TRegistryAccess::ReadOnly)
        throw EFileError(CannotWriteMessage(FProfile.FileName(), "読み取り専用です"));
    CreateFoldersFor(FProfile.FileName());
    FProfile.WriteString(keyPath, name, value);
}
