// The desk side of the seams (real message boxes, file and colour dialogs, progress windows),
// the about window and printing.
#include "tests/gui/fixture.h"

#include "app/ui/fhelp.h"
#include "app/ui/printchart.h"
#include "app/ui/qtseams.h"
#include "files/ui/progress.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMovie>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <qcustomplot.h>

namespace pelzo::test {
namespace {

struct BoxCase {
    Message message;
    QString caption;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton press;
    int answer;
};

TEST(QtDialogsTest, MessageBoxesShowExactTextsCaptionsButtonsAndIcons)
{
    PumpingPause pause;
    QtDialogs d(pause, QString());
    const BoxCase cases[] = {
        {PlainMessage(QString::fromUtf8("没有数据要保存!")), AppTitle, QMessageBox::Ok, QMessageBox::NoIcon,
         QMessageBox::Ok, Ok},
        {WarningMessage(QString::fromUtf8("正在记录数据,请先停止记录!"), Cancel), QStringLiteral("Warning"),
         QMessageBox::Cancel, QMessageBox::Warning, QMessageBox::Cancel, Cancel},
        {ConfirmMessage(QString::fromUtf8("保存文件将停止记录?")), QStringLiteral("Confirm"),
         QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::No, No},
        {CaptionedMessage(QString::fromUtf8(" 无法打开文件！"), QString::fromUtf8(" 信息"), Ok, Icon::Error),
         QString::fromUtf8(" 信息"), QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, Ok},
        {CaptionedMessage(QString::fromUtf8(" 不能读取文件 "), QString::fromUtf8("警告信息"), Ok | Cancel, Icon::None),
         QString::fromUtf8("警告信息"), QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoIcon,
         QMessageBox::Cancel, Cancel},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.message.text.toStdString());
        bool seen = false;
        OnNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->text(), c.message.text);
            EXPECT_EQ(box->windowTitle(), c.caption);
            EXPECT_EQ(box->standardButtons(), c.buttons);
            EXPECT_EQ(box->icon(), c.icon);
            box->button(c.press)->click();
        });
        EXPECT_EQ(d.message(c.message), c.answer);
        EXPECT_TRUE(seen);
    }
}

TEST(QtDialogsTest, FiltersBecomeQtNameFilters)
{
    const QString open = QString::fromUtf8("记录原码文件[*.pzo]|*.pzo|文本文件        [*.txt]|*.txt|电子表格文件[*.xls]|*.xls");
    EXPECT_EQ(QtNameFilters(open), QStringList({QString::fromUtf8("记录原码文件[*.pzo] (*.pzo)"),
                                                QString::fromUtf8("文本文件        [*.txt] (*.txt)"),
                                                QString::fromUtf8("电子表格文件[*.xls] (*.xls)")}));
    EXPECT_EQ(QtNameFilters(QStringLiteral("All|*.a;*.b")), QStringList({QStringLiteral("All (*.a *.b)")}));
    EXPECT_TRUE(QtNameFilters(QString()).isEmpty());
}

TEST(QtDialogsTest, SaveDialogReturnsThePathAsTypedAndTheFilterIndex)
{
    QTemporaryDir dir;
    PumpingPause pause;
    QtDialogs d(pause, dir.path());
    const QString target = dir.path() + QStringLiteral("/abc.txt");
    QFile existing(target);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));  // replaced without a question
    existing.close();
    OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_TRUE(dlg->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_TRUE(dlg->defaultSuffix().isEmpty());
        ASSERT_EQ(dlg->nameFilters().size(), 3);
        dlg->selectNameFilter(dlg->nameFilters()[1]);
        dlg->selectFile(target);
        static_cast<QDialog*>(dlg)->accept();
    });
    const auto choice = d.saveFile(QString::fromUtf8("记录原码文件[*.pzo]|*.pzo|文本文件[*.txt]|*.txt|电子表格文件[*.xls]|*.xls"));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->path, target);
    EXPECT_EQ(choice->filterIndex, 2);
}

TEST(QtDialogsTest, OpenDialogAcceptsANameThatDoesNotExist)
{
    QTemporaryDir dir;
    PumpingPause pause;
    QtDialogs d(pause, dir.path());
    const QString missing = dir.path() + QStringLiteral("/nothing.pzo");
    OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->fileMode(), QFileDialog::AnyFile);
        dlg->selectFile(missing);
        static_cast<QDialog*>(dlg)->accept();
    });
    EXPECT_EQ(d.openFile(QStringLiteral("a|*.pzo")), std::optional<QString>(missing));
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(d.openFile(QStringLiteral("a|*.pzo")), std::nullopt);
}

TEST(QtDialogsTest, ColourDialogOpensOnTheLastConfirmedColour)
{
    PumpingPause pause;
    QtDialogs d(pause, QString());
    QColor opened;
    OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QColorDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        opened = dlg->currentColor();
        dlg->setCurrentColor(QColor(10, 20, 30));
        static_cast<QDialog*>(dlg)->accept();
    });
    EXPECT_EQ(d.pickColor(MakeRgb(255, 0, 0)), std::optional<Rgb>(MakeRgb(10, 20, 30)));
    EXPECT_EQ(opened, QColor(255, 0, 0));  // on the colour the caller kept
    OnNextModal([&](QWidget* w) {
        opened = static_cast<QColorDialog*>(w)->currentColor();
        static_cast<QDialog*>(w)->reject();
    });
    EXPECT_EQ(d.pickColor(MakeRgb(10, 20, 30)), std::nullopt);
    EXPECT_EQ(opened, QColor(10, 20, 30));
}

