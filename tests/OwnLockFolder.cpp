// Linked into every test program: the embedded engine's lock table is shared by every process that uses one
// lock folder, and it knows a database by its file's device and inode. A process running beside another may
// be handed a new database file whose inode the other has just given up, and be taken for the other's
// database. Each test process therefore keeps its lock files in a folder of its own, named before any client
// library is loaded (its children use it too) and removed when the process ends.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class OwnLockFolder {
public:
    OwnLockFolder()
    {
        if (dir_.isValid())
            qputenv("FIREBIRD_LOCK", QFile::encodeName(dir_.path()));
    }

private:
    QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/touchmove-lock-XXXXXX")};
};

const OwnLockFolder ownLockFolder;

} // namespace
