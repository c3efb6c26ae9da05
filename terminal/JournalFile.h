#pragma once
// Where the program's messages go: standard error, which the system journal picks up, and the log files of
// the terminal folder, so that support can read what happened on an earlier day.

#include <QtGlobal>

#include <string>

namespace terminal {

/// Installs the process's message handler. Every message goes to standard error; the journal's lines and
/// every warning also go to "touchmove.log" in `folder`, a line each with date and time. When a line would
/// take that file past `maxBytes`, the file becomes "touchmove.log.1", the older ones moving on up to
/// "touchmove.log.<keep>" and the oldest one dropped. A log file that cannot be written costs its line there,
/// never the program. Call once, from the program's entry; messages of every thread are taken in turn.
void startJournal(const std::string &folder, qint64 maxBytes = 1024 * 1024, int keep = 4);

/// The name of the current log file in a terminal folder.
inline constexpr char JournalFileName[] = "touchmove.log";

} // namespace terminal
