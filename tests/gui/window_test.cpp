// The main window itself: start-up, layout, chrome, page switch, the timer, escaping errors.
#include "tests/gui/fixture.h"

#include "app/ui/application.h"
#include "monitor/monitor.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <qcustomplot.h>

namespace pelzo::test {
namespace {

QRect Geo(QWidget* root, const char* name)
{
    QWidget* w = Find<QWidget>(root, name);
    return w ? w->geometry() : QRect(-1, -1, -1, -1);
}

// The layout rules for a window of W x H.
void ExpectArranged(TFormMain& f)
{
    const int W = f.width();
    const int H = f.height();
    EXPECT_EQ(Geo(&f, "ImageTop"), QRect(0, 0, W, 25));
    EXPECT_EQ(Geo(&f, "ImageToole"), QRect(10, 25, 652, 75));
    EXPECT_EQ(Geo(&f, "ToolBar1"), QRect(10, 25, 647, 79));
    EXPECT_EQ(Geo(&f, "Image2").topLeft(), QPoint(W - 169, 40));
    EXPECT_EQ(Geo(&f, "Panel_Stat"), QRect(0, H - 30, W, 30));
    EXPECT_EQ(Geo(&f, "PanelMain"), QRect(2, 110, W - 5, H - 140));
    EXPECT_EQ(Geo(&f, "SpeedButtonClose"), QRect(W - 50, 2, 35, 22));
    EXPECT_EQ(Geo(&f, "SpeedButtonMaxMin"), QRect(W - 85, 2, 35, 22));
    EXPECT_EQ(Geo(&f, "SpeedButtonMinim"), QRect(W - 120, 2, 35, 22));
    const QSize page(W - 5, H - 140);
    EXPECT_EQ(Geo(&f, "PanelA"), QRect(QPoint(0, 0), page));
    EXPECT_EQ(Geo(&f, "PanelB"), QRect(QPoint(0, 0), page));
    EXPECT_EQ(Geo(&f, "PanelA_LU"), QRect(0, 0, 250, 185));
    EXPECT_EQ(Geo(&f, "PanelA_LD"), QRect(0, 185, 250, page.height() - 185));
    EXPECT_EQ(Geo(&f, "PanelA_R"), QRect(250, 0, page.width() - 250, page.height()));
    EXPECT_EQ(Geo(&f, "Chart2"), QRect(0, 0, 105, page.height()));
    EXPECT_EQ(Find<QLabel>(&f, "Label4")->font().pixelSize(), int((page.width() - 180) * 0.34));
    EXPECT_EQ(Geo(&f, "Label6"), QRect(page.width() - 150, page.height() - 137, 200, 90));
}

TEST_F(WindowTest, StartsWithTheBuiltInContents)
{
    MakeForm();
    TFormMain& f = *form;
    EXPECT_EQ(f.size(), QSize(857, 592));
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(f.mask().isEmpty());
    ExpectArranged(f);
    EXPECT_EQ(Find<QLabel>(&f, "Label4")->font().pixelSize(), 228);

    EXPECT_EQ(Find<QLabel>(&f, "Label_DB")->text(), QStringLiteral(" 30.0"));
    EXPECT_EQ(Find<QLabel>(&f, "LabelAC")->text(), QStringLiteral("A"));
    EXPECT_EQ(Find<QLabel>(&f, "Label_LcdStart")->text(), QStringLiteral("30"));
    EXPECT_EQ(Find<QLabel>(&f, "Label_LcdEnd")->text(), QStringLiteral("130"));
    EXPECT_EQ(Find<QLabel>(&f, "LabelFS")->text(), QString());
    EXPECT_EQ(Find<QLabel>(&f, "Label4")->text(), QStringLiteral("129.9"));
    EXPECT_EQ(Find<QLabel>(&f, "LabelUSBState")->text(), QStringLiteral("USB LINK"));
    ASSERT_EQ(f.series1()->data()->size(), 1);
    EXPECT_EQ(f.series1()->data()->at(0)->value, 120.0);

    // Table: header row and 14 empty rows of the 15 it is built with.
    QAbstractItemModel* m = f.stringGrid()->model();
    EXPECT_EQ(m->rowCount(), 14);
    const char* headers[] = {"REC", "dB", "A/C", "Time", "Date"};
    const int widths[] = {42, 35, 29, 54, 60};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), QString::fromLatin1(headers[c]));
        EXPECT_EQ(f.stringGrid()->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(f.stringGrid()->rowHeight(0), 17);

    QCustomPlot* c1 = f.chart1();
    EXPECT_EQ(c1->xAxis->range().lower, 0);
    EXPECT_EQ(c1->xAxis->range().upper, 300);
    EXPECT_EQ(c1->yAxis->range().lower, 25);
    EXPECT_EQ(c1->yAxis->range().upper, 135);
    EXPECT_EQ(c1->graph(0)->pen().color(), QColor(0, 0, 255));
    EXPECT_EQ(c1->graph(1)->pen().color(), QColor(255, 0, 0));
    EXPECT_EQ(c1->graph(2)->pen().color(), QColor(0, 128, 0));

    const char* hints[] = {"打开文件", "保存文件", "在线记录", "切换页面", "设置仪表", "SD卡操作", "打印图表", "关于"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.toolButton(i)->toolTip(), QString::fromUtf8(hints[i]));

    EXPECT_FALSE(st().Recording);
    EXPECT_EQ(st().SampleCount, 0u);
    EXPECT_TRUE(st().PageAShown);
    EXPECT_TRUE(Find<QWidget>(&f, "PanelA")->isVisible());
    EXPECT_FALSE(Find<QWidget>(&f, "PanelB")->isVisible());
    EXPECT_TRUE(dialogs.shown.empty());  // no meter: nothing said
    EXPECT_TRUE(f.timer1s().interval() == 1000);
}

TEST_F(WindowTest, MissingMinPictureStopsTheStart)
{
    QFile::remove(dir.path() + QStringLiteral("/ico/min.bmp"));
    try {
        TFormMain f(FormSeams{&dialogs, &clock});
        FAIL() << "constructed without ico/min.bmp";
    } catch (const UiError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("/ico/min.bmp"))) << e.what();
    }
}

