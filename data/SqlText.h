#pragma once
// Composing statement texts. A value spliced between single quotes has its quotes doubled, so an ordinary
// value gives the text unchanged and a quote inside a code can neither break nor change the statement.

#include <string>
#include <vector>

namespace data {

/// The value with every single quote doubled, for use between single quotes in a statement text.
std::string quoteValue(const std::string &value);

/// Lines joined as a statement object sends them: every line followed by CR LF.
std::string joinLines(const std::vector<std::string> &lines);

} // namespace data
