#pragma once
// Starting the calendar at login: the per-user autostart entry of the freedesktop rules,
// $XDG_CONFIG_HOME/autostart/<application ID>.desktop. Each user decides for themselves;
// nothing is ever written for every user of the machine.

#include <string>
#include <string_view>

// The one application ID of the calendar: the desktop entry, the AppStream file, the
// icon, the desktop file name and the X11 window class.
inline constexpr const char* ApplicationId = "example.vellomar.quillo";

// $XDG_CONFIG_HOME/autostart/example.vellomar.quillo.desktop (default ~/.config).
std::string AutostartFileName();
// Whether the desktop will start the calendar at login: the entry exists and does not
// say Hidden=true.
bool StartsAtLogin();
// Writes the entry (through a temporary file and a rename) for programFile, the absolute
// path of the program to start, or removes it. Throws EFileError
// "<file> に書き込めません: <reason>" when that cannot be done.
void SetStartAtLogin(bool start, std::string_view programFile);
// The text of the entry, UTF-8 as desktop entries are: Exec and TryExec name programFile,
// quoted when needed, and the start waits a few seconds for the notification area.
std::string AutostartEntry(std::string_view programFile);
// The program path (UTF-8) as one argument of an Exec line: in double quotes, with ", `,
// $ and backslashes escaped, when it holds a reserved character; every % doubled.
std::string ExecArgument(std::string_view path);
