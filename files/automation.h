// Our automation object model of the spreadsheet application: the members the export and import
// use, named after the automation members they stand for. Behind it is LibreOffice Calc, reached
// through a plugin loaded at run time; without the plugin or the office, creating the
// application object fails and the caller shows its message.
#pragma once

#include <QString>

#include <memory>
#include <stdexcept>

namespace pelzo {

// Where the plugin and the office are, and how long they may take.
struct OfficeSetup {
    QString plugin;   // the plugin library
    QString soffice;  // the office's start program; empty: none installed
    int startTimeoutMs = 60000;
    int callTimeoutMs = 60000;
    QString tempDir;  // for the office's private profile; empty: the system's
};

// The plugin beside the binaries (or in ../lib/pelzo when installed), `soffice` from PATH.
OfficeSetup DefaultOfficeSetup();

// A failed automation call; the text is the application's own.
class AutomationError : public std::runtime_error {
public:
    explicit AutomationError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// What a cell holds, as the office reports it; dates and times are day numbers counted from
// 30 December 1899 (the time of day is the fraction).
enum class CellKind { Empty = 0, Text = 1, Number = 2, Date = 3, Time = 4, DateTime = 5, Bool = 6 };

// The cell's value as a person reads it: a date in the short date format, a time in the long time
// format, both joined by a blank, a number as its shortest text with ".", a text as it is.
QString CellValueText(CellKind kind, double number, const QString& text);

class AutoSheet {
public:
    virtual ~AutoSheet() = default;
    virtual int usedRangeRowsCount() = 0;                                // "UsedRange"."Rows"."Count"
    virtual void rowsSetValue(int row, const QString& text) = 0;         // "Rows"(row)."Value" = text
    virtual void cellsSetValue(int row, int col, const QString& text) = 0;  // "Cells"(row, col)."Value" = text
    virtual QString cellsValue(int row, int col) = 0;                    // "Cells"(row, col)."Value", as text
};

class AutoBook {
public:
    virtual ~AutoBook() = default;
    virtual AutoSheet& activeSheet() = 0;  // "ActiveSheet"
    virtual void save() = 0;               // "Save"
    virtual void close() = 0;              // "Close"
};

class AutoApp {
public:
    virtual ~AutoApp() = default;  // releases everything; the office does not outlive it
    virtual void setVisible(int visible) = 0;             // "Visible"
    virtual void workBooksOpen(const QString& path) = 0;  // "WorkBooks"."Open"
    virtual AutoBook& activeWorkBook() = 0;               // "ActiveWorkBook"
    virtual void quit() = 0;                              // "Quit"
};

// Creates the application object: loads the plugin, starts a private office and connects to it.
// Throws AutomationError when any of that fails.
std::unique_ptr<AutoApp> CreateAutoApp(const OfficeSetup& setup);

struct Core;
// The export and import of files/spreadsheet.h with an explicit office (tests, benchmarks).
void ExportSpreadsheet(Core& c, const QString& target, const OfficeSetup& office);
void ImportSpreadsheet(Core& c, const QString& path, const OfficeSetup& office);

}  // namespace pelzo
