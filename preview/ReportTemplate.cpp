#include "ReportTemplate.h"

#include "PreviewError.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace preview {

namespace {

QString openTag(QStringView name) { return QStringLiteral("<!--%1-->").arg(name); }
QString closeTag(QStringView name) { return QStringLiteral("<!--/%1-->").arg(name); }

/// Keeps the contents of every `name` block (dropping the marks), or removes the blocks whole.
QString resolveBlocks(QString html, QStringView name, bool keep)
{
    const QString open = openTag(name);
    const QString close = closeTag(name);
    for (qsizetype from = html.indexOf(open); from >= 0; from = html.indexOf(open, from)) {
        const qsizetype end = html.indexOf(close, from + open.size());
        if (end < 0) {
            html.remove(from, open.size());
            continue;
        }
        if (keep) {
            html.remove(end, close.size());
            html.remove(from, open.size());
        } else {
            html.remove(from, end + close.size() - from);
        }
    }
    return html;
}

const QRegularExpression &placeholder()
{
    static const QRegularExpression pattern(QStringLiteral(R"(\{\{\s*([^{}]*?)\s*\}\})"));
    return pattern;
}

/// Replaces the placeholders with lookup(NAME), HTML-escaped.
template <typename Lookup>
QString fill(const QString &html, Lookup lookup)
{
    QString out;
    qsizetype done = 0;
    for (const QRegularExpressionMatch &m : placeholder().globalMatch(html)) {
        out += QStringView(html).mid(done, m.capturedStart() - done);
        out += lookup(m.captured(1).toUpper()).toHtmlEscaped();
        done = m.capturedEnd();
    }
    out += QStringView(html).mid(done);
    return out;
}

/// The names of the placeholders that show in `html`, in upper case; those within comments do not show.
QSet<QString> shownNames(QString html)
{
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"), QRegularExpression::DotMatchesEverythingOption);
    html.remove(comment);
    QSet<QString> names;
    for (const QRegularExpressionMatch &m : placeholder().globalMatch(html))
        names.insert(m.captured(1).toUpper());
    return names;
}

Values pageValues(PageNumber number)
{
    return {{QStringLiteral("PAGE"), QString::number(number.page)},
            {QStringLiteral("PAGES"), QString::number(number.pages)}};
}

} // namespace

ReportTemplate ReportTemplate::fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PreviewError(QStringLiteral("找不到報表範本：%1\n%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    try {
        return fromHtml(QString::fromUtf8(file.readAll()));
    } catch (const PreviewError &e) {
        throw PreviewError(QStringLiteral("報表範本 %1 無法使用：%2").arg(QDir::toNativeSeparators(path), e.message()));
    }
}

ReportTemplate ReportTemplate::fromHtml(const QString &html)
{
    ReportTemplate t;
    QString body = html;
    const QString footerOpen = openTag(u"FOOTER");
    const QString footerClose = closeTag(u"FOOTER");
    if (const qsizetype from = body.indexOf(footerOpen); from >= 0) {
        const qsizetype end = body.indexOf(footerClose, from);
        const qsizetype stop = end < 0 ? body.size() : end + footerClose.size();
        const qsizetype contentEnd = end < 0 ? body.size() : end;
        t.footer_ = body.mid(from + footerOpen.size(), contentEnd - from - footerOpen.size());
        body.remove(from, stop - from);
    }

    const QString lineOpen = openTag(u"LINE");
    const QString lineClose = closeTag(u"LINE");
    const qsizetype from = body.indexOf(lineOpen);
    const qsizetype end = from < 0 ? -1 : body.indexOf(lineClose, from);
    if (from < 0 || end < 0)
        throw PreviewError(QStringLiteral("沒有明細區段 (%1 ... %2)。").arg(lineOpen, lineClose));
    t.head_ = body.left(from);
    t.line_ = body.mid(from + lineOpen.size(), end - from - lineOpen.size());
    t.tail_ = body.mid(end + lineClose.size());
    t.lineNames_ = shownNames(t.line_);
    const QSet<QString> pageNames = shownNames(t.head_) + t.lineNames_ + shownNames(t.tail_);
    t.numbersPages_ = pageNames.contains(QStringLiteral("PAGE")) || pageNames.contains(QStringLiteral("PAGES"));
    return t;
}

QString ReportTemplate::pageHtml(const Values &header, std::span<const Values> lines, int firstNumber,
                                 PageNumber number, bool last) const
{
    const Values page = pageValues(number);
    const auto headerValue = [&](const QString &name) { return page.value(name, header.value(name)); };

    QString html = fill(head_, headerValue);
    int n = firstNumber;
    for (const Values &line : lines) {
        const QString counter = QString::number(n++);
        html += fill(line_, [&](const QString &name) {
            if (name == u"#")
                return counter;
            const auto it = line.constFind(name);
            return it != line.cend() ? *it : headerValue(name);
        });
    }
    html += fill(tail_, headerValue);
    return resolveBlocks(resolveBlocks(html, u"LAST", last), u"MORE", !last);
}

QString ReportTemplate::footerHtml(const Values &header, PageNumber number) const
{
    const Values page = pageValues(number);
    return fill(footer_, [&](const QString &name) { return page.value(name, header.value(name)); });
}

} // namespace preview
