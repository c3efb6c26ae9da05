// The report preview: the hand-off files of a program folder rendered to PDF and read back as text.

#include "data/ClientDataSet.h"
#include "data/CodePage.h"
#include "data/IniFile.h"
#include "preview/BillLayout.h"
#include "preview/HandOff.h"
#include "preview/PagePicture.h"
#include "preview/PreviewError.h"
#include "preview/PreviewWindow.h"
#include "preview/ReportTemplate.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include "PdfText.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

std::string cp950(const QString &text)
{
    return data::encodeText(text).value();
}

const std::string MainStock = "S01\xc1\x60\xad\xdc"; // S01總倉, as the hand-off writes it
const char *const ProductName = "青禾肉燥麵";
const char *const EtenProduct = "碁盤格餅乾"; // 碁 exists only in the ETEN extension of code page 950

const QString ShippedTemplate = QStringLiteral(TOUCHMOVE_SOURCE_DIR "/preview/rtm/quorvan.rtm");

struct Line {
    std::string prodId;
    QString name;
    int qty;
};

/// A program folder holding the hand-off files and the shipped template.
class ProgramFolder {
public:
    explicit ProgramFolder(const QString &path) : dir_(path)
    {
        dir_.mkpath(QStringLiteral("rtm"));
        QFile::remove(file("rtm/quorvan.rtm"));
        EXPECT_TRUE(QFile::copy(ShippedTemplate, file("rtm/quorvan.rtm")));
    }

    QString file(const char *name) const { return dir_.filePath(QString::fromLatin1(name)); }
    std::string path(const char *name) const { return QFile::encodeName(file(name)).toStdString(); }

    void writeIni() const
    {
        data::TIniFile ini(path("rpttemp.ini"));
        ini.writeString("rpttemp", "path", path("rtm/quorvan.rtm"));
        ini.writeString("rpttemp", "tempfile", path("temp.cds"));
        ini.writeString("rpttemp", "tempfile2", path("temp2.cds"));
        ini.writeString("rpttemp", "Filter", "");
        ini.writeString("rpttemp", "Filtered", "False");
    }

    void writeBill(const std::vector<Line> &lines) const
    {
        data::TClientDataSet set;
        for (const char *name : {"MASTERBILLID", "BILL_DATE", "S_STOCKID", "T_STOCKID", "STORE_ID", "CHG_DATE",
                                 "CHG_USER", "MASTERBILLID_1", "KEYINTIME", "PROD_ID", "PROD_NAME", "PROD_SCALE"})
            set.addFieldDef(name, data::TFieldType::ftString, 50);
        set.addFieldDef("QTY", data::TFieldType::ftInteger);
        for (const char *name : {"UNITNAME", "TEMPPRODID"})
            set.addFieldDef(name, data::TFieldType::ftString, 50);
        set.addFieldDef("V_QTY", data::TFieldType::ftInteger);
        set.addFieldDef("V_UNIT", data::TFieldType::ftString, 20);
        for (const char *name : {"STORE_ID_1", "S_STOCKID_1", "T_STOCKID_1", "CHG_DATE_1", "CHG_USER_1", "BILL_DATE_1"})
            set.addFieldDef(name, data::TFieldType::ftString, 20);
        set.createDataSet();
        for (const Line &line : lines) {
            set.append();
            set.fieldByName("MASTERBILLID").setAsString("20240619001");
            set.fieldByName("BILL_DATE").setAsString("2024/06/19");
            set.fieldByName("S_STOCKID").setAsString("S01");
            set.fieldByName("T_STOCKID").setAsString("S02");
            set.fieldByName("MASTERBILLID_1").setAsString("20240619001");
            set.fieldByName("PROD_ID").setAsString(line.prodId + "   "); // CHAR columns come padded
            set.fieldByName("PROD_NAME").setAsString(cp950(line.name));
            set.fieldByName("QTY").setAsInteger(line.qty);
            set.fieldByName("UNITNAME").setAsString(cp950(QStringLiteral("箱")));
            set.post();
        }
        set.saveToFile(path("temp.cds"));
    }

