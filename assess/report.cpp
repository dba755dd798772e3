#include "assess/report.h"

#include <QTime>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pelzo::assess {

QString DbText(std::optional<double> v) { return v ? QString::number(*v, 'f', 1) : QStringLiteral("—"); }
QString PercentText(std::optional<double> v) { return v ? QString::number(*v, 'f', 1) : QStringLiteral("—"); }

QString TimeText(std::optional<Stamp> t)
{
    if (!t) return QStringLiteral("—");
    QString s = IsoText(*t);
    s[10] = QLatin1Char(' ');
    return s;
}

QString DurationText(uint64_t seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString PeakNote()
{
    return Assessment::tr("每秒一次的 FAST/SLOW 读数不是峰值测量：本报告不对峰值声压级及其限值作任何结论。");
}

Table RecordingTable(const QString& file, const Summary& s)
{
    Table t{Assessment::tr("记录"), {Assessment::tr("项目"), Assessment::tr("内容")}, {}};
    t.rows = {
        {Assessment::tr("文件"), file},
        {Assessment::tr("开始"), TimeText(s.start)},
        {Assessment::tr("结束"), TimeText(s.end)},
        {Assessment::tr("时长"), DurationText(s.samples)},
        {Assessment::tr("样本数"), QString::number(s.samples)},
        {Assessment::tr("A 计权样本"), QString::number(s.countA)},
        {Assessment::tr("C 计权样本（不计入暴露）"), QString::number(s.countC)},
    };
    return t;
}

Table LevelTable(const Summary& s)
{
    Table t{Assessment::tr("声级（全部样本）"), {Assessment::tr("指标"), Assessment::tr("数值 (dB)"), Assessment::tr("时间")}, {}};
    t.rows = {
        {QStringLiteral("Leq"), DbText(s.leq), QString()},
        {QStringLiteral("Lmax"), DbText(s.lmax), TimeText(s.lmaxAt)},
        {QStringLiteral("Lmin"), DbText(s.lmin), TimeText(s.lminAt)},
        {QStringLiteral("L10"), DbText(s.l10), QString()},
        {QStringLiteral("L50"), DbText(s.l50), QString()},
        {QStringLiteral("L90"), DbText(s.l90), QString()},
        {QStringLiteral("SEL"), DbText(s.sel), QString()},
    };
    return t;
}

namespace {

QString LexJudgement(std::optional<double> lex)
{
    if (!lex) return QStringLiteral("—");
    if (*lex > 87) return Assessment::tr("超过暴露限值 87");
    if (*lex >= 85) return Assessment::tr("达到上行动值 85");
    if (*lex >= 80) return Assessment::tr("达到下行动值 80");
    return Assessment::tr("低于行动值");
}

QString OshaJudgement(std::optional<double> dose)
{
    if (!dose) return QStringLiteral("—");
    if (*dose > 100) return Assessment::tr("超过 PEL (100 %)");
    if (*dose >= 50) return Assessment::tr("达到行动水平 (50 %)");
    return Assessment::tr("低于行动水平");
}

QString NioshJudgement(std::optional<double> dose)
{
    if (!dose) return QStringLiteral("—");
    return *dose > 100 ? Assessment::tr("超过 REL (100 %)") : Assessment::tr("未超过 REL");
}

}  // namespace

Table ExposureTable(const Summary& s)
{
    Table t{Assessment::tr("暴露（仅 A 计权样本）"),
            {Assessment::tr("指标"), Assessment::tr("数值 (dB)"), Assessment::tr("限值"), Assessment::tr("评价")},
            {}};
    t.rows = {
        {QStringLiteral("LAeq"), DbText(s.laeq), QString(), QString()},
        {QStringLiteral("LEX,8h"), DbText(s.lex8h), Assessment::tr("行动值 80 / 85 dB(A)，限值 87 dB(A) (2003/10/EC)"),
         LexJudgement(s.lex8h)},
    };
    return t;
}

Table DoseTable(const Summary& s)
{
    Table t{Assessment::tr("剂量与 TWA（仅 A 计权样本）"),
            {Assessment::tr("规则"), Assessment::tr("准则 / 交换率 / 阈值"), Assessment::tr("剂量 (%)"),
             Assessment::tr("TWA (dB)"), Assessment::tr("限值"), Assessment::tr("评价")},
            {}};
    const QString oshaLimits = Assessment::tr("行动水平 50 %，PEL 100 %");
    t.rows = {
        {QStringLiteral("OSHA PEL"), QStringLiteral("90 / 5 / 90 dB"), PercentText(s.oshaPel.dose), DbText(s.oshaPel.twa),
         oshaLimits, OshaJudgement(s.oshaPel.dose)},
        {Assessment::tr("OSHA 听力保护"), QStringLiteral("90 / 5 / 80 dB"), PercentText(s.oshaHc.dose),
         DbText(s.oshaHc.twa), oshaLimits, OshaJudgement(s.oshaHc.dose)},
        {QStringLiteral("NIOSH REL"), QStringLiteral("85 / 3 / 80 dB"), PercentText(s.niosh.dose), DbText(s.niosh.twa),
         QStringLiteral("100 %"), NioshJudgement(s.niosh.dose)},
    };
    return t;
}

Table PeriodTable(const Summary& s)
{
    Table t{Assessment::tr("时段（各天合并）"), {Assessment::tr("指标"), Assessment::tr("时段"), Assessment::tr("数值 (dB)")}, {}};
    t.rows = {
        {QStringLiteral("Lday"), QStringLiteral("07–19"), DbText(s.lday)},
        {QStringLiteral("Levening"), QStringLiteral("19–23"), DbText(s.levening)},
        {QStringLiteral("Lnight"), QStringLiteral("23–07"), DbText(s.lnight)},
        {QStringLiteral("Lden"), Assessment::tr("昼 / 晚 +5 / 夜 +10 (2002/49/EC)"), DbText(s.lden)},
        {QStringLiteral("Ldn"), Assessment::tr("昼 07–22 / 夜 22–07 +10"), DbText(s.ldn)},
    };
    return t;
}

QStringList HourHeaders()
{
    return {Assessment::tr("开始"), Assessment::tr("秒数"), QStringLiteral("Leq"), QStringLiteral("Lmax"),
            QStringLiteral("L10"), QStringLiteral("L90")};
}

QStringList HourCells(const HourRow& h)
{
    return {TimeText(h.start), QString::number(h.seconds), DbText(h.leq), DbText(h.lmax), DbText(h.l10), DbText(h.l90)};
}

Table HourTable(const Accumulator& acc)
{
    Table t{Assessment::tr("每小时"), HourHeaders(), {}};
    t.rows.reserve(acc.hourCount());
    for (size_t i = 0; i < acc.hourCount(); ++i) t.rows.push_back(HourCells(acc.hour(i)));
    return t;
}

QStringList EventHeaders()
{
    return {Assessment::tr("开始"), Assessment::tr("结束"), Assessment::tr("秒数"), QStringLiteral("Lmax"),
            QStringLiteral("Leq"), QStringLiteral("SEL")};
}

QStringList EventCells(const Event& e)
{
    return {TimeText(e.start), TimeText(e.end), QString::number(e.seconds), DbText(e.lmax), DbText(e.leq()), DbText(e.sel())};
}

QString EventTitle(const EventRule& rule)
{
    return Assessment::tr("事件（≥ %1 dB，至少 %2 秒）").arg(QString::number(rule.threshold, 'f', 1)).arg(rule.minSeconds);
}

Table EventTable(const Accumulator& acc)
{
    Table t{EventTitle(acc.rule()), EventHeaders(), {}};
    for (size_t i = 0; i < acc.eventCount(); ++i) t.rows.push_back(EventCells(acc.event(i)));
    return t;
}

std::vector<Table> ReportTables(const QString& file, const Accumulator& acc)
{
    const Summary s = acc.summary();
    return {RecordingTable(file, s), LevelTable(s),  ExposureTable(s), DoseTable(s),
            HourTable(acc),          PeriodTable(s), EventTable(acc)};
}

// ---- plain text -----------------------------------------------------------------------------

namespace {

// Width in terminal columns: CJK characters take two.
int Columns(const QString& s)
{
    int w = 0;
    for (const QChar ch : s) w += ch.unicode() >= 0x1100 && ch.unicode() != 0x2013 && ch.unicode() != 0x2014 ? 2 : 1;
    return w;
}

QString Padded(const QString& s, int width) { return s + QString(std::max(0, width - Columns(s)), QLatin1Char(' ')); }

void AppendTable(QString& out, const Table& t)
{
    std::vector<int> widths(size_t(t.headers.size()), 0);
    auto measure = [&](const QStringList& cells) {
        for (qsizetype c = 0; c < cells.size() && size_t(c) < widths.size(); ++c)
            widths[size_t(c)] = std::max(widths[size_t(c)], Columns(cells[c]));
    };
    measure(t.headers);
    for (const QStringList& r : t.rows) measure(r);
    auto line = [&](const QStringList& cells) {
        QString l;
        for (qsizetype c = 0; c < cells.size(); ++c) l += c + 1 < cells.size() ? Padded(cells[c], widths[size_t(c)] + 2) : cells[c];
        while (l.endsWith(QLatin1Char(' '))) l.chop(1);
        out += l;
        out += QLatin1Char('\n');
    };
    out += t.title + QLatin1Char('\n');
    line(t.headers);
    for (const QStringList& r : t.rows) line(r);
    if (t.rows.empty()) out += Assessment::tr("（无）") + QLatin1Char('\n');
    out += QLatin1Char('\n');
}

}  // namespace

QString ReportText(const QString& file, const Accumulator& acc)
{
    QString out;
    for (const Table& t : ReportTables(file, acc)) AppendTable(out, t);
    out += PeakNote() + QLatin1Char('\n');
    return out;
}

// ---- JSON -----------------------------------------------------------------------------------

namespace {

// Keys in the order scripts read them; numbers never take the user's decimal mark.
class JsonOut {
public:
    QByteArray take() { return out_ + '\n'; }
    void open(char c) { out_ += c; first_ = true; }
    void close(char c) { out_ += c; first_ = false; }
    void key(const char* k)
    {
        if (!first_) out_ += ", ";
        out_ += '"';
        out_ += k;
        out_ += "\": ";
        first_ = true;
    }
    void element()
    {
        if (!first_) out_ += ", ";
        first_ = true;
    }
    void number(std::optional<double> v, int decimals = 2)
    {
        if (v && std::isfinite(*v)) {
            // Fixed decimals without trailing zeros, always with "."
            char buf[64];
            const auto r = std::to_chars(buf, buf + sizeof buf, *v, std::chars_format::fixed, decimals);
            char* end = r.ptr;
            if (std::find(buf, end, '.') != end) {
                while (end[-1] == '0') --end;
                if (end[-1] == '.') --end;
            }
            if (end - buf == 2 && buf[0] == '-' && buf[1] == '0') buf[0] = '0', end = buf + 1;  // "-0"
            out_.append(buf, end - buf);
        } else {
            out_ += "null";
        }
        first_ = false;
    }
    void integer(uint64_t v) { out_ += QByteArray::number(qulonglong(v)); first_ = false; }
    void time(std::optional<Stamp> t)
    {
        out_ += t ? '"' + IsoText(*t).toLatin1() + '"' : QByteArray("null");
        first_ = false;
    }

private:
    QByteArray out_;
    bool first_ = true;
};

void DoseJson(JsonOut& j, const char* name, const DoseFigures& d)
{
    j.key(name);
    j.open('{');
    j.key("dose"), j.number(d.dose);
    j.key("twa"), j.number(d.twa);
    j.close('}');
}

}  // namespace

QByteArray ReportJson(const Accumulator& acc)
{
    const Summary s = acc.summary();
    JsonOut j;
    j.open('{');
    j.key("samples"), j.integer(s.samples);
    j.key("seconds"), j.integer(s.samples);
    j.key("start"), j.time(s.start);
    j.key("end"), j.time(s.end);
    j.key("weighting"), j.open('{');
    j.key("A"), j.integer(s.countA);
    j.key("C"), j.integer(s.countC);
    j.close('}');
    j.key("levels"), j.open('{');
    j.key("Leq"), j.number(s.leq);
    j.key("Lmax"), j.number(s.lmax);
    j.key("Lmax_at"), j.time(s.lmaxAt);
    j.key("Lmin"), j.number(s.lmin);
    j.key("Lmin_at"), j.time(s.lminAt);
    j.key("L10"), j.number(s.l10);
    j.key("L50"), j.number(s.l50);
    j.key("L90"), j.number(s.l90);
    j.key("SEL"), j.number(s.sel);
    j.close('}');
    j.key("exposure"), j.open('{');
    j.key("LAeq"), j.number(s.laeq);
    j.key("LEX8h"), j.number(s.lex8h);
    DoseJson(j, "osha_pel", s.oshaPel);
    DoseJson(j, "osha_hc", s.oshaHc);
    DoseJson(j, "niosh", s.niosh);
    j.close('}');
    j.key("hours"), j.open('[');
    for (size_t i = 0; i < acc.hourCount(); ++i) {
        const HourRow h = acc.hour(i);
        j.element(), j.open('{');
        j.key("start"), j.time(h.start);
        j.key("seconds"), j.integer(h.seconds);
        j.key("Leq"), j.number(h.leq);
        j.key("Lmax"), j.number(h.lmax);
        j.key("L10"), j.number(h.l10);
        j.key("L90"), j.number(h.l90);
        j.close('}');
    }
    j.close(']');
    j.key("periods"), j.open('{');
    j.key("Lday"), j.number(s.lday);
    j.key("Levening"), j.number(s.levening);
    j.key("Lnight"), j.number(s.lnight);
    j.key("Lden"), j.number(s.lden);
    j.key("Ldn"), j.number(s.ldn);
    j.close('}');
    j.key("events"), j.open('[');
    for (size_t i = 0; i < acc.eventCount(); ++i) {
        const Event& e = acc.event(i);
        j.element(), j.open('{');
        j.key("start"), j.time(e.start);
        j.key("end"), j.time(e.end);
        j.key("seconds"), j.integer(e.seconds);
        j.key("Lmax"), j.number(e.lmax);
        j.key("Leq"), j.number(e.leq());
        j.key("SEL"), j.number(e.sel());
        j.close('}');
    }
    j.close(']');
    j.key("threshold"), j.number(acc.rule().threshold);
    j.key("min_seconds"), j.integer(uint64_t(std::max(acc.rule().minSeconds, 1)));
    j.close('}');
    return j.take();
}

// ---- alarm ----------------------------------------------------------------------------------

QString AlarmText(double level, double threshold)
{
    return Assessment::tr("报警：当前声级 %1 dB ≥ 阈值 %2 dB").arg(DbText(level), DbText(threshold));
}

}  // namespace pelzo::assess
