#include "ErrorText.h"

#include "data/CodePage.h"
#include "data/DbError.h"

#include <initializer_list>

namespace prompts {

namespace {

// The server's error codes of the classes below, as its client library numbers them.
constexpr long ArithExcept = 335544321, StringTruncation = 335544914, TruncLimits = 335545033,
               NumericOutOfRange = 335544916, IntegerOverflow = 335544779, FloatOverflow = 335544775;
constexpr long LockConflict = 335544345, Deadlock = 335544336, UpdateConflict = 335544451,
               ConcurrentTransaction = 335544878, LockTimeout = 335544510;
constexpr long ObjectInUse = 335544453, NoMetaUpdate = 335544351;
constexpr long Cancelled = 335544794;

bool hasAny(const data::EDatabaseError &error, std::initializer_list<long> codes)
{
    for (long code : codes)
        if (error.has(code))
            return true;
    return false;
}

} // namespace

QString plainCause(const std::exception &error)
{
    const auto *db = dynamic_cast<const data::EDatabaseError *>(&error);
    if (const auto *connect = dynamic_cast<const data::EConnectFailed *>(&error))
        return QStringLiteral("無法連線到門市資料庫 %1..!").arg(data::decodeText(connect->database()));
    if (!db || db->gdsCodes().empty())
        return {};
    if (db->has(Cancelled))
        return QStringLiteral("門市資料庫沒有在時限內回應,作業已取消..!");
    if (db->isConnectionLost())
        return QStringLiteral("與門市資料庫的連線中斷了..!");
    if (hasAny(*db, {StringTruncation, TruncLimits}))
        return QStringLiteral("資料長度超過資料庫欄位的長度..!");
    if (hasAny(*db, {NumericOutOfRange, IntegerOverflow, FloatOverflow, ArithExcept}))
        return QStringLiteral("數值超出資料庫欄位的範圍..!");
    if (hasAny(*db, {LockConflict, Deadlock, UpdateConflict, ConcurrentTransaction, LockTimeout}))
        return QStringLiteral("資料正由其他終端機使用中,請稍後再試..!");
    if (hasAny(*db, {ObjectInUse, NoMetaUpdate}))
        return QStringLiteral("資料庫物件正由其他終端機使用中,請稍後再試..!");
    return {};
}

QString errorText(const std::exception &error)
{
    const std::string bytes = error.what();
    QString own = QString::fromUtf8(bytes);
    if (own.contains(QChar::ReplacementCharacter))
        own = data::decodeText(bytes);
    const QString cause = plainCause(error);
    return cause.isEmpty() ? own : cause + QLatin1Char('\n') + own;
}

} // namespace prompts
