#pragma once
// Where the embedded engine keeps its lock files. By default that is /tmp/firebird, which belongs to the
// server's user; anyone who may not write there gets a private folder of their own.

#include <string>

namespace data::fb {

/// Leaves FIREBIRD_LOCK alone when the caller has set it, and the engine's default when this user may write
/// it. Otherwise makes the private folder ("firebird" under $XDG_RUNTIME_DIR where that is set, else
/// /tmp/firebird-UID) and points FIREBIRD_LOCK at it. Raises EDatabaseError when that folder cannot be made
/// private (see makePrivateFolder).
void ensureLockFolder();

/// Makes `path` a folder that only this user may use: created with mode 0700 when missing, closed to others
/// when it is this user's and others may only read it. Raises EDatabaseError naming the folder and the
/// reason when it is a symbolic link or not a folder, belongs to another user, or others may write it (lock
/// files in such a folder could be replaced by someone else's).
void makePrivateFolder(const std::string &path);

} // namespace data::fb
