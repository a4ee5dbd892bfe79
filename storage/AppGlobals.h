#pragma once
// TAppGlobals holds the program's folders, version strings and settings: where the program
// file lies, which folder holds the user's data, and the settings file "application.ini" in
// that folder, together with the per-user string store. Paths are the system's bytes
// and use "/"; folders come without, paths (ExePath, DataPath) with a trailing "/".

#include <memory>
#include <string>
#include <string_view>

#include "storage/ProfileFile.h"
#include "storage/RegistryStore.h"

class TAppGlobals {
public:
    // The running program (/proc/self/exe) and the per-machine stores that may record
    // its installation (TRegistryStore::LocalMachineFiles).
    TAppGlobals();
    // programFile: the full path of the program file (empty: /proc/self/exe);
    // machineStoreFile: the per-machine store that records the installation folder (empty:
    // every store of TRegistryStore::LocalMachineFiles for the program's folder).
    // Reads the per-user "DATA"/"PATH" value and, when it is set, makes it the data folder.
    TAppGlobals(std::string programFile, std::string machineStoreFile);
    ~TAppGlobals();
    TAppGlobals(const TAppGlobals&) = delete;
    TAppGlobals& operator=(const TAppGlobals&) = delete;

    // The data folder, resolved on first call when none was set: ExeDir + "/Data" when
    // the program does not lie in an installation folder recorded as "AppDir" in a
    // per-machine store (compared without letter case) and its folder is writable; else the application-data folder +
    // "/" + CompanyName + "/" + ProductName. The folder is created; fixed afterwards.
    std::string DataDir();
    // DataDir + "/".
    std::string DataPath();
    // Makes dir the data folder. A non-empty dir is created and stored in the per-user
    // "DATA"/"PATH" value (EFileError when that cannot be written); an empty one leaves
    // the data folder to be resolved by the rule of DataDir.
    void SetDataDir(std::string_view dir);

    std::string ExeDir();
    std::string ExePath();
    std::string ExeName();
    // "Vellomar", "日めくり暦", "quillo", and the project version ("0.5.0.23"); "unknown"
    // (and an empty FileVersion) while the program file cannot be found.
    std::string CompanyName();
    std::string ProductName();
    std::string InternalName();
    std::string FileVersion();
    // True once the program paths and the version strings have been filled.
    bool VersionLoaded() const { return FVersionLoaded; }
    // The kernel's major version, asked once (0 when it cannot be told).
    int MajorVersion();

    // The write test: creates and deletes the first free "WriteTest<n>.tmp" (n = 0..999)
    // in the folder of path (which ends in "/"). False when the folder is missing, all
    // 1000 names are taken or the file cannot be created. Never leaves a file behind.
    static bool CanWriteFolder(std::string_view path);
    // Start-up's check of the data folder before anything is read from or written to it:
    // creates it when missing and runs the write test in it. Throws EFileError
    // "データフォルダ <folder> を作成できません: <reason>" or
    // "データフォルダ <folder> に書き込めません: <reason>"; nothing is written elsewhere then.
    void CheckDataFolder();
    bool ExeFolderWritable();

    // The settings file, DataPath + "application.ini".
    std::string SettingsFileName();
    // Decimal, or hexadecimal after "$", "0x" or "0X"; defaultValue when the entry is
    // missing or holds anything else.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue);
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue);
    // Writes on disk before returning; EFileError "<settings file> に書き込めません" on failure.
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    // The writes of work to the settings file as one replacement of it (see
    // TProfileFile::WriteTogether): written once, after work, when anything changed.
    template <typename Work>
    void WriteSettingsTogether(Work work) {
        Settings().WriteTogether(work);
    }

    // Value key of subkey section below the per-user key "software\Vellomar\quillo".
    std::string ReadRegString(std::string_view section, std::string_view key, std::string_view defaultValue);
    void WriteRegString(std::string_view section, std::string_view key, std::string_view value);

private:
    void LoadVersion();
    std::string UserKeyPath();
    bool InstalledHere();
    TProfileFile& Settings();
    TRegistryStore& UserRegistry();

    std::string FProgramFile;
    std::string FMachineStoreFile;
    std::string FDataDir;
    std::string FExeDir;
    std::string FExePath;
    std::string FExeName;
    std::string FCompanyName = "unknown";
    std::string FProductName = "unknown";
    std::string FInternalName = "unknown";
    std::string FFileVersion;
    bool FVersionLoaded = false;
    int FMajorVersion = 0;
    std::unique_ptr<TProfileFile> FSettings;
    std::unique_ptr<TRegistryStore> FUserRegistry;
};

// The process-wide object. app/main.cpp creates it before the main window and destroys it
// after every window is gone; a test may put its own instance in place.
TAppGlobals& AppGlobals();
bool HasAppGlobals();
// Makes instance the process-wide object (nullptr: none) and returns the one it replaces.
std::unique_ptr<TAppGlobals> ReplaceAppGlobals(std::unique_ptr<TAppGlobals> instance);
void CreateAppGlobals();
void DestroyAppGlobals();
