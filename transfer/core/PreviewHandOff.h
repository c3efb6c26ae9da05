#pragma once
// The print-preview hand-off: the last posted bill, written as record-set files and a small settings file
// into the program folder, then the report-preview module loaded, its "ShowForm" called and the module
// unloaded again. Everything the module needs is in those files; the call carries no arguments.

#include "BillHeader.h"

#include "data/ClientDataSet.h"
#include "data/SqlQuery.h"

#include <stdexcept>
#include <string>

namespace transfer {

/// The preview module could not be loaded. Message only.
class EDLLLoadError : public std::runtime_error {
public:
    explicit EDLLLoadError(const std::string &message) : std::runtime_error(message) {}
};

/// The file name of the preview module without its platform's prefix and suffix ("libRptPreview.so" on
/// Linux, "RptPreview.dll" on Windows).
inline constexpr char PreviewModuleName[] = "RptPreview";

class PreviewHandOff {
public:
    /// `query` (SQLQuery1) and `bill` (ClientDataSet1, fed by its provider) work on the first connection and
    /// must outlive the hand-off. `programDir` ends with the path separator.
    PreviewHandOff(data::TSQLQuery &query, data::TClientDataSet &bill, std::string programDir)
        : query_(query), bill_(bill), programDir_(std::move(programDir))
    {
    }

    /// Runs the whole hand-off for the bill `header.billNo` from `header.sendingStock` to
    /// `header.receivingStock`:
    ///  - reads both warehouse texts (a warehouse without a name gives its code alone), the title of
    ///    "Saltfen.dat" and the bill (into `bill`, which stays open on it); a failure here raises the
    ///    database's or the file's error, naming the file, and writes nothing;
    ///  - writes the five keys of "rpttemp.ini" (the rest of that file stays), "temp.cds" and "temp2.cds"; a
    ///    folder that cannot be written raises an error naming the file;
    ///  - calls the module (see callPreviewModule).
    void run(const BillHeader &header);

private:
    std::string warehouseText(const std::string &stockId);
    std::string reportTitle();

    data::TSQLQuery &query_;
    data::TClientDataSet &bill_;
    std::string programDir_;
};

/// Loads the preview module from `programDir` first, then from the running program's folder, then through
/// the platform's usual search; calls its "ShowForm" when it has one (it returns when the preview is closed)
/// and unloads it again, also when the call raises. Raises EDLLLoadError "Unable to Load DLL" when no module
/// can be loaded, with the module file and the system's reason on the next line.
void callPreviewModule(const std::string &programDir);

} // namespace transfer
