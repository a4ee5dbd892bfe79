#pragma once
// A private temporary folder for one test, and the XDG environment pointed into it, so that
// no test reads or writes the user's real folders.

#include <cstdlib>
#include <filesystem>
#include <string>

class TTemporaryFolder {
public:
    TTemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillo-test-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        FPath = made ? std::filesystem::path(made) : std::filesystem::path();
    }
    ~TTemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TTemporaryFolder(const TTemporaryFolder&) = delete;
    TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    // The folder as a program path (UTF-8 here; the tests' folders are ASCII), with "/" at the end.
    std::string Slash() const { return FPath.string() + "/"; }

private:
    std::filesystem::path FPath;
};

// Sets HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR to folders inside a new
// temporary folder for the lifetime of the object, and restores them afterwards.
class TTestEnvironment {
public:
    TTestEnvironment() {
        Set("HOME", FRoot.Path() / "home");
        Set("XDG_CONFIG_HOME", FRoot.Path() / "home/.config");
        Set("XDG_DATA_HOME", FRoot.Path() / "home/.local/share");
        Set("XDG_RUNTIME_DIR", FRoot.Path() / "runtime");
        std::filesystem::permissions(FRoot.Path() / "runtime", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }
    ~TTestEnvironment() {
        for (int i = 0; i < FSavedCount; ++i) {
            if (FSaved[i].HadValue)
                setenv(FSaved[i].Name.c_str(), FSaved[i].Value.c_str(), 1);
            else
                unsetenv(FSaved[i].Name.c_str());
        }
    }
    TTestEnvironment(const TTestEnvironment&) = delete;
    TTestEnvironment& operator=(const TTestEnvironment&) = delete;

    const std::filesystem::path& Root() const { return FRoot.Path(); }
    std::filesystem::path Home() const { return FRoot.Path() / "home"; }
    std::filesystem::path DataHome() const { return FRoot.Path() / "home/.local/share"; }
    std::filesystem::path ConfigHome() const { return FRoot.Path() / "home/.config"; }

private:
    struct TSaved {
        std::string Name;
        std::string Value;
        bool HadValue = false;
    };

    void Set(const char* name, const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        TSaved& saved = FSaved[FSavedCount++];
        saved.Name = name;
        const char* old = std::getenv(name);
        saved.HadValue = old != nullptr;
        saved.Value = old ? old : "";
        setenv(name, folder.c_str(), 1);
    }

    TTemporaryFolder FRoot;
    TSaved FSaved[4];
    int FSavedCount = 0;
};
