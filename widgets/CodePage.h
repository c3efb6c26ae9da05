#pragma once
// The widgets turn business text (code page 950 bytes) into screen text and back through the data layer's
// conversion.

#include "data/CodePage.h"

namespace widgets {

using data::CodePageDecoder;
using data::decodeText;
using data::encodeText;

} // namespace widgets
