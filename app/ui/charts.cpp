#include "app/ui/charts.h"

namespace pelzo {

bool SeriesMirror::sync()
{
    if (!graph_ || !series_) return false;
    const Series& series = *series_;
    const size_t n = series.count();
    bool changed = false;
    if (series.generation != generation_ || n < count_) {
        graph_->data()->clear();
        count_ = 0;
        generation_ = series.generation;
        changed = true;
    }
    if (count_ == n) return changed;
    if (n - count_ == 1) {
        graph_->addData(double(count_), series.y[count_]);
    } else {
        // Straight into the graph's own point type: a month of points is copied once, not three
        // times through key and value lists.
        QVector<QCPGraphData> points(qsizetype(n - count_));
        for (size_t i = count_; i < n; ++i) points[qsizetype(i - count_)] = QCPGraphData(double(i), series.y[i]);
        if (count_ == 0) graph_->data()->set(points, true);
        else graph_->data()->add(points, true);
    }
    count_ = n;
    return true;
}

CrossHair::CrossHair(QCustomPlot* plot, QCPAxis* x, QCPAxis* y, const QColor& color)
    : QObject(plot), plot_(plot), x_(x), y_(y)
{
    const QString name = QStringLiteral("crosshair");
    // Above everything but the zoom rectangle's own buffered layer: while hidden it then shares
    // the paint buffer of the layers below it.
    plot_->addLayer(name, plot_->layer(QStringLiteral("overlay")), QCustomPlot::limBelow);
    layer_ = plot_->layer(name);
    // Buffered only while shown: a hidden cross-hair then costs a tick's redraw no buffer of its own.
    layer_->setMode(QCPLayer::lmLogical);
    const QPen pen(color);
    for (QCPItemStraightLine** line : {&vertical_, &horizontal_}) {
        *line = new QCPItemStraightLine(plot_);
        (*line)->setLayer(layer_);
        (*line)->setPen(pen);
        (*line)->setSelectable(false);
        (*line)->setClipToAxisRect(true);
        (*line)->point1->setAxes(x_, y_);
        (*line)->point2->setAxes(x_, y_);
        (*line)->setVisible(false);
    }
}

void CrossHair::moveTo(const QPointF& pixel)
{
    if (!plot_->axisRect()->rect().contains(pixel.toPoint())) {
        hide();
        return;
    }
    const double x = x_->pixelToCoord(pixel.x());
    const double y = y_->pixelToCoord(pixel.y());
    vertical_->point1->setCoords(x, y_->range().lower);
    vertical_->point2->setCoords(x, y_->range().upper);
    horizontal_->point1->setCoords(x_->range().lower, y);
    horizontal_->point2->setCoords(x_->range().upper, y);
    vertical_->setVisible(true);
    horizontal_->setVisible(true);
    layer_->setMode(QCPLayer::lmBuffered);  // no change once shown; the first time, the whole chart is drawn
    layer_->replot();
}

void CrossHair::hide()
{
    if (!vertical_->visible()) return;
    vertical_->setVisible(false);
    horizontal_->setVisible(false);
    layer_->setMode(QCPLayer::lmLogical);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void ShowBar(QCPBars* bars, double value, Rgb color)
{
    bars->data()->clear();
    bars->addData(0.0, value);
    QLinearGradient gradient(0, 1, 0, 0);  // bottom to top of each bar
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0, QColor(0, 128, 0));
    gradient.setColorAt(1, QColor::fromRgb(color));
    bars->setBrush(QBrush(gradient));
}

}  // namespace pelzo
