#pragma once
// TCodePageEdit: a line edit over text kept as code-page-950 bytes. Bytes put in come back out unchanged
// while the operator has not changed the text, even bytes that the code page cannot show.

#include <QLineEdit>

#include <string>

namespace widgets {

class TCodePageEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCodePageEdit(QWidget *parent = nullptr) : QLineEdit(parent) {}

    void setBytes(const std::string &bytes);
    /// The text as bytes. Raises std::runtime_error naming the text when the operator typed a character
    /// that code page 950 cannot write.
    std::string bytes() const;

private:
    std::string loaded_;
    QString loadedText_;
};

} // namespace widgets
