#include "officetools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace pelzo::test {

namespace {

// Runs soffice --convert-to; the profile lies in `scratch`, so no user office is touched.
QString Convert(const QString& in, const QString& to, const QString& scratch, const QStringList& extra = {})
{
    const QString out = scratch + QStringLiteral("/converted");
    QDir().mkpath(out);
    QProcess p;
    p.setProgram(QStringLiteral("soffice"));
    p.setArguments(QStringList{QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(scratch + QStringLiteral("/profile")).toString(),
                    QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--nolockcheck"),
                    QStringLiteral("--convert-to"), to, QStringLiteral("--outdir"), out}
                    + extra + QStringList{in});
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start();
    if (!p.waitForFinished(90000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "soffice --convert-to timed out";
    }
    const QString base = QFileInfo(in).completeBaseName();
    const QString ext = to.section(u':', 0, 0);
    return out + u'/' + base + u'.' + ext;
}

}  // namespace

std::vector<QStringList> SheetRows(const QString& workbook, const QString& scratch)
{
    // A copy with a plain name: the converter names its output after the input.
    const QString copy = scratch + QStringLiteral("/readback.xls");
    QFile::remove(copy);
    QFile::copy(workbook, copy);
    const QString csv = Convert(copy, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"), scratch);
    QFile f(csv);
    std::vector<QStringList> rows;
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no CSV from " << workbook.toStdString();
        return rows;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        QString l = QString::fromUtf8(line);
        if (l.endsWith(u'\r')) l.chop(1);
        // Our fields hold no commas or quotes, so a plain split is enough.
        QStringList fields = l.split(u',');
        for (QString& x : fields)
            if (x.startsWith(u'"') && x.endsWith(u'"') && x.size() >= 2) x = x.mid(1, x.size() - 2);
        rows.push_back(fields);
    }
    while (!rows.empty() && rows.back().join(QString()).isEmpty()) rows.pop_back();
    return rows;
}

void MakeWorkbook(const QString& csv, const QString& xls, const QString& scratch)
{
    const QString src = scratch + QStringLiteral("/source.csv");
    QFile f(src);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(csv.toUtf8());
    f.close();
    const QString out = Convert(src, QStringLiteral("xls:MS Excel 97"), scratch,
                                {QStringLiteral("--infilter=Text - txt - csv (StarCalc):44,34,76")});
    QFile::remove(xls);
    ASSERT_TRUE(QFile::copy(out, xls)) << "conversion of CSV to a workbook failed";
}

void MakeForeignWorkbook(const std::vector<TypedCell>& cells, const QString& xls, const QString& scratch)
{
    int maxRow = 0, maxCol = 0;
    QString body;
    for (const TypedCell& c : cells) {
        maxRow = std::max(maxRow, c.row - 1);
        maxCol = std::max(maxCol, c.col - 1);
        const QString type = c.format.isEmpty() ? QStringLiteral("60") : QStringLiteral("40");
        const QString format = c.format.isEmpty() ? QString() : QStringLiteral(" ValueFormat=\"%1\"").arg(c.format.toHtmlEscaped());
        body += QStringLiteral("<gnm:Cell Row=\"%1\" Col=\"%2\" ValueType=\"%3\"%4>%5</gnm:Cell>\n")
                    .arg(c.row - 1).arg(c.col - 1).arg(type, format, c.value.toHtmlEscaped());
    }
    const QString doc = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gnm:Workbook xmlns:gnm=\"http://www.gnumeric.org/v10.dtd\">\n"
        "<gnm:SheetNameIndex><gnm:SheetName>Sheet1</gnm:SheetName></gnm:SheetNameIndex>\n"
        "<gnm:Sheets><gnm:Sheet><gnm:Name>Sheet1</gnm:Name><gnm:MaxCol>%1</gnm:MaxCol><gnm:MaxRow>%2</gnm:MaxRow>\n"
        "<gnm:Cells>\n%3</gnm:Cells></gnm:Sheet></gnm:Sheets></gnm:Workbook>\n").arg(maxCol).arg(maxRow).arg(body);
    const QString src = scratch + QStringLiteral("/source.gnumeric");
    QFile f(src);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(doc.toUtf8());
    f.close();
    QFile::remove(xls);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("ssconvert"), {QStringLiteral("--export-type=Gnumeric_Excel:excel_biff8"), src, xls});
    ASSERT_TRUE(p.waitForFinished(60000)) << "ssconvert (gnumeric) did not finish";
    ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    ASSERT_TRUE(IsCompoundFile(xls)) << "ssconvert wrote no workbook: " << p.readAll().toStdString();
}

bool IsCompoundFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    return f.read(8) == QByteArray::fromHex("d0cf11e0a1b11ae1");
}

bool ProcessAlive(qint64 pid)
{
    if (pid <= 0 || ::kill(pid_t(pid), 0) != 0) return false;
    // A zombie is dead; only its reaping is left (to init, here).
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray s = stat.readAll();
    const int close = s.lastIndexOf(')');
    return close < 0 || s.mid(close + 2, 1) != "Z";
}

}  // namespace pelzo::test
