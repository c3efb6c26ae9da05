// The stocking date and the replenishment proposal.

#include "FrmQuorvan.h"

#include "datedlg/GetDateTime.h"
#include "transfer/core/LeftOut.h"
#include "transfer/core/Proposal.h"
#include "transfer/core/StockingDate.h"
#include "widgets/CodePageEdit.h"
#include "widgets/DBGrid.h"

#include <QCalendarWidget>
#include <QLineEdit>

namespace transfer {

void TFormTouchMove::N1Click()
{
    Edit_Rdate->setText(QString::fromStdString(stockingDate(services_.clock.today(), 0)));
}

void TFormTouchMove::N2Click()
{
    Edit_Rdate->setText(QString::fromStdString(stockingDate(services_.clock.today(), 1)));
}

void TFormTouchMove::N3Click()
{
    Edit_Rdate->setText(QString::fromStdString(stockingDate(services_.clock.today(), 2)));
}

void TFormTouchMove::N4Click()
{
    PrepareDialog(services_.clock);
    FrmGetDateTime->setScale(dialogScale(TFrmGetDateTime::DesignSize));
    if (!ExecuteDialog(services_.dialogs) || !FrmGetDateTime)
        return;
    Edit_Rdate->setText(QString::fromStdString(data::formatDate(FrmGetDateTime->MonthCalendar1->selectedDate())));
}

void TFormTouchMove::bsSkinButton1Click()
{
    if (Edit_Rdate->text().isEmpty() || !headerCodesAreWarehouses())
        return;
    Proposal proposal(
        {.query = store.SQLQuery1, .results = store.ClientDataSet1, .lines = LineTable(store.ClientDataSet2)},
        services_.messages);
    proposal.showReferenceDay = [this](const QDate &day) { bsSkinMonthCalendar1->setSelectedDate(day); };
    const ProposalRequest request{Edit_Rdate->text().toStdString(), bsSkinEdit1->bytes(), bsSkinEdit2->bytes()};
    {
        const auto pause = pauseGrid();
        const auto busy = showBusy(QStringLiteral("建議中…"));
        if (!proposal.run(request, CandidateCount))
            return;
        reportProposal();
        bsSkinDBGrid1->setFocus();
        store.ClientDataSet2.first();
    }
    if (!proposal.leftOut().empty())
        services_.messages.messageDlg(leftOutMessage(proposal.leftOut()), prompts::MsgKind::Warning,
                                      prompts::MsgButtons::Ok);
}

} // namespace transfer
