// Export of 1,000 rows into a copy of the template, from nothing running to the office gone;
// then the import of that file. Goal for the export: at most 6 s.
#include "files/automation.h"
#include "files/spreadsheet.h"
#include "monitor/monitor.h"
#include "tests/support/testseams.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace pelzo;

namespace {

constexpr int Rows = 1000;
constexpr double GoalSeconds = 6.0;

// The real pauses, added up so the figure can be given without them too.
class TimedPause final : public Pause {
public:
    long long total = 0;
    void pause(int ms) override
    {
        total += ms;
        SleepPause().pause(ms);
    }
};

void Fill(MainState& st)
{
    for (int n = 1; n <= Rows; ++n) {
        ReadingTexts r;
        r.tenths = 400 + (n * 7) % 700;
        r.Level = TenthsText(r.tenths);
        r.Weighting = QStringLiteral("A");
        r.timeValue = QTime(10, 0, 0).addSecs(n);
        r.dateValue = QDate(2011, 5, 6);
        r.Time = LongTimeText(r.timeValue);
        r.Date = ShortDateText(r.dateValue);
        st.SampleCount = uint32_t(n);
        AddSampleToViews(st, uint32_t(n), float(r.tenths) / 10.0f, r);
    }
}

}  // namespace

int main()
{
    QTemporaryDir dir;
    MainState st;
    st.AppDir = dir.path();
    QFile::copy(QStringLiteral(PELZO_RUNDIR "/Export.pelzo"), dir.filePath(QStringLiteral("Export.pelzo")));
    test::ScriptedDialogs dialogs;
    test::FixedClock clock;
    TimedPause pause;
    PlainTimer timer;
    Appusb usb{dialogs, pause};
    Core core{st, usb, dialogs, clock, timer, pause};
    OfficeSetup office = DefaultOfficeSetup();
    office.plugin = QStringLiteral(PELZO_RUNDIR "/libpelzo_calc.so");
    Fill(st);

    const QString xls = dir.filePath(QStringLiteral("bench.xls"));
    QElapsedTimer t;
    t.start();
    ExportSpreadsheet(core, xls, office);
    const double exportS = double(t.nsecsElapsed()) / 1e9;
    const double exportPause = double(pause.total) / 1000.0;
    if (!dialogs.shown.empty()) {
        std::printf("calc: export failed: %s\n", dialogs.texts().join(u'|').toUtf8().constData());
        return 1;
    }

    pause.total = 0;
    ClearViews(st);
    t.restart();
    ImportSpreadsheet(core, xls, office);
    const double importS = double(t.nsecsElapsed()) / 1e9;
    const bool importOk = dialogs.shown.empty() && st.SampleCount == Rows;

    std::printf("calc: export of %d rows %.2f s (office start included; %.2f s of it the fixed pause) goal <= %.1f s: %s\n", Rows, exportS,
                exportPause, GoalSeconds, exportS <= GoalSeconds ? "ok" : "MISSED");
    std::printf("calc: import of %d rows %.2f s%s\n", Rows, importS, importOk ? "" : " (FAILED)");
    return exportS <= GoalSeconds && importOk ? 0 : 1;
}
