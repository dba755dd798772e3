#include "monitor/monitor.h"

#include "files/record.h"
#include "meter/requests.h"

#include <array>
#include <cmath>

namespace pelzo {

void RefreshClockTexts(MainState& st, Clock& clock)
{
    st.LocalNow = clock.now();
    const QDate d = st.LocalNow.date();
    const QTime t = st.LocalNow.time();
    st.TextYear = IntText(d.year());
    st.TextMonth = IntText(d.month());
    st.TextDay = IntText(d.day());
    st.TextHour = IntText(t.hour());
    st.TextMinute = IntText(t.minute());
    st.TextSecond = IntText(t.second());
}

void DecodeLive(MainState& st, Clock& clock)
{
    const uint32_t w = st.ReadingRaw;
    ReadingTexts& t = st.LiveTexts;
    DecodeReadingFields(w, t);
    st.CurSample = ComposeSample(w, st.TextHour.toInt(), st.TextMinute.toInt(), st.TextSecond.toInt());
    const QDateTime now = clock.now();
    t.timeValue = now.time();
    t.dateValue = now.date();
    t.Time = LongTimeText(t.timeValue);
    t.Date = ShortDateText(t.dateValue);
}

void ClearViews(MainState& st)
{
    st.Grid.clearRows();
    st.SampleCount = 0;
    st.Series_rec.clear();
    st.Series_max.clear();
    st.Series_min.clear();
    st.Stats.clear();
}

namespace {

void AddStatistics(MainState& st, float v, bool first)
{
    if (first) {
        st.MaxLevel = v;
        st.MinLevel = v;
    }
    if (v > st.MaxLevel) st.MaxLevel = v;
    if (v < st.MinLevel) st.MinLevel = v;
    st.Series_rec.add(v);
    st.Series_max.add(st.MaxLevel);
    st.Series_min.add(st.MinLevel);
    st.Stats.add(v);
}

}  // namespace

void AddSampleToViews(MainState& st, uint32_t n, float v, const ReadingTexts& texts)
{
    const char weighting = texts.Weighting == QLatin1String("C") ? 'C' : 'A';
    if (texts.tenths >= 0 && texts.timeValue.isValid() && texts.dateValue.isValid()) {
        st.Grid.setSampleRow(int(n), texts.tenths, weighting, texts.timeValue, texts.dateValue);
    } else {
        st.Grid.setCell(0, int(n), IntText(n));
        st.Grid.setCell(1, int(n), texts.Level);
        st.Grid.setCell(2, int(n), texts.Weighting);
        st.Grid.setCell(3, int(n), texts.Time);
        st.Grid.setCell(4, int(n), texts.Date);
    }
    st.Grid.setRowCount(st.Grid.rowCount() + 1);
    AddStatistics(st, v, n == 1);
}

void AddFileValue(MainState& st, float v, bool first) { AddStatistics(st, v, first); }

void ToolButton3Click(Core& c)
{
    MainState& st = c.st;
    if (st.Recording) {
        st.Recording = false;
        return;
    }
    // Right after start-up no tick has filled the clock texts yet; the name needs today's.
    if (st.TextYear.isEmpty()) RefreshClockTexts(st, c.clock);
    ClearViews(st);
    // Without a file nothing could be kept: the recording does not start.
    if (!CreateRecFile(st, c.dialogs)) return;
    st.Recording = true;
}

namespace {

struct RangeLabel {
    const char* start;
    const char* end;
};
constexpr std::array<RangeLabel, 7> RangeLabels{{
    {"30", " 80"}, {"40", " 90"}, {"50", "100"}, {"60", "110"}, {"70", "120"}, {"80", "130"}, {"30", "130"},
}};

QString Cut(float v) { return IntText((long long)std::trunc(double(v))); }

bool RequestReading(Core& c)
{
    // A failed or empty reply carries no reading.
    const auto word = ReadReading(c.usb);
    if (!word) return false;
    c.st.ReadingRaw = *word;
    return true;
}

void ShowReadout(MainState& st)
{
    const QString& level = st.LiveTexts.Level;
    st.Label_DB = level.size() == 4 ? QStringLiteral(" ") + level : level;
    const int range = st.LiveTexts.Range.toInt();
    if (range >= 0 && range < int(RangeLabels.size())) {
        st.Label_LcdStart = QString::fromLatin1(RangeLabels[size_t(range)].start);
        st.Label_LcdEnd = QString::fromLatin1(RangeLabels[size_t(range)].end);
    }
    st.LabelAC = st.LiveTexts.Weighting;
    st.LabelFS = st.LiveTexts.Speed;
}

// Steps after a good reading: record it and fill every view.
void TakeSample(Core& c)
{
    MainState& st = c.st;
    DecodeLive(st, c.clock);
    if (!AppendSample(st)) {
        st.Recording = false;
        c.dialogs.message(PlainMessage(MsgRecWriteFailed + st.RecFileName));
        return;
    }
    const uint32_t n = st.SampleCount;
    ShowReadout(st);
    const float v = float(st.LiveTexts.tenths) / 10.0f;  // the level text read back, exactly
    AddSampleToViews(st, n, v, st.LiveTexts);
    if (n > 290) {
        st.Axis.min += 1;
        st.Axis.max += 1;
    }
    st.Label4 = st.Label_DB;
    st.Series1.value = v;
    st.Series1.color = MakeRgb(255, 0, 0);
    st.ChartTool_Txt = SummaryText(st);
}

}  // namespace

QString SummaryText(const MainState& st)
{
    const MainState& s = st;
    return QString::fromUtf8("日期: ") + s.LiveTexts.Date + QString::fromUtf8("  时间: ") + s.LiveTexts.Time +
           QString::fromUtf8("  数值: ") + s.LiveTexts.Level + QString::fromUtf8(" 分贝") +
           QString::fromUtf8("  最大值: ") + Cut(s.MaxLevel) + QString::fromUtf8(" 分贝") +
           QString::fromUtf8("  最小值: ") + Cut(s.MinLevel) + QString::fromUtf8(" 分贝");
}

TickResult Timer1STimer(Core& c)
{
    MainState& st = c.st;
    TickResult r;
    c.timer1s.setEnabled(false);
    RefreshClockTexts(st, c.clock);
    st.UsbLinked = c.usb.OpenMeter() == MeterOpened;
    st.LabelUSBState = st.UsbLinked ? UsbLinkedText : UsbUnlinkedText;
    r.linked = st.UsbLinked;
    // A failed request carries no reading: such a tick records nothing.
    if (st.UsbLinked && st.Recording && RequestReading(c)) {
        const uint32_t before = st.SampleCount;
        TakeSample(c);
        r.sampled = st.SampleCount != before;
    }
    c.timer1s.setInterval(1000);
    c.timer1s.setEnabled(true);
    return r;
}

bool LivePoll(Core& c)
{
    if (!RequestReading(c)) return false;
    DecodeLive(c.st, c.clock);
    ShowReadout(c.st);
    return true;
}

}  // namespace pelzo
