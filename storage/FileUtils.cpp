#include "storage/FileUtils.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "storage/Exception.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"

extern char** environ;

namespace {

std::function<void(const std::string&)>& ShellOpenHandler() {
    static std::function<void(const std::string&)> handler;
    return handler;
}

std::string EnvironmentPath(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = EnvironmentPath("HOME");
    return home.empty() ? std::string("/") : home;
}

// XDG_DESKTOP_DIR from user-dirs.dirs ("$HOME/Desktop" style); empty when not set there.
std::string DesktopFromUserDirs() {
    std::string config = EnvironmentPath("XDG_CONFIG_HOME");
    if (config.empty())
        config = HomeFolder() + "/.config";
    std::string text;
    try {
        text = ReadFileBytes(config + "/user-dirs.dirs", 1 << 20);
    } catch (const Exception&) {
        return {};
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(std::string_view(text).substr(start, end - start));
        start = end + 1;
        const std::string key = "XDG_DESKTOP_DIR=";
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = HomeFolder() + value.substr(5);
        if (!value.empty() && value.front() == '/')
            return value;
    }
    return {};
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

namespace {

// 0 when the folder exists afterwards, else the errno value of the step that failed.
int MakeFolders(std::string_view folder) {
    std::string native(folder);
    if (native.empty())
        return ENOENT;
    for (size_t i = 1; i <= native.size(); ++i) {
        if (i == native.size() || native[i] == '/') {
            std::string part = native.substr(0, i);
            struct stat info;
            if (stat(part.c_str(), &info) == 0) {
                if (!S_ISDIR(info.st_mode))
                    return ENOTDIR;
                continue;
            }
            if (mkdir(part.c_str(), 0777) != 0) {
                int error = errno;
                // Another process may have made it in the meantime.
                if (error == EEXIST && stat(part.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
                    continue;
                return error == EEXIST ? ENOTDIR : error;
            }
        }
    }
    return 0;
}

}  // namespace

void CreateFolders(std::string_view folder) {
    if (int error = MakeFolders(folder); error != 0)
        throw EFileError(std::string(folder) + " を作成できません: " + SystemErrorText(error), error);
}

void CreateFoldersFor(std::string_view file) {
    if (int error = MakeFolders(FolderOf(file)); error != 0)
        throw EFileError(CannotWriteMessage(file, SystemErrorText(error)), error);
}

std::string FolderOf(std::string_view path) {
    size_t last = path.rfind('/');
    return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

std::string RunningProgramFile() {
    std::error_code error;
    std::filesystem::path file = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : file.string();
}

bool FileExists(std::string_view path) {
    struct stat info;
    return stat(std::string(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryExists(std::string_view path) {
    struct stat info;
    return stat(std::string(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFileAt(std::string_view path) { return unlink(std::string(path).c_str()) == 0; }

std::string ReadFileBytes(std::string_view path, std::size_t maxBytes) {
    std::string native(path);
    int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        throw EFileError(std::string(path) + " を開けません: " + SystemErrorText(error), error);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            int error = errno;
            close(fd);
            throw EFileError(std::string(path) + " を読めません: " + SystemErrorText(error), error);
        }
        if (got == 0)
            break;
        if (bytes.size() + static_cast<size_t>(got) > maxBytes) {
            close(fd);
            throw EFileError(std::string(path) + " は大きすぎます");
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return bytes;
}

std::string SystemErrorText(int errorNumber) { return std::strerror(errorNumber); }

std::string CannotWriteMessage(std::string_view path, std::string_view reason) {
    return std::string(path) + " に書き込めません: " + std::string(reason);
}

void WriteFileAtomic(std::string_view path, std::string_view bytes) {
    auto fail = [path](int error) { throw EFileError(CannotWriteMessage(path, SystemErrorText(error)), error); };
    std::string native(path);
    std::string temporary = native + ".tmp-XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        fail(errno);
    // mkstemp creates the file 0600; a user file gets the ordinary permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    // The first failure is the one reported: a full disk shows in write or fsync, and the
    // calls after it fail only because of it.
    int error = 0;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        done += static_cast<size_t>(put);
    }
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temporary.c_str(), native.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temporary.c_str());
        fail(error);
    }
    // The rename is an entry of the folder: only the folder's own sync puts it on disk.
    std::string folder = FolderOf(native);
    if (folder.empty())
        folder = ".";
    int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        fail(errno);
    if (fsync(folderFd) != 0 && errno != EINVAL && errno != EROFS)
        error = errno;
    close(folderFd);
    if (error != 0)
        fail(error);
}

bool IsAtomicWriteLeftover(std::string_view name) {
    constexpr std::string_view marker = ".tmp-";
    constexpr size_t suffixLength = 6;
    if (name.size() < marker.size() + suffixLength + 1)
        return false;
    const size_t at = name.size() - suffixLength - marker.size();
    if (name.substr(at, marker.size()) != marker)
        return false;
    for (char c : name.substr(name.size() - suffixLength))
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

int RemoveAtomicWriteLeftovers(std::string_view folder) {
    const std::string native(folder);
    DIR* listing = opendir(native.c_str());
    if (!listing)
        return 0;
    const std::string prefix = native.empty() || native.back() == '/' ? native : native + "/";
    int removed = 0;
    while (const dirent* entry = readdir(listing)) {
        if (!IsAtomicWriteLeftover(entry->d_name))
            continue;
        // Only regular files: a folder or a link of that name is not the program's.
        struct stat info;
        const std::string path = prefix + entry->d_name;
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && unlink(path.c_str()) == 0)
            ++removed;
    }
    closedir(listing);
    return removed;
}

std::string SpecialFolder(TSpecialFolder folder) {
    std::string path;
    if (folder == TSpecialFolder::ApplicationData) {
        path = EnvironmentPath("XDG_DATA_HOME");
        if (path.empty() || path.front() != '/')
            path = HomeFolder() + "/.local/share";
    }
    if (path.empty()) {
        path = DesktopFromUserDirs();
        if (path.empty())
            path = HomeFolder() + "/Desktop";
    }
    return WithoutTrailingSlash(path);
}

void SetShellOpenHandler(std::function<void(const std::string&)> handler) { ShellOpenHandler() = std::move(handler); }

void ShellOpen(std::string_view fileOrUrl) {
    std::string target(fileOrUrl);
    if (ShellOpenHandler()) {
        ShellOpenHandler()(target);
        return;
    }
    // A shell starts xdg-open in the background and ends at once, so the caller never
    // waits for a browser that xdg-open may run in the foreground.
    std::string native(target);
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char script[] = "xdg-open \"$1\" >/dev/null 2>&1 &";
    char name[] = "sh";
    char* argv[] = {shell, option, script, name, native.data(), nullptr};
    pid_t child;
    if (posix_spawn(&child, shell, nullptr, nullptr, argv, environ) == 0) {
        int status;
        waitpid(child, &status, 0);
    }
}

void OpenMailOrUrl(std::string_view text) {
    // "https:" addresses are addresses too, not mail recipients.
    if (text.compare(0, 5, "http:") == 0 || text.compare(0, 6, "https:") == 0)
        ShellOpen(text);
    else
        ShellOpen(std::string("mailto:") + std::string(text));
}
