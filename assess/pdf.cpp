// The A4 report drawn with Qt's own PDF writer: text stays text, so its numbers can be searched
// and copied.
#include "assess/report.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace pelzo::assess {

namespace {

constexpr double Margin = 40;  // points
constexpr double RowGap = 3;

QFont ReportFont(double points, bool bold = false)
{
    // Latin letters and digits from DejaVu: with the CJK font alone, digits shaped after letters
    // lose their text mapping and cannot be searched or copied.
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")});
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// A painter on consecutive pages that knows where the next line goes.
class Pages {
public:
    Pages(QPdfWriter& w, QPainter& p) : w_(w), p_(p)
    {
        const QRectF r = w.pageLayout().paintRect(QPageLayout::Point);
        width_ = r.width();
        height_ = r.height();
    }
    QPainter& painter() { return p_; }
    double width() const { return width_; }
    double y = 0;
    // Moves to a new page unless `h` more points fit on this one.
    bool ensure(double h)
    {
        if (y + h <= height_) return false;
        w_.newPage();
        y = 0;
        return true;
    }
    void text(const QString& s, const QFont& f)
    {
        p_.setFont(f);
        const QFontMetricsF m(f, p_.device());
        const QRectF box(0, 0, width_, 1000);
        const QRectF need = m.boundingRect(box, Qt::TextWordWrap, s);
        ensure(need.height());
        p_.drawText(QRectF(0, y, width_, need.height()), Qt::TextWordWrap, s);
        y += need.height() + RowGap;
    }

private:
    QPdfWriter& w_;
    QPainter& p_;
    double width_ = 0, height_ = 0;
};

std::vector<double> ColumnWidths(const Table& t, const QFontMetricsF& m, double total)
{
    std::vector<double> w(size_t(t.headers.size()), 0);
    auto measure = [&](const QStringList& cells) {
        for (qsizetype c = 0; c < cells.size() && size_t(c) < w.size(); ++c)
            w[size_t(c)] = std::max(w[size_t(c)], m.horizontalAdvance(cells[c]) + 8);
    };
    measure(t.headers);
    for (const QStringList& r : t.rows) measure(r);
    double sum = 0;
    for (double x : w) sum += x;
    if (sum > total)
        for (double& x : w) x *= total / sum;
    return w;
}

void DrawRow(Pages& pg, const QStringList& cells, const std::vector<double>& widths, double h, bool header)
{
    QPainter& p = pg.painter();
    double x = 0;
    if (header) p.fillRect(QRectF(0, pg.y, pg.width(), h), QColor(225, 232, 245));
    for (qsizetype c = 0; c < cells.size() && size_t(c) < widths.size(); ++c) {
        p.drawText(QRectF(x + 3, pg.y, widths[size_t(c)] - 4, h), Qt::AlignVCenter | Qt::AlignLeft, cells[c]);
        x += widths[size_t(c)];
    }
    p.setPen(QPen(QColor(200, 200, 200), 0.5));
    p.drawLine(QPointF(0, pg.y + h), QPointF(pg.width(), pg.y + h));
    p.setPen(Qt::black);
    pg.y += h;
}

void DrawTable(Pages& pg, const Table& t)
{
    const QFont body = ReportFont(8);
    const QFont head = ReportFont(8, true);
    const QFontMetricsF m(body, pg.painter().device());
    const double h = m.height() + 4;
    const auto widths = ColumnWidths(t, QFontMetricsF(head, pg.painter().device()), pg.width());
    pg.ensure(3 * h + 20);
    pg.y += 6;
    pg.text(t.title, ReportFont(11, true));
    pg.painter().setFont(head);
    DrawRow(pg, t.headers, widths, h, true);
    pg.painter().setFont(body);
    for (const QStringList& r : t.rows) {
        if (pg.ensure(h)) {  // the header again on every new page
            pg.painter().setFont(head);
            DrawRow(pg, t.headers, widths, h, true);
            pg.painter().setFont(body);
        }
        DrawRow(pg, r, widths, h, false);
    }
    if (t.rows.empty()) pg.text(Assessment::tr("（无）"), body);
}

// The level over the whole recording: its envelope, the threshold line and the events.
void DrawChart(Pages& pg, const Accumulator& acc)
{
    const Envelope& env = acc.envelope();
    const double total = 190;
    pg.ensure(total + 10);
    QPainter& p = pg.painter();
    const QFont small = ReportFont(7);
    p.setFont(small);
    const QFontMetricsF m(small, p.device());
    const QRectF plot(34, pg.y + 6, pg.width() - 40, total - 30);
    const double threshold = acc.rule().threshold;
    double hi = threshold, lo = threshold;
    for (size_t i = 0; i < env.hi.size(); ++i) hi = std::max(hi, double(env.hi[i])), lo = std::min(lo, double(env.lo[i]));
    const double top = std::ceil((hi + 1) / 10) * 10, bottom = std::floor((lo - 1) / 10) * 10;
    const double n = std::max<double>(1, double(acc.samples()));
    auto X = [&](double index) { return plot.left() + plot.width() * index / n; };
    auto Y = [&](double level) { return plot.bottom() - plot.height() * (level - bottom) / (top - bottom); };

    p.setPen(QPen(QColor(150, 150, 150), 0.5));
    p.drawRect(plot);
    for (double l = bottom; l <= top + 0.01; l += 10) {
        p.drawLine(QPointF(plot.left(), Y(l)), QPointF(plot.right(), Y(l)));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, Y(l) - 6, plot.left() - 3, 12), Qt::AlignRight | Qt::AlignVCenter, QString::number(l, 'f', 0));
        p.setPen(QPen(QColor(150, 150, 150), 0.5));
    }
    for (size_t i = 0; i < acc.eventCount(); ++i) {
        const Event& e = acc.event(i);
        const double x0 = X(double(e.firstSample)), x1 = std::max(X(double(e.firstSample + e.seconds)), x0 + 0.8);
        p.fillRect(QRectF(x0, plot.top(), x1 - x0, plot.height()), QColor(255, 120, 60, 90));
    }
    if (!env.hi.empty()) {
        QPainterPath band;
        const double per = double(env.perBucket);
        band.moveTo(X(0), Y(env.hi[0]));
        for (size_t i = 0; i < env.hi.size(); ++i) {
            band.lineTo(X(double(i) * per), Y(env.hi[i]));
            band.lineTo(X(std::min(n, double(i + 1) * per)), Y(env.hi[i]));
        }
        for (size_t i = env.lo.size(); i-- > 0;) {
            band.lineTo(X(std::min(n, double(i + 1) * per)), Y(env.lo[i]));
            band.lineTo(X(double(i) * per), Y(env.lo[i]));
        }
        band.closeSubpath();
        p.setPen(QPen(QColor(0, 0, 200), 0.4));
        p.setBrush(QColor(0, 0, 220, 110));
        p.drawPath(band);
        p.setBrush(Qt::NoBrush);
    }
    p.setPen(QPen(QColor(220, 0, 0), 0.8, Qt::DashLine));
    p.drawLine(QPointF(plot.left(), Y(threshold)), QPointF(plot.right(), Y(threshold)));
    p.setPen(QColor(200, 0, 0));
    p.drawText(QPointF(plot.left() + 3, Y(threshold) - 2), Assessment::tr("阈值 %1 dB").arg(DbText(threshold)));
    p.setPen(Qt::black);
    const Summary s = acc.summary();
    const double ty = plot.bottom() + 3;
    p.drawText(QRectF(plot.left(), ty, plot.width() / 2, m.height()), Qt::AlignLeft, TimeText(s.start));
    p.drawText(QRectF(plot.center().x(), ty, plot.width() / 2, m.height()), Qt::AlignRight, TimeText(s.end));
    p.drawText(QRectF(plot.left(), ty + m.height(), plot.width(), m.height()), Qt::AlignHCenter,
               Assessment::tr("声级 (dB)，橙色：事件"));
    pg.y += total;
}

}  // namespace

bool WriteReportPdf(const QString& path, const QString& file, const Accumulator& acc)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(Margin, Margin, Margin, Margin), QPageLayout::Point);
    writer.setResolution(72);  // one device unit is one point
    writer.setTitle(Assessment::tr("噪声评估报告"));
    writer.setCreator(QStringLiteral("Pelzo Sound Link"));
    QPainter p;
    if (!p.begin(&writer)) return false;
    Pages pg(writer, p);
    const std::vector<Table> tables = ReportTables(QFileInfo(file).fileName(), acc);
    pg.text(Assessment::tr("噪声评估报告"), ReportFont(16, true));
    DrawTable(pg, tables[0]);
    pg.y += 6;
    pg.text(Assessment::tr("整个记录的声级"), ReportFont(11, true));
    DrawChart(pg, acc);
    for (size_t i = 1; i < tables.size(); ++i) DrawTable(pg, tables[i]);
    pg.y += 8;
    pg.text(PeakNote(), ReportFont(8));
    return p.end();
}

}  // namespace pelzo::assess
