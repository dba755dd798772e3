// The views follow the shared state: table rows, the three graphs point by point, the axis,
// the summary text and page B.
#include "tests/gui/fixture.h"

#include "monitor/monitor.h"
#include "monitor/stats.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTableView>
#include <qcustomplot.h>

namespace pelzo::test {
namespace {

ReadingTexts Texts(int tenths)
{
    ReadingTexts t;
    t.tenths = tenths;
    t.Level = TenthsText(tenths);
    t.Weighting = QStringLiteral("A");
    t.timeValue = QTime(14, 3, 27);
    t.dateValue = QDate(2011, 5, 6);
    t.Time = LongTimeText(t.timeValue);
    t.Date = ShortDateText(t.dateValue);
    return t;
}

// What one recorded tick leaves in the views, without the meter.
void AddSample(MainState& st, int tenths)
{
    const uint32_t n = ++st.SampleCount;
    AddSampleToViews(st, n, float(tenths) / 10.0f, Texts(tenths));
    if (n > 290) {
        st.Axis.min += 1;
        st.Axis.max += 1;
    }
}

class ViewsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        MakeForm();
        ClearViews(st());
        form->ShowState();
    }
    int graphSize(int i) { return form->chart1()->graph(i)->data()->size(); }
};

TEST_F(ViewsTest, SamplesFillTableAndGraphsOnePointPerTick)
{
    const int levels[] = {500, 555, 500, 499};
    for (int v : levels) {
        AddSample(st(), v);
        form->ShowState();
    }
    QAbstractItemModel* m = form->stringGrid()->model();
    ASSERT_EQ(m->rowCount(), 4);
    EXPECT_EQ(m->index(1, 0).data().toString(), QStringLiteral("2"));
    EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral("55.5"));
    EXPECT_EQ(m->index(1, 2).data().toString(), QStringLiteral("A"));
    EXPECT_EQ(m->index(1, 3).data().toString(), LongTimeText(QTime(14, 3, 27)));
    EXPECT_EQ(m->index(1, 4).data().toString(), ShortDateText(QDate(2011, 5, 6)));
    const double maxs[] = {50.0, 55.5, 55.5, 55.5};
    const double mins[] = {50.0, 50.0, 50.0, 49.9};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(graphSize(i), 4);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(form->chart1()->graph(0)->data()->at(k)->key, k);
        EXPECT_FLOAT_EQ(form->chart1()->graph(1)->data()->at(k)->value, maxs[k]);
        EXPECT_FLOAT_EQ(form->chart1()->graph(2)->data()->at(k)->value, mins[k]);
    }
    // One more tick appends, it does not start over.
    const auto* first = &*form->chart1()->graph(0)->data()->constBegin();
    AddSample(st(), 600);
    form->ShowState();
    EXPECT_EQ(graphSize(0), 5);
    EXPECT_EQ(form->seriesMirrors()[0].mirrored(), 5u);
    EXPECT_EQ(form->chart1()->graph(0)->data()->at(0)->value, first->value);
}

TEST_F(ViewsTest, Sample291MovesTheAxisOneStep)
{
    for (int n = 1; n <= 290; ++n) AddSample(st(), 600);
    form->ShowState();
    EXPECT_EQ(form->chart1()->xAxis->range().lower, 0);
    EXPECT_EQ(form->chart1()->xAxis->range().upper, 300);
    AddSample(st(), 600);
    form->ShowState();
    EXPECT_EQ(form->chart1()->xAxis->range().lower, 1);
    EXPECT_EQ(form->chart1()->xAxis->range().upper, 301);
    EXPECT_EQ(graphSize(0), 291);
}

TEST_F(ViewsTest, ClearingEmptiesTableAndGraphsButKeepsTheAxis)
{
    for (int n = 1; n <= 295; ++n) AddSample(st(), 600);
    form->ShowState();
    ClearViews(st());
    form->ShowState();
    EXPECT_EQ(form->stringGrid()->model()->rowCount(), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(graphSize(i), 0);
    EXPECT_EQ(form->chart1()->xAxis->range().lower, 5);
    // Refilled in bulk (as a file load does), then a tick appends one more.
    for (int n = 1; n <= 3; ++n) AddSample(st(), 400 + n);
    form->ShowState();
    EXPECT_EQ(graphSize(0), 3);
    EXPECT_EQ(form->stringGrid()->model()->rowCount(), 3);
}

TEST_F(ViewsTest, RightDragPansTheTimeAxisAndTheTickScrollsOnFromThere)
{
    QCustomPlot* c = form->chart1();
    const QPoint from = c->axisRect()->center();
    const QPoint to = from - QPoint(c->axisRect()->width() / 10, 0);  // a tenth of 300 to the left
    QTest::mousePress(c, Qt::RightButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), c->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::RightButton,
                     Qt::NoModifier);
    QApplication::sendEvent(c, &move);
    QTest::mouseRelease(c, Qt::RightButton, {}, to);
    EXPECT_NEAR(c->xAxis->range().lower, 30, 1.0);
    EXPECT_NEAR(st().Axis.min, c->xAxis->range().lower, 1e-9);
    EXPECT_NEAR(st().Axis.max - st().Axis.min, 300, 1e-9);
    EXPECT_DOUBLE_EQ(c->yAxis->range().lower, 25);
}