TEST_F(WindowTest, MaximiseAndRestore)
{
    MakeForm();
    TFormMain& f = *form;
    const QRect avail = f.screen()->availableGeometry();
    f.SpeedButtonMaxMinClick();
    EXPECT_TRUE(f.maximised());
    EXPECT_EQ(f.size(), QSize(avail.width(), avail.height() - 30));
    EXPECT_EQ(f.mask().boundingRect().size(), f.size());
    ExpectArranged(f);

    f.SpeedButtonMaxMinClick();
    EXPECT_FALSE(f.maximised());
    EXPECT_EQ(f.size(), QSize(865, 626));  // not the start size
    ExpectArranged(f);
    EXPECT_EQ(Geo(&f, "Panel_Stat").bottom(), 625);
}

TEST_F(WindowTest, MissingMaxPictureKeepsTheOldLayout)
{
    MakeForm();
    QFile::remove(dir.path() + QStringLiteral("/ico/max.bmp"));
    const QRect mainPanel = Geo(form.get(), "PanelMain");
    QTest::mouseClick(Find<QToolButton>(form.get(), "SpeedButtonMaxMin"), Qt::LeftButton);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("max.bmp")));
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_EQ(Geo(form.get(), "PanelMain"), mainPanel);  // the rest of the handler was skipped
    // The next restore succeeds and arranges again.
    form->SpeedButtonMaxMinClick();
    EXPECT_EQ(form->size(), QSize(865, 626));
    ExpectArranged(*form);
}

