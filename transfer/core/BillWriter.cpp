#include "BillWriter.h"

#include "data/SqlConnection.h"

#include "data/DbError.h"
#include "data/SqlText.h"
#include "prompts/ErrorText.h"

namespace transfer {

namespace {

using data::TFieldType;

/// Binds a value read untyped; an empty value becomes a null of the column's kind, so the statement knows
/// what it is given instead of failing with "No value for parameter".
void bindStored(data::TParam &param, const data::TValue &value, TFieldType kindWhenEmpty)
{
    if (value.isNull())
        param.clear(kindWhenEmpty);
    else
        param.setValue(value);
}

/// A failed write: the error being handled, as it said it and for the operator. The silent abort has shown
/// its own message and gives neither.
BillWriter::Result failure()
{
    try {
        throw;
    } catch (const data::EAbort &) {
        return {};
    } catch (const std::exception &error) {
        return {false, error.what(), prompts::errorText(error)};
    } catch (...) {
        return {false, "Unknown error", QStringLiteral("Unknown error")};
    }
}

} // namespace

std::string salespersonCode(const std::string &salesText)
{
    for (size_t i = 0; i < salesText.size(); ++i) {
        const auto byte = static_cast<unsigned char>(salesText[i]);
        if (byte == '_')
            return salesText.substr(0, i);
        if (byte >= 0x81 && byte <= 0xFE)
            ++i; // a lead byte: the next byte belongs to the same character
    }
    return {};
}

std::vector<std::pair<std::string, int>> billLines(const LineTable &lines)
{
    const data::TClientDataSet &set = lines.set();
    const int code = lines.position(PROD_ID), quantity = lines.position(M_QTY);
    std::vector<std::pair<std::string, int>> bill;
    for (int row = 0; row < set.displayRowCount(); ++row) {
        const data::TValue id = set.displayValue(row, code), toMove = set.displayValue(row, quantity);
        if (!id.asString().empty() && !toMove.isNull() && toMove.asInteger() > 0)
            bill.emplace_back(id.asString(), toMove.asInteger());
    }
    return bill;
}

BillWriter::Result BillWriter::write(const BillHeader &header, const std::string &salesText, const LineTable &lines)
{
    data::TSQLConnection &second = *statements_.master.SQLConnection;
    if (second.inTransaction())
        return {false, "The second connection has an open transaction; the bill was not written",
                QStringLiteral("前一次的寫入尚未結束..!")};
    try {
        const std::string today = data::formatDate(clock_.today());
        data::TSQLTransactionScope transaction(second);
        insertHeader(header, today, salesText);
        prepareLines(header, today);

        Result result;
        result.written = true;
        for (lines.set().first(); !lines.set().eof(); lines.set().next()) {
            const data::TValue prodId = lines.prodId().value();
            if (prodId.asString().empty())
                continue;
            const data::TValue quantity = lines.toMove().value();
            if (quantity.isNull() || quantity.asInteger() <= 0)
                continue;
            insertLine(prodId, lines.prodName().value(), quantity);
            ++result.lines;
            result.quantity += quantity.asInteger();
        }
        transaction.commit();
        return result;
    } catch (...) {
        return failure(); // the transaction has been rolled back on the way out
    }
}

void BillWriter::insertHeader(const BillHeader &header, const std::string &today, const std::string &salesText)
{
    data::TSQLQuery &q = statements_.master;
    data::setStatement(q, {"INSERT INTO MOVE_MASTER(MASTERBILLID,BILL_DATE,S_STOCKID,T_STOCKID,STORE_ID,CHG_DATE,CHG_USER)",
                           " VALUES(:MASTERBILLID,:BILL_DATE,:S_STOCKID,:T_STOCKID,:STORE_ID,:CHG_DATE,:CHG_USER) "});
    q.paramByName("MASTERBILLID").setAsString(header.billNo);
    q.paramByName("BILL_DATE").setAsString(today);
    q.paramByName("S_STOCKID").setAsString(header.sendingStock);
    q.paramByName("T_STOCKID").setAsString(header.receivingStock);
    q.paramByName("STORE_ID").setAsString(header.storeId);
    q.paramByName("CHG_DATE").setAsString(today);
    q.paramByName("CHG_USER").setAsString(salespersonCode(salesText));
    q.execSQL();
}

void BillWriter::prepareLines(const BillHeader &header, const std::string &today)
{
    data::setStatement(statements_.product, {"SELECT * FROM PRODUCT WHERE PROD_ID = :PROD_ID"});

    data::TSQLQuery &q = statements_.sub;
    data::setStatement(q, {"Insert into MOVE_SUB(MASTERBILLID,KEYINTIME,PROD_ID,PROD_NAME,PROD_SCALE,QTY,",
                           "UNITNAME,TEMPPRODID,V_QTY,V_UNIT,PACK1_QTY,PACK1_NAME,PACK2_QTY,PACK2_NAME,",
                           "PD_ITEMID,REMARK,STORE_ID,S_STOCKID,T_STOCKID,CHG_DATE,CHG_USER,BILL_DATE)",
                           " VALUES (:MASTERBILLID,:KEYINTIME,:PROD_ID,:PROD_NAME,:PROD_SCALE,:QTY,",
                           ":UNITNAME,:TEMPPRODID,:V_QTY,:V_UNIT,:PACK1_QTY,:PACK1_NAME,:PACK2_QTY,:PACK2_NAME,",
                           ":PD_ITEMID,:REMARK,:STORE_ID,:S_STOCKID,:T_STOCKID,:CHG_DATE,:CHG_USER,:BILL_DATE)"});
    q.paramByName("MASTERBILLID").setAsString(header.billNo);
    q.paramByName("REMARK").setAsString("");
    q.paramByName("STORE_ID").setAsString(header.storeId);
    q.paramByName("S_STOCKID").setAsString(header.sendingStock);
    q.paramByName("T_STOCKID").setAsString(header.receivingStock);
    q.paramByName("CHG_DATE").setAsString(today);
    q.paramByName("CHG_USER").setAsString("");
    q.paramByName("BILL_DATE").setAsString(today);
}

void BillWriter::insertLine(const data::TValue &prodId, const data::TValue &prodName, const data::TValue &quantity)
{
    data::TSQLQuery &product = statements_.product;
    product.paramByName("PROD_ID").setValue(prodId);
    product.open();
    const auto text = [&](const char *column) { return product.fieldByName(column).asString(); };

    data::TSQLQuery &q = statements_.sub;
    q.paramByName("KEYINTIME").setAsString(data::formatTime(clock_.now().time()));
    q.paramByName("PROD_ID").setValue(prodId);
    bindStored(q.paramByName("PROD_NAME"), prodName, TFieldType::ftString);
    q.paramByName("PROD_SCALE").setAsString(text("PROD_SCALE"));
    q.paramByName("QTY").setValue(quantity);
    q.paramByName("UNITNAME").setAsString(text("UNITNAME"));
    q.paramByName("TEMPPRODID").setValue(prodId);
    q.paramByName("V_QTY").setValue(quantity);
    q.paramByName("V_UNIT").setAsString(text("UNITNAME"));
    bindStored(q.paramByName("PACK1_QTY"), product.fieldByName("PACK1_QTY").value(), TFieldType::ftBCD);
    q.paramByName("PACK1_NAME").setAsString(text("PACK1"));
    bindStored(q.paramByName("PACK2_QTY"), product.fieldByName("PACK2_QTY").value(), TFieldType::ftBCD);
    q.paramByName("PACK2_NAME").setAsString(text("PACK2"));
    q.paramByName("PD_ITEMID").setAsString(text("PD_ITEMID"));
    product.close();
    q.execSQL();
}

} // namespace transfer
