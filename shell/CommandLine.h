#pragma once
// The program's few options. Without any, the program opens the transfer screen as it always has; each
// option (--version, --help, --connect) does its one thing and ends, without needing a display.

#include <optional>

namespace shell {

/// Does what the program's options on the command line ask for and returns the exit status; nothing when the
/// command line holds none of them (Qt's own, such as -platform, are left to the application object).
/// Makes an application object of its own: call it before there is one.
std::optional<int> runOptions(int argc, char **argv);

/// Whether windows can be shown: there is a display or a Wayland session, or a platform is named by
/// -platform or QT_QPA_PLATFORM.
bool canShowWindows(int argc, char **argv);

} // namespace shell
