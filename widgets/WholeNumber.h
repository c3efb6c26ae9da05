#pragma once
// Whole numbers as the operator types them into a number field: digits with an optional leading minus,
// within 32 bits. Full-width digits and minus signs (what a Chinese input method types) count as plain ones.

#include "data/Value.h"

#include <QValidator>

#include <optional>

namespace widgets {

/// Lets an editor hold only digits with an optional leading minus, turning full-width ones into plain ones
/// as they are typed. Any length passes here: the range is checked when the text is taken.
class WholeNumberValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};

/// The value of a typed whole number: null for an empty text, nothing for a text that is no whole number
/// of 32 bits (letters, a fraction, a lone minus, a number out of range).
std::optional<data::TValue> wholeNumber(const QString &text);

} // namespace widgets
