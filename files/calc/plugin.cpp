// The spreadsheet application behind our automation model: LibreOffice Calc through C++ UNO, in
// connect mode. Each app object owns one private office process for one export or import.
#include "calcapi.h"
#include "office.h"
#include "sheetbuffer.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellFormatRangesSupplier.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/Date.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>

#include <charconv>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace uno = com::sun::star::uno;
namespace lang = com::sun::star::lang;
namespace frame = com::sun::star::frame;
namespace sheet = com::sun::star::sheet;
namespace table = com::sun::star::table;
namespace beans = com::sun::star::beans;
namespace util = com::sun::star::util;
namespace container = com::sun::star::container;
namespace bridge = com::sun::star::bridge;
using rtl::OUString;

namespace pelzo::calc {
namespace {

OUString U(const std::string& s) { return OUString(s.data(), sal_Int32(s.size()), RTL_TEXTENCODING_UTF8); }
}  // namespace
std::string S(const OUString& s) { return OUStringToOString(s, RTL_TEXTENCODING_UTF8).getStr(); }

namespace {
beans::PropertyValue Prop(const char* name, const uno::Any& value)
{
    beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

// Where the office's own start-up files lie: beside the real `soffice` (the wrapper link resolved).
std::filesystem::path ProgramDir(const std::string& soffice)
{
    std::error_code ec;
    std::filesystem::path p = soffice;
    if (!p.has_parent_path()) {
        const char* path = std::getenv("PATH");
        std::string all = path ? path : "";
        size_t start = 0;
        while (start <= all.size()) {
            const size_t end = all.find(':', start);
            const std::filesystem::path cand = std::filesystem::path(all.substr(start, end - start)) / soffice;
            if (std::filesystem::exists(cand, ec)) {
                p = cand;
                break;
            }
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    const auto real = std::filesystem::canonical(p, ec);
    return ec ? std::filesystem::path("/usr/lib/libreoffice/program") : real.parent_path();
}

// The local UNO runtime that talks to the office: types and the URL resolver from the office's
// own installation.
uno::Reference<uno::XComponentContext> LocalContext(const std::filesystem::path& programDir)
{
    OUString iniUrl;
    osl::FileBase::getFileURLFromSystemPath(U((programDir / "fundamentalrc").string()), iniUrl);
    rtl::Bootstrap::set(OUString("URE_BOOTSTRAP"), iniUrl);
    return cppu::defaultBootstrap_InitialComponentContext();
}

std::string Seconds(std::chrono::milliseconds ms)
{
    // to_chars: "." whatever the process's LC_NUMERIC says.
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, double(ms.count()) / 1000.0);
    return std::string(buf, r.ptr) + " s";
}

// A cell of a data array; the number's kind (date, time, plain) comes from its number format.
CellValue AnyValue(const uno::Any& a, int numberKind)
{
    CellValue v;
    if (OUString s; a >>= s) {
        v.text = S(s);
        v.kind = v.text.empty() ? PELZO_CELL_EMPTY : PELZO_CELL_TEXT;
    } else if (double d; a >>= d) {
        v.kind = numberKind;
        v.number = d;
    } else if (bool b; a >>= b) {
        v.kind = PELZO_CELL_BOOL;
        v.number = b ? 1 : 0;
    }
    return v;
}

// The kind a number format gives its numbers.
int KindOfFormatType(sal_Int16 type)
{
    const bool date = type & util::NumberFormat::DATE;
    const bool time = type & util::NumberFormat::TIME;
    if (date && time) return PELZO_CELL_DATETIME;
    if (date) return PELZO_CELL_DATE;
    if (time) return PELZO_CELL_TIME;
    return PELZO_CELL_NUMBER;
}

// Days from 1 January 1970 to a proleptic Gregorian date.
long DaysFromCivil(long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + long(doe) - 719468;
}

}  // namespace

constexpr int MaxLegacyRows = 65536;
constexpr int MaxLegacyColumns = 256;

class App {
public:
    explicit App(const PelzoCalcOptions& o)
        : soffice_(o.soffice && *o.soffice ? o.soffice : "soffice"),
          startTimeout_(std::max(1, o.startTimeoutMs)),
          callTimeout_(std::max(1, o.callTimeoutMs)),
          tempDir_(o.tempDir ? o.tempDir : ""),
          watchdog_(office_)
    {
    }

    ~App()
    {
        // Whatever happened, no office outlives its operation; then our side of the bridge goes.
        office_.finish(std::chrono::milliseconds(0));
        sheet_.clear();
        book_.clear();
        desktop_.clear();
        try {
            uno::Reference<lang::XComponent> c(local_, uno::UNO_QUERY);
            if (c.is()) c->dispose();
        } catch (const uno::Exception&) {
        }
        local_.clear();
    }

    std::string error;
    CellValue value;  // the last cell read

    void create()
    {
        profile_.emplace(tempDir_);
        local_ = LocalContext(ProgramDir(soffice_));
        office_.start(soffice_, *profile_);
        connect();
    }

    void setVisible(int) {}  // the office runs headless; there is nothing to show

    void open(const std::string& path)
    {
        Guarded g(watchdog_, callTimeout_);
        OUString url;
        std::error_code ec;
        const auto abs = std::filesystem::absolute(path, ec);
        if (osl::FileBase::getFileURLFromSystemPath(U(abs.string()), url) != osl::FileBase::E_None)
            throw std::runtime_error("not a usable path: " + path);
        uno::Sequence<beans::PropertyValue> args(4);
        auto* a = args.getArray();
        a[0] = Prop("Hidden", uno::Any(true));
        a[1] = Prop("MacroExecutionMode", uno::Any(sal_Int16(0)));  // never
        a[2] = Prop("UpdateDocMode", uno::Any(sal_Int16(0)));       // no links updated
        a[3] = Prop("Silent", uno::Any(true));
        uno::Reference<frame::XComponentLoader> loader(desktop_, uno::UNO_QUERY_THROW);
        book_ = loader->loadComponentFromURL(url, OUString("_blank"), 0, args);
        if (!book_.is()) throw std::runtime_error("the workbook could not be opened: " + path);
        activeBook_ = false;
        sheet_.clear();
        formatKinds_.clear();
        nullDateShift_.reset();
    }

    void activeWorkBook()
    {
        if (!book_.is()) throw std::runtime_error("there is no active workbook");
        if (!uno::Reference<sheet::XSpreadsheetDocument>(book_, uno::UNO_QUERY).is()) throw std::runtime_error("the file is not a workbook");
        activeBook_ = true;
    }

    void activeSheet()
    {
        if (!activeBook_) throw std::runtime_error("there is no active workbook");
        Guarded g(watchdog_, callTimeout_);
        uno::Reference<frame::XModel> model(book_, uno::UNO_QUERY);
        uno::Reference<sheet::XSpreadsheetView> view(model.is() ? model->getCurrentController() : nullptr, uno::UNO_QUERY);
        if (view.is()) sheet_ = view->getActiveSheet();
        if (!sheet_.is()) {
            uno::Reference<sheet::XSpreadsheetDocument> doc(book_, uno::UNO_QUERY_THROW);
            uno::Reference<container::XIndexAccess> sheets(doc->getSheets(), uno::UNO_QUERY_THROW);
            if (sheets->getCount() > 0) sheets->getByIndex(0) >>= sheet_;
        }
        if (!sheet_.is()) throw std::runtime_error("the workbook has no sheet");
        buffer_ = SheetBuffer{};
    }

    int usedRowCount()
    {
        flush();
        Guarded g(watchdog_, callTimeout_);
        uno::Reference<sheet::XUsedAreaCursor> cursor(sheetRef()->createCursor(), uno::UNO_QUERY_THROW);
        cursor->gotoEndOfUsedArea(false);
        uno::Reference<sheet::XCellRangeAddressable> addr(cursor, uno::UNO_QUERY_THROW);
        return addr->getRangeAddress().EndRow + 1;
    }

    void setRow(int row, const std::string& text)
    {
        checkRow(row);
        buffer_.setRow(row, text);
    }

    void setCell(int row, int col, const std::string& text)
    {
        checkCell(row, col);
        buffer_.setCell(row, col, text);
    }

    const CellValue& cell(int row, int col)
    {
        checkCell(row, col);
        if (buffer_.dirty()) flush();
        if (!cache_.holds(row, col)) fetch(row, col);
        value = cache_.get(row, col);
        return value;
    }

    void save()
    {
        flush();
        checkFitsLegacyFormat();
        Guarded g(watchdog_, callTimeout_);
        uno::Reference<frame::XStorable> store(bookRef(), uno::UNO_QUERY_THROW);
        // The workbook's own kind: the legacy binary format the template is in.
        uno::Sequence<beans::PropertyValue> args(2);
        args.getArray()[0] = Prop("FilterName", uno::Any(OUString("MS Excel 97")));
        args.getArray()[1] = Prop("Overwrite", uno::Any(true));
        store->storeAsURL(store->getLocation(), args);
    }

    void close()
    {
        Guarded g(watchdog_, callTimeout_);
        sheet_.clear();
        uno::Reference<util::XCloseable> c(bookRef(), uno::UNO_QUERY);
        if (c.is()) c->close(true);
        else uno::Reference<lang::XComponent>(book_, uno::UNO_QUERY_THROW)->dispose();
        book_.clear();
        activeBook_ = false;
    }

    void quit()
    {
        bool ended = false;
        {
            Guarded g(watchdog_, callTimeout_);
            sheet_.clear();
            book_.clear();
            uno::Reference<frame::XDesktop> d(desktop_, uno::UNO_QUERY);
            desktop_.clear();
            try {
                ended = d.is() && d->terminate();
            } catch (const uno::Exception&) {
                // The bridge may go down before terminate() answers: the office has ended.
                ended = true;
            }
        }
        // An office that refused to end is not waited for.
        office_.finish(ended ? std::min(callTimeout_, std::chrono::milliseconds(10000)) : std::chrono::milliseconds(0));
    }

    std::string describe(const std::string& what) const
    {
        if (watchdog_.fired()) return "LibreOffice did not answer within " + Seconds(callTimeout_) + " and was stopped.";
        return what;
    }

    std::string startFailure(const std::string& what) const
    {
        if (watchdog_.fired()) return "LibreOffice did not start within " + Seconds(startTimeout_) + " and was stopped.";
        return what;
    }

private:
    void connect()
    {
        Guarded g(watchdog_, startTimeout_);
        auto factory = local_->getServiceManager();
        uno::Reference<bridge::XUnoUrlResolver> resolver(
            factory->createInstanceWithContext(OUString("com.sun.star.bridge.UnoUrlResolver"), local_), uno::UNO_QUERY_THROW);
        const OUString url = U("uno:pipe,name=" + profile_->pipeName() + ";urp;StarOffice.ComponentContext");
        for (;;) {
            if (watchdog_.fired()) throw std::runtime_error("start timeout");
            if (!office_.running()) throw std::runtime_error("LibreOffice ended before it answered");
            try {
                uno::Reference<uno::XComponentContext> remote(resolver->resolve(url), uno::UNO_QUERY_THROW);
                desktop_ = frame::Desktop::create(remote);
                return;
            } catch (const uno::Exception&) {
                // Not listening yet, or still setting up: try again until the watchdog says no.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
    }

    uno::Reference<lang::XComponent> bookRef() const
    {
        if (!activeBook_ || !book_.is()) throw std::runtime_error("there is no active workbook");
        return book_;
    }

    uno::Reference<sheet::XSpreadsheet> sheetRef() const
    {
        if (!sheet_.is()) throw std::runtime_error("there is no active sheet");
        return sheet_;
    }

    int lastColumn()
    {
        if (lastCol_ < 0) {
            uno::Reference<table::XColumnRowRange> cr(sheetRef(), uno::UNO_QUERY_THROW);
            lastCol_ = cr->getColumns()->getCount() - 1;
            uno::Reference<table::XColumnRowRange> rows(sheetRef(), uno::UNO_QUERY_THROW);
            lastRow_ = rows->getRows()->getCount() - 1;
        }
        return lastCol_;
    }

    void checkRow(int row)
    {
        sheetRef();
        lastColumn();
        if (row < 1 || row - 1 > lastRow_) throw std::runtime_error("row " + std::to_string(row) + " is outside the sheet");
    }

    void checkCell(int row, int col)
    {
        checkRow(row);
        if (col < 1 || col - 1 > lastCol_) throw std::runtime_error("column " + std::to_string(col) + " is outside the sheet");
    }

    // Buffered writes in the order made: emptied rows first, then blocks of cells.
    void flush()
    {
        if (!buffer_.dirty()) return;
        cache_ = SheetCache{};
        Guarded g(watchdog_, callTimeout_);
        auto s = sheetRef();
        const int maxCol = lastColumn();
        for (const auto& [first, last] : buffer_.clearedRows()) {
            uno::Reference<sheet::XSheetOperation> op(s->getCellRangeByPosition(0, first - 1, maxCol, last - 1), uno::UNO_QUERY_THROW);
            op->clearContents(sheet::CellFlags::VALUE | sheet::CellFlags::DATETIME | sheet::CellFlags::STRING | sheet::CellFlags::FORMULA);
        }
        for (const auto& block : buffer_.blocks()) {
            uno::Sequence<uno::Sequence<uno::Any>> data(block.rows());
            auto* rowsOut = data.getArray();
            for (int r = 0; r < block.rows(); ++r) {
                uno::Sequence<uno::Any> line(block.cols());
                auto* cells = line.getArray();
                for (int c = 0; c < block.cols(); ++c) cells[c] <<= U(block.text(r, c));
                rowsOut[r] = line;
            }
            uno::Reference<sheet::XCellRangeData> range(
                s->getCellRangeByPosition(block.firstCol - 1, block.firstRow - 1, block.firstCol + block.cols() - 2, block.firstRow + block.rows() - 2),
                uno::UNO_QUERY_THROW);
            range->setDataArray(data);
            storeEmptyTexts(s, block);
        }
        buffer_ = SheetBuffer{};
    }

    // The legacy format holds 65,536 rows and 256 columns; the office would drop the rest and
    // still report success.
    void checkFitsLegacyFormat()
    {
        Guarded g(watchdog_, callTimeout_);
        uno::Reference<sheet::XUsedAreaCursor> cursor(sheetRef()->createCursor(), uno::UNO_QUERY_THROW);
        cursor->gotoEndOfUsedArea(false);
        const auto end = uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress();
        if (end.EndRow + 1 > MaxLegacyRows || end.EndColumn + 1 > MaxLegacyColumns)
            throw std::runtime_error("The workbook would reach row " + std::to_string(end.EndRow + 1) + ", column " + std::to_string(end.EndColumn + 1) +
                                     "; its file format holds at most " + std::to_string(MaxLegacyRows) + " rows and " + std::to_string(MaxLegacyColumns) +
                                     " columns. It was not saved.");
    }

    // The office keeps no cell for an empty text, yet an assigned cell belongs to the used range
    // (the row after an export's last sample marks the end of the data that way). A formula
    // whose value is the empty text keeps the cell and reads back as "".
    void storeEmptyTexts(const uno::Reference<sheet::XSpreadsheet>& s, const Block& block)
    {
        for (const auto& run : block.emptyRuns()) {
            const OUString emptyText("=\"\"");
            uno::Sequence<uno::Sequence<OUString>> f(run.count);
            for (sal_Int32 i = 0; i < run.count; ++i) f.getArray()[i] = uno::Sequence<OUString>(&emptyText, 1);
            const int col = block.firstCol - 1 + run.col, row = block.firstRow - 1 + run.row;
            uno::Reference<sheet::XCellRangeFormula> range(s->getCellRangeByPosition(col, row, col, row + run.count - 1), uno::UNO_QUERY_THROW);
            range->setFormulaArray(f);
        }
    }

    // Reads ahead a block of rows, so an import costs a few calls rather than two per cell.
    void fetch(int row, int col)
    {
        Guarded g(watchdog_, callTimeout_);
        const int lastCol = std::max(col, SheetCache::Columns);
        const int lastRow = std::min(row + SheetCache::Rows - 1, lastRow_ + 1);
        uno::Reference<sheet::XCellRangeData> range(sheetRef()->getCellRangeByPosition(0, row - 1, lastCol - 1, lastRow - 1), uno::UNO_QUERY_THROW);
        const auto data = range->getDataArray();
        const std::vector<int> kinds = numberKinds(range, row, lastRow, lastCol);
        cache_ = SheetCache(row, lastCol);
        size_t at = 0;
        for (const auto& line : data) {
            std::vector<CellValue> cells;
            cells.reserve(size_t(line.getLength()));
            for (sal_Int32 c = 0; c < line.getLength(); ++c) {
                CellValue v = AnyValue(line[c], kinds[at + size_t(c)]);
                if (v.kind >= PELZO_CELL_DATE && v.kind <= PELZO_CELL_DATETIME) v.number += nullDateShift();
                cells.push_back(std::move(v));
            }
            at += size_t(lastCol);
            cache_.addRow(std::move(cells));
        }
    }

    // The kind of number each cell of the block holds, row by row, from the block's ranges of
    // equal format: a few calls per block rather than one per cell.
    std::vector<int> numberKinds(const uno::Reference<sheet::XCellRangeData>& range, int firstRow, int lastRow, int cols)
    {
        std::vector<int> kinds(size_t(lastRow - firstRow + 1) * size_t(cols), PELZO_CELL_NUMBER);
        uno::Reference<sheet::XCellFormatRangesSupplier> supplier(range, uno::UNO_QUERY_THROW);
        const uno::Reference<container::XIndexAccess> parts = supplier->getCellFormatRanges();
        for (sal_Int32 i = 0; i < parts->getCount(); ++i) {
            uno::Reference<beans::XPropertySet> props(parts->getByIndex(i), uno::UNO_QUERY_THROW);
            uno::Reference<sheet::XCellRangeAddressable> where(props, uno::UNO_QUERY_THROW);
            sal_Int32 key = 0;
            props->getPropertyValue(OUString("NumberFormat")) >>= key;
            const int kind = kindOfFormat(key);
            if (kind == PELZO_CELL_NUMBER) continue;
            const auto a = where->getRangeAddress();
            for (sal_Int32 r = std::max<sal_Int32>(a.StartRow, firstRow - 1); r <= std::min<sal_Int32>(a.EndRow, lastRow - 1); ++r)
                for (sal_Int32 c = std::max<sal_Int32>(a.StartColumn, 0); c <= std::min<sal_Int32>(a.EndColumn, cols - 1); ++c)
                    kinds[size_t(r - (firstRow - 1)) * size_t(cols) + size_t(c)] = kind;
        }
        return kinds;
    }

    uno::Reference<util::XNumberFormatsSupplier> formatsSupplier()
    {
        return uno::Reference<util::XNumberFormatsSupplier>(bookRef(), uno::UNO_QUERY_THROW);
    }

    int kindOfFormat(sal_Int32 key)
    {
        if (const auto it = formatKinds_.find(key); it != formatKinds_.end()) return it->second;
        sal_Int16 type = 0;
        try {
            formatsSupplier()->getNumberFormats()->getByKey(key)->getPropertyValue(OUString("Type")) >>= type;
        } catch (const uno::Exception&) {
            type = 0;  // an unknown key: a plain number
        }
        return formatKinds_[key] = KindOfFormatType(type);
    }

    // Days to add to the workbook's date numbers so that they count from 30 December 1899.
    double nullDateShift()
    {
        if (!nullDateShift_) {
            util::Date d{30, 12, 1899};
            try {
                formatsSupplier()->getNumberFormatSettings()->getPropertyValue(OUString("NullDate")) >>= d;
            } catch (const uno::Exception&) {
            }
            nullDateShift_ = double(DaysFromCivil(d.Year, d.Month, d.Day) - DaysFromCivil(1899, 12, 30));
        }
        return *nullDateShift_;
    }

    std::string soffice_;
    std::chrono::milliseconds startTimeout_, callTimeout_;
    std::string tempDir_;
    OfficeProcess office_;
    Watchdog watchdog_;
    std::optional<PrivateProfile> profile_;
    uno::Reference<uno::XComponentContext> local_;
    uno::Reference<uno::XInterface> desktop_;
    uno::Reference<lang::XComponent> book_;
    bool activeBook_ = false;
    uno::Reference<sheet::XSpreadsheet> sheet_;
    int lastCol_ = -1, lastRow_ = -1;
    SheetBuffer buffer_;
    SheetCache cache_;
    std::map<sal_Int32, int> formatKinds_;
    std::optional<double> nullDateShift_;
};

}  // namespace pelzo::calc

struct PelzoCalcApp {
    std::unique_ptr<pelzo::calc::App> app;
    std::string error;
};

namespace {

using pelzo::calc::App;

template <typename F>
int Call(PelzoCalcApp* h, F&& f)
{
    if (!h || !h->app) return 1;
    try {
        f(*h->app);
        h->error.clear();
        return 0;
    } catch (const com::sun::star::uno::Exception& e) {
        h->error = h->app->describe(pelzo::calc::S(e.Message));
    } catch (const std::exception& e) {
        h->error = h->app->describe(e.what());
    }
    if (h->error.empty()) h->error = h->app->describe("LibreOffice reported an error without a text.");
    return 1;
}

class SigpipeBlocked {
public:
    SigpipeBlocked()
    {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, &old_);
    }
    ~SigpipeBlocked() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    SigpipeBlocked(const SigpipeBlocked&) = delete;
    SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;

private:
    sigset_t old_;
};

int Create(const PelzoCalcOptions* o, PelzoCalcApp** out)
{
    auto* h = new (std::nothrow) PelzoCalcApp;
    if (out) *out = h;
    if (!h || !o) return 1;
    try {
        // The bridge's threads start here and keep this signal mask: with SIGPIPE blocked, a write
        // to an office that was just killed fails with EPIPE instead of ending our process.
        SigpipeBlocked blocked;
        h->app = std::make_unique<App>(*o);
        h->app->create();
        return 0;
    } catch (const com::sun::star::uno::Exception& e) {
        h->error = pelzo::calc::S(e.Message);
    } catch (const std::exception& e) {
        h->error = e.what();
    }
    if (h->app) h->error = h->app->startFailure(h->error);
    return 1;
}

void Destroy(PelzoCalcApp* h) { delete h; }

const char* Error(const PelzoCalcApp* h) { return h ? h->error.c_str() : "no application"; }

const PelzoCalcApi kApi = {
    PELZO_CALC_API_VERSION,
    Create,
    Destroy,
    Error,
    [](PelzoCalcApp* h, int v) { return Call(h, [&](App& a) { a.setVisible(v); }); },
    [](PelzoCalcApp* h, const char* p) { return Call(h, [&](App& a) { a.open(p ? p : ""); }); },
    [](PelzoCalcApp* h) { return Call(h, [&](App& a) { a.activeWorkBook(); }); },
    [](PelzoCalcApp* h) { return Call(h, [&](App& a) { a.activeSheet(); }); },
    [](PelzoCalcApp* h, int* n) { return Call(h, [&](App& a) { *n = a.usedRowCount(); }); },
    [](PelzoCalcApp* h, int r, const char* t) { return Call(h, [&](App& a) { a.setRow(r, t ? t : ""); }); },
    [](PelzoCalcApp* h, int r, int c, const char* t) { return Call(h, [&](App& a) { a.setCell(r, c, t ? t : ""); }); },
    [](PelzoCalcApp* h, int r, int c, PelzoCalcValue* v) {
        return Call(h, [&](App& a) {
            const pelzo::calc::CellValue& cell = a.cell(r, c);
            *v = PelzoCalcValue{cell.kind, cell.number, cell.text.c_str()};
        });
    },
    [](PelzoCalcApp* h) { return Call(h, [&](App& a) { a.save(); }); },
    [](PelzoCalcApp* h) { return Call(h, [&](App& a) { a.close(); }); },
    [](PelzoCalcApp* h) { return Call(h, [&](App& a) { a.quit(); }); },
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const PelzoCalcApi* pelzo_calc_api(void) { return &kApi; }
