#include "TestDatabase.h"

#include "tools/ShopDatabase.h"

#include <QDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

/// A temporary folder named after the running test, so that a leftover or a failure names its test.
std::unique_ptr<QTemporaryDir> testFolder()
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    QString name = test ? QString::fromUtf8(test->test_suite_name()) + '.' + QString::fromUtf8(test->name())
                        : QStringLiteral("shop");
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/touchmove-") + name +
                                           QStringLiteral("-XXXXXX"));
}

/// The folders of the databases of the tests that have ended, removed when the test program ends. The
/// embedded engine knows a database by its file's inode and may still be winding a database down for a
/// moment after its last attachment has gone: a file deleted at once could hand its inode to the next test's
/// database, which the engine would then take for the old one.
std::vector<std::unique_ptr<QTemporaryDir>> &endedFolders()
{
    static std::vector<std::unique_ptr<QTemporaryDir>> folders;
    return folders;
}

} // namespace

TestDatabase::TestDatabase() : dir_(testFolder())
{
    if (!dir_->isValid())
        throw std::runtime_error("Cannot make a temporary folder: " + dir_->errorString().toStdString());
    programDir_ = dir_->path().toStdString() + "/";
    database_ = programDir_ + "POSDATA.FDB";
    shopdb::Target t{programDir_, database_};
    shopdb::writeDefinitionFiles(t);
    shopdb::createDatabase(t, TOUCHMOVE_SOURCE_DIR "/sql/schema.sql");
}

TestDatabase::~TestDatabase()
{
    query_.reset();
    conn_.reset();
    endedFolders().push_back(std::move(dir_));
}

std::unique_ptr<data::TSQLConnection> TestDatabase::connection() const
{
    auto c = std::make_unique<data::TSQLConnection>(programDir_);
    c->ConnectionName = "Kobrel";
    return c;
}

data::TSQLQuery &TestDatabase::query(const std::string &sql)
{
    if (!conn_) {
        conn_ = connection();
        query_ = std::make_unique<data::TSQLQuery>(conn_.get());
    }
    query_->close();
    query_->SQL().clear();
    query_->SQL().add(sql);
    return *query_;
}

void TestDatabase::exec(const std::string &sql)
{
    query(sql).execSQL();
}

std::string TestDatabase::scalar(const std::string &sql)
{
    data::TSQLQuery &q = query(sql);
    q.open();
    std::string v = q.fields(0).asString();
    q.close();
    return v;
}
