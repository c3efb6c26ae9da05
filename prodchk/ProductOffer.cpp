#include "ProductOffer.h"

#include <algorithm>

namespace prodchk {

namespace {

/// Runs the statement set on `reader` and hands each of its rows to `take`.
template <class F> void readRows(data::TSQLDataSet &reader, F &&take)
{
    const std::unique_ptr<data::IRecordSource> rows = reader.openSource(true);
    std::vector<data::TValue> row;
    while (rows->fetch(row))
        take(row);
}

} // namespace

ProductOffer::ProductOffer(const std::string &prodIdList, int literalLimit)
    : prodIdList_(prodIdList), literalLimit_(literalLimit)
{
    for (const std::string &code : listedCodes(prodIdList))
        billCodes_.emplace_back(comparedCode(code));
    std::ranges::sort(billCodes_, serverOrder);
    billCodes_.erase(std::unique(billCodes_.begin(), billCodes_.end()), billCodes_.end());
    billSet_.insert(billCodes_.begin(), billCodes_.end());
}

ProductOffer::Way ProductOffer::way() const
{
    return int(billCodes_.size()) <= literalLimit_ ? Way::Statements : Way::PageStarts;
}

int ProductOffer::count(data::TClientDataSet &countSet, data::TSQLDataSet &reader)
{
    int products = 0;
    switch (way()) {
    case Way::Statements:
        countSet.close();
        countSet.setCommandText(countStatement(prodIdList_));
        countSet.open();
        products = countSet.fields(0).asInteger();
        break;
    case Way::PageStarts:
        products = walkPageStarts(reader);
        break;
    }
    counted_ = way();
    return products;
}

int ProductOffer::walkPageStarts(data::TSQLDataSet &reader)
{
    std::size_t width = 1;
    for (const std::string &code : billCodes_)
        width = std::max(width, code.size());
    const std::vector<std::string> values = billParameters(billCodes_, int(width));

    reader.close();
    reader.setCommandText(pageStartsStatement(int(width), int(values.size())));
    for (std::size_t i = 0; i < values.size(); ++i)
        reader.paramByName("B" + std::to_string(i + 1)).setAsString(values[i]);
    std::vector<std::string> starts;
    int offered = 0;
    readRows(reader, [&](const std::vector<data::TValue> &row) {
        if (row[0].isNull())
            offered = row[1].asInteger();
        else
            starts.push_back(row[0].asString());
    });
    pageStarts_ = std::move(starts);
    return offered;
}

std::optional<std::string> ProductOffer::pageStatement(int page) const
{
    const std::size_t at = std::size_t(std::max(page, 0));
    if (counted_ == Way::Statements)
        return prodchk::pageStatement(page, prodIdList_);
    if (at >= pageStarts_.size())
        return std::nullopt;
    return rangePageStatement(pageStarts_[at],
                              at + 1 < pageStarts_.size() ? std::optional(pageStarts_[at + 1]) : std::nullopt);
}

void ProductOffer::keepOffered(data::DataPacket &page) const
{
    const auto field = std::ranges::find(page.fields, std::string("PROD_ID"), &data::TFieldDef::name);
    if (field == page.fields.end())
        return;
    const std::size_t code = std::size_t(field - page.fields.begin());
    std::erase_if(page.rows, [&](const auto &row) { return onBill(row[code].asString()); });
    if (page.rows.size() > std::size_t(PageSize)) // products put in use since the count
        page.rows.resize(std::size_t(PageSize));
}

bool ProductOffer::onBill(const std::string &code) const
{
    return billSet_.contains(std::string(comparedCode(code)));
}

} // namespace prodchk
