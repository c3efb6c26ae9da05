#include "PreviewHandOff.h"

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
    std::string text = q.fields(0).asString();
    q.close();
    return text;
}

std::string PreviewHandOff::reportTitle()
{
    data::TClientDataSet titles;
    titles.loadFromFile(programDir_ + "Saltfen.dat");
    titles.first();
    return titles.fieldByName("rep_title").asString();
}

void callPreviewModule(const std::string &programDir)
{
    // An installed program keeps its terminal files apart from itself: its own folder comes second.
    QLibrary module;
    const QString folders[] = {QString::fromStdString(programDir), QCoreApplication::applicationDirPath() + '/', {}};
    for (const QString &folder : folders) {
        module.setFileName(folder + QString::fromLatin1(PreviewModuleName));
        if (module.load())
            break;
    }
    if (!module.isLoaded())
        throw EDLLLoadError("Unable to Load DLL");
    const auto unload = qScopeGuard([&module] { module.unload(); });
    using ShowForm = void (*)();
    if (const auto showForm = reinterpret_cast<ShowForm>(module.resolve("ShowForm")))
        showForm();
}

} // namespace transfer
