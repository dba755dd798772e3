// The chart side of the views: line graphs that follow the state's series point by point, the
// cross-hair, and the one bar of page B.
#pragma once

#include "app/mainstate.h"

#include <qcustomplot.h>

namespace pelzo {

// Mirrors one Series into a graph. A tick appends one point; a clear (new generation) or a
// series that got shorter starts over.
class SeriesMirror {
public:
    SeriesMirror() = default;
    void attach(QCPGraph* graph, const Series& series)
    {
        graph_ = graph;
        series_ = &series;
        generation_ = ~uint64_t(0);
        count_ = 0;
    }
    // True when the graph changed.
    bool sync();
    QCPGraph* graph() const { return graph_; }
    size_t mirrored() const { return count_; }

private:
    QCPGraph* graph_ = nullptr;
    const Series* series_ = nullptr;
    uint64_t generation_ = ~uint64_t(0);
    size_t count_ = 0;
};

// A cross-hair of one vertical and one horizontal line that follows the mouse. It lives on a
// layer of its own, buffered while it is shown, so moving it redraws only that layer.
class CrossHair : public QObject {
    Q_OBJECT
public:
    CrossHair(QCustomPlot* plot, QCPAxis* x, QCPAxis* y, const QColor& color);
    void moveTo(const QPointF& pixel);
    void hide();

private:
    QCustomPlot* plot_;
    QCPAxis* x_;
    QCPAxis* y_;
    QCPLayer* layer_;
    QCPItemStraightLine* vertical_;
    QCPItemStraightLine* horizontal_;
};

// The bar of page B: filled with a gradient from green up to the bar's colour, outlined yellow.
void ShowBar(QCPBars* bars, double value, Rgb color);

}  // namespace pelzo
