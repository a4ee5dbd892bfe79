#include "ui/Autostart.h"

#include <cerrno>
#include <cstdlib>

#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"

namespace {

// Seconds between the login and the start, so that the notification area is up first.
constexpr int StartDelaySeconds = 5;

std::string ConfigHome() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules ask.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return std::string(config);
    const char* home = std::getenv("HOME");
    return (home && *home ? std::string(home) : std::string()) + "/.config";
}

// "Hidden=true" in the [Desktop Entry] group: the entry stands for a removed one.
bool SaysHidden(const std::string& text) {
    bool inEntry = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[')
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.compare(0, 6, "Hidden") == 0) {
            std::size_t equals = line.find('=');
            if (equals != std::string::npos && line.find_first_not_of(' ', 6) == equals) {
                std::size_t value = line.find_first_not_of(' ', equals + 1);
                if (value != std::string::npos && line.compare(value, std::string::npos, "true") == 0)
                    return true;
            }
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

std::string AutostartFileName() { return ConfigHome() + "/autostart/" + ApplicationId + ".desktop"; }

bool StartsAtLogin() {
    const std::string file = AutostartFileName();
    if (!FileExists(file))
        return false;
    try {
        return !SaysHidden(ReadFileBytes(file, 1u << 20));
    } catch (const EFileError&) {
        return false;  // an entry the desktop cannot read either starts nothing
    }
}

std::string ExecArgument(std::string_view path) {
    std::string quoted;
    bool reserved = false;
    for (char c : path) {
        if (std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos)
            reserved = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    if (!reserved)
        return quoted;
    // Inside the quotes a backslash is written twice more, once for the quoting and once
    // for the string value of the key.
    std::string value = "\"";
    for (char c : quoted) {
        if (c == '\\')
            value += '\\';
        value += c;
    }
    return value + "\"";
}

std::string AutostartEntry(std::string_view programFile) {
    // Desktop entries are UTF-8; the product name is written here as it is in the file.
    const std::string program = ExecArgument(std::string(programFile));
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.4\n"
                       "Name=日めくり暦\n"
                       "Name[en]=Tear-off Calendar\n"
                       "Comment=日めくり暦をログイン時に起動します\n"
                       "Comment[en]=Starts the tear-off calendar at login\n";
    text += "Exec=" + program + "\n";
    // The desktop skips the entry once the program is gone (uninstalled, build tree removed).
    text += "TryExec=" + program + "\n";
    text += std::string("Icon=") + ApplicationId + "\n";
    text += "Terminal=false\n";
    text += std::string("StartupWMClass=") + ApplicationId + "\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    text += "X-GNOME-Autostart-Delay=" + std::to_string(StartDelaySeconds) + "\n";
    return text;
}

void SetStartAtLogin(bool start, std::string_view programFile) {
    const std::string file = AutostartFileName();
    if (start) {
        CreateFoldersFor(file);
        WriteFileAtomic(file, AutostartEntry(programFile));
    } else if (FileExists(file) && !DeleteFileAt(file)) {
        throw EFileError(CannotWriteMessage(file, SystemErrorText(errno)), errno);
    }
}
