#pragma once
// The report template "rtm/quorvan.rtm": an HTML page (UTF-8) that a shop may edit. Placeholders {{NAME}}
// take display texts (HTML-escaped); marked blocks, written as HTML comments, shape the pages:
//   LINE ... /LINE      repeated once per bill line; {{#}} is the line's number
//   LAST ... /LAST      only on the last page (totals, signatures)
//   MORE ... /MORE      on every page but the last
//   FOOTER ... /FOOTER  taken out of the page and drawn at the bottom of each page
// {{PAGE}} and {{PAGES}} give the page number and the page count. Unknown names give the empty text.

#include "HandOff.h"

#include <QSet>
#include <QString>

#include <span>

namespace preview {

struct PageNumber {
    int page = 1;
    int pages = 1;
};

class ReportTemplate {
public:
    /// Raises PreviewError when the file is missing or has no line block.
    static ReportTemplate fromFile(const QString &path);
    /// Raises PreviewError when the text has no line block.
    static ReportTemplate fromHtml(const QString &html);

    /// One page: the header values, the page's lines numbered from firstNumber, and the closing blocks
    /// when `last` is set.
    QString pageHtml(const Values &header, std::span<const Values> lines, int firstNumber, PageNumber number,
                     bool last) const;
    /// The page footer; empty when the template has none.
    QString footerHtml(const Values &header, PageNumber number) const;
    /// Whether a page outside its footer shows the page number or count.
    bool numbersPages() const { return numbersPages_; }
    /// The names a line shows, in upper case.
    const QSet<QString> &lineNames() const { return lineNames_; }

private:
    QString head_;
    QString line_;
    QString tail_;
    QString footer_;
    QSet<QString> lineNames_;
    bool numbersPages_ = false;
};

} // namespace preview
