#pragma once

#include <string>

namespace transfer {

/// A warehouse code typed into the header without blanks and control characters at both ends. Code page 950
/// bytes of Chinese characters are all above the blank, so they are never cut.
std::string trimCode(const std::string &code);

} // namespace transfer
