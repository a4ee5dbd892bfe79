#pragma once
// Files and folders. Paths are the bytes the system gave (never converted) and use "/"
// as separator.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Creates every missing folder of the path, outermost first; reports nothing.
void CreateFolders(std::string_view folder);
// The same, reporting: 0 when the folder exists afterwards, else the errno value of the
// step that failed (ENOTDIR when a file stands in the folder's place).
int MakeFolders(std::string_view folder);
// The path up to and including its last "/"; empty when it has none.
std::string FolderOf(std::string_view path);
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

// Shell special folders by their Windows numbers.
constexpr int CSIDL_DESKTOPDIRECTORY = 16;
constexpr int CSIDL_APPDATA = 26;
// The folder's path, without trailing "/": CSIDL_APPDATA is $XDG_DATA_HOME (default
// ~/.local/share); CSIDL_DESKTOPDIRECTORY the XDG desktop folder (default ~/Desktop).
// An unknown or empty folder gives the desktop folder.
std::string SpecialFolder(int folderId);

// Asks the desktop to open a file or an address (xdg-open); reports nothing.
void ShellOpen(std::string_view fileOrUrl);
// "http:..." and "https:..." are opened as they are; anything else with "mailto:" in front.
void OpenMailOrUrl(std::string_view text);
// Replaces what ShellOpen does (tests; the windows route it through the desktop services).
// Passing an empty function restores the default.
void SetShellOpenHandler(std::function<void(const std::string&)> handler);