    void writeHeader() const
    {
        data::TClientDataSet set;
        for (int i = 0; i <= 12; ++i)
            set.addFieldDef("Field" + std::to_string(i), data::TFieldType::ftString, 50);
        set.createDataSet();
        set.append();
        set.fieldByName("Field0").setAsString(MainStock);
        set.fieldByName("Field1").setAsString(cp950(QStringLiteral("S02分倉")));
        set.fieldByName("Field12").setAsString(cp950(QStringLiteral("快樂商店調撥單")));
        set.post();
        set.saveToFile(path("temp2.cds"));
    }

    void writeAll(const std::vector<Line> &lines) const
    {
        writeIni();
        writeBill(lines);
        writeHeader();
    }

private:
    QDir dir_;
};

std::vector<Line> numberedLines(int count)
{
    std::vector<Line> lines;
    for (int i = 1; i <= count; ++i)
        lines.push_back({QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0')).toStdString(),
                         i == 1 ? QString::fromUtf8(ProductName) : QStringLiteral("商品%1").arg(i), i});
    return lines;
}

/// Lines whose every fifth name is long enough to take two lines on the bill.
std::vector<Line> variedLines(int count)
{
    std::vector<Line> lines = numberedLines(count);
    for (int i = 4; i < count; i += 5)
        lines[i].name = QStringLiteral("家庭號超值組合包巧克力牛奶餅乾%1特大號").arg(i + 1);
    return lines;
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        folder_.emplace(temp_.path());
        pdf_ = temp_.filePath(QStringLiteral("bill.pdf"));
    }

    /// The message of the refusal, or empty when the PDF was written.
    QString render()
    {
        try {
            preview::renderToPdf(temp_.path(), pdf_);
            return {};
        } catch (const preview::PreviewError &e) {
            return e.message();
        }
    }

    QTemporaryDir temp_;
    std::optional<ProgramFolder> folder_;
    QString pdf_;
};

TEST_F(PreviewTest, BillShowsHeaderLinesAndTotal)
{
    folder_->writeAll({{"P00002", QString::fromUtf8(EtenProduct), 7}, {"P00001", QString::fromUtf8(ProductName), 12}});
    ASSERT_EQ(render(), QString());

    const QStringList pages = pdfPages(pdf_);
    ASSERT_EQ(pages.size(), 1);
    const QString &page = pages[0];
    EXPECT_TRUE(page.contains(u"快樂商店調撥單")) << page.toStdString();
    EXPECT_TRUE(page.contains(u"20240619001"));
    EXPECT_TRUE(page.contains(u"2024/06/19"));
    EXPECT_TRUE(page.contains(u"S01總倉"));
    EXPECT_TRUE(page.contains(u"S02分倉"));
    EXPECT_TRUE(page.contains(QString::fromUtf8(ProductName)));
    EXPECT_TRUE(page.contains(QString::fromUtf8(EtenProduct)));
    EXPECT_TRUE(page.contains(u"第 1 頁 / 共 1 頁"));

    // Lines keep the order of the file and are numbered from 1; the total is the sum of the quantities.
    static const QRegularExpression first(QStringLiteral(R"(\b1\s+P00002\s+\S+\s+箱\s+7\b)"));
    static const QRegularExpression second(QStringLiteral(R"(\b2\s+P00001\s+\S+\s+箱\s+12\b)"));
    static const QRegularExpression total(QStringLiteral(R"(合計\s+2\s+項\s+19\b)"));
    EXPECT_TRUE(first.match(page).hasMatch()) << page.toStdString();
    EXPECT_TRUE(second.match(page).hasMatch());
    EXPECT_LT(page.indexOf(u"P00002"), page.indexOf(u"P00001"));
    EXPECT_TRUE(total.match(page).hasMatch());
    EXPECT_TRUE(page.contains(u"撥入人員"));
    EXPECT_FALSE(page.contains(u"續下頁"));
}

/// The most lines of the hand-off in `programDir` that fit on one page together with the closing blocks.
int closingPageful(const QString &programDir)
{
    const preview::HandOff bill = preview::readHandOff(programDir);
    const auto report = preview::ReportTemplate::fromFile(bill.templatePath);
    const preview::BillLayout layout(report, bill, preview::billPageLayout());
    int count = 1;
    while (count < layout.lineCount() && layout.pageHeight(0, count + 1, true) <= layout.room())
        ++count;
    return count;
}

