#include "DataSetProvider.h"

#include "DbError.h"

namespace data {

std::unique_ptr<IRecordSource> TDataSetProvider::open(const std::string &commandText)
{
    if (!DataSet)
        throw EDatabaseError("Provider has no dataset");
    if (!commandText.empty()) {
        if (!(Options & poAllowCommandText))
            throw EDatabaseError("Provider does not allow command text");
        DataSet->setCommandText(commandText);
    }
    return DataSet->openSource(true);
}

} // namespace data
