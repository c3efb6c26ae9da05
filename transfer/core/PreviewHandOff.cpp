#include "PreviewHandOff.h"

#include "data/DbError.h"
#include "data/IniFile.h"
#include "data/SqlText.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QScopeGuard>

namespace transfer {

namespace {

constexpr char Section[] = "rpttemp";
constexpr int HeaderFieldCount = 13;

std::string separator() { return std::string(1, QDir::separator().toLatin1()); }

} // namespace

void PreviewHandOff::run(const BillHeader &header)
{
    const std::string sending = warehouseText(header.sendingStock);
    const std::string receiving = warehouseText(header.receivingStock);

    data::TClientDataSet headings;
    for (int i = 0; i < HeaderFieldCount; ++i)
        headings.addFieldDef("Field" + std::to_string(i), data::TFieldType::ftString, 50);
    headings.createDataSet();
    headings.append();
    headings.fieldByName("Field0").setAsString(sending);
    headings.fieldByName("Field1").setAsString(receiving);
    headings.fieldByName("Field12").setAsString(reportTitle());
    headings.post();

    bill_.close();
    bill_.setCommandText(data::joinLines({"SELECT * FROM MOVE_MASTER,MOVE_SUB ",
                                          "WHERE MOVE_MASTER.MASTERBILLID = MOVE_SUB.MASTERBILLID ",
                                          "AND MOVE_MASTER.MASTERBILLID = '" + data::quoteValue(header.billNo) + "'",
                                          "ORDER BY MOVE_SUB.PROD_ID"}));
    bill_.open();
    bill_.setFiltered(false);

    const std::string templatePath = programDir_ + "rtm" + separator() + "quorvan.rtm";
    const std::string billPath = programDir_ + "temp.cds";
    const std::string headerPath = programDir_ + "temp2.cds";
    {
        data::TIniFile ini(programDir_ + "rpttemp.ini");
        ini.writeString(Section, "path", templatePath);
        ini.writeString(Section, "tempfile", billPath);
        ini.writeString(Section, "tempfile2", headerPath);
        ini.writeString(Section, "Filter", "");
        ini.writeString(Section, "Filtered", "False"); // the filter was switched off above
    }
    bill_.saveToFile(billPath, data::TClientDataSet::FileFormat::Binary);
    headings.saveToFile(headerPath, data::TClientDataSet::FileFormat::Binary);

    callPreviewModule(programDir_);
}

std::string PreviewHandOff::warehouseText(const std::string &stockId)
{
    data::TSQLQuery &q = query_;
    data::setStatement(q, {"SELECT STOCK_ID||STOCK_NAME FROM STOCK_ITEM ",
                           "WHERE STOCK_ID = '" + data::quoteValue(stockId) + "'"});
    q.open();
    // A warehouse without a name is printed as its code: the code joined with a null name is null.
    std::string text = q.eof() || !q.fields(0).isNull() ? q.fields(0).asString() : stockId;
    q.close();
    return text;
}

std::string PreviewHandOff::reportTitle()
{
    const std::string path = programDir_ + "Saltfen.dat";
    data::TClientDataSet titles;
    titles.loadFromFile(path);
    titles.first();
    const data::TField *title = titles.findField("rep_title");
    if (!title) // the record set's own message, and which file lacks the field
        throw data::EDatabaseError(data::formatMessage("Field '%s' not found", "rep_title") + "\n" + path);
    return title->asString();
}

void callPreviewModule(const std::string &programDir)
{
    // An installed program keeps its terminal files apart from itself: its own folder comes second.
    QLibrary module;
    const QString folders[] = {QString::fromStdString(programDir), QCoreApplication::applicationDirPath() + '/', {}};
    // The system's reason for the first module file there that would not load, else for the first place tried.
    QString why;
    bool whyOfAFile = false;
    for (const QString &folder : folders) {
        module.setFileName(folder + QString::fromLatin1(PreviewModuleName));
        if (module.load())
            break;
        const bool fileThere =
            !folder.isEmpty() &&
            !QDir(folder).entryList({QLatin1Char('*') + QString::fromLatin1(PreviewModuleName) + QLatin1Char('*')},
                                    QDir::Files).isEmpty();
        if (why.isEmpty() || (fileThere && !whyOfAFile)) {
            why = module.errorString();
            whyOfAFile = fileThere;
        }
    }
    if (!module.isLoaded())
        throw EDLLLoadError("Unable to Load DLL\n" + why.toStdString());
    const auto unload = qScopeGuard([&module] { module.unload(); });
    using ShowForm = void (*)();
    if (const auto showForm = reinterpret_cast<ShowForm>(module.resolve("ShowForm")))
        showForm();
}

} // namespace transfer
