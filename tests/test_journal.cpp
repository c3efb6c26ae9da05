// The journal of a terminal: its lines in the log files of the terminal folder, which take turns at a
// bounded size.

#include "terminal/Journal.h"
#include "terminal/JournalFile.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList linesOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

Q_LOGGING_CATEGORY(other, "touchmove.other")

} // namespace

TEST(Journal, LinesGoToLogFilesOfBoundedSize)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    constexpr qint64 MaxBytes = 400;
    terminal::startJournal(folder.path().toStdString() + "/", MaxBytes, 2);

    const QString log = folder.filePath(QString::fromLatin1(terminal::JournalFileName));
    qCDebug(other) << "a debug line stays out";
    qCInfo(other) << "an info line of another category stays out";
    qCWarning(other).noquote() << "a warning of any category goes in";
    const QStringList first = linesOf(log);
    ASSERT_EQ(first.size(), 1) << first.join('\n').toStdString();
    EXPECT_TRUE(first[0].endsWith(QStringLiteral(" warning a warning of any category goes in")))
        << first[0].toStdString();

    for (int i = 1; i <= 30; ++i) {
        const QString bill = QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        qCInfo(terminal::journal).noquote() << "posted bill" << bill + QStringLiteral("\nsecond line");
    }
    qInstallMessageHandler(nullptr);

    const QStringList current = linesOf(log), older = linesOf(log + ".1"), oldest = linesOf(log + ".2");
    EXPECT_FALSE(QFile::exists(log + ".3")) << "only two older files are kept";
    for (const QString &file : {log, log + ".1", log + ".2"})
        EXPECT_LE(QFile(file).size(), MaxBytes) << file.toStdString();
    ASSERT_FALSE(current.isEmpty());
    ASSERT_FALSE(older.isEmpty());
    ASSERT_FALSE(oldest.isEmpty());
    EXPECT_TRUE(current.last().endsWith(QStringLiteral(" info posted bill 0030 / second line")))
        << current.last().toStdString();
    // The files follow each other without a gap: the oldest file's last bill comes right before the next
    // file's first.
    const auto billOf = [](const QString &line) {
        return line.section(QStringLiteral("posted bill "), 1).left(4).toInt();
    };
    EXPECT_EQ(billOf(older.first()), billOf(oldest.last()) + 1);
    EXPECT_EQ(billOf(current.first()), billOf(older.last()) + 1);
}
