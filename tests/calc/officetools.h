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
// Bytes 0..7 of the legacy compound file format.
bool IsCompoundFile(const QString& path);
// True while a process with this id runs (zombies count as ended).
bool ProcessAlive(qint64 pid);

}  // namespace pelzo::test
