#pragma once
// What the product board offers: the products in use with a quantity above zero that are not on the bill, in
// code order, 100 a page, narrowed to the operator's search when there is one.
//
// Three ways give the same products, pages and order. For an empty or small bill the board sends the shop's
// own statements (ProductPages.h), the bill's codes spliced into NOT IN lists; the server compares every
// product with every code of such a list, so those statements cost more with every line of the bill. Past
// LiteralExclusionLimit codes one statement walks the products in code order beside the sorted bill and
// returns where each page starts, and a page is read by its range of codes, less the bill's codes in it. A
// search needs the short names: the codes and short names of the products in use are read once, the bill and
// the search are applied here, and a page is read by its own codes. Codes compare as the server compares
// them: trailing blanks do not count.

#include "ProductPages.h"

#include "data/ClientDataSet.h"
#include "data/SqlQuery.h"

#include <QString>

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace prodchk {

/// The largest bill that is counted and paged with the shop's statements. On 50,000 products their count
/// costs the server 17 ms and 1.3 ms more for every code of the bill, the walk beside the bill 36 ms whatever
/// the bill: the two cost the same at 15 codes (bench_board --crossover), under load as well. The crossing
/// hardly moves with the size of the catalogue, since both costs grow with it.
inline constexpr int LiteralExclusionLimit = 15;

class ProductOffer {
public:
    /// `prodIdList`: the exclusion list. `literalLimit`: the largest bill counted and paged with the shop's
    /// statements.
    explicit ProductOffer(const std::string &prodIdList, int literalLimit = LiteralExclusionLimit);

    /// Narrows the offer to the products whose code begins with `text` or whose short name contains it, without
    /// regard to blanks around it and to the case of Latin letters; an empty text offers all. The text is
    /// matched here on the decoded names, character by character, and never sent to the server. It counts
    /// from the next count().
    void setSearch(const QString &text);

    /// Counts the products offered and prepares their pages: with the shop's count statement on `countSet` (the
    /// board's count record set, fed by its provider), or through `reader`. Raises EDatabaseError with the
    /// server's message; the pages are then those of the count before.
    int count(data::TClientDataSet &countSet, data::TSQLDataSet &reader);

    /// The statement of page `page` (from 0) of the last count; none when that page holds no product.
    std::optional<std::string> pageStatement(int page) const;
    /// Takes out of the rows a page statement fetched the products on the bill, which a page read by its range
    /// of codes holds, and any past the page's 100 (products put in use since the count).
    void keepOffered(data::DataPacket &page) const;

    /// Whether a product is on the bill (its code compared as the server compares it).
    bool onBill(const std::string &code) const;

private:
    enum class Way { Statements, PageStarts, Catalogue };
    struct Product {
        std::string code;
        QString shownCode;
        QString shortName;
    };
    Way way() const;
    int walkPageStarts(data::TSQLDataSet &reader);
    int searchCatalogue(data::TSQLDataSet &reader);

    std::string prodIdList_;
    int literalLimit_;
    /// The bill's codes without trailing blanks, in the server's order.
    std::vector<std::string> billCodes_;
    std::unordered_set<std::string> billSet_;
    QString search_;

    /// The way of the last count, and what it found: the first code of every page, or the products offered.
    Way counted_ = Way::Statements;
    std::vector<std::string> pageStarts_;
    std::vector<const Product *> offered_;
    /// The products in use in code order, read at the first search.
    std::optional<std::vector<Product>> catalogue_;
};

} // namespace prodchk
