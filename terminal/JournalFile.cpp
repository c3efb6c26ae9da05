#include "JournalFile.h"

#include "Journal.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>

#include <cstdio>
#include <cstring>

namespace terminal {

namespace {

struct JournalTarget {
    QString file;
    qint64 maxBytes = 0;
    int keep = 0;
    QMutex mutex;
};

/// The one journal of the process, as Qt's message handler is a plain function. Never destroyed: messages
/// may still come while the process's static objects go.
JournalTarget &target()
{
    static auto *const journalTarget = new JournalTarget;
    return *journalTarget;
}

const char *levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "debug";
    case QtInfoMsg: return "info";
    case QtWarningMsg: return "warning";
    case QtCriticalMsg: return "error";
    case QtFatalMsg: return "fatal";
    }
    return "";
}

void rotate(const JournalTarget &t)
{
    const auto numbered = [&t](int n) { return t.file + '.' + QString::number(n); };
    QFile::remove(numbered(t.keep));
    for (int n = t.keep - 1; n >= 1; --n)
        QFile::rename(numbered(n), numbered(n + 1));
    QFile::rename(t.file, numbered(1));
}

void appendLine(const QByteArray &line)
{
    JournalTarget &t = target();
    const QMutexLocker lock(&t.mutex);
    QFile file(t.file);
    if (file.size() > 0 && file.size() + line.size() > t.maxBytes)
        rotate(t);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line);
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QByteArray text = message.toLocal8Bit();
    std::fprintf(stderr, "%s\n", text.constData());
    const bool journalLine = context.category && std::strcmp(context.category, journal().categoryName()) == 0;
    const bool warning = type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg;
    if (journalLine || warning) {
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const QString oneLine = QString(message).replace(QLatin1Char('\n'), QStringLiteral(" / "));
        appendLine(stamp.toUtf8() + ' ' + levelName(type) + ' ' + oneLine.toUtf8() + '\n');
    }
}

} // namespace

void startJournal(const std::string &folder, qint64 maxBytes, int keep)
{
    JournalTarget &t = target();
    const QMutexLocker lock(&t.mutex);
    t.file = QFile::decodeName(folder.c_str()) + QLatin1String(JournalFileName);
    t.maxBytes = maxBytes;
    t.keep = keep;
    qInstallMessageHandler(handleMessage);
}

} // namespace terminal
