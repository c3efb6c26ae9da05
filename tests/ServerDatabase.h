#pragma once
// A shop database of a test's own on the tests' Firebird server, made from the schema and dropped when the
// test ends.

#include "TestServer.h"
#include "tools/ShopDatabase.h"

#include <QCoreApplication>
#include <QDateTime>

#include <gtest/gtest.h>

#include <string>

class ServerDatabase {
public:
    /// `name` starts the database file's name; the process and the time make it the test's own. The
    /// definition files go into `programDir`.
    ServerDatabase(const std::string &programDir, const TestServer &server, const std::string &name)
    {
        target_.programDir = programDir;
        target_.database = server.server + ":" + server.folder + "/" + name + "-" +
                           std::to_string(QCoreApplication::applicationPid()) + "-" +
                           std::to_string(QDateTime::currentMSecsSinceEpoch()) + ".fdb";
        target_.user = server.user;
        target_.password = server.password;
        shopdb::writeDefinitionFiles(target_);
        shopdb::createDatabase(target_, TOUCHMOVE_SOURCE_DIR "/sql/schema.sql");
    }
    ~ServerDatabase()
    {
        try {
            shopdb::dropDatabase(target_);
        } catch (const std::exception &e) {
            ADD_FAILURE() << "the test database could not be dropped: " << e.what();
        }
    }
    ServerDatabase(const ServerDatabase &) = delete;
    ServerDatabase &operator=(const ServerDatabase &) = delete;

    const shopdb::Target &target() const { return target_; }

private:
    shopdb::Target target_;
};
