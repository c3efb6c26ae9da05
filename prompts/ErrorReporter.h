#pragma once
// Where an error that no handler caught is shown: the application's standard error box, or a record in tests.

#include <QString>

namespace prompts {

class IErrorReporter {
public:
    virtual ~IErrorReporter() = default;
    virtual void showError(const QString &message) = 0;
};

} // namespace prompts
