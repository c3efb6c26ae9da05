#include "BoardOperator.h"

#include "widgets/DBCtrlGrid.h"

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

std::string productCode(int n)
{
    char code[16];
    std::snprintf(code, sizeof code, "P%04d", n);
    return code;
}

void addProducts(TestDatabase &db, int first, int last)
{
    // The server nests a recursive query at most 1,024 deep: a thousand products at a time.
    for (int from = first; from <= last; from += 1000) {
        const int to = std::min(last, from + 999);
        db.exec("INSERT INTO PRODUCT(PROD_ID, PROD_NAME, PROD_SNAME, NOW_QTY, DEL_FLAG) "
                "WITH RECURSIVE N(I) AS (SELECT " + std::to_string(from) + " FROM RDB$DATABASE UNION ALL "
                "SELECT I + 1 FROM N WHERE I < " + std::to_string(to) + ") "
                "SELECT 'P' || LPAD(I, 4, '0'), 'Name ' || I, 'S ' || I, 10, 'False' FROM N");
    }
}

void addProduct(TestDatabase &db, const std::string &code, const std::string &shortName)
{
    auto quoted = [](const std::string &text) {
        std::string out = "'";
        for (char c : text)
            out += c == '\'' ? "''" : std::string(1, c);
        return out + "'";
    };
    db.exec("INSERT INTO PRODUCT(PROD_ID, PROD_NAME, PROD_SNAME, NOW_QTY, DEL_FLAG) VALUES (" + quoted(code) + ", " +
            quoted(shortName) + ", " + quoted(shortName) + ", 10, 'False')");
}

void choosePage(prodchk::TFormProdChk &board, int entry)
{
    QListWidget *list = board.ListBox1;
    ASSERT_LT(entry, list->count());
    list->scrollToItem(list->item(entry));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(entry)).center());
}

void touchTick(prodchk::TFormProdChk &board, int row)
{
    const QRect box = board.DBCtrlGrid1->checkBoxRect(row);
    ASSERT_FALSE(box.isNull()) << "row " << row << " is not on the board";
    QTest::mouseClick(board.DBCtrlGrid1, Qt::LeftButton, {}, box.center());
}

void scan(prodchk::TFormProdChk &board, const std::string &text)
{
    for (char c : text)
        QTest::keyClick(board.focusWidget(), c);
    QTest::keyClick(board.focusWidget(), Qt::Key_Return);
}

std::vector<std::string> pageCaptions(prodchk::TFormProdChk &board)
{
    std::vector<std::string> captions;
    for (int i = 0; i < board.ListBox1->count(); ++i)
        captions.push_back(board.ListBox1->item(i)->text().toStdString());
    return captions;
}

namespace {

std::vector<std::string> boardCodes(prodchk::TFormProdChk &board, bool onlyTicked)
{
    std::vector<std::string> codes;
    data::TClientDataSet *shown = board.DataSource1();
    if (!shown || !shown->active())
        return codes;
    const int code = shown->fieldByName("PROD_ID").index();
    for (int row = 0; row < shown->displayRowCount(); ++row)
        if (!onlyTicked || board.DBCtrlGrid1->isChecked(row))
            codes.push_back(shown->displayValue(row, code).asString());
    return codes;
}

} // namespace

std::vector<std::string> shownCodes(prodchk::TFormProdChk &board) { return boardCodes(board, false); }

std::vector<std::string> tickedCodes(prodchk::TFormProdChk &board) { return boardCodes(board, true); }

std::vector<std::vector<std::string>> everyPage(prodchk::TFormProdChk &board)
{
    std::vector<std::vector<std::string>> pages;
    for (int entry = 0; entry < board.ListBox1->count(); ++entry) {
        choosePage(board, entry);
        pages.push_back(shownCodes(board));
    }
    return pages;
}

std::vector<std::string> codesIn(data::TClientDataSet &set)
{
    std::vector<std::string> codes;
    const int at = set.fieldByName("PROD_ID").index();
    for (const auto &row : set.data().rows)
        codes.push_back(row[at].asString());
    return codes;
}
