#include "BillWriter.h"

#include "data/SqlConnection.h"

#include "data/DbError.h"
#include "data/SqlText.h"
#include "prompts/ErrorText.h"

#include <algorithm>

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

        // The lines to write, as the walk from the first line finds them (the walk stores a line being edited).
        std::vector<Line> bill;
        for (lines.set().first(); !lines.set().eof(); lines.set().next()) {
            const data::TValue prodId = lines.prodId().value();
            const data::TValue quantity = lines.toMove().value();
            if (!prodId.asString().empty() && !quantity.isNull() && quantity.asInteger() > 0)
                bill.push_back({prodId, lines.prodName().value(), quantity});
        }
        const Products products = readProducts(bill);
        prepareLines(header, today);
        Result result;
        result.written = true;
        for (const Line &line : bill) {
            const auto found = products.find(productKey(line.prodId.asString()));
            insertLine(line, found == products.end() ? nullptr : &found->second);
            ++result.lines;
            result.quantity += line.quantity.asInteger();
        }
        transaction.commit();
        return result;
    } catch (...) {
        return failure(); // the transaction has been rolled back on the way out
    }
}

std::string BillWriter::productKey(std::string prodId)
{
    prodId.erase(prodId.find_last_not_of(' ') + 1);
    return prodId;
}

BillWriter::Products BillWriter::readProducts(const std::vector<Line> &bill)
{
    Products products;
    if (bill.empty())
        return products;
    // One statement for ProductsPerRead codes, prepared once: the last codes fill a short last read.
    std::vector<std::string> text{"SELECT * FROM PRODUCT WHERE PROD_ID IN ("};
    for (int i = 1; i <= ProductsPerRead; ++i)
        text.back() += ":P" + std::to_string(i) + (i < ProductsPerRead ? "," : ")");
    data::TSQLQuery &q = statements_.product;
    data::setStatement(q, text);
    for (size_t first = 0; first < bill.size(); first += ProductsPerRead) {
        for (int i = 0; i < ProductsPerRead; ++i)
            q.params()[i].setValue(bill[std::min(first + size_t(i), bill.size() - 1)].prodId);
        q.open();
        data::TSQLField &id = q.fieldByName("PROD_ID"), &scale = q.fieldByName("PROD_SCALE"),
                        &unit = q.fieldByName("UNITNAME"), &pack1Qty = q.fieldByName("PACK1_QTY"),
                        &pack1 = q.fieldByName("PACK1"), &pack2Qty = q.fieldByName("PACK2_QTY"),
                        &pack2 = q.fieldByName("PACK2"), &itemId = q.fieldByName("PD_ITEMID");
        for (; !q.eof(); q.next())
            products.try_emplace(productKey(id.asString()),
                                 Product{scale.asString(), unit.asString(), pack1Qty.value(), pack1.asString(),
                                         pack2Qty.value(), pack2.asString(), itemId.asString()});
        q.close();
    }
    return products;
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
    lineParams_ = {&q.paramByName("KEYINTIME"), &q.paramByName("PROD_ID"),   &q.paramByName("PROD_NAME"),
                   &q.paramByName("PROD_SCALE"), &q.paramByName("QTY"),       &q.paramByName("UNITNAME"),
                   &q.paramByName("TEMPPRODID"), &q.paramByName("V_QTY"),     &q.paramByName("V_UNIT"),
                   &q.paramByName("PACK1_QTY"),  &q.paramByName("PACK1_NAME"), &q.paramByName("PACK2_QTY"),
                   &q.paramByName("PACK2_NAME"), &q.paramByName("PD_ITEMID")};
}

void BillWriter::insertLine(const Line &line, const Product *product)
{
    const Product none{};
    const Product &p = product ? *product : none;
    const LineParams &l = lineParams_;
    l.keyInTime->setAsString(data::formatTime(clock_.now().time()));
    l.prodId->setValue(line.prodId);
    bindStored(*l.prodName, line.prodName, TFieldType::ftString);
    l.scale->setAsString(p.scale);
    l.quantity->setValue(line.quantity);
    l.unit->setAsString(p.unit);
    l.tempProdId->setValue(line.prodId);
    l.vQuantity->setValue(line.quantity);
    l.vUnit->setAsString(p.unit);
    bindStored(*l.pack1Qty, p.pack1Qty, TFieldType::ftBCD);
    l.pack1->setAsString(p.pack1);
    bindStored(*l.pack2Qty, p.pack2Qty, TFieldType::ftBCD);
    l.pack2->setAsString(p.pack2);
    l.itemId->setAsString(p.itemId);
    data::TSQLQuery &q = statements_.sub;
    q.execSQL();
}

} // namespace transfer
