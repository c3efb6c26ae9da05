#include "ReplaceFile.h"

#include "DbError.h"

#include <QSaveFile>

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace data {

void replaceFile(const std::string &path, QByteArrayView bytes)
{
    const auto failed = [&path](const QString &reason) {
        throw EDatabaseError("Cannot create file \"" + path + "\". " + reason.toStdString());
    };
    QSaveFile file(QString::fromStdString(path));
    // Unbuffered, so that the disk's refusal comes back from write(). A buffered write is flushed by
    // commit(), which does not notice when that flush fails: on a full disk it put an empty file in place
    // of the previous one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        failed(file.errorString());
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            failed(file.errorString());
        done += written;
    }
    // A file system that allocates late reports a full disk only here; commit() would not say.
    if (::fdatasync(file.handle()) != 0)
        failed(QString::fromLocal8Bit(std::strerror(errno)));
    if (!file.commit())
        failed(file.errorString());
}

} // namespace data
