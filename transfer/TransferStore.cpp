#include "TransferStore.h"

#include <algorithm>

namespace transfer {

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

} // namespace transfer
