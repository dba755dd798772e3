// The assessment as tables a person reads (window, text, PDF), as JSON for scripts, and as an
// A4 PDF. One home for every figure's text, so the window and the command line agree.
#pragma once

#include "assess/assessment.h"

#include <QCoreApplication>
#include <QStringList>

namespace pelzo::assess {

// The context of the readable texts for translation.
class Assessment {
    Q_DECLARE_TR_FUNCTIONS(Assessment)
};

struct Table {
    QString title;
    QStringList headers;
    std::vector<QStringList> rows;
};

QString DbText(std::optional<double> v);       // "85.3" or "—"
QString PercentText(std::optional<double> v);  // "123.4" or "—"
QString TimeText(std::optional<Stamp> t);      // "2026-03-04 23:00:00" or "—"
QString DurationText(uint64_t seconds);        // "26:03:07"

// The once-a-second reading is no peak measurement: said in every report.
QString PeakNote();

Table RecordingTable(const QString& file, const Summary& s);
Table LevelTable(const Summary& s);
Table ExposureTable(const Summary& s);
Table DoseTable(const Summary& s);
Table PeriodTable(const Summary& s);
QStringList HourHeaders();
QStringList HourCells(const HourRow& h);
Table HourTable(const Accumulator& acc);
QStringList EventHeaders();
QStringList EventCells(const Event& e);
QString EventTitle(const EventRule& rule);
Table EventTable(const Accumulator& acc);

// Every table in the report's order.
std::vector<Table> ReportTables(const QString& file, const Accumulator& acc);
// The tables as aligned plain text.
QString ReportText(const QString& file, const Accumulator& acc);
// One JSON object with the keys scripts rely on; absent figures are null.
QByteArray ReportJson(const Accumulator& acc);
// An A4 PDF; false when the file cannot be written. Needs a QGuiApplication.
bool WriteReportPdf(const QString& path, const QString& file, const Accumulator& acc);

QString AlarmText(double level, double threshold);

}  // namespace pelzo::assess
