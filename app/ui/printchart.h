// Printing the level chart on the default printer, keeping its shape on the page.
#pragma once

#include <QRect>
#include <QSize>

class QCustomPlot;
class QPrinter;

namespace pelzo {

// Margins in whole percent of the page, left/right and top/bottom.
struct PrintMargins {
    int horizontal;
    int vertical;
};

// A chart wider than high gets 15 % side margins and equal top and bottom margins from its
// ratio and the printer's resolutions; otherwise the other way round.
PrintMargins ProportionalMargins(QSize page, QSize chart, double dpiX, double dpiY);
QRect ChartPrintRect(QSize page, QSize chart, double dpiX, double dpiY);

// Prints on `printer` as one job titled "Chart1"; throws UiError when it cannot.
void PrintChartOn(QPrinter& printer, QCustomPlot& chart);
// The same on the default printer; no printer is an error with a clear text.
void PrintChart(QCustomPlot& chart);

}  // namespace pelzo
