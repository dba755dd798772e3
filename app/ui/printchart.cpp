#include "app/ui/printchart.h"

#include "app/ui/application.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <qcustomplot.h>

#include <cmath>

namespace pelzo {

namespace {

constexpr int Fixed = 15;  // percent

int Share(double rest, double total)
{
    if (total <= 0) return 0;
    const int p = int(std::lround(100.0 * rest / 2.0 / total));
    return std::clamp(p, 0, 49);
}

}  // namespace

PrintMargins ProportionalMargins(QSize page, QSize chart, double dpiX, double dpiY)
{
    if (chart.width() <= 0 || chart.height() <= 0 || dpiX <= 0 || dpiY <= 0) return {Fixed, Fixed};
    const double ratio = double(chart.height()) / double(chart.width());
    if (chart.width() > chart.height()) {
        const double printedWidth = page.width() * (100 - 2 * Fixed) / 100.0;
        const double printedHeight = printedWidth * ratio * (dpiY / dpiX);
        return {Fixed, Share(page.height() - printedHeight, page.height())};
    }
    const double printedHeight = page.height() * (100 - 2 * Fixed) / 100.0;
    const double printedWidth = printedHeight / ratio * (dpiX / dpiY);
    return {Share(page.width() - printedWidth, page.width()), Fixed};
}

QRect ChartPrintRect(QSize page, QSize chart, double dpiX, double dpiY)
{
    const PrintMargins m = ProportionalMargins(page, chart, dpiX, dpiY);
    const int left = page.width() * m.horizontal / 100;
    const int top = page.height() * m.vertical / 100;
    return QRect(left, top, page.width() - 2 * left, page.height() - 2 * top);
}

void PrintChartOn(QPrinter& printer, QCustomPlot& chart)
{
    printer.setDocName(QStringLiteral("Chart1"));
    const QSize page = printer.pageRect(QPrinter::DevicePixel).size().toSize();
    const QRect target = ChartPrintRect(page, chart.size(), printer.logicalDpiX(), printer.logicalDpiY());
    QCPPainter painter;
    if (!painter.begin(&printer)) {
        printer.abort();
        throw UiError(QStringLiteral("Printing failed: the printer did not accept the job."));
    }
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.translate(target.topLeft());
    chart.toPainter(&painter, target.width(), target.height());
    if (!painter.end()) {
        printer.abort();
        throw UiError(QStringLiteral("Printing failed: the page could not be handed to the printer."));
    }
}

void PrintChart(QCustomPlot& chart)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) throw UiError(QStringLiteral("There is no default printer currently selected."));
    QPrinter printer(info, QPrinter::ScreenResolution);
    PrintChartOn(printer, chart);
}

}  // namespace pelzo
