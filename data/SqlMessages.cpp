#include "SqlMessages.h"

#include "DateText.h"
#include "DbError.h"
#include "fb/Attachment.h"
#include "fb/Statement.h"
#include "fb/Transaction.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace data {

using namespace Firebird;

namespace {

template <class T> T readAt(const unsigned char *p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

TValue scaled(std::int64_t units, int scale, bool narrow)
{
    if (scale < 0)
        return Decimal{units, -scale};
    if (narrow)
        return TValue(std::int32_t(units));
    return TValue(units);
}

std::string dateText(IUtil *util, ISC_DATE date)
{
    unsigned y, m, d;
    util->decodeDate(date, &y, &m, &d);
    return formatDate(QDate(int(y), int(m), int(d)));
}

} // namespace

std::vector<fb::ParameterType> parameterLayout(const std::vector<const TParam *> &params)
{
    std::vector<fb::ParameterType> layout;
    for (const TParam *p : params) {
        const TValue &v = p->value();
        switch (p->dataType()) {
        case TFieldType::ftUnknown:
            throw EDatabaseError(formatMessage("No value for parameter '%s'", p->name()));
        case TFieldType::ftString: {
            const size_t length = v.text() ? v.text()->size() : 0;
            layout.push_back({SQL_VARYING, int(std::max(length, std::min<size_t>((length / 64 + 1) * 64, 32765)))});
            break;
        }
        case TFieldType::ftInteger:
            layout.push_back({SQL_LONG, 0});
            break;
        case TFieldType::ftLargeint:
            layout.push_back({SQL_INT64, 0});
            break;
        case TFieldType::ftBCD:
            layout.push_back({SQL_INT64, v.decimal() ? -v.decimal()->scale : 0});
            break;
        default:
            layout.push_back({SQL_DOUBLE, 0});
        }
    }
    return layout;
}

void writeParameters(const std::vector<const TParam *> &params, fb::InputMessage &message)
{
    for (unsigned i = 0; i < params.size(); ++i) {
        const TValue &v = params[i]->value();
        if (v.isNull()) {
            message.setNull(i);
            continue;
        }
        switch (params[i]->dataType()) {
        case TFieldType::ftString:
            message.setText(i, *v.text());
            break;
        case TFieldType::ftInteger:
            message.setInt32(i, v.asInteger());
            break;
        case TFieldType::ftBCD:
            message.setInt64(i, v.decimal() ? v.decimal()->units : v.asLargeInt());
            break;
        case TFieldType::ftLargeint:
            message.setInt64(i, v.asLargeInt());
            break;
        default:
            message.setDouble(i, v.asFloat());
        }
    }
}

TFieldDef fieldDefOf(const fb::Column &c)
{
    TFieldDef def;
    def.name = c.name;
    switch (c.sqlType) {
    case SQL_TEXT:
    case SQL_VARYING:
        def.type = TFieldType::ftString;
        def.size = int(c.length);
        break;
    case SQL_SHORT:
    case SQL_LONG:
        def.type = c.scale < 0 ? TFieldType::ftBCD : TFieldType::ftInteger;
        break;
    case SQL_INT64:
        def.type = c.scale < 0 ? TFieldType::ftBCD : TFieldType::ftLargeint;
        break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        def.type = TFieldType::ftFloat;
        break;
    default:
        def.type = TFieldType::ftString;
        def.size = c.sqlType == SQL_BOOLEAN ? 5 : c.sqlType == SQL_BLOB ? 0 : 19;
    }
    return def;
}

TValue readColumn(const fb::Column &c, const unsigned char *row, fb::Transaction &transaction)
{
    if (readAt<short>(row + c.nullOffset))
        return {};
    const unsigned char *p = row + c.offset;
    IUtil *util = transaction.attachment().client().util();
    switch (c.sqlType) {
    case SQL_TEXT:
        return std::string(reinterpret_cast<const char *>(p), c.length);
    case SQL_VARYING:
        return std::string(reinterpret_cast<const char *>(p) + 2, readAt<unsigned short>(p));
    case SQL_SHORT:
        return scaled(readAt<short>(p), c.scale, true);
    case SQL_LONG:
        return scaled(readAt<ISC_LONG>(p), c.scale, true);
    case SQL_INT64:
        return scaled(readAt<ISC_INT64>(p), c.scale, false);
    case SQL_FLOAT:
        return double(readAt<float>(p));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return readAt<double>(p);
    case SQL_BOOLEAN:
        return std::string(*p ? "True" : "False");
    case SQL_TYPE_DATE:
        return dateText(util, readAt<ISC_DATE>(p));
    case SQL_TYPE_TIME:
    case SQL_TIMESTAMP: {
        ISC_TIME t = c.sqlType == SQL_TIMESTAMP ? readAt<ISC_TIMESTAMP>(p).timestamp_time : readAt<ISC_TIME>(p);
        unsigned h, mi, s, frac;
        util->decodeTime(t, &h, &mi, &s, &frac);
        char text[16];
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", h, mi, s);
        if (c.sqlType == SQL_TYPE_TIME)
            return std::string(text);
        return dateText(util, readAt<ISC_TIMESTAMP>(p).timestamp_date) + " " + text;
    }
    case SQL_BLOB:
        return fb::readBlob(transaction, readAt<ISC_QUAD>(p));
    case SQL_NULL:
        return {};
    default:
        throw EDatabaseError("Unsupported column type " + std::to_string(c.sqlType) + " of column '" + c.name + "'");
    }
}

} // namespace data
