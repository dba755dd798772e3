// The PDF report read back with poppler: its text is searchable, its first page renders with
// the chart, the threshold line and the events, long tables go on to further pages.
#include "assess/feeder.h"
#include "assess/report.h"
#include "files/openfile.h"
#include "tests/assess/recordfixture.h"
#include "tests/support/testseams.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace pelzo;
using namespace pelzo::assess;
using pelzo::test::WriteRecord;

namespace {

QString RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Qt's PDF maps some CJK glyphs back to their Kangxi radical twins (U+2F00 …), which look the
// same; compatibility normalisation turns them into the ideographs.
QString PdfText(const QString& pdf, bool layout = false)
{
    QStringList args{pdf, QStringLiteral("-")};
    if (layout) args.prepend(QStringLiteral("-layout"));
    return RunTool(QStringLiteral("pdftotext"), args).normalized(QString::NormalizationForm_KC);
}

bool Has(const QString& text, const char* part)
{
    return text.contains(QString::fromUtf8(part).normalized(QString::NormalizationForm_KC));
}

class PdfReport : public ::testing::Test {
protected:
    Accumulator Load(const std::vector<test::Stretch>& parts, QTime start = QTime(23, 0, 0))
    {
        fx.st.OpenFileName = WriteRecord(dir.path(), QDateTime(QDate(2026, 3, 4), start), parts);
        OpenFileIntoViews(fx.core);
        return AssessState(fx.st, EventRule{85, 1});
    }
    QString pdf() const { return dir.filePath(QStringLiteral("report.pdf")); }
    QTemporaryDir dir;
    test::CoreFixture fx;
};

}  // namespace

TEST_F(PdfReport, TextCanBeSearchedAndPageOneShowsTheChart)
{
    const Accumulator acc = Load({{70, 100}, {90, 3}, {70, 3597}, {95, 60}, {70, 1240}, {100, 10, true}, {70, 2190}});
    ASSERT_TRUE(WriteReportPdf(pdf(), fx.st.OpenFileName, acc));
    const QString text = PdfText(pdf(), true);
    for (const char* part : {"噪声评估报告", "QC4X0000.pzo", "2026-03-04 23:00:00", "2026-03-05 01:00:00", "02:00:00",
                             "暴露（仅 A 计权样本）", "LEX,8h", "OSHA PEL", "NIOSH REL", "每小时", "时段", "Lden",
                             "2026-03-05 00:01:40", "2026-03-05 00:02:40", "112.8", "峰值", "阈值 85.0 dB"})
        EXPECT_TRUE(Has(text, part)) << part;

    const QString png = dir.filePath(QStringLiteral("page"));
    RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-f"), QStringLiteral("1"),
                                     QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-png"),
                                     QStringLiteral("-singlefile"), pdf(), png});
    const QImage page(png + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(double(page.height()) / page.width(), 297.0 / 210.0, 0.01);  // A4 upright
    int ink = 0, blue = 0, red = 0, orange = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.lightness() < 128) ++ink;
            if (c.blue() > 150 && c.red() < 120 && c.green() < 140) ++blue;     // the level band
            if (c.red() > 180 && c.green() < 60 && c.blue() < 60) ++red;        // the threshold line
            if (c.red() > 200 && c.green() > 120 && c.green() < 200 && c.blue() < 150) ++orange;  // events
        }
    }
    EXPECT_GT(ink, 2000);
    EXPECT_GT(blue, 200);
    EXPECT_GT(red, 50);
    EXPECT_GT(orange, 20);
    if (qEnvironmentVariableIsSet("PELZO_KEEP_PDF")) {
        QFile::copy(pdf(), qEnvironmentVariable("PELZO_KEEP_PDF") + QStringLiteral(".pdf"));
        QFile::copy(png + QStringLiteral(".png"), qEnvironmentVariable("PELZO_KEEP_PDF") + QStringLiteral(".png"));
    }
}

TEST_F(PdfReport, LongHourTableGoesOnToMorePages)
{
    const Accumulator acc = Load({{55, 3 * 86400}}, QTime(0, 0, 0));
    ASSERT_TRUE(WriteReportPdf(pdf(), fx.st.OpenFileName, acc));
    const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf()});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    ASSERT_TRUE(m.hasMatch()) << info.toStdString();
    EXPECT_GE(m.captured(1).toInt(), 3);
    const QString text = PdfText(pdf());
    EXPECT_TRUE(text.contains(QLatin1String("2026-03-06 23:00:00")));  // the 72nd hour
}

TEST_F(PdfReport, EmptyRecordingStillMakesAReportAndAnUnwritablePathFails)
{
    const Accumulator empty;
    ASSERT_TRUE(WriteReportPdf(pdf(), QStringLiteral("none.txt"), empty));
    EXPECT_TRUE(Has(PdfText(pdf()), "（无）"));
    EXPECT_FALSE(WriteReportPdf(dir.filePath(QStringLiteral("no/such/folder/r.pdf")), QString(), empty));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");  // test discovery too
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
