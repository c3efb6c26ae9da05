#include "TransferStore.h"

#include <algorithm>

namespace transfer {

using data::TFieldType;

std::string trimCode(const std::string &code)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    auto begin = std::find_if_not(code.begin(), code.end(), blank);
    auto end = std::find_if_not(code.rbegin(), std::make_reverse_iterator(begin), blank).base();
    return std::string(begin, end);
}

void configureConnection(data::TSQLConnection &connection)
{
    connection.ConnectionName = "Kobrel";
    connection.DriverName = "Interbase";
    connection.GetDriverFunc = "getSQLDriverINTERBASE";
    connection.LibraryName = "libdbxfb.so";
    connection.VendorLib = "libfbclient.so.2";
    connection.LoadParamsOnConnect = true;
    connection.LoginPrompt = false;
}

TransferStore::TransferStore(const std::string &programDir)
    : programDir(programDir), SQLConnection1(programDir), SQLConnection2(programDir)
{
    configureConnection(SQLConnection1);
    configureConnection(SQLConnection2);
    DataSetProvider1.Options = data::poAllowCommandText;
    ClientDataSet1.setProvider(&DataSetProvider1);
}

namespace {

/// Defines the fields that the line table and the picked-product set share, and their index.
void defineLineFields(data::TClientDataSet &t, bool withLineNumber)
{
    t.close();
    t.fieldDefs().clear();
    t.indexDefs().clear();
    if (withLineNumber)
        t.addFieldDef("Sno", TFieldType::ftInteger);
    t.addFieldDef("PROD_ID", TFieldType::ftString, 20);
    t.addFieldDef("PROD_NAME", TFieldType::ftString, 50);
    t.addFieldDef("T_QTY", TFieldType::ftInteger);
    t.addFieldDef("NOW_QTY", TFieldType::ftInteger);
    t.addFieldDef("SAL_QTY", TFieldType::ftInteger);
    t.addFieldDef("M_QTY", TFieldType::ftInteger);
    t.addIndexDef("IntIndex", "PROD_ID");
    t.createDataSet();
}

} // namespace

void TransferStore::createLineTable()
{
    defineLineFields(ClientDataSet2, true);
}

void TransferStore::createPickedSet()
{
    defineLineFields(TempCDS, false);
}

void TransferStore::lockFixedColumns(bool locked)
{
    if (!ClientDataSet2.active())
        return;
    for (int i = 0; i < FixedColumnCount; ++i)
        ClientDataSet2.fields(i).setReadOnly(locked);
}

} // namespace transfer
