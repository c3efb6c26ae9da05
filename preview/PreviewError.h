#pragma once
// The one error of the preview module: a message for the operator, in UTF-8.

#include <QString>

#include <stdexcept>

namespace preview {

class PreviewError : public std::runtime_error {
public:
    explicit PreviewError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

} // namespace preview
