// quillo-tool COMMAND ...: the calendar's facts and pictures for scripts and status bars.
// Each command lives in its own file and is listed here.
//
// quillo-tool itself loads no Qt library, so that a text command (a status bar asks for the
// month every minute) starts as fast as a C program. The commands that draw or sync run in its
// companion quillo-tool-qt, built from this file with QUILLO_TOOL_QT and every command: it
// lies beside quillo-tool in the build tree and in ../libexec/quillo/ when installed, and
// quillo-tool hands such a command over to it whole (execv), so that its output, messages
// and exit status are the command's own.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "storage/FileUtils.h"
#include "tools/ToolCommands.h"

namespace {

struct TCommand {
    const char* Name;
    const char* Usage;
    int (*Run)(int argc, char** argv);  // argv[0] is the command name
};

#ifdef QUILLO_TOOL_QT
#define QT_COMMAND(run) run
#else
constexpr char CompanionName[] = "quillo-tool-qt";

// Runs the command argv[0] in the companion program in place of this process.
int RunInCompanion(int, char** argv) {
    const std::string folder = FolderOf(RunningProgramFile());
    const std::string candidates[] = {folder + CompanionName, folder + "../libexec/quillo/" + CompanionName};
    for (const std::string& companion : candidates) {
        if (folder.empty() || access(companion.c_str(), X_OK) != 0)
            continue;
        std::vector<char*> arguments{const_cast<char*>(companion.c_str())};
        for (char** argument = argv; *argument; ++argument)
            arguments.push_back(*argument);
        arguments.push_back(nullptr);
        execv(companion.c_str(), arguments.data());
        std::fprintf(stderr, "quillo-tool %s: cannot run %s: %s\n", argv[0], companion.c_str(), std::strerror(errno));
        return 2;
    }
    std::fprintf(stderr, "quillo-tool %s: the program %s that runs this command is not installed beside quillo-tool\n",
                 argv[0], CompanionName);
    return 2;
}
#define QT_COMMAND(run) RunInCompanion
#endif

const TCommand Commands[] = {
    // Commands, one line each.
    {"almanac",
     "almanac [FROM [TO]] [--json]   the facts of each day's page, TSV or JSON Lines (dates YYYY-MM-DD, default "
     "today)",
     RunAlmanacCommand},
    {"ics",
     "ics [FROM [TO]] [--with KINDS] [--data FOLDER]   an iCalendar file of holidays, terms, rokuyo, lunar, memos "
     "(default: this year, holidays,terms)",
     RunIcsCommand},
    {"month",
     "month [YYYY-MM]   the month as a grid of weeks with 六曜, holidays and solar terms (default: this month)",
     RunMonthCommand},
    {"page",
     "page DATE OUT.png [DATA-FOLDER] [--scale N]   the calendar page of DATE as a 120×120 PNG (memos and colours of "
     "DATA-FOLDER; N× larger for a screen of that pixel ratio)",
     QT_COMMAND(RunPageCommand)},
    {"decode", "decode IN OUT.png   an image (.bmp .png .jpg .jpeg .jpx) read as the calendar reads it, written as PNG",
     QT_COMMAND(RunDecodeCommand)},
    {"sync",
     "sync [setup URL USER [--collection NAME-or-URL] | --status] [--data FOLDER]   memos in step with a CalDAV server "
     "(password from QUILLO_SYNC_PASSWORD, standard input or the keyring; exit 3: a day needs a look)",
     QT_COMMAND(RunSyncCommand)},
    {nullptr, nullptr, nullptr},
};

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: quillo-tool COMMAND [ARGUMENTS]\n");
    for (const TCommand& command : Commands)
        if (command.Name)
            std::fprintf(out, "  quillo-tool %s\n", command.Usage);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const TCommand& command : Commands)
        if (command.Name && std::strcmp(command.Name, argv[1]) == 0)
            return command.Run(argc - 1, argv + 1);
    std::fprintf(stderr, "quillo-tool: unknown command \"%s\"\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
