#include "TerminalFolder.h"

#include "Definitions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <stdexcept>

namespace terminal {

namespace {

constexpr char DefaultsFolder[] = "defaults";

QString programFolder() { return QCoreApplication::applicationDirPath(); }

bool installed() { return QFileInfo(programFolder() + '/' + DefaultsFolder).isDir(); }

QString userTerminalFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/touchmove");
}

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason)
{
    throw std::runtime_error((what + QStringLiteral(" '") + path + QStringLiteral("': ") + reason).toStdString());
}

} // namespace

std::string terminalFolder()
{
    return QFile::encodeName((installed() ? userTerminalFolder() : programFolder()) + '/').toStdString();
}

void prepareTerminalFolder()
{
    if (!installed())
        return;
    const QString folder = userTerminalFolder();
    if (!QFileInfo(folder).isDir()) {
        if (!QDir().mkpath(folder))
            fail(QStringLiteral("Cannot make the terminal folder"), folder, QStringLiteral("mkdir failed"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QDir defaults(programFolder() + '/' + DefaultsFolder);
    for (const QString &name : defaults.entryList(QDir::Files)) {
        const QString target = folder + '/' + name;
        if (QFileInfo::exists(target))
            continue;
        QFile source(defaults.filePath(name));
        if (!source.copy(target))
            fail(QStringLiteral("Cannot make"), target, source.errorString());
    }
    provideDriverDefinition(QFile::encodeName(folder + '/').toStdString());
    const QString templates = folder + QStringLiteral("/rtm");
    if (!QFileInfo(templates).exists() && !QFileInfo(templates).isSymLink()) {
        QFile programTemplates(programFolder() + QStringLiteral("/rtm"));
        if (!programTemplates.link(templates))
            fail(QStringLiteral("Cannot make"), templates, programTemplates.errorString());
    }
}

} // namespace terminal
