#pragma once
// A fresh shop database per test: a temporary program folder, named after the test, with the definition
// files and an embedded database file made from sql/schema.sql, removed again when the test program ends.

#include "data/SqlQuery.h"

#include <QTemporaryDir>

#include <memory>
#include <string>

class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();

    /// The temporary program folder, ending with "/".
    const std::string &programDir() const { return programDir_; }
    const std::string &databaseFile() const { return database_; }

    /// A new connection through the definition "Kobrel" of the folder (not yet connected).
    std::unique_ptr<data::TSQLConnection> connection() const;

    /// Runs statements on the test's own connection (each committed on its own).
    void exec(const std::string &sql);
    /// The first column of the first row as text ("" for null or no row).
    std::string scalar(const std::string &sql);

private:
    data::TSQLQuery &query(const std::string &sql);
    std::unique_ptr<QTemporaryDir> dir_;
    std::string programDir_;
    std::string database_;
    std::unique_ptr<data::TSQLConnection> conn_;
    std::unique_ptr<data::TSQLQuery> query_;
};
