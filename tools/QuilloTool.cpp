// quillo-tool COMMAND ...: the calendar's facts and pictures for scripts and status bars.
// Each command lives in its own file and is listed here.

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/ToolCommands.h"

namespace {

struct TCommand {
    const char* Name;
    const char* Usage;
    int (*Run)(int argc, char** argv);  // argv[0] is the command name
};

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
     RunPageCommand},
    {"decode", "decode IN OUT.png   an image (.bmp .png .jpg .jpeg .jpx) read as the calendar reads it, written as PNG",
     RunDecodeCommand},
    {"sync",
     "sync [setup URL USER [--collection NAME-or-URL] | --status] [--data FOLDER]   memos in step with a CalDAV server "
     "(password from QUILLO_SYNC_PASSWORD, standard input or the keyring; exit 3: a day needs a look)",
     RunSyncCommand},
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
