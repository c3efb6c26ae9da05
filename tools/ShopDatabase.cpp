#include "ShopDatabase.h"

#include "data/DbError.h"
#include "data/fb/Client.h"
#include "data/fb/Status.h"
#include "data/SqlQuery.h"
#include "terminal/Definitions.h"

#include <QFile>

namespace shopdb {

using namespace Firebird;

void writeDefinitionFiles(const Target &t)
{
    terminal::writeConnectionDefinition(t.programDir + "dbxconnections.ini", {t.database, t.user, t.password});
    terminal::writeDriverDefinition(t.programDir + "dbxdrivers.ini", t.vendorLib);
}

static std::string dpbFor(data::fb::Client &client, const Target &t, bool create)
{
    data::fb::StatusWrapper st(client);
    data::fb::DisposePtr<IXpbBuilder> dpb(client.util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
    dpb->insertString(&st, isc_dpb_user_name, t.user.c_str());
    dpb->insertString(&st, isc_dpb_password, t.password.c_str());
    if (create) {
        dpb->insertInt(&st, isc_dpb_page_size, 8192);
        dpb->insertInt(&st, isc_dpb_sql_dialect, 3);
    }
    return std::string(reinterpret_cast<const char *>(dpb->getBuffer(&st)), dpb->getBufferLength(&st));
}

void createDatabase(const Target &t, const std::string &schemaFile)
{
    QFile file(QString::fromStdString(schemaFile));
    if (!file.open(QIODevice::ReadOnly))
        throw data::EDatabaseError("Cannot read the schema '" + schemaFile + "': " + file.errorString().toStdString());
    const std::string script = file.readAll().toStdString();

    auto client = data::fb::Client::load(t.vendorLib);
    {
        data::fb::StatusWrapper st(*client);
        std::string dpb = dpbFor(*client, t, true);
        data::fb::ReleasePtr<IAttachment> att(client->provider()->createDatabase(
            &st, t.database.c_str(), unsigned(dpb.size()), reinterpret_cast<const unsigned char *>(dpb.data())));
        data::fb::end(*client, std::move(att), [](IAttachment *a, data::fb::StatusWrapper *s) { a->detach(s); });
    }
    data::TSQLConnection conn(t.programDir);
    conn.ConnectionName = "Kobrel";
    data::TSQLQuery q(&conn);
    for (const auto &statement : splitStatements(script)) {
        q.SQL().clear();
        q.SQL().add(statement);
        q.execSQL();
    }
}

void dropDatabase(const Target &t)
{
    auto client = data::fb::Client::load(t.vendorLib);
    data::fb::StatusWrapper st(*client);
    std::string dpb = dpbFor(*client, t, false);
    data::fb::ReleasePtr<IAttachment> att;
    try {
        att.reset(client->provider()->attachDatabase(&st, t.database.c_str(), unsigned(dpb.size()),
                                                     reinterpret_cast<const unsigned char *>(dpb.data())));
    } catch (const data::EDatabaseError &) {
        return;
    }
    data::fb::end(*client, std::move(att), [](IAttachment *a, data::fb::StatusWrapper *s) { a->dropDatabase(s); });
}

std::vector<std::string> splitStatements(const std::string &script)
{
    std::vector<std::string> out;
    std::string cur;
    bool inQuote = false;
    for (size_t i = 0; i < script.size(); ++i) {
        char c = script[i];
        if (!inQuote && c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
            while (i < script.size() && script[i] != '\n')
                ++i;
            continue;
        }
        if (c == '\'')
            inQuote = !inQuote;
        if (c == ';' && !inQuote) {
            if (cur.find_first_not_of(" \r\n\t") != std::string::npos)
                out.push_back(cur.substr(cur.find_first_not_of(" \r\n\t")));
            cur.clear();
            continue;
        }
        cur += c;
    }
    if (cur.find_first_not_of(" \r\n\t") != std::string::npos)
        out.push_back(cur.substr(cur.find_first_not_of(" \r\n\t")));
    return out;
}

} // namespace shopdb
