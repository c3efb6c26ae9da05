#include "CodePageEdit.h"

#include "CodePage.h"

#include <stdexcept>

namespace widgets {

void TCodePageEdit::setBytes(const std::string &bytes)
{
    loaded_ = bytes;
    loadedText_ = decodeText(bytes);
    setText(loadedText_);
}

std::string TCodePageEdit::bytes() const
{
    if (text() == loadedText_)
        return loaded_;
    if (auto encoded = encodeText(text()))
        return *encoded;
    throw std::runtime_error("'" + text().toStdString() + "' holds a character that code page 950 cannot write");
}

} // namespace widgets
