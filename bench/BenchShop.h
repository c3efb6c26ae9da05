#pragma once
// What the benchmarks share: a shop database of their own on the embedded engine, its products, a line table
// of bill lines over them, and the day the bills are written on.

#include "data/ClientDataSet.h"
#include "data/DateText.h"
#include "tools/ShopDatabase.h"

#include <QTemporaryDir>

#include <string>

namespace bench {

/// 2004/06/19, at the time of day of the call.
class FixedDay : public data::IClock {
public:
    QDateTime now() const override;
};

/// "P00001" for 1.
std::string productId(int i);
/// The bill number `n` of 2004/06/19.
std::string billNo(int n);

/// A temporary program folder with the definition files and an empty shop database from the schema, on the
/// embedded engine; all of it is removed with the object. Raises what making the database raises.
class Shop {
public:
    Shop();
    const shopdb::Target &target() const { return target_; }
    const std::string &programDir() const { return target_.programDir; }

    /// The store K001 and products 1..count with names, scale, units and packages, in one transaction.
    void addProducts(int count) const;

private:
    QTemporaryDir dir_;
    shopdb::Target target_;
};

/// Makes `lines` a line table of `count` lines for products 1..count: main stock 100, quantity 1 + i % 9.
void fillLineTable(data::TClientDataSet &lines, int count);

} // namespace bench