struct ProgressCase {
    ProgressKind kind;
    const char* name;
    QString caption;
    QRect animation;
};

TEST(ProgressTest, WindowsAnimateAndTheDeskKeepsRunningWhileWorkPauses)
{
    QTemporaryDir dir;
    PumpingPause pause;
    QtDialogs d(pause, dir.path());
    const ProgressCase cases[] = {
        {ProgressKind::Save, "FormSave", QStringLiteral("Save File"), QRect(8, 8, 272, 60)},
        {ProgressKind::Open, "Form_MOpen", QStringLiteral("Open File"), QRect(8, 16, 260, 40)},
        {ProgressKind::Await, "Form_await", QString::fromUtf8("正在处理数据,请等待."), QRect(8, 8, 272, 60)},
    };
    for (const ProgressCase& c : cases) {
        SCOPED_TRACE(c.name);
        QPointer<ProgressWindow> seen;  // the window is destroyed when the work ends
        int timerFired = 0;
        d.withProgress(c.kind, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String(c.name) && w->isVisible()) seen = qobject_cast<ProgressWindow*>(w);
            ASSERT_NE(seen.data(), nullptr);
            EXPECT_EQ(seen->windowTitle(), c.caption);
            EXPECT_EQ(seen->windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(seen->animate1()->geometry(), c.animation);
            // Events are served during the work's pauses: timers fire, windows repaint.
            QTimer::singleShot(5, [&] { ++timerFired; });
            pause.pause(50);
            EXPECT_EQ(timerFired, 1);
        });
        EXPECT_TRUE(seen == nullptr || !seen->isVisible());
        EXPECT_FALSE(pause.pumping());
    }
    // Outside a progress window a pause serves nothing.
    int fired = 0;
    QTimer::singleShot(1, [&] { ++fired; });
    pause.pause(20);
    EXPECT_EQ(fired, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, 1);
}

TEST(ProgressTest, AFailingWorkStillTakesTheWindowAway)
{
    PumpingPause pause;
    QtDialogs d(pause, QString());
    EXPECT_THROW(d.withProgress(ProgressKind::Save, [] { throw std::runtime_error("x"); }), std::runtime_error);
    EXPECT_FALSE(pause.pumping());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<ProgressWindow*>(w) && w->isVisible());
}

TEST(ProgressTest, ClipPlaysFromTheIcoFolder)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/ico"));
    // A three-frame GIF made with ImageMagick at test time.
    const QString gif = dir.path() + QStringLiteral("/ico/exchange.gif");
    const int rc = std::system(("convert -size 272x60 xc:red xc:green xc:blue -loop 0 '" + gif.toStdString() + "'").c_str());
    if (rc != 0 || !QFileInfo::exists(gif)) GTEST_SKIP() << "ImageMagick is not available";
    TFormSave w(nullptr, dir.path());
    w.startAnimation();
    EXPECT_TRUE(w.animating());
    w.stopAnimation();
    EXPECT_FALSE(w.animating());
}

TEST(AboutTest, AboutWindowShowsModelNoticeAndLink)
{
    TF_Help help(nullptr);
    EXPECT_EQ(help.windowTitle(), QString::fromUtf8("帮助"));
    EXPECT_EQ(help.size(), QSize(433, 283));
    EXPECT_EQ(help.findChild<QLabel*>(QStringLiteral("Label_Mode"))->text(), QStringLiteral("SL-2040(C)"));
    EXPECT_EQ(help.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QString::fromUtf8("型号: "));
    auto* link = help.findChild<QLabel*>(QStringLiteral("Label3"));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(TF_Help::LinkTarget(), link->text() + QLatin1Char('/'));
}

struct MarginCase {
    QSize page, chart;
    double dpiX, dpiY;
    int horizontal, vertical;
};

TEST(PrintTest, MarginsKeepTheChartsShape)
{
    const MarginCase cases[] = {
        {{1000, 1400}, {600, 400}, 96, 96, 15, 33},   // wide: 700 x 467 printed, (1400-467)/2 = 33 %
        {{1000, 1400}, {600, 400}, 96, 192, 15, 17},  // twice the dots vertically: 933 high
        {{1000, 1400}, {400, 600}, 96, 96, 17, 15},   // high: 980 high, 653 wide
        {{1400, 1000}, {400, 600}, 96, 96, 33, 15},   // high on landscape: 700 high, 467 wide
        {{1000, 1000}, {500, 500}, 96, 96, 15, 15},   // square counts as high
    };
    for (const MarginCase& c : cases) {
        const PrintMargins m = ProportionalMargins(c.page, c.chart, c.dpiX, c.dpiY);
        EXPECT_EQ(m.horizontal, c.horizontal) << c.page.width() << "x" << c.page.height();
        EXPECT_EQ(m.vertical, c.vertical) << c.page.width() << "x" << c.page.height();
    }
    EXPECT_EQ(ChartPrintRect({1000, 1400}, {600, 400}, 96, 96), QRect(150, 462, 700, 476));
}

TEST(PrintTest, ChartPrintsAsOnePageJob)
{
    QTemporaryDir dir;
    QCustomPlot chart;
    chart.resize(600, 400);
    chart.addGraph()->addData(QVector<double>{0, 1, 2}, QVector<double>{50, 60, 55});
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.path() + QStringLiteral("/chart.pdf"));
    PrintChartOn(printer, chart);
    EXPECT_EQ(printer.docName(), QStringLiteral("Chart1"));
    EXPECT_GT(QFileInfo(dir.path() + QStringLiteral("/chart.pdf")).size(), 500);
}

}  // namespace
}  // namespace pelzo::test
