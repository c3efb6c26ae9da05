#include "TestDatabase.h"

#include "tools/ShopDatabase.h"


TestDatabase::TestDatabase()
{
    if (!dir_.isValid())
        throw std::runtime_error("Cannot make a temporary folder");
    programDir_ = dir_.path().toStdString() + "/";
    database_ = programDir_ + "POSDATA.FDB";
    shopdb::Target t{programDir_, database_};
    shopdb::writeDefinitionFiles(t);
    shopdb::createDatabase(t, TOUCHMOVE_SOURCE_DIR "/sql/schema.sql");
}

TestDatabase::~TestDatabase()
{
    query_.reset();
    conn_.reset();
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
