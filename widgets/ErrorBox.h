#pragma once
// The application's standard error box, and the guard that every event handler of a screen runs in: an
// uncaught error is shown with its message, the silent abort is swallowed, and nothing leaves the slot.

#include "prompts/ErrorReporter.h"
#include "prompts/ErrorText.h"

#include <QString>

#include <exception>
#include <functional>
#include <utility>

class QWidget;

namespace widgets {

/// A modal box titled with the program's name, the message and one OK button.
class TErrorBox : public prompts::IErrorReporter {
public:
    explicit TErrorBox(QWidget *parent = nullptr) : parent_(parent) {}
    void showError(const QString &message) override;

private:
    QWidget *parent_;
};

/// Runs `work`; an uncaught error is shown through `reporter`, the silent abort is swallowed.
/// Returns false when `work` ended by an error or the abort.
template <class F> bool guarded(prompts::IErrorReporter &reporter, F &&work) noexcept;

bool isSilentAbort(const std::exception &error);

/// The error hook of a widget that works on a record set.
using ErrorHook = std::function<void(const std::exception &error)>;
/// Hands a failure met inside a widget to its hook; the silent abort goes nowhere, and a widget without a
/// hook logs the failure under `widget`.
void reportToHook(const ErrorHook &hook, const std::exception &error, const char *widget);

template <class F> bool guarded(prompts::IErrorReporter &reporter, F &&work) noexcept
{
    try {
        std::forward<F>(work)();
        return true;
    } catch (const std::exception &e) {
        if (!isSilentAbort(e))
            reporter.showError(prompts::errorText(e));
    } catch (...) {
        reporter.showError(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace widgets
