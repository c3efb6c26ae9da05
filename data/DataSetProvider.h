#pragma once
// TDataSetProvider: feeds a record set from a SQL dataset, running the record set's own command text.

#include "RecordSource.h"
#include "SqlQuery.h"

namespace data {

enum TProviderOption { poAllowCommandText = 1 };

class TDataSetProvider : public IRecordProvider {
public:
    explicit TDataSetProvider(TSQLDataSet *dataSet = nullptr) : DataSet(dataSet) {}
    TSQLDataSet *DataSet;
    int Options = 0;

    /// The statement is freed as soon as the record set has fetched its last row.
    std::unique_ptr<IRecordSource> open(const std::string &commandText) override;
};

} // namespace data
