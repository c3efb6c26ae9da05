#include "LockFolder.h"

#include "data/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace data::fb {

#ifdef Q_OS_UNIX

void makePrivateFolder(const std::string &path)
{
    const auto refuse = [&](const std::string &why) {
        throw EDatabaseError("The lock folder '" + path + "' of the embedded engine cannot be used: " + why);
    };
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        refuse(std::strerror(errno));
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        refuse(std::strerror(errno));
    if (S_ISLNK(st.st_mode))
        refuse("it is a symbolic link");
    if (!S_ISDIR(st.st_mode))
        refuse("it is not a folder");
    if (st.st_uid != getuid())
        refuse("it belongs to user " + std::to_string(st.st_uid) + ", not to user " + std::to_string(getuid()));
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
        refuse(std::string("others may write it (mode ") + mode + ")");
    }
    if ((st.st_mode & 0777) != 0700 && chmod(path.c_str(), 0700) != 0)
        refuse(std::strerror(errno));
}

void ensureLockFolder()
{
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    const QFileInfo shared(QStringLiteral("/tmp/firebird"));
    if (!shared.exists() || (shared.isWritable() && shared.isExecutable()))
        return;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString own = runtime.isEmpty() ? QStringLiteral("/tmp/firebird-") + QString::number(getuid())
                                          : runtime + QStringLiteral("/firebird");
    makePrivateFolder(QFile::encodeName(own).toStdString());
    qputenv("FIREBIRD_LOCK", QFile::encodeName(own));
}

#else

void makePrivateFolder(const std::string &path)
{
    if (!QDir().mkpath(QString::fromStdString(path)))
        throw EDatabaseError("The lock folder '" + path + "' of the embedded engine cannot be made");
}

void ensureLockFolder() {}

#endif

} // namespace data::fb
