#include "ProductOffer.h"

#include "widgets/CodePage.h"

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

void ProductOffer::setSearch(const QString &text)
{
    search_ = text.trimmed();
}

ProductOffer::Way ProductOffer::way() const
{
    if (!search_.isEmpty())
        return Way::Catalogue;
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
    case Way::Catalogue:
        products = searchCatalogue(reader);
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

int ProductOffer::searchCatalogue(data::TSQLDataSet &reader)
{
    if (!catalogue_) {
        std::vector<Product> products;
        widgets::CodePageDecoder decode;
        reader.close();
        reader.setCommandText(catalogueStatement());
        readRows(reader, [&](const std::vector<data::TValue> &row) {
            const std::string code = row[0].asString();
            products.push_back({code, decode(code).trimmed(), decode(row[1].asString())});
        });
        catalogue_ = std::move(products);
    }
    offered_.clear();
    for (const Product &p : *catalogue_)
        if (!onBill(p.code) &&
            (p.shownCode.startsWith(search_, Qt::CaseInsensitive) || p.shortName.contains(search_, Qt::CaseInsensitive)))
            offered_.push_back(&p);
    return int(offered_.size());
}

std::optional<std::string> ProductOffer::pageStatement(int page) const
{
    const std::size_t at = std::size_t(std::max(page, 0));
    switch (counted_) {
    case Way::Statements:
        return prodchk::pageStatement(page, prodIdList_);
    case Way::PageStarts:
        if (at >= pageStarts_.size())
            return std::nullopt;
        return rangePageStatement(pageStarts_[at], at + 1 < pageStarts_.size() ? std::optional(pageStarts_[at + 1])
                                                                               : std::nullopt);
    case Way::Catalogue:
        break;
    }
    std::vector<std::string> codes;
    for (std::size_t i = at * PageSize; i < std::min(offered_.size(), (at + 1) * PageSize); ++i)
        codes.push_back(offered_[i]->code);
    if (codes.empty())
        return std::nullopt;
    return codesPageStatement(codes);
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
