#pragma once
// The commands of quillo-tool. Each returns the process exit status: 0 on success, 2 on
// bad arguments or unreadable input (after printing a message on stderr).

// Declarations, one line each.
int RunAlmanacCommand(int argc, char** argv);
int RunPageCommand(int argc, char** argv);
int RunDecodeCommand(int argc, char** argv);
int RunIcsCommand(int argc, char** argv);
int RunMonthCommand(int argc, char** argv);
int RunSyncCommand(int argc, char** argv);
