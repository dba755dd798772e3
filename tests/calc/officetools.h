// The office itself as a test tool: converting between CSV and workbooks, with a private profile
// in the test's own folder.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace pelzo::test {

// Rows of the active sheet of `workbook` as CSV fields (UTF-8, comma, double quotes).
std::vector<QStringList> SheetRows(const QString& workbook, const QString& scratch);
// A legacy binary workbook at `xls` from CSV text (numbers become number cells).
void MakeWorkbook(const QString& csv, const QString& xls, const QString& scratch);
// A cell for a workbook that a second spreadsheet program (gnumeric) writes: row and column from 1,
// a number (with a number format, e.g. "hh:mm:ss") or a text.
struct TypedCell {
    int row, col;
    QString value;
    QString format;  // empty: a text cell; "General" or a date/time format: a number cell
};
// The legacy binary workbook that gnumeric's ssconvert writes from these cells, at `xls`.
void MakeForeignWorkbook(const std::vector<TypedCell>& cells, const QString& xls, const QString& scratch);
// Bytes 0..7 of the legacy compound file format.
bool IsCompoundFile(const QString& path);
// True while a process with this id runs (zombies count as ended).
bool ProcessAlive(qint64 pid);

}  // namespace pelzo::test
