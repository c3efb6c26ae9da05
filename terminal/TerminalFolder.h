#pragma once
// The terminal folder: the settings "FormTouchMove.INI", the connection and driver definitions, the report
// title "Saltfen.dat", the preview hand-off files, the picked-product file and the log. A program run from a
// folder of its own (the demo, a copied program folder) keeps them beside itself. An installed program lives
// in a folder no operator may write; its terminal folder is "touchmove" in the user's data folder
// ($XDG_DATA_HOME, by default ~/.local/share).

#include <string>

namespace terminal {

/// The folder of the running program's terminal files, ending with "/". An installed program is known by
/// the folder "defaults" beside it, which holds what a new terminal folder starts with. The program and the
/// preview module it loads get the same answer. Needs the application object.
std::string terminalFolder();

/// Makes an installed program's terminal folder (mode 0700) and gives it what it lacks: the files of
/// "defaults" (the report title), the driver definition and "rtm", a link to the program's report template
/// folder (a shop that keeps a template of its own puts a folder there instead). Nothing that is there is
/// ever replaced; for a program folder nothing is done. Raises std::runtime_error naming the file and the
/// system's reason.
void prepareTerminalFolder();

} // namespace terminal
