#pragma once
// What the transfer screen hands to the preview: "rpttemp.ini" in the program folder names the template and
// the two record-set files (the bill rows and the one header row). Everything is read into display text.

#include <QHash>
#include <QString>

#include <vector>

namespace preview {

/// Display texts by field name in upper case (placeholders are matched without regard to case).
using Values = QHash<QString, QString>;

struct HandOff {
    QString templatePath;
    /// The first bill row, the header row's Field0..Field12, TOTAL_QTY and LINE_COUNT.
    Values header;
    /// One entry per bill row, in file order.
    std::vector<Values> lines;
};

/// Reads the hand-off files of the program folder. Raises PreviewError naming the file and what is wrong
/// when "rpttemp.ini" or a record-set file is missing or cannot be read.
HandOff readHandOff(const QString &programDir);

} // namespace preview
