#pragma once
// What a PDF file says, page by page.

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

/// The text of each page of a PDF file, as pdftotext lays it out.
inline QStringList pdfPages(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(process.waitForFinished(60000)) << "pdftotext did not finish";
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    while (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}