TEST_F(PreviewTest, EveryPageCarriesTheHeadsAndEveryLineOnce)
{
    folder_->writeAll(variedLines(100));
    const int pageful = closingPageful(temp_.path());
    ASSERT_GT(pageful, 10);
    for (int count : {1, pageful, pageful + 1, 60, 300}) {
        SCOPED_TRACE(count);
        const std::vector<Line> lines = variedLines(count);
        folder_->writeAll(lines);
        ASSERT_EQ(render(), QString());

        const QStringList pages = pdfPages(pdf_);
        if (count <= pageful + 1)
            EXPECT_EQ(pages.size(), count <= pageful ? 1 : 2);
        else
            EXPECT_GE(pages.size(), 2);
        const QString pageCount = QStringLiteral("共 %1 頁").arg(pages.size());
        for (int i = 0; i < pages.size(); ++i) {
            const QString &page = pages[i];
            SCOPED_TRACE(page.toStdString());
            EXPECT_TRUE(page.contains(u"快樂商店調撥單"));
            EXPECT_TRUE(page.contains(u"20240619001"));
            EXPECT_TRUE(page.contains(u"2024/06/19"));
            EXPECT_TRUE(page.contains(u"S01總倉"));
            EXPECT_TRUE(page.contains(u"S02分倉"));
            EXPECT_TRUE(page.contains(u"商品代號") && page.contains(u"數量"));
            EXPECT_TRUE(page.contains(QStringLiteral("第 %1 頁 / ").arg(i + 1) + pageCount));
            EXPECT_EQ(page.contains(u"續下頁"), i + 1 < pages.size());
            EXPECT_EQ(page.contains(u"合計"), i + 1 == pages.size());
        }
        // Every line printed exactly once, in the order of the file and numbered from 1.
        static const QRegularExpression row(QStringLiteral(R"(^\s*(\d+)\s+P(\d{5})\s)"), QRegularExpression::MultilineOption);
        int expected = 1;
        for (const QRegularExpressionMatch &m : row.globalMatch(pages.join(QLatin1Char('\f')))) {
            EXPECT_EQ(m.captured(1).toInt(), expected);
            EXPECT_EQ(m.captured(2).toInt(), expected);
            ++expected;
        }
        EXPECT_EQ(expected, count + 1);
        const int total = count * (count + 1) / 2;
        EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(合計\s+%1\s+項\s+%2\b)").arg(count).arg(total))
                        .match(pages.last())
                        .hasMatch());

        // No page is fuller than the paper.
        const preview::HandOff bill = preview::readHandOff(temp_.path());
        const auto report = preview::ReportTemplate::fromFile(bill.templatePath);
        preview::BillLayout layout(report, bill, preview::billPageLayout());
        layout.finish();
        ASSERT_EQ(int(layout.pages().size()), pages.size());
        for (const preview::PageSlice &slice : layout.pages())
            EXPECT_LE(layout.pageHeight(slice.first, slice.count, slice.last), layout.room()) << slice.first;
    }
}

TEST_F(PreviewTest, PagesCoverTheLinesInOrder)
{
    const preview::ReportTemplate report =
        preview::ReportTemplate::fromFile(ShippedTemplate);
    for (int count : {0, 1, 25, 60, 200}) {
        preview::HandOff bill;
        for (int i = 0; i < count; ++i)
            bill.lines.push_back({{QStringLiteral("PROD_ID"), QString::number(i)}});
        preview::BillLayout layout(report, bill, preview::billPageLayout());
        layout.finish();
        const std::vector<preview::PageSlice> &pages = layout.pages();
        ASSERT_FALSE(pages.empty()) << count;
        int next = 0;
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_EQ(pages[i].first, next) << count;
            EXPECT_EQ(pages[i].last, i + 1 == pages.size()) << count;
            EXPECT_TRUE(pages[i].count > 0 || count == 0 || pages[i].last) << count;
            next += pages[i].count;
        }
        EXPECT_EQ(next, count);
        if (count == 200) {
            EXPECT_GE(pages.size(), 5u);
        }
    }
}

