#include "PostingShop.h"

#include "data/CodePage.h"
#include "data/IniFile.h"

#include <QFile>

#include <dlfcn.h>

#include <fstream>

std::string cp950(const char *text)
{
    return data::encodeText(QString::fromUtf8(text)).value();
}

void fillShop(TestDatabase &db)
{
    db.exec("INSERT INTO STORE_CHOISE(STORE_ID) VALUES('K001')");
    db.exec("INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES('S01','" + cp950("總倉") + "')");
    db.exec("INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES('S02','" + cp950("分倉") + "')");
    db.exec("INSERT INTO PRODUCT(PROD_ID,PROD_NAME,PROD_SCALE,UNITNAME,PACK1,PACK1_QTY,PACK2,PACK2_QTY,PD_ITEMID) "
            "VALUES('P001','" + cp950("青禾肉燥麵") + "','" + cp950("5入") + "','" + cp950("包") + "','" +
            cp950("箱") + "',24,'" + cp950("打") + "',12.5,'IT001')");
    db.exec("INSERT INTO PRODUCT(PROD_ID,PROD_NAME,UNITNAME,PACK1,PACK2) VALUES('P002','" + cp950("鮮乳") + "','" +
            cp950("瓶") + "','" + cp950("箱") + "','" + cp950("打") + "')");
    db.exec("INSERT INTO PRODUCT(PROD_ID,PROD_NAME,UNITNAME,PACK1_QTY,PACK2_QTY) VALUES('P''03','" +
            cp950("蘋果汽水") + "','" + cp950("罐") + "',6,1)");
}

void writeSettings(const std::string &programDir, const std::string &salesText)
{
    data::TIniFile ini(programDir + "FormTouchMove.INI");
    ini.writeString("System", "SSTOCKID", "S01");
    ini.writeString("System", "TSTOCKID", "S02");
    ini.writeString("System", "SalesID", salesText);
}

void writeTitleFile(const std::string &programDir, const std::string &title, bool withTitleField)
{
    data::TClientDataSet titles;
    titles.addFieldDef(withTitleField ? "rep_title" : "rep_name", data::TFieldType::ftString, 50);
    titles.createDataSet();
    titles.append();
    titles.fields(0).setAsString(title);
    titles.post();
    titles.saveToFile(programDir + "Saltfen.dat", data::TClientDataSet::FileFormat::Xml);
}

static void installModule(const char *module, const std::string &programDir)
{
    const QString target = QString::fromStdString(programDir + "libRptPreview.so");
    QFile::remove(target);
    if (!QFile::copy(QString::fromLatin1(module), target))
        throw std::runtime_error(std::string("cannot copy ") + module);
}

void installRecordingModule(const std::string &programDir) { installModule(RECORDING_MODULE, programDir); }
void installModuleWithoutEntry(const std::string &programDir) { installModule(NO_ENTRY_MODULE, programDir); }

void prepareShop(TestDatabase &db)
{
    fillShop(db);
    writeSettings(db.programDir(), "A01_" + cp950("王小明"));
    writeTitleFile(db.programDir(), cp950("中山店 調撥單"));
    installRecordingModule(db.programDir());
}

std::vector<std::string> moduleCalls(const std::string &programDir)
{
    std::vector<std::string> calls;
    std::ifstream log(programDir + "showform.log");
    for (std::string line; std::getline(log, line);)
        calls.push_back(line);
    return calls;
}

bool moduleLoaded(const std::string &programDir)
{
    void *handle = dlopen((programDir + "libRptPreview.so").c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}

void addLine(data::TClientDataSet &lines, int sno, const std::string &prodId, const std::string &name,
             std::optional<int> mainStock, std::optional<int> quantity)
{
    lines.append();
    lines.fieldByName("Sno").setAsInteger(sno);
    lines.fieldByName("PROD_ID").setAsString(prodId);
    lines.fieldByName("PROD_NAME").setAsString(name);
    if (mainStock)
        lines.fieldByName("T_QTY").setAsInteger(*mainStock);
    if (quantity)
        lines.fieldByName("M_QTY").setAsInteger(*quantity);
    lines.post();
}

std::string rowText(data::TSQLConnection &connection, const std::string &sql)
{
    data::TSQLQuery q(&connection);
    q.SQL().add(sql);
    q.open();
    if (q.eof())
        return "(no row)";
    std::string text;
    for (int i = 0; i < q.fieldCount(); ++i) {
        const data::TSQLField &f = q.fields(i);
        text += (i ? "|" : "") + f.fieldName() + "=" + (f.isNull() ? std::string("<null>") : f.asString());
    }
    return text;
}