TEST_F(ViewsTest, CrossHairFollowsTheMouseOverThePlotAndGoesWithIt)
{
    QCustomPlot* c = form->chart1();
    QCPLayer* layer = c->layer(QStringLiteral("crosshair"));
    ASSERT_NE(layer, nullptr);
    const QList<QCPLayerable*> lines = layer->children();
    ASSERT_EQ(lines.size(), 2);
    auto shown = [&] { return lines[0]->visible() && lines[1]->visible(); };
    auto move = [&](const QPoint& at) {
        QMouseEvent e(QEvent::MouseMove, QPointF(at), c->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(c, &e);
    };
    EXPECT_FALSE(shown());

    const QPoint inside = c->axisRect()->center();
    move(inside);
    EXPECT_TRUE(shown());
    auto* vertical = static_cast<QCPItemStraightLine*>(lines[0]);
    auto* horizontal = static_cast<QCPItemStraightLine*>(lines[1]);
    EXPECT_NEAR(vertical->point1->coords().x(), c->xAxis->pixelToCoord(inside.x()), 1e-9);
    EXPECT_NEAR(horizontal->point1->coords().y(), c->yAxis->pixelToCoord(inside.y()), 1e-9);
    // Ticks go on while it is shown.
    AddSample(st(), 500);
    form->ShowState();
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown());

    move(c->axisRect()->topLeft() - QPoint(5, 5));  // over the axis labels
    EXPECT_FALSE(shown());
    move(inside);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(c, &leave);
    EXPECT_FALSE(shown());
}

TEST_F(ViewsTest, StatisticsLineShowsWholeInTheStatusStrip)
{
    for (int v : {500, 600, 700}) {
        AddSample(st(), v);
        form->ShowState();
    }
    auto* label = Find<QLabel>(form.get(), "LabelStats");
    EXPECT_EQ(label->text(), StatsLine(st().Stats));
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("Leq ")));
    EXPECT_GE(label->width(), label->sizeHint().width());  // not cut
    EXPECT_LE(label->geometry().right(), label->parentWidget()->width());
}

TEST_F(ViewsTest, EditedCellsAreKeptInTheGrid)
{
    AddSample(st(), 500);
    form->ShowState();
    QAbstractItemModel* m = form->stringGrid()->model();
    ASSERT_TRUE(m->flags(m->index(0, 1)) & Qt::ItemIsEditable);
    ASSERT_TRUE(m->setData(m->index(0, 1), QStringLiteral("77.7"), Qt::EditRole));
    EXPECT_EQ(st().Grid.cell(1, 1), QStringLiteral("77.7"));
    EXPECT_EQ(m->index(0, 1).data().toString(), QStringLiteral("77.7"));
    // And a header text set by the logic reaches the header.
    st().Grid.setCell(4, 0, QStringLiteral("Datum"));
    EXPECT_EQ(m->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Datum"));
}

TEST_F(ViewsTest, ReadoutSummaryAndPageBFollowTheState)
{
    st().Label_DB = QStringLiteral("100.0");
    st().Label4 = QStringLiteral("100.0");
    st().Label_LcdStart = QStringLiteral("40");
    st().Label_LcdEnd = QStringLiteral(" 90");
    st().LabelAC = QStringLiteral("C");
    st().LabelFS = QStringLiteral("SLOW");
    st().ChartTool_Txt = QString::fromUtf8("日期: x  时间: y  数值: 100.0 分贝");
    st().Series1.value = 100.0;
    st().Series1.color = MakeRgb(255, 0, 0);
    st().ColorRec = MakeRgb(1, 2, 3);
    form->ShowState();
    EXPECT_EQ(Find<QLabel>(form.get(), "Label_DB")->text(), QStringLiteral("100.0"));
    EXPECT_EQ(Find<QLabel>(form.get(), "Label4")->text(), QStringLiteral("100.0"));
    EXPECT_EQ(Find<QLabel>(form.get(), "Label_LcdEnd")->text(), QStringLiteral(" 90"));
    EXPECT_EQ(Find<QLabel>(form.get(), "LabelAC")->text(), QStringLiteral("C"));
    EXPECT_EQ(Find<QLabel>(form.get(), "LabelFS")->text(), QStringLiteral("SLOW"));
    EXPECT_EQ(form->chartToolTxt()->text(), st().ChartTool_Txt);
    ASSERT_EQ(form->series1()->data()->size(), 1);
    EXPECT_EQ(form->series1()->data()->at(0)->value, 100.0);
    EXPECT_EQ(form->series1()->pen().color(), QColor(Qt::yellow));
    EXPECT_EQ(form->chart1()->graph(0)->pen().color(), QColor(1, 2, 3));
}

}  // namespace
}  // namespace pelzo::test