TEST_F(WindowTest, TwoPageSwitchesReturnToPageAUnchanged)
{
    MakeForm();
    TFormMain& f = *form;
    ClearViews(st());
    ReadingTexts t;
    t.Level = QStringLiteral("59.8");
    t.Weighting = QStringLiteral("A");
    t.Time = QStringLiteral("14:03:27");
    t.Date = QStringLiteral("2011-05-06");
    AddSampleToViews(st(), 1, 59.8f, t);
    st().Label_DB = QStringLiteral(" 59.8");
    f.ShowState();
    const QString cell = f.stringGrid()->model()->index(0, 1).data().toString();

    QTest::mouseClick(f.toolButton(3), Qt::LeftButton);
    EXPECT_FALSE(st().PageAShown);
    EXPECT_FALSE(Find<QWidget>(&f, "PanelA")->isVisible());
    EXPECT_TRUE(Find<QWidget>(&f, "PanelB")->isVisible());
    ExpectArranged(f);
    QTest::mouseClick(f.toolButton(3), Qt::LeftButton);
    EXPECT_TRUE(st().PageAShown);
    EXPECT_TRUE(Find<QWidget>(&f, "PanelA")->isVisible());
    EXPECT_FALSE(Find<QWidget>(&f, "PanelB")->isVisible());
    EXPECT_EQ(f.stringGrid()->model()->rowCount(), 1);
    EXPECT_EQ(f.stringGrid()->model()->index(0, 1).data().toString(), cell);
    EXPECT_EQ(Find<QLabel>(&f, "Label_DB")->text(), QStringLiteral(" 59.8"));
    EXPECT_EQ(f.chart1()->graph(0)->data()->size(), 1);
}

TEST_F(WindowTest, OnlyALeftPressOnTheBareStripDrags)
{
    MakeForm();
    auto* strip = Find<DragStrip>(form.get(), "ImageTop");
    ASSERT_NE(strip, nullptr);
    const QPoint start = form->pos();
    QTest::mousePress(strip, Qt::RightButton, {}, QPoint(300, 10));
    EXPECT_FALSE(strip->dragging());
    QTest::mouseRelease(strip, Qt::RightButton, {}, QPoint(300, 10));
    // A press on the title text reaches the window, not the strip.
    QTest::mousePress(Find<QLabel>(form.get(), "Label1"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(strip->dragging());
    QTest::mouseRelease(Find<QLabel>(form.get(), "Label1"), Qt::LeftButton, {}, QPoint(5, 5));

    // Offscreen has no window manager to take the drag: the strip moves the window itself.
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(300, 10));
    ASSERT_TRUE(strip->dragging());
    QMouseEvent move(QEvent::MouseMove, QPointF(340, 30), strip->mapToGlobal(QPointF(340, 30)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &move);
    EXPECT_EQ(form->pos(), start + QPoint(40, 20));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(340, 30));
    EXPECT_FALSE(strip->dragging());
}

TEST_F(WindowTest, TickWithoutMeterShowsTheLinkStateAndRearmsTheTimer)
{
    MakeForm();
    form->Timer1STimer();
    EXPECT_EQ(Find<QLabel>(form.get(), "LabelUSBState")->text(), UsbUnlinkedText);
    EXPECT_TRUE(form->timer1s().enabled());
    EXPECT_EQ(form->timer1s().interval(), 1000);
    EXPECT_EQ(st().TextYear, QStringLiteral("2011"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(WindowTest, TimerSeamReallyStopsTheQtTimer)
{
    int fired = 0;
    QtTimer t([&] { ++fired; });
    t.setInterval(5);
    t.setEnabled(true);
    EXPECT_TRUE(t.enabled());
    QTest::qWait(40);
    EXPECT_GT(fired, 0);
    t.setEnabled(false);
    const int before = fired;
    QTest::qWait(40);
    EXPECT_EQ(fired, before);
    EXPECT_FALSE(t.enabled());
}

TEST_F(WindowTest, PrintingWithoutPrinterSaysSoAndTheProgramGoesOn)
{
    MakeForm();
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "this machine has a printer";
    QTest::mouseClick(form->toolButton(6), Qt::LeftButton);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("There is no default printer currently selected."));
    EXPECT_EQ(dialogs.shown[0].caption, AppTitle);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    form->ToolButton_AtoBClick();  // still working
    EXPECT_FALSE(st().PageAShown);
}

class Thrower : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) throw UiError(QString::fromUtf8("坏了"));
        return QObject::event(e);
    }
};

TEST(Application, ErrorEscapingAHandlerIsShownAndEndsOnlyThatHandler)
{
    auto* app = static_cast<PelzoApplication*>(qApp);
    QStringList shown;
    app->setErrorReporter([&](const QString& t) { shown << t; });
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, QStringList({QString::fromUtf8("坏了"), QString::fromUtf8("坏了")}));
    app->setErrorReporter(ShowErrorBox);
}

}  // namespace
}  // namespace pelzo::test