/// A bill with all that makes lines differ: names of one to three lines, codes too long for their column, lines
/// without a unit or without a quantity.
preview::HandOff unevenBill(int count)
{
    preview::HandOff bill;
    bill.header = {{QStringLiteral("FIELD12"), QStringLiteral("快樂商店調撥單")},
                   {QStringLiteral("MASTERBILLID"), QStringLiteral("20240619001")},
                   {QStringLiteral("FIELD0"), QStringLiteral("S01總倉")},
                   {QStringLiteral("FIELD1"), QStringLiteral("S02分倉")}};
    for (int i = 1; i <= count; ++i) {
        QString name = QStringLiteral("商品%1").arg(i);
        if (i % 5 == 0)
            name += QStringLiteral("家庭號超值組合包巧克力牛奶餅乾");
        if (i % 11 == 0)
            name += QString(40, QChar(0x78BC));
        bill.lines.push_back({{QStringLiteral("PROD_ID"), i % 37 ? QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0'))
                                                                 : QStringLiteral("ABCDEFGHIJKLMNOPQRST")},
                              {QStringLiteral("PROD_NAME"), name},
                              {QStringLiteral("UNITNAME"), i % 41 ? QStringLiteral("箱") : QString()},
                              {QStringLiteral("QTY"), i % 29 ? QString::number(i) : QString()}});
    }
    return bill;
}

/// The pages are those that measuring every candidate page gives: all the rest on the closing page when they fit
/// there, else as many lines as fit before the bill goes on, the last of the rest carried over to the closing
/// page. (A page grows with its lines, so a part of the rest that does not fit rules out the whole.)
void expectCutAsMeasured(const preview::BillLayout &layout)
{
    const auto fits = [&](int first, int count, bool last) { return layout.pageHeight(first, count, last) <= layout.room(); };
    const std::vector<preview::PageSlice> &pages = layout.pages();
    int next = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        const preview::PageSlice &page = pages[i];
        const int rest = layout.lineCount() - page.first;
        SCOPED_TRACE(page.first);
        ASSERT_EQ(page.first, next);
        ASSERT_EQ(page.last, i + 1 == pages.size());
        next += page.count;
        if (page.last) {
            EXPECT_EQ(page.count, rest);
            EXPECT_TRUE(rest == 0 || fits(page.first, rest, true));
            continue;
        }
        const int part = std::min(rest, 2 * page.count + 2);
        EXPECT_FALSE(fits(page.first, part, true) && (part == rest || fits(page.first, rest, true)));
        if (page.count == rest - 1 && fits(page.first, rest, false))
            continue;
        EXPECT_TRUE(page.count == 1 || fits(page.first, page.count, false));
        if (page.count < rest) {
            EXPECT_FALSE(fits(page.first, page.count + 1, false));
        }
    }
    EXPECT_EQ(next, layout.lineCount());
}

TEST(BillLayoutTest, PagesAreCutAsMeasuringEachPageWouldCutThem)
{
    struct Case {
        const char *what;
        QString html;
    };
    QFile shipped(ShippedTemplate);
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const Case cases[] = {
        {"the shipped template", QString::fromUtf8(shipped.readAll())},
        {"lines as paragraphs",
         QStringLiteral("<p style=\"font-size: 16pt\">{{Field12}}</p><p>單號 {{MASTERBILLID}}</p>"
                        "<!--LINE--><p>{{#}}. {{PROD_ID}} {{PROD_NAME}} {{QTY}} {{UNITNAME}}</p><!--/LINE-->"
                        "<!--MORE--><p>（續下頁）</p><!--/MORE--><!--LAST--><p>合計 {{LINE_COUNT}} 項</p><p>簽收</p><!--/LAST-->"
                        "<!--FOOTER--><p>{{PAGE}} / {{PAGES}}</p><!--/FOOTER-->")},
        {"columns as wide as their texts",
         QStringLiteral("<p>{{Field12}}</p><table border=\"1\" cellspacing=\"0\"><tr><th>序</th><th>代號</th><th>名稱</th>"
                        "<th>數量</th></tr><!--LINE--><tr><td>{{#}}</td><td>{{PROD_ID}}</td><td>{{PROD_NAME}}</td>"
                        "<td>{{QTY}}</td></tr><!--/LINE--><!--LAST--><tr><td colspan=\"4\">合計</td></tr><!--/LAST-->"
                        "</table><!--MORE--><p>續</p><!--/MORE-->")},
    };
    const preview::HandOff bill = unevenBill(300);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto report = preview::ReportTemplate::fromHtml(c.html);
        preview::BillLayout layout(report, bill, preview::billPageLayout());
        layout.finish();
        EXPECT_GE(layout.pages().size(), 4u);
        expectCutAsMeasured(layout);
    }
}

