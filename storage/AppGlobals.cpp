#include "storage/AppGlobals.h"
#include "storage/ProcessWide.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"
#include "storage/Version.h"

namespace {

constexpr const char* Company = "Vellomar";
constexpr const char* Internal = "quillo";
constexpr int WriteTestNames = 1000;

TProcessWide<TAppGlobals> TheAppGlobals("AppGlobals");

// Any entry at that name, also a folder or a dangling link, takes the name.
bool NameTaken(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

}  // namespace

TAppGlobals::TAppGlobals() : TAppGlobals(std::string(), std::string()) {}

TAppGlobals::TAppGlobals(std::string programFile, std::string machineStoreFile)
    : FProgramFile(std::move(programFile)), FMachineStoreFile(std::move(machineStoreFile)) {
    // A key that exists only because a subkey exists is reported by KeyExists too, so the
    // one check stands for opening "software", the company and the product one by one.
    if (UserRegistry().KeyExists(UserKeyPath()))
        SetDataDir(ReadRegString("DATA", "PATH", ""));
}

TAppGlobals::~TAppGlobals() = default;

void TAppGlobals::LoadVersion() {
    if (FVersionLoaded)
        return;
    std::string file = FProgramFile.empty() ? RunningProgramFile() : FProgramFile;
    size_t slash = file.rfind('/');
    if (slash == std::string::npos)
        return;  // no program file to take the folder from; tried again at the next call
    FExePath = file.substr(0, slash + 1);
    FExeDir = file.substr(0, slash);
    FExeName = file.substr(slash + 1);
    FCompanyName = Company;
    FProductName = "日めくり暦";
    FInternalName = Internal;
    FFileVersion = QuilloFileVersion;
    FVersionLoaded = true;
}

std::string TAppGlobals::ExeDir() {
    LoadVersion();
    return FExeDir;
}
std::string TAppGlobals::ExePath() {
    LoadVersion();
    return FExePath;
}
std::string TAppGlobals::ExeName() {
    LoadVersion();
    return FExeName;
}
std::string TAppGlobals::CompanyName() {
    LoadVersion();
    return FCompanyName;
}
std::string TAppGlobals::ProductName() {
    LoadVersion();
    return FProductName;
}
std::string TAppGlobals::InternalName() {
    LoadVersion();
    return FInternalName;
}
std::string TAppGlobals::FileVersion() {
    LoadVersion();
    return FFileVersion;
}

int TAppGlobals::MajorVersion() {
    if (FMajorVersion == 0) {
        struct utsname names;
        if (uname(&names) == 0)
            FMajorVersion = std::atoi(names.release);
    }
    return FMajorVersion;
}

namespace {

int WriteTestError(std::string_view path) {
    std::string folder = FolderOf(path);
    if (folder.empty() || !DirectoryExists(folder))
        return ENOENT;
    std::string name;
    for (int n = 0; n < WriteTestNames && name.empty(); ++n) {
        std::string candidate = std::string(path) + "WriteTest" + std::to_string(n) + ".tmp";
        if (!NameTaken(candidate))
            name = candidate;
    }
    if (name.empty())
        return EEXIST;
    // O_EXCL: a file that appeared since the look above is someone else's and is neither
    // opened nor deleted; only the file made here is removed again.
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    close(fd);
    DeleteFileAt(name);
    return 0;
}

// Makes the data folder when it can. One that cannot be made is reported by
// TAppGlobals::CheckDataFolder, which start-up runs before anything is read from or written
// to it, and by every save into it.
void PrepareDataFolder(std::string_view folder) {
    try {
        CreateFolders(folder);
    } catch (const EFileError&) {
    }
}

}  // namespace

bool TAppGlobals::CanWriteFolder(std::string_view path) { return WriteTestError(path) == 0; }

void TAppGlobals::CheckDataFolder() {
    const std::string folder = DataDir();
    try {
        CreateFolders(folder);
    } catch (const EFileError& error) {
        throw EFileError("データフォルダ " + error.Message(), error.SystemError());
    }
    if (int error = WriteTestError(folder + "/"); error != 0)
        throw EFileError("データフォルダ " + CannotWriteMessage(folder, SystemErrorText(error)), error);
}

bool TAppGlobals::ExeFolderWritable() { return CanWriteFolder(ExePath()); }

bool TAppGlobals::InstalledHere() {
    std::vector<std::string> stores;
    if (FMachineStoreFile.empty())
        stores = TRegistryStore::LocalMachineFiles(ExeDir());
    else
        stores.push_back(FMachineStoreFile);
    const std::string here = AsciiLowerCase(ExeDir());
    for (const std::string& file : stores) {
        TRegistryStore machine(file, TRegistryAccess::ReadOnly);
        std::string installed = machine.ReadString("software\\vellomar\\" + InternalName(), "AppDir", "");
        // "/opt/quillo/" and "/opt/quillo" are the same folder.
        while (installed.size() > 1 && installed.back() == '/')
            installed.pop_back();
        if (installed.empty())
            continue;
        if (AsciiLowerCase(installed) == here)
            return true;
        // The running program's path has its links resolved; the recorded one may not
        // (a home folder reached through a link).
        std::error_code error;
        std::filesystem::path real = std::filesystem::canonical(installed, error);
        if (!error && AsciiLowerCase(real.string()) == here)
            return true;
    }
    return false;
}

std::string TAppGlobals::DataDir() {
    if (!FDataDir.empty())
        return FDataDir;
    if (!InstalledHere() && ExeFolderWritable()) {
        FDataDir = ExeDir() + "/Data";
    } else {
        std::string appData = SpecialFolder(TSpecialFolder::ApplicationData);
        if (appData.empty())
            appData = SpecialFolder(TSpecialFolder::Desktop);
        FDataDir = appData + "/" + CompanyName() + "/" + ProductName();
    }
    PrepareDataFolder(FDataDir);
    return FDataDir;
}

std::string TAppGlobals::DataPath() { return DataDir() + "/"; }

void TAppGlobals::SetDataDir(std::string_view dir) {
    FDataDir = dir;
    // The settings file lives in the data folder: the next use opens it there.
    FSettings.reset();
    if (dir.empty())
        return;
    PrepareDataFolder(dir);
    WriteRegString("DATA", "PATH", dir);
}

std::string TAppGlobals::SettingsFileName() { return DataPath() + "application.ini"; }

TProfileFile& TAppGlobals::Settings() {
    if (!FSettings)
        FSettings = std::make_unique<TProfileFile>(SettingsFileName());
    return *FSettings;
}

int TAppGlobals::ReadInteger(std::string_view section, std::string_view key, int defaultValue) {
    std::string text = ReadString(section, key, "");
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text = "$" + text.substr(2);
    return ParseIntOr(text, defaultValue);
}

std::string TAppGlobals::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) {
    return Settings().ReadString(section, key, defaultValue);
}

