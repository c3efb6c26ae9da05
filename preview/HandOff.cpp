#include "HandOff.h"

#include "PreviewError.h"

#include "data/ClientDataSet.h"
#include "data/CodePage.h"
#include "data/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cmath>

namespace preview {

namespace {

const char *const Section = "rpttemp";

/// Business text arrives in code page 950, CHAR columns padded with blanks.
QString displayText(const data::TValue &value)
{
    const std::string *text = value.text();
    if (!text)
        return QString::fromStdString(value.asString());
    QString s = data::decodeText(*text);
    while (s.endsWith(u' '))
        s.chop(1);
    return s;
}

Values currentRow(data::TClientDataSet &set)
{
    Values row;
    for (int i = 0; i < set.fieldCount(); ++i) {
        data::TField &field = set.fields(i);
        row.insert(QString::fromStdString(field.fieldName()).toUpper(), displayText(field.value()));
    }
    return row;
}

void loadRecordSet(data::TClientDataSet &set, const QString &path, const QString &what)
{
    if (!QFileInfo(path).isFile())
        throw PreviewError(QStringLiteral("找不到%1：%2").arg(what, QDir::toNativeSeparators(path)));
    try {
        set.loadFromFile(QFile::encodeName(path).toStdString());
    } catch (const data::EDatabaseError &e) {
        throw PreviewError(QStringLiteral("無法讀取%1：%2\n%3")
                               .arg(what, QDir::toNativeSeparators(path), QString::fromUtf8(e.what())));
    }
}

QString quantityText(double total)
{
    if (std::abs(total - std::round(total)) < 1e-9)
        return QString::number(qint64(std::llround(total)));
    return QString::number(total, 'g', 12);
}

} // namespace

HandOff readHandOff(const QString &programDir)
{
    const QDir dir(programDir);
    const QString iniPath = dir.filePath(QStringLiteral("rpttemp.ini"));
    if (!QFileInfo(iniPath).isFile())
        throw PreviewError(QStringLiteral("找不到報表設定檔：%1").arg(QDir::toNativeSeparators(iniPath)));

    const data::TIniFile ini(QFile::encodeName(iniPath).toStdString());
    const auto pathOf = [&](const char *key) {
        const std::string value = ini.readString(Section, key, "");
        if (value.empty())
            throw PreviewError(QStringLiteral("報表設定檔 %1 的 [%2] 沒有 %3。")
                                   .arg(QDir::toNativeSeparators(iniPath), QLatin1String(Section), QLatin1String(key)));
        return dir.absoluteFilePath(QFile::decodeName(QByteArray::fromStdString(value)));
    };

    HandOff handOff;
    handOff.templatePath = pathOf("path");
    const QString billPath = pathOf("tempfile");
    const QString headerPath = pathOf("tempfile2");

    if (!QStringDecoder(data::codePageName).isValid())
        throw PreviewError(QStringLiteral("這個系統沒有 950 字碼頁 (%1) 的轉換。").arg(QLatin1String(data::codePageName)));

    data::TClientDataSet bill;
    loadRecordSet(bill, billPath, QStringLiteral("單據明細檔"));
    if (QString::fromStdString(ini.readString(Section, "Filtered", "False")).compare(u"True", Qt::CaseInsensitive) == 0) {
        try {
            bill.setFilter(ini.readString(Section, "Filter", ""));
            bill.setFiltered(true);
        } catch (const data::EDatabaseError &e) {
            throw PreviewError(QStringLiteral("報表設定檔 %1 的篩選條件無法使用：%2")
                                   .arg(QDir::toNativeSeparators(iniPath), QString::fromUtf8(e.what())));
        }
    }
    double total = 0;
    for (bill.first(); !bill.eof(); bill.next()) {
        handOff.lines.push_back(currentRow(bill));
        if (data::TField *qty = bill.findField("QTY"); qty && !qty->isNull() && !qty->value().text())
            total += qty->asFloat();
    }
    if (!handOff.lines.empty())
        handOff.header = handOff.lines.front();

    data::TClientDataSet header;
    loadRecordSet(header, headerPath, QStringLiteral("單據表頭檔"));
    header.first();
    if (!header.eof()) {
        const Values row = currentRow(header);
        for (auto it = row.begin(); it != row.end(); ++it)
            handOff.header.insert(it.key(), it.value());
    }

    handOff.header.insert(QStringLiteral("TOTAL_QTY"), quantityText(total));
    handOff.header.insert(QStringLiteral("LINE_COUNT"), QString::number(handOff.lines.size()));
    return handOff;
}

} // namespace preview