/// A table whose last cell is empty ends a little higher: a line without a quantity fits where a line with one
/// just does not.
TEST(BillLayoutTest, ALineWithoutQuantityFitsWhereItJustFits)
{
    const auto report = preview::ReportTemplate::fromFile(ShippedTemplate);
    preview::HandOff bill;
    for (int i = 1; i <= 50; ++i)
        bill.lines.push_back({{QStringLiteral("PROD_ID"), QStringLiteral("P%1").arg(i)},
                              {QStringLiteral("QTY"), i % 3 == 2 ? QString() : QString::number(i)}});
    // Paper a little longer at each step, a line's height in all: on one of them a page just fits the next line.
    for (int step = 0; step < 14; ++step) {
        SCOPED_TRACE(step);
        const QPageLayout paper(QPageSize(QSizeF(210, 297 + step * 0.5), QPageSize::Millimeter), QPageLayout::Portrait,
                                QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter);
        preview::BillLayout layout(report, bill, paper);
        layout.finish();
        expectCutAsMeasured(layout);
    }
}

/// A page painted from its picture shows the same pixels as the page painted by its document; pages the picture
/// cannot paint exactly have none.
TEST(PagePictureTest, PaintsWhatTheDocumentPaints)
{
    QFile shippedFile(ShippedTemplate);
    ASSERT_TRUE(shippedFile.open(QIODevice::ReadOnly));
    const QString shipped = QString::fromUtf8(shippedFile.readAll());
    const auto changed = [&](std::initializer_list<std::pair<const char *, const char *>> edits) {
        QString html = shipped;
        for (const auto &[from, to] : edits) {
            EXPECT_TRUE(html.contains(QString::fromUtf8(from))) << from;
            html.replace(QString::fromUtf8(from), QString::fromUtf8(to));
        }
        return html;
    };
    struct Case {
        const char *what;
        QString html;
        bool pictured;
    };
    const Case cases[] = {
        {"the shipped template", shipped, true},
        {"a thick red grid, wide padding, cells aligned low and coloured",
         changed({{"border=\"1\"", "border=\"3\""}, {"cellpadding=\"4\"", "cellpadding=\"7\""},
                  {"border-color: #000000;", "border-color: #cc0000; border-style: solid;"},
                  {"<td>{{PROD_NAME}}</td>", "<td valign=\"bottom\" style=\"background-color: #ffeecc\">{{PROD_NAME}}</td>"},
                  {"<td>{{PROD_ID}}</td>", "<td valign=\"middle\"><p>{{PROD_ID}}</p><p><u>x</u></p></td>"}}),
         true},
        {"a grid of even width, whose lowest line stands half a unit lower",
         changed({{"border=\"1\"", "border=\"2\""}}), false},
        {"a dashed grid", changed({{"border-color: #000000;", "border-color: #000000; border-style: dashed;"}}), false},
        {"a raised red grid, shaded", changed({{"border-color: #000000;", "border-color: #cc0000;"}}), false},
        {"cells with borders of their own", changed({{"table.lines th {", "table.lines td { border: 2px solid red; } table.lines th {"}}), false},
        {"a grid not collapsed", changed({{"border-collapse: collapse;", ""}}), false},
        {"a cell over two rows", changed({{"<td>{{PROD_ID}}</td>", "<td rowspan=\"2\">{{PROD_ID}}</td>"}}), false},
        {"a table in a cell", changed({{"<td>{{PROD_ID}}</td>", "<td><table><tr><td>{{PROD_ID}}</td></tr></table></td>"}}), false},
        {"a list", changed({{"<body>", "<body><ul><li>a</li></ul>"}}), false},
        {"a ruler", changed({{"（續下頁）", "<hr/>"}}), false},
        {"a page background", changed({{"<body>", "<body style=\"background-color: #ffffee\">"}}), false},
    };
    const preview::HandOff bill = unevenBill(40);
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing TW"), QStringLiteral("AR PL UMing CN")});
    font.setPointSizeF(11);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto report = preview::ReportTemplate::fromHtml(c.html);
        QTextDocument page;
        page.setDefaultFont(font);
        page.setDocumentMargin(0);
        page.setTextWidth(680);
        page.setHtml(report.pageHtml(bill.header, bill.lines, 1, {}, false));
        const auto picture = preview::PagePicture::of(page);
        ASSERT_EQ(picture.has_value(), c.pictured);
        if (!picture)
            continue;
        const auto painted = [&](const auto &paint) {
            QImage image((page.size() * 3).toSize(), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.scale(3, 3);
            paint(painter);
            return image;
        };
        const QImage byDocument = painted([&](QPainter &painter) { page.drawContents(&painter); });
        const QImage byPicture = painted([&](QPainter &painter) { picture->paint(painter); });
        EXPECT_TRUE(byPicture == byDocument);
    }
}

