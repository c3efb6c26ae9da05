// The bill number, the posting of a bill and the print preview.

#include "FrmQuorvan.h"

#include "transfer/core/BillNumbers.h"
#include "transfer/core/BillWriter.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/PreviewHandOff.h"
#include "transfer/core/WarehouseCode.h"

#include "prompts/ErrorText.h"
#include "terminal/Journal.h"
#include "widgets/CodePage.h"
#include "widgets/CodePageEdit.h"
#include "widgets/ImageButton.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScopeGuard>

namespace transfer {

namespace {

constexpr char WrittenQuestion[] = "資料寫入完成..!,是否列印..";
constexpr char WriteFailedMessage[] = "資料寫入失敗..!,請重新輸出..";

/// The busy cursor for as long as the object lives, or until restore().
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
    ~BusyCursor() { restore(); }
    void restore()
    {
        if (std::exchange(on_, false))
            QApplication::restoreOverrideCursor();
    }

private:
    bool on_ = true;
};

} // namespace

void TFormTouchMove::fcImageBtn2Click()
{
    // The fixed columns become editable again after every confirmation, also one that failed.
    const auto unlock = qScopeGuard([this] { LineTable(store.ClientDataSet2).lockFixedColumns(false); });

    // What is refused here leaves everything as it was: no number is drawn, the last bill stays the one the
    // memo and the preview show.
    const LineTable lines(store.ClientDataSet2);
    if (!store.ClientDataSet2.active() || !lines.hasStoredLines()) {
        warn(NothingToPostMessage);
        return;
    }
    if (!headerCodesAreWarehouses())
        return;
    if (!lastPosted_.billNo.empty() && billLines(lines) == lastPosted_.lines &&
        services_.messages.messageDlg(QString::fromUtf8(RepostQuestion).arg(QString::fromStdString(lastPosted_.billNo)),
                                      prompts::MsgKind::Confirmation,
                                      prompts::MsgButtons::YesNo) != prompts::MsgResult::Yes)
        return;

    Memo1->clear();
    SStockID = trimCode(bsSkinEdit2->bytes());
    TStockID = trimCode(bsSkinEdit1->bytes());
    const std::string today = data::formatDate(services_.clock.today());

    // A confirmation whose number cannot be drawn writes nothing and leaves no number behind, so neither
    // this bill nor a later preview can be taken for the previous bill.
    BillNo.clear();
    // Both connections answer, or are attached anew, before a number is drawn: a number is drawn only for
    // a bill that can be written.
    store.SQLConnection1.ensureConnected();
    store.SQLConnection2.ensureConnected();
    BillNumbers(store.SQL_ID).provideDayRow(today);
    BillNo = NextBillNo("TEMP_MOVEID", today);

    Memo1->appendPlainText(QStringLiteral("調撥單號:") + QString::fromStdString(BillNo));
    Memo1->appendPlainText(QStringLiteral("調撥日期:") + QString::fromStdString(today));
    Memo1->appendPlainText(QStringLiteral("撥出倉庫:") + widgets::decodeText(SStockID) +
                           QStringLiteral("  撥入倉庫:") + widgets::decodeText(TStockID));

    WriteBill();
}

std::string TFormTouchMove::NextBillNo(const std::string &counterTable, const std::string &billDate)
{
    return BillNumbers(store.SQL_ID).draw(counterTable, billDate);
}

void TFormTouchMove::WriteBill()
{
    const LineTable lines(store.ClientDataSet2);
    if (!lines.hasStoredLines())
        return;
    BusyCursor busy;
    const auto working = showBusy(QStringLiteral("寫入調撥單…"));
    BillWriter writer({.product = store.SQL_Product, .master = store.SQL_Master, .sub = store.SQL_Sub},
                      services_.clock);
    const BillWriter::Result result = [&] {
        const auto pause = pauseGrid();
        return writer.write(billHeader(), salesIdBytes_, lines);
    }();
    if (!result.written) {
        busy.restore();
        qCWarning(terminal::journal).noquote() << "bill" << QString::fromStdString(BillNo) << "not written:"
                                               << (result.cause.isEmpty() ? QStringLiteral("refused") : result.cause);
        // The quantity check has shown why it refused; any other failure says its cause below the warning.
        const QString warning = QString::fromUtf8(WriteFailedMessage);
        services_.messages.messageDlg(result.cause.isEmpty() ? warning : warning + QLatin1Char('\n') + result.cause,
                                      prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
        return;
    }
    qCInfo(terminal::journal).noquote()
        << QStringLiteral("posted bill %1: %2 lines, quantity %3, %4 -> %5, user %6, %7")
               .arg(QString::fromStdString(BillNo)).arg(result.lines).arg(result.quantity)
               .arg(widgets::decodeText(SStockID), widgets::decodeText(TStockID),
                    widgets::decodeText(salespersonCode(salesIdBytes_)),
                    services_.clock.now().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
    lastPosted_ = {BillNo, billLines(lines)};
    say(QStringLiteral("調撥單 %1 已寫入，共 %2 項").arg(QString::fromStdString(BillNo)).arg(result.lines));
    for (const auto &[code, quantity] : lastPosted_.lines)
        billedProducts_.insert(code);
    // The busy cursor stays while the question is open and while the preview runs.
    if (services_.messages.messageDlg(WrittenQuestion, prompts::MsgKind::Confirmation, prompts::MsgButtons::YesNo) ==
        prompts::MsgResult::Yes)
        fcImageBtn1->click();
    else
        close();
}

void TFormTouchMove::fcImageBtn1Click()
{
    qCInfo(terminal::journal).noquote() << "preview of bill" << QString::fromStdString(BillNo);
    const auto busy = showBusy(QStringLiteral("準備預覽…"));
    PreviewHandOff(store.SQLQuery1, store.ClientDataSet1, services_.programDir).run(billHeader());
}

} // namespace transfer
