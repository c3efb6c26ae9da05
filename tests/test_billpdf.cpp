// The whole road on the demo shop: a bill posted through the real screen, handed to the real preview module,
// printed to PDF and read back as text; the first page is kept as a picture.
//
// This program lives in a folder of its own, which is the program folder of the demo shop: the module reads
// the hand-off files from the folder of the program that loads it.

#include "ScreenFixture.h"

#include "widgets/CodePage.h"
#include "widgets/CodePageEdit.h"
#include "widgets/ImageButton.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "PdfText.h"

#include <gtest/gtest.h>

namespace {

void copyInto(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).path());
    QFile::remove(to);
    ASSERT_TRUE(QFile::copy(from, to)) << from.toStdString();
}

struct DemoLine {
    std::string prodId;
    QString name;
    int quantity;
};

} // namespace

TEST(DemoBill, PostedPrintedAndReadBack)
{
    const QString host = QCoreApplication::applicationDirPath();
    const std::string programDir = host.toStdString() + "/";
    ASSERT_EQ(QProcess::execute(QStringLiteral(MAKEDEMO), {host}), 0) << "the demo shop could not be made";
    copyInto(QStringLiteral(TOUCHMOVE_PROGRAM_DIR "/libRptPreview.so"), host + "/libRptPreview.so");
    copyInto(QStringLiteral(TOUCHMOVE_PROGRAM_DIR "/rtm/quorvan.rtm"), host + "/rtm/quorvan.rtm");
    const QString pdf = host + "/demo-bill.pdf";
    QFile::remove(pdf);

    FixedClock clock;
    clock.moment = QDateTime(QDate(2024, 6, 19), QTime(10, 15, 30, 250));
    prompts::ScriptedMessageBox messages;
    RecordingErrors errors;
    ScriptedDialogRunner dialogs;
    std::vector<DemoLine> posted;
    {
        transfer::TFormTouchMove screen({programDir, clock, messages, errors, dialogs});
        screen.bsSkinEdit2->setText(QStringLiteral("S01"));
        screen.bsSkinEdit1->setText(QStringLiteral("S02"));

        // The lines as a proposal would give them: products the main warehouse holds.
        auto &q = screen.store.SQLQuery1;
        q.close();
        q.SQL().clear();
        q.SQL().add("SELECT FIRST 36 P.PROD_ID, P.PROD_NAME, Q.NOW_QTY FROM PRODUCT P JOIN STORE_QTY Q "
                    "ON Q.PROD_ID = P.PROD_ID WHERE Q.STOCK_ID = 'S01' AND Q.NOW_QTY > 0 ORDER BY P.PROD_ID");
        q.open();
        auto &lines = screen.store.ClientDataSet2;
        for (int sno = 1; !q.eof(); q.next(), ++sno) {
            const int stock = q.fields(2).asInteger();
            const int quantity = std::min(stock, 1 + sno % 12);
            lines.append();
            lines.fieldByName("Sno").setAsInteger(sno);
            lines.fieldByName("PROD_ID").setAsString(q.fields(0).asString());
            lines.fieldByName("PROD_NAME").setAsString(q.fields(1).asString());
            lines.fieldByName("T_QTY").setAsInteger(stock);
            lines.fieldByName("M_QTY").setAsInteger(quantity);
            lines.post();
            posted.push_back({q.fields(0).asString(), widgets::decodeText(q.fields(1).asString()), quantity});
        }
        q.close();
        ASSERT_EQ(posted.size(), 36u);

        qputenv("RPTPREVIEW_PDF", QFile::encodeName(pdf));
        messages.queue(prompts::MsgResult::Yes);
        QTest::mouseClick(screen.fcImageBtn2, Qt::LeftButton);
        qunsetenv("RPTPREVIEW_PDF");
        EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
        EXPECT_EQ(screen.BillNo, "202406190001");
    }
    ASSERT_TRUE(QFile::exists(pdf)) << "the preview module wrote no PDF";

    const QStringList pages = pdfPages(pdf);
    ASSERT_GE(pages.size(), 2) << "36 lines take more than one page";
    for (int i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(pages[i].toStdString());
        EXPECT_TRUE(pages[i].contains(u"中山店 調撥單")) << "the title on every page";
        EXPECT_TRUE(pages[i].contains(u"202406190001"));
        EXPECT_TRUE(pages[i].contains(u"2024/06/19"));
        EXPECT_TRUE(pages[i].contains(u"S01總倉"));
        EXPECT_TRUE(pages[i].contains(u"S02中山分倉"));
        EXPECT_TRUE(pages[i].contains(QStringLiteral("第 %1 頁 / 共 %2 頁").arg(i + 1).arg(pages.size())));
    }
    const QString all = pages.join(QLatin1Char('\f'));
    const DemoLine &first = posted.front();
    EXPECT_TRUE(pages[0].contains(first.name.left(4))) << first.name.toStdString();
    for (const DemoLine &line : posted) {
        const QRegularExpression row(QStringLiteral("\\b%1\\s.*\\s%2\\s*$")
                                         .arg(QRegularExpression::escape(QString::fromStdString(line.prodId)))
                                         .arg(line.quantity),
                                     QRegularExpression::MultilineOption);
        EXPECT_TRUE(row.match(all).hasMatch()) << line.prodId << " with quantity " << line.quantity;
    }

    // The module's own entry for writing a PDF without any window reads the same hand-off. The module is loaded
    // again after the hand-off has unloaded it, as a second preview of one run does: a module whose constant
    // data Qt's font cache still pointed into once crashed here.
    QLibrary module(host + "/libRptPreview");
    ASSERT_TRUE(module.load()) << module.errorString().toStdString();
    const auto renderToPdf = reinterpret_cast<int (*)(const char *)>(module.resolve("RenderToPdf"));
    ASSERT_NE(renderToPdf, nullptr);
    const QString rendered = host + "/demo-bill-rendered.pdf";
    EXPECT_EQ(renderToPdf(QFile::encodeName(rendered).constData()), 0);
    EXPECT_EQ(pdfPages(rendered), pages);
    module.unload();

    // The first page as a picture, for looking at.
    const QString png = host + "/preview-page1";
    QFile::remove(png + ".png");
    EXPECT_EQ(QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                                                             QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                             QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, png}),
              0);
    EXPECT_TRUE(QFile::exists(png + ".png"));
}
