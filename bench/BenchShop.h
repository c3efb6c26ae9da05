#pragma once
// What the benchmarks share: a shop database of their own on the embedded engine or on a server, its
// products, a line table of bill lines over them, and the day the bills are written on.

#include "data/ClientDataSet.h"
#include "data/DateText.h"
#include "tools/ShopDatabase.h"

#include <QTemporaryDir>

#include <optional>
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

/// A Firebird server a benchmark may use besides the embedded engine.
struct Server {
    std::string address; ///< "host/port", put before ":path" in a database name
    std::string folder;  ///< a folder of the server's machine where it can make databases
    std::string user;
    std::string password;
};

/// The server named by TOUCHMOVE_SERVER, TOUCHMOVE_SERVER_DIR, TOUCHMOVE_SERVER_USER and
/// TOUCHMOVE_SERVER_PASSWORD; nothing when one of them is not set.
std::optional<Server> serverFromEnvironment();

/// A temporary program folder with the definition files and an empty shop database from the schema, on the
/// embedded engine or on `server`; all of it is removed (the server's database dropped) with the object.
/// Raises what making the database raises.
class Shop {
public:
    Shop();
    explicit Shop(const Server &server);
    Shop(const Shop &) = delete;
    Shop &operator=(const Shop &) = delete;
    ~Shop();
    const shopdb::Target &target() const { return target_; }
    const std::string &programDir() const { return target_.programDir; }

    /// The store K001 and products 1..count with names, scale, units and packages, in one transaction.
    void addProducts(int count) const;

private:
    QTemporaryDir dir_;
    shopdb::Target target_;
    bool onServer_ = false;
};

/// Makes `lines` a line table of `count` lines for products 1..count: main stock 100, quantity 1 + i % 9.
void fillLineTable(data::TClientDataSet &lines, int count);

} // namespace bench
