#include "files/automation.h"

#include "files/calc/calcapi.h"
#include "meter/words.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStandardPaths>

#include <cmath>
#include <utility>

namespace pelzo {

namespace {

constexpr const char* PluginName = "libpelzo_calc.so";

QString ExecutableDir() { return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2); }

const PelzoCalcApi& LoadApi(const QString& plugin)
{
    // The library stays loaded for the rest of the process: the office's runtime does not
    // support being unloaded.
    QLibrary lib(plugin);
    lib.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!lib.load()) throw AutomationError(QStringLiteral("The LibreOffice plugin cannot be loaded: %1").arg(lib.errorString()));
    auto entry = reinterpret_cast<PelzoCalcEntry>(lib.resolve(PELZO_CALC_ENTRY));
    const PelzoCalcApi* api = entry ? entry() : nullptr;
    if (!api || api->version != PELZO_CALC_API_VERSION) throw AutomationError(QStringLiteral("The LibreOffice plugin %1 does not fit this program.").arg(plugin));
    return *api;
}

struct Handle {
    const PelzoCalcApi* api = nullptr;
    PelzoCalcApp* app = nullptr;

    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle()
    {
        if (app) api->destroy(app);
    }

    void check(int rc) const
    {
        if (rc != 0) throw AutomationError(QString::fromUtf8(api->error(app)));
    }
};

class CalcSheet final : public AutoSheet {
public:
    explicit CalcSheet(Handle& h) : h_(h) {}
    int usedRangeRowsCount() override
    {
        int n = 0;
        h_.check(h_.api->usedRangeRowsCount(h_.app, &n));
        return n;
    }
    void rowsSetValue(int row, const QString& text) override { h_.check(h_.api->rowsSetValue(h_.app, row, text.toUtf8().constData())); }
    void cellsSetValue(int row, int col, const QString& text) override
    {
        h_.check(h_.api->cellsSetValue(h_.app, row, col, text.toUtf8().constData()));
    }
    QString cellsValue(int row, int col) override
    {
        PelzoCalcValue v{PELZO_CELL_EMPTY, 0, nullptr};
        h_.check(h_.api->cellsValue(h_.app, row, col, &v));
        return CellValueText(CellKind(v.kind), v.number, QString::fromUtf8(v.text ? v.text : ""));
    }

private:
    Handle& h_;
};

class CalcBook final : public AutoBook {
public:
    explicit CalcBook(Handle& h) : h_(h), sheet_(h) {}
    AutoSheet& activeSheet() override
    {
        h_.check(h_.api->activeSheet(h_.app));
        return sheet_;
    }
    void save() override { h_.check(h_.api->save(h_.app)); }
    void close() override { h_.check(h_.api->close(h_.app)); }

private:
    Handle& h_;
    CalcSheet sheet_;
};

class CalcApp final : public AutoApp {
public:
    CalcApp(const PelzoCalcApi& api, const OfficeSetup& setup) : book_(h_)
    {
        h_.api = &api;
        const QByteArray soffice = QFile::encodeName(setup.soffice);
        const QByteArray temp = QFile::encodeName(setup.tempDir);
        const PelzoCalcOptions options{soffice.constData(), setup.startTimeoutMs, setup.callTimeoutMs, temp.constData()};
        h_.check(api.create(&options, &h_.app));
    }
    void setVisible(int visible) override { h_.check(h_.api->setVisible(h_.app, visible)); }
    void workBooksOpen(const QString& path) override { h_.check(h_.api->workBooksOpen(h_.app, QFile::encodeName(path).constData())); }
    AutoBook& activeWorkBook() override
    {
        h_.check(h_.api->activeWorkBook(h_.app));
        return book_;
    }
    void quit() override { h_.check(h_.api->quit(h_.app)); }

private:
    Handle h_;
    CalcBook book_;
};

}  // namespace

QString CellValueText(CellKind kind, double number, const QString& text)
{
    // Whole seconds: a time typed as 10:00:00 is stored as 0.41666666666666669.
    const auto dateTime = [&] {
        const double secs = std::round(number * 86400.0);
        const double days = std::floor(secs / 86400.0);
        return std::pair{QDate(1899, 12, 30).addDays(qint64(days)), QTime(0, 0).addSecs(int(secs - days * 86400.0))};
    };
    switch (kind) {
    case CellKind::Empty: return QString();
    case CellKind::Text: return text;
    case CellKind::Number: return ShortestNumberText(number);
    case CellKind::Bool: return number != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case CellKind::Date:
    case CellKind::Time:
    case CellKind::DateTime:
        if (!std::isfinite(number) || std::fabs(number) > 3e6) return ShortestNumberText(number);  // no calendar day
        break;
    }
    const auto [date, time] = dateTime();
    if (kind == CellKind::Date) return ShortDateText(date);
    if (kind == CellKind::Time) return LongTimeText(time);
    return ShortDateText(date) + QLatin1Char(' ') + LongTimeText(time);
}

OfficeSetup DefaultOfficeSetup()
{
    OfficeSetup s;
    const QString dir = ExecutableDir();
    s.plugin = dir + u'/' + QLatin1String(PluginName);
    // Installed: bin/ (the tool) and libexec/pelzo/ (the window program) beside lib/pelzo/.
    for (const char* up : {"/../lib/pelzo/", "/../../lib/pelzo/"}) {
        if (QFileInfo::exists(s.plugin)) break;
        const QString installed = QDir::cleanPath(dir + QLatin1String(up) + QLatin1String(PluginName));
        if (QFileInfo::exists(installed)) s.plugin = installed;
    }
    s.soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    return s;
}

std::unique_ptr<AutoApp> CreateAutoApp(const OfficeSetup& setup)
{
    if (setup.soffice.isEmpty()) throw AutomationError(QStringLiteral("LibreOffice (soffice) is not installed."));
    return std::make_unique<CalcApp>(LoadApi(setup.plugin), setup);
}

}  // namespace pelzo
