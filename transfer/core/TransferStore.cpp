#include "TransferStore.h"

namespace transfer {

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
    : SQLConnection1(programDir), SQLConnection2(programDir)
{
    configureConnection(SQLConnection1);
    configureConnection(SQLConnection2);
    DataSetProvider1.Options = data::poAllowCommandText;
    ClientDataSet1.setProvider(&DataSetProvider1);
}

} // namespace transfer
