#pragma once
// The operator's text of an error. The server's own messages are in English and name its internals; for the
// failures a shop meets on an ordinary day the operator reads a short Chinese sentence first, and the
// server's text follows on a second line for support.

#include <QString>

#include <exception>

namespace prompts {

/// The short Chinese sentence for a server error of a class the operator can act on (the database cannot be
/// reached, naming it; the server did not answer in time; the connection lost; a text too long for its
/// column; a number out of range; a lock held by another terminal; a database object in use), or an empty
/// text for any other error.
QString plainCause(const std::exception &error);

/// plainCause() followed by the error's own text on a second line, or the error's own text alone. The own
/// text is UTF-8 when it is ours; a server's message may carry code-page bytes of the data it names, which
/// are decoded as such.
QString errorText(const std::exception &error);

} // namespace prompts