void TAppGlobals::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TAppGlobals::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Settings().WriteString(section, key, value);
}

std::string TAppGlobals::UserKeyPath() { return "software\\" + CompanyName() + "\\" + InternalName(); }

TRegistryStore& TAppGlobals::UserRegistry() {
    if (!FUserRegistry)
        FUserRegistry = std::make_unique<TRegistryStore>(TRegistryStore::CurrentUserFile(), TRegistryAccess::ReadWrite);
    return *FUserRegistry;
}

std::string TAppGlobals::ReadRegString(std::string_view section, std::string_view key, std::string_view defaultValue) {
    return UserRegistry().ReadString(UserKeyPath() + "\\" + std::string(section), key, defaultValue);
}

void TAppGlobals::WriteRegString(std::string_view section, std::string_view key, std::string_view value) {
    UserRegistry().WriteString(UserKeyPath() + "\\" + std::string(section), key, value);
}

TAppGlobals& AppGlobals() { return TheAppGlobals.Get(); }

bool HasAppGlobals() { return TheAppGlobals.Exists(); }

std::unique_ptr<TAppGlobals> ReplaceAppGlobals(std::unique_ptr<TAppGlobals> instance) {
    return TheAppGlobals.Replace(std::move(instance));
}

void CreateAppGlobals() { ReplaceAppGlobals(std::make_unique<TAppGlobals>()); }

void DestroyAppGlobals() { ReplaceAppGlobals(nullptr); }
