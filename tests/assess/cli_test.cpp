// pelzo report as a script calls it: tables, JSON with the chosen rule, the PDF, bad input.
#include "tests/assess/recordfixture.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct CliRun {
    int status = -1;
    QByteArray out;
    QString err;
};

CliRun Report(const QStringList& args, const QString& locale = QStringLiteral("C.UTF-8"))
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(PELZO_CLI), QStringList{QStringLiteral("report")} + args);
    CliRun r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class ReportCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = pelzo::test::WriteRecord(dir.path(), QDateTime(QDate(2026, 3, 4), QTime(23, 59, 50)),
                                        {{70, 5}, {92.3, 3}, {70, 5}, {88, 10}, {70, 5}});
    }
    QTemporaryDir dir;
    QString file;
};

}  // namespace

TEST_F(ReportCli, PrintsTablesOrJsonWithTheChosenRule)
{
    const CliRun text = Report({file});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    const QString t = QString::fromUtf8(text.out);
    EXPECT_TRUE(t.contains(QString::fromUtf8("事件（≥ 85.0 dB，至少 1 秒）")));
    EXPECT_TRUE(t.contains(QStringLiteral("2026-03-05 00:00:00")));
    EXPECT_TRUE(t.contains(QStringLiteral("92.3")));

    // A comma locale changes nothing in the JSON.
    const CliRun json = Report({file, QStringLiteral("--json"), QStringLiteral("--threshold"), QStringLiteral("87.5"),
                                QStringLiteral("--min-seconds"), QStringLiteral("4")},
                               QStringLiteral("de_DE.UTF-8"));
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject j = QJsonDocument::fromJson(json.out).object();
    ASSERT_FALSE(j.isEmpty()) << json.out.toStdString();
    EXPECT_EQ(j[QLatin1String("threshold")].toDouble(), 87.5);
    EXPECT_EQ(j[QLatin1String("min_seconds")].toInt(), 4);
    const QJsonArray events = j[QLatin1String("events")].toArray();
    ASSERT_EQ(events.size(), 1);  // the 3 s burst is too short
    EXPECT_EQ(events[0].toObject()[QLatin1String("start")].toString(), QLatin1String("2026-03-05T00:00:03"));
    EXPECT_EQ(events[0].toObject()[QLatin1String("seconds")].toInt(), 10);
    EXPECT_EQ(j[QLatin1String("levels")].toObject()[QLatin1String("Lmax")].toDouble(), 92.3);
}

TEST_F(ReportCli, WritesThePdfAndRefusesBadInput)
{
    const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
    const CliRun r = Report({file, QStringLiteral("--pdf"), pdf});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");

    const struct { QStringList args; int status; } bad[] = {
        {{}, 2},
        {{file, QStringLiteral("--threshold"), QStringLiteral("loud")}, 2},
        {{file, QStringLiteral("--min-seconds"), QStringLiteral("0")}, 2},
        {{file, QStringLiteral("--min-seconds"), QStringLiteral("2.5")}, 2},
        {{file, QStringLiteral("--colour")}, 2},
        {{dir.filePath(QStringLiteral("QC4X0000.pzo"))}, 1},  // no such file
        {{file, QStringLiteral("--pdf"), dir.filePath(QStringLiteral("no/such/r.pdf"))}, 1},
    };
    for (const auto& c : bad) EXPECT_EQ(Report(c.args).status, c.status) << c.args.join(QLatin1Char(' ')).toStdString();
}