TEST(PreviewWindowTest, OpensCentredOnTheScreenAndShowsEveryPageOnceLaidOut)
{
    const auto report = preview::ReportTemplate::fromFile(ShippedTemplate);
    const preview::HandOff bill = unevenBill(400);
    preview::PreviewWindow window(report, bill);
    bool answered = false; // the event loop turned while the bill was being laid out
    QTimer::singleShot(0, &window, [&] { answered = !window.billLayout().finished(); });
    QSignalSpy ready(&window, &preview::PreviewWindow::pagesReady);
    window.show();
    ASSERT_TRUE(ready.wait(120000));
    EXPECT_TRUE(answered);

    const QRect screen = window.screen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    EXPECT_TRUE(screen.contains(frame)) << frame.width() << "x" << frame.height();
    EXPECT_LE(std::abs((frame.left() - screen.left()) - (screen.right() - frame.right())), 1);
    EXPECT_LE(std::abs((frame.top() - screen.top()) - (screen.bottom() - frame.bottom())), 1);

    preview::BillLayout layout(report, bill, preview::billPageLayout());
    layout.finish();
    EXPECT_EQ(window.billLayout().pages(), layout.pages());
}

TEST_F(PreviewTest, PageNumbersInTheTemplateBodyFollowThePages)
{
    folder_->writeAll(numberedLines(80));
    QFile file(folder_->file("rtm/quorvan.rtm"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QStringLiteral("<p>調撥單 第{{PAGE}}張共{{ pages }}張</p><table border=\"1\"><!--LINE--><tr><td>{{PROD_ID}}</td>"
                              "</tr><!--/LINE--></table><!--MORE--><p>續</p><!--/MORE-->")
                   .toUtf8());
    file.close();
    ASSERT_EQ(render(), QString());

    const QStringList pages = pdfPages(pdf_);
    ASSERT_GE(pages.size(), 2);
    for (int i = 0; i < pages.size(); ++i)
        EXPECT_TRUE(pages[i].contains(QStringLiteral("第%1張共%2張").arg(i + 1).arg(pages.size()))) << pages[i].toStdString();
}

TEST_F(PreviewTest, EmptyBillStillPrintsOnePage)
{
    folder_->writeAll({});
    ASSERT_EQ(render(), QString());
    const QStringList pages = pdfPages(pdf_);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(u"S01總倉"));
    EXPECT_TRUE(pages[0].contains(u"商品名稱"));
    EXPECT_TRUE(pages[0].contains(u"第 1 頁 / 共 1 頁"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(合計\s+0\s+項\s+0\b)")).match(pages[0]).hasMatch());
}

TEST_F(PreviewTest, MissingOrDamagedInputIsRefusedWithoutPdf)
{
    EXPECT_TRUE(render().contains(u"rpttemp.ini"));
    EXPECT_FALSE(QFile::exists(pdf_));

    folder_->writeIni();
    folder_->writeHeader();
    QString message = render();
    EXPECT_TRUE(message.contains(u"找不到") && message.contains(u"temp.cds")) << message.toStdString();
    EXPECT_FALSE(QFile::exists(pdf_));

    folder_->writeBill(numberedLines(3));
    QFile header(folder_->file("temp2.cds"));
    ASSERT_TRUE(header.open(QIODevice::ReadWrite));
    ASSERT_TRUE(header.resize(header.size() / 2));
    header.close();
    message = render();
    EXPECT_TRUE(message.contains(u"無法讀取") && message.contains(u"temp2.cds")) << message.toStdString();
    EXPECT_FALSE(QFile::exists(pdf_));

    folder_->writeHeader();
    ASSERT_TRUE(QFile::remove(folder_->file("rtm/quorvan.rtm")));
    message = render();
    EXPECT_TRUE(message.contains(u"報表範本") && message.contains(u"quorvan.rtm")) << message.toStdString();
    EXPECT_FALSE(QFile::exists(pdf_));
}

TEST(ReportTemplateTest, FillsEscapesAndChoosesBlocks)
{
    const preview::ReportTemplate report = preview::ReportTemplate::fromHtml(QStringLiteral(
        "<h1>{{ field12 }}|{{NOSUCH}}</h1><table><!--LINE--><tr><td>{{#}}:{{prod_name}}:{{Field0}}</td></tr>"
        "<!--/LINE--></table><!--MORE-->more<!--/MORE--><!--LAST-->sum {{TOTAL_QTY}}<!--/LAST-->"
        "<!--FOOTER-->{{PAGE}}/{{PAGES}}<!--/FOOTER-->"));
    const preview::Values header{{QStringLiteral("FIELD12"), QStringLiteral("A&B")},
                                 {QStringLiteral("FIELD0"), QStringLiteral("S01")},
                                 {QStringLiteral("TOTAL_QTY"), QStringLiteral("9")}};
    const std::vector<preview::Values> lines{{{QStringLiteral("PROD_NAME"), QStringLiteral("<b>x</b>")}},
                                             {{QStringLiteral("PROD_NAME"), QStringLiteral("y")}}};

    EXPECT_EQ(report.pageHtml(header, lines, 31, {1, 2}, false),
              QStringLiteral("<h1>A&amp;B|</h1><table><tr><td>31:&lt;b&gt;x&lt;/b&gt;:S01</td></tr>"
                             "<tr><td>32:y:S01</td></tr></table>more"));
    EXPECT_EQ(report.pageHtml(header, {}, 1, {2, 2}, true), QStringLiteral("<h1>A&amp;B|</h1><table></table>sum 9"));
    EXPECT_EQ(report.footerHtml(header, {2, 3}), QStringLiteral("2/3"));

    EXPECT_THROW(preview::ReportTemplate::fromHtml(QStringLiteral("<p>{{Field0}}</p>")), preview::PreviewError);

    // Page numbers outside the footer make every page differ; the shipped template names them only in a comment.
    EXPECT_FALSE(report.numbersPages());
    EXPECT_FALSE(preview::ReportTemplate::fromFile(ShippedTemplate).numbersPages());
    EXPECT_TRUE(preview::ReportTemplate::fromHtml(QStringLiteral("<p>{{ page }}</p><!--LINE--><!--/LINE-->")).numbersPages());
}

/// The module as the transfer screen loads it. It reads the hand-off of its host's folder, which for this
/// test program is a folder of its own.
TEST_F(PreviewTest, SharedModuleRendersThroughItsEntries)
{
    QLibrary module(QStringLiteral(TOUCHMOVE_PROGRAM_DIR "/libRptPreview.so"));
    ASSERT_TRUE(module.load()) << module.errorString().toStdString();
    const auto showForm = reinterpret_cast<void (*)()>(module.resolve("ShowForm"));
    const auto renderToPdf = reinterpret_cast<int (*)(const char *)>(module.resolve("RenderToPdf"));
    ASSERT_NE(showForm, nullptr);
    ASSERT_NE(renderToPdf, nullptr);

    const ProgramFolder host(QCoreApplication::applicationDirPath());
    host.writeAll(numberedLines(2));
    const QByteArray pdf = QFile::encodeName(pdf_);
    EXPECT_EQ(renderToPdf(pdf.constData()), 0);
    ASSERT_EQ(pdfPages(pdf_).size(), 1);
    EXPECT_TRUE(pdfPages(pdf_)[0].contains(QString::fromUtf8(ProductName)));

    const QString viaShowForm = temp_.filePath(QStringLiteral("showform.pdf"));
    qputenv("RPTPREVIEW_PDF", QFile::encodeName(viaShowForm));
    showForm();
    qunsetenv("RPTPREVIEW_PDF");
    ASSERT_TRUE(QFile::exists(viaShowForm));
    EXPECT_TRUE(pdfPages(viaShowForm)[0].contains(u"S01總倉"));

    for (const char *name : {"rpttemp.ini", "temp.cds", "temp2.cds"})
        QFile::remove(host.file(name));
    const QString refused = temp_.filePath(QStringLiteral("refused.pdf"));
    EXPECT_NE(renderToPdf(QFile::encodeName(refused).constData()), 0);
    EXPECT_FALSE(QFile::exists(refused));
    EXPECT_TRUE(module.unload());
}

} // namespace
