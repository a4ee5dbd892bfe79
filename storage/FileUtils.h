#pragma once
// Files and folders. Paths are the bytes the system gave (never converted) and use "/"
// as separator.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Creates every missing folder of the path, outermost first. Throws EFileError
// "<folder> を作成できません: <reason>" with the errno value of the step that failed
// (ENOTDIR when a file stands in a folder's place, ENOENT for an empty path) when the
// folder does not exist afterwards.
void CreateFolders(std::string_view folder);
// The folders that file goes into, for a save: as CreateFolders, but the failure is the
// save's, EFileError "<file> に書き込めません: <reason>".
void CreateFoldersFor(std::string_view file);
// The path up to and including its last "/"; empty when it has none.
std::string FolderOf(std::string_view path);
// The full path of the running program (/proc/self/exe); empty when the system cannot say.
std::string RunningProgramFile();
bool FileExists(std::string_view path);
bool DirectoryExists(std::string_view path);
bool DeleteFileAt(std::string_view path);

// The whole file. Throws EFileError when it cannot be opened or read, or when it is
// larger than maxBytes.
std::string ReadFileBytes(std::string_view path, std::size_t maxBytes = 64u << 20);
// Replaces the file by bytes through a temporary file in the same folder and a rename,
// so that a crash leaves either the old or the new file, never a torn one. The data is
// on disk (fsync) before the rename. Throws EFileError with the message
// "<path> に書き込めません: <reason>" on failure, the reason being the system's text for
// the call that failed (create, write, fsync, close or rename); the old file is then
// untouched and no temporary file is left. After the rename the folder is synced too, so
// that the new name survives a power cut; a folder that cannot be synced (a file system
// without it) counts as written, any other failure of that sync is reported the same way.
void WriteFileAtomic(std::string_view path, std::string_view bytes);
// Whether name (without folder) is a temporary file of WriteFileAtomic: "<name>.tmp-"
// and six letters or digits, as mkstemp makes them.
bool IsAtomicWriteLeftover(std::string_view name);
// Deletes the temporary files that WriteFileAtomic left in folder (not below it) when the
// program ended between creating and renaming one; their bytes are never read. Returns
// how many were deleted; a folder that cannot be listed deletes nothing.
int RemoveAtomicWriteLeftovers(std::string_view folder);

// The system's text for an errno value (strerror, in the language of the locale).
std::string SystemErrorText(int errorNumber);
// "<path> に書き込めません: <reason>", the message of every file that cannot be written.
std::string CannotWriteMessage(std::string_view path, std::string_view reason);

// The user's folders that the calendar keeps data in or falls back to.
enum class TSpecialFolder { ApplicationData, Desktop };
// The folder's path, without trailing "/": ApplicationData is $XDG_DATA_HOME (default
// ~/.local/share); Desktop the XDG desktop folder (default ~/Desktop).
std::string SpecialFolder(TSpecialFolder folder);

// Asks the desktop to open a file or an address (xdg-open); reports nothing.
void ShellOpen(std::string_view fileOrUrl);
// "http:..." and "https:..." are opened as they are; anything else with "mailto:" in front.
void OpenMailOrUrl(std::string_view text);
// Replaces what ShellOpen does (tests; the windows route it through the desktop services).
// Passing an empty function restores the default.
void SetShellOpenHandler(std::function<void(const std::string&)> handler);
