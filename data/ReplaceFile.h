#pragma once
// Writing a file whole: the one way the program writes its files.

#include <QByteArrayView>

#include <string>

namespace data {

/// Replaces the file at `path` with `bytes`: afterwards it holds all of them, or it is as it was before
/// (or still missing). A failure raises EDatabaseError "Cannot create file "%s". " followed by the system's
/// reason (a full disk, a missing folder, no permission).
void replaceFile(const std::string &path, QByteArrayView bytes);

} // namespace data
