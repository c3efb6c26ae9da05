#pragma once
// What the benchmarks share: a shop database of their own, on the embedded engine or through the server named
// by the environment, its products, a line table of bill lines over them, and the day the bills are written on.

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

/// The Firebird server a benchmark runs through: TOUCHMOVE_SERVER ("host/port"), TOUCHMOVE_SERVER_DIR (a folder
/// the server makes its databases in), TOUCHMOVE_SERVER_USER and TOUCHMOVE_SERVER_PASSWORD, as scripts/fbserver
/// sets them. Nothing when TOUCHMOVE_SERVER is unset: the benchmark then runs on the embedded engine. Raises
/// std::runtime_error when TOUCHMOVE_SERVER is set and another of them is not.
struct Server {
    std::string address;
    std::string folder;
    std::string user;
    std::string password;

    static std::optional<Server> fromEnvironment();
    /// The name of the database file `file` in the server's folder, as the client library takes it.
    std::string database(const std::string &file) const { return address + ":" + folder + "/" + file; }
};

/// "the embedded engine" or "the server at 127.0.0.1/3050": where a benchmark's figures come from.
std::string whereItRuns();

/// A temporary program folder with the definition files and an empty shop database from the schema, made
/// through the server of the environment when there is one, else a file on the embedded engine (or, given
/// explicitly, through `server` or on the embedded engine); all of it is removed with the object. Raises
/// what making the database raises.
class Shop {
public:
    Shop() : Shop(Server::fromEnvironment()) {}
    explicit Shop(const std::optional<Server> &server);
    ~Shop();
    Shop(const Shop &) = delete;
    Shop &operator=(const Shop &) = delete;
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
