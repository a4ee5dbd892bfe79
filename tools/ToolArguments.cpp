#include "tools/ToolArguments.h"

#include <unistd.h>

#include <climits>

#include "storage/AppGlobals.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/RegistryStore.h"
#include "storage/Text.h"

namespace {

bool AllDigits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

int NumberOf(std::string_view digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// The folder of the running tool (native), without a trailing "/"; empty when unknown.
std::string ToolFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    std::string folder(path, static_cast<size_t>(length));
    return folder.substr(0, folder.rfind('/'));
}

}  // namespace

bool ParseIsoDate(std::string_view text, int32_t& dayNumber) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    if (!AllDigits(text.substr(0, 4)) || !AllDigits(text.substr(5, 2)) || !AllDigits(text.substr(8, 2)))
        return false;
    const int year = NumberOf(text.substr(0, 4));
    const int month = NumberOf(text.substr(5, 2));
    const int day = NumberOf(text.substr(8, 2));
    if (!IsValidDate(year, month, day))
        return false;
    dayNumber = DayNumberOf(year, month, day);
    return true;
}

bool ParseYearMonth(std::string_view text, int& year, int& month) {
    if (text.size() != 7 || text[4] != '-' || !AllDigits(text.substr(0, 4)) || !AllDigits(text.substr(5, 2)))
        return false;
    year = NumberOf(text.substr(0, 4));
    month = NumberOf(text.substr(5, 2));
    return IsValidDate(year, month, 1);
}

std::string ToolDataPath(const std::string& nativeFolder) {
    if (!nativeFolder.empty()) {
        std::string path = std::string(nativeFolder);
        if (!DirectoryExists(path))
            throw Exception("no such folder: " + nativeFolder);
        if (path.back() != '/')
            path += '/';
        return path;
    }
    // The calendar keeps its data by where its own program file lies: beside this tool
    // once installed, in the build tree's app folder next to tools.
    const std::string folder = ToolFolder();
    std::string program = folder + "/quillo";
    if (!folder.empty() && !FileExists(std::string(program)) && FileExists(std::string(folder + "/../app/quillo")))
        program = folder.substr(0, folder.rfind('/')) + "/app/quillo";
    TAppGlobals globals(std::string(program), TRegistryStore::LocalMachineFile());
    return globals.DataPath();
}
