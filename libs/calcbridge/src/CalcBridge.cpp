// The running Calc documents as workbooks over a UNO bridge. Every UNO call runs under a watchdog:
// a call that does not return in time disposes the bridge, which makes it fail, and the next use
// connects again. UNO failures become AutomationError.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/exc_hlp.hxx>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/unourl.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>
#include <rtl/malformeduriexception.hxx>
#include <rtl/ustring.hxx>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/DispatchHelper.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XCellAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/util/Date.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include "Internal.h"
#include "OfficePipe.h"
#include "calcbridge/CalcBridge.h"
#include "calcbridge/OfficePresence.h"
#include "calcbridge/TypedInput.h"
#include "calcbridge/WriteBehind.h"
#include "trace/TraceTimings.h"

namespace ombra {

namespace {

using namespace com::sun::star;
using rtl::OUString;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

std::string U8(const OUString &s) { return rtl::OUStringToOString(s, RTL_TEXTENCODING_UTF8).getStr(); }
OUString OU(const std::string &s) {
    return rtl::OStringToOUString(rtl::OString(s.c_str(), static_cast<sal_Int32>(s.size())), RTL_TEXTENCODING_UTF8);
}

// The local UNO environment, made once per process. The office API types must be known locally,
// or the first remote call crashes.
Reference<uno::XComponentContext> LocalContext() {
    static Reference<uno::XComponentContext> context;
    static std::once_flag once;
    std::call_once(once, [] {
        rtl::Bootstrap::set("URE_MORE_TYPES", "file://" LO_PROGRAM_DIR "/types/offapi.rdb");
        context = cppu::defaultBootstrap_InitialComponentContext();
    });
    return context;
}

std::mutex g_programWindowsMutex;
ProgramWindowList g_programWindows;

bool IsProgramWindow(const calcbridge::ActiveWindow &window) {
    if (window.id == 0) return false;
    if (window.pid == static_cast<long>(::getpid())) return true;
    ProgramWindowList windows;
    {
        std::lock_guard lock(g_programWindowsMutex);
        windows = g_programWindows;
    }
    if (!windows) return false;
    const std::vector<unsigned long> ids = windows();
    return std::find(ids.begin(), ids.end(), window.id) != ids.end();
}

std::mutex g_refusalMutex;
std::optional<OfficePipeRefusal> g_refusal;
std::string g_refusalLogged;

// Keeps the refusal for the window to show and says it once on the error stream.
void RecordPipeRefusal(const calcbridge::PipeRefused &refused) {
    std::lock_guard lock(g_refusalMutex);
    g_refusal = OfficePipeRefusal{refused.Path(), refused.Reason()};
    if (g_refusalLogged != refused.what()) {
        g_refusalLogged = refused.what();
        std::fprintf(stderr, "ombra-dts: %s\n", refused.what());
    }
}

std::chrono::milliseconds CallTimeout() {
    const char *env = std::getenv("OMBRA_UNO_TIMEOUT_MS");
    int ms = env ? std::atoi(env) : 0;
    return std::chrono::milliseconds(ms > 0 ? ms : 3000);
}

// Interrupts a hanging call: after the deadline it runs the expiry action (disposing the bridge).
class Watchdog {
public:
    explicit Watchdog(std::function<void()> onExpiry) : onExpiry_(std::move(onExpiry)), thread_([this] { Loop(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    void Arm(std::chrono::milliseconds timeout) {
        std::lock_guard lock(mutex_);
        deadline_ = std::chrono::steady_clock::now() + timeout;
        cv_.notify_all();
    }
    void Disarm() {
        std::lock_guard lock(mutex_);
        deadline_.reset();
    }

private:
    void Loop() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (!deadline_) {
                cv_.wait(lock);
                continue;
            }
            if (std::chrono::steady_clock::now() < *deadline_) {
                cv_.wait_until(lock, *deadline_);
                continue;
            }
            deadline_.reset();
            lock.unlock();
            onExpiry_();
            lock.lock();
        }
    }

    std::function<void()> onExpiry_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    bool stop_ = false;
    std::thread thread_;
};

class BridgeListener : public cppu::WeakImplHelper1<lang::XEventListener> {
public:
    explicit BridgeListener(std::function<void()> onGone) : onGone_(std::move(onGone)) {}
    void SAL_CALL disposing(const lang::EventObject &) override { onGone_(); }

private:
    std::function<void()> onGone_;
};

// One connection to the office, made on demand and remade after it broke.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session() : watchdog_([this] { Interrupt(); }) {}
    ~Session() { Drop(); }

    // Runs UNO work under the watchdog; UNO failures become AutomationError.
    template <typename F>
    auto Run(F &&work) -> decltype(work()) {
        std::lock_guard calls(callMutex_);
        deadline_ = std::chrono::steady_clock::now() + CallTimeout();
        watchdog_.Arm(CallTimeout());
        try {
            Connect();
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                watchdog_.Disarm();
            } else {
                auto result = work();
                watchdog_.Disarm();
                return result;
            }
        } catch (const uno::Exception &e) {
            watchdog_.Disarm();
            std::string type = U8(cppu::getCaughtException().getValueTypeName());
            if (broken_ || type.find("DisposedException") != std::string::npos ||
                type.find("connection.") != std::string::npos)
                Drop();
            throw AutomationError("LibreOffice: " + type + " " + U8(e.Message));
        } catch (const rtl::MalformedUriException &e) {
            watchdog_.Disarm();
            throw AutomationError("LibreOffice: bad connection URL " + U8(e.getMessage()));
        } catch (...) {
            watchdog_.Disarm();
            throw;
        }
    }

    Reference<frame::XDesktop2> Desktop() const { return desktop_; }
    // The documents listed last over this connection (display name, model). References of a
    // dropped connection must go with it: a new connection hands out the very same (dead) proxy
    // for a remote object while an old reference to it lives, so Drop forgets the list.
    std::vector<std::pair<std::string, Reference<frame::XModel>>> &Listed() { return listed_; }
    // Counts the connections dropped: objects of an earlier generation are dead.
    unsigned Generation() const { return generation_; }
    Reference<uno::XComponentContext> Context() const { return context_; }

    // Whether an office is listening: a refused connection is no error but "no spreadsheet". Any
    // other failure (an office that does not answer in time) is passed on, so that the caller's
    // call does not wait a second time.
    bool Reachable() {
        try {
            Run([] {});
            return true;
        } catch (const AutomationError &) {
            if (refused_) return false;
            throw;
        }
    }

private:
    void Connect() {
        if (desktop_.is() && !broken_) return;
        Drop();
        refused_ = false;
        const char *env = std::getenv("OMBRA_UNO_URL");
        cppu::UnoUrl url(OU(env && *env ? env : kDefaultUnoUrl));
        Reference<uno::XComponentContext> local = LocalContext();
        Reference<connection::XConnection> connection;
        try {
            connection = OpenConnection(url, local);
        } catch (const connection::NoConnectException &) {
            refused_ = true;
            throw;
        } catch (const calcbridge::PipeRefused &refused) {
            refused_ = true;  // as if no office listened: nothing is sent to that socket
            RecordPipeRefusal(refused);
            throw connection::NoConnectException(OU(refused.what()));
        }
        {
            std::lock_guard lock(bridgeMutex_);
            connection_ = connection;
        }
        Reference<bridge::XBridge> bridge = bridge::BridgeFactory::create(local)->createBridge(
            OUString(), url.getProtocol().getDescriptor(), connection, nullptr);
        Reference<lang::XComponent> bridgeComponent(bridge, UNO_QUERY_THROW);
        std::weak_ptr<Session> self = weak_from_this();
        bridgeComponent->addEventListener(new BridgeListener([self] {
            if (auto session = self.lock()) session->broken_ = true;
        }));
        {
            std::lock_guard lock(bridgeMutex_);
            bridge_ = bridgeComponent;
        }
        Reference<uno::XInterface> instance = bridge->getInstance(url.getObjectName());
        Reference<uno::XComponentContext> context(instance, UNO_QUERY);
        if (!context.is()) {
            Reference<beans::XPropertySet> properties(instance, UNO_QUERY_THROW);
            properties->getPropertyValue("DefaultContext") >>= context;
        }
        if (!context.is()) throw uno::RuntimeException("the office offers no component context");
        context_ = context;
        desktop_ = frame::Desktop::create(context);
        broken_ = false;
    }

    // The office's pipe (after checking whose socket it is) and a TCP port (for diagnostics) are
    // connected here, under the call's deadline; any other kind goes through the UNO connector.
    Reference<connection::XConnection> OpenConnection(const cppu::UnoUrl &url,
                                                      const Reference<uno::XComponentContext> &local) {
        const cppu::UnoUrlDescriptor &descriptor = url.getConnection();
        Reference<connection::XConnection> connection;
        if (descriptor.getName() == "pipe") {
            connection = calcbridge::ConnectOfficePipe(U8(descriptor.getParameter("name")), deadline_);
        } else if (descriptor.getName() == "socket") {
            std::string host = descriptor.hasParameter("host") ? U8(descriptor.getParameter("host")) : "localhost";
            int port = descriptor.getParameter("port").toInt32();
            connection = calcbridge::ConnectOfficeSocket(host, port, deadline_);
        } else {
            return connection::Connector::create(local)->connect(descriptor.getDescriptor());
        }
        std::lock_guard lock(bridgeMutex_);
        connection_ = connection;
        return connection;
    }

    void Drop() {
        listed_.clear();
        Reference<lang::XComponent> bridge;
        {
            std::lock_guard lock(bridgeMutex_);
            bridge = bridge_;
            bridge_.clear();
            connection_.clear();
        }
        desktop_.clear();
        context_.clear();
        ++generation_;
        if (bridge.is()) {
            try {
                bridge->dispose();
            } catch (const uno::Exception &) {
            }
        }
        broken_ = false;
    }

    // Watchdog thread: make the pending call fail.
    void Interrupt() {
        Reference<lang::XComponent> bridge;
        Reference<connection::XConnection> connection;
        {
            std::lock_guard lock(bridgeMutex_);
            bridge = bridge_;
            connection = connection_;
        }
        broken_ = true;
        try {
            if (bridge.is())
                bridge->dispose();
            else if (connection.is())
                connection->close();
        } catch (const uno::Exception &) {
        }
    }

    std::mutex callMutex_;
    std::mutex bridgeMutex_;
    Reference<lang::XComponent> bridge_;
    Reference<connection::XConnection> connection_;
    Reference<frame::XDesktop2> desktop_;
    Reference<uno::XComponentContext> context_;
    std::atomic<bool> broken_{false};
    bool refused_ = false;
    unsigned generation_ = 0;
    std::vector<std::pair<std::string, Reference<frame::XModel>>> listed_;
    std::chrono::steady_clock::time_point deadline_;  // of the call under way
    Watchdog watchdog_;
};

using SessionPtr = std::shared_ptr<Session>;

// One session per office address for the whole process: a measurement does not pay for
// connecting, and a broken connection is made again by the session's next call. The sessions are
// never destroyed: at the process's end the UNO runtime's own state may already be gone, and the
// system closes the connections.
SessionPtr SharedSession() {
    static std::mutex mutex;
    static auto *sessions = new std::map<std::string, SessionPtr>;
    const char *env = std::getenv("OMBRA_UNO_URL");
    std::lock_guard lock(mutex);
    SessionPtr &session = (*sessions)[env && *env ? env : kDefaultUnoUrl];
    if (!session) session = std::make_shared<Session>();
    return session;
}

bool IsSpreadsheet(const Reference<uno::XInterface> &x) {
    Reference<lang::XServiceInfo> info(x, UNO_QUERY);
    return info.is() && info->supportsService("com.sun.star.sheet.SpreadsheetDocument");
}

std::vector<Reference<frame::XModel>> SpreadsheetDocuments(const Reference<frame::XDesktop2> &desktop) {
    std::vector<Reference<frame::XModel>> documents;
    Reference<container::XEnumeration> e = desktop->getComponents()->createEnumeration();
    while (e->hasMoreElements()) {
        Reference<uno::XInterface> c(e->nextElement(), UNO_QUERY);
        if (IsSpreadsheet(c)) documents.emplace_back(c, UNO_QUERY);
    }
    return documents;
}

std::string Title(const Reference<uno::XInterface> &x) {
    Reference<frame::XTitle> t(x, UNO_QUERY);
    return t.is() ? U8(t->getTitle()) : std::string();
}

// A saved document is listed under its file path, an unsaved one under its title.
std::string DisplayName(const Reference<frame::XModel> &model) {
    OUString url = model->getURL();
    if (url.isEmpty()) return Title(model);
    OUString path;
    if (osl::FileBase::getSystemPathFromFileURL(url, path) == osl::FileBase::E_None) return U8(path);
    return U8(url);
}

Reference<frame::XController> Controller(const Reference<frame::XModel> &model) {
    Reference<frame::XController> c = model->getCurrentController();
    if (!c.is()) throw uno::RuntimeException("the document has no view");
    return c;
}

Reference<sheet::XSpreadsheet> SheetAt(const Reference<frame::XModel> &model, int index0) {
    Reference<sheet::XSpreadsheetDocument> doc(model, UNO_QUERY_THROW);
    Reference<container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
    if (index0 < 0 || index0 >= sheets->getCount()) throw AutomationError("no worksheet " + std::to_string(index0 + 1));
    return Reference<sheet::XSpreadsheet>(sheets->getByIndex(index0), UNO_QUERY_THROW);
}

// The cell cursor of a view (also when a range is selected): the controller's view data reads
// "zoom/...;activeTab;tw:N;<sheet0>;<sheet1>..." with "<curX>/<curY>/..." per sheet, 0-based
// ("+" instead of "/" in large sheets).
bool CursorOf(const Reference<frame::XController> &controller, int &sheet0, int &column0, int &row0) {
    OUString data;
    if (!(controller->getViewData() >>= data)) return false;
    std::string s = U8(data);
    std::vector<std::string> fields;
    for (size_t b = 0, e = 0; b <= s.size(); b = e + 1) {
        e = s.find(';', b);
        if (e == std::string::npos) e = s.size();
        fields.push_back(s.substr(b, e - b));
    }
    if (fields.size() < 2) return false;
    sheet0 = std::atoi(fields[1].c_str());
    size_t index = 3 + static_cast<size_t>(sheet0);
    if (fields.size() <= index) return false;
    const std::string &t = fields[index];
    size_t sep = t.find_first_of("/+");
    if (sep == std::string::npos) return false;
    size_t sep2 = t.find_first_of("/+", sep + 1);
    column0 = std::atoi(t.substr(0, sep).c_str());
    row0 = std::atoi(t.substr(sep + 1, sep2 == std::string::npos ? std::string::npos : sep2 - sep - 1).c_str());
    return true;
}

// What typing a text into a cell needs of its document, learned once per worksheet object:
// the day that date serials count from and the keys of the date and time formats.
struct DocumentTyping {
    bool nullDateKnown = false;
    int nullYear = 1899, nullMonth = 12, nullDay = 30;
    sal_Int32 dateFormat = -1, timeFormat = -1;
    Reference<util::XNumberFormats> formats;
};

sal_Int32 FormatKey(const Reference<frame::XModel> &model, const char *code, DocumentTyping &typing) {
    if (!typing.formats.is())
        typing.formats = Reference<util::XNumberFormatsSupplier>(model, UNO_QUERY_THROW)->getNumberFormats();
    const Reference<util::XNumberFormats> &formats = typing.formats;
    // The codes are written in the en-US syntax, whatever the document's language.
    const lang::Locale locale(OUString("en"), OUString("US"), OUString());
    sal_Int32 key = formats->queryKey(OU(code), locale, false);
    if (key < 0) key = formats->addNew(OU(code), locale);
    return key;
}

// The value a typed text is stored as: a number, a date serial, a fraction of a day or the text.
uno::Any TypedValue(const std::string &text, const TypedInput &typed, const Reference<frame::XModel> &model,
                    DocumentTyping &typing) {
    switch (typed.kind) {
    case TypedInput::Number:
    case TypedInput::Time: return uno::Any(typed.number);
    case TypedInput::Date:
        if (!typing.nullDateKnown) {
            util::Date nullDate;
            if (Reference<beans::XPropertySet>(model, UNO_QUERY_THROW)->getPropertyValue("NullDate") >>= nullDate) {
                typing.nullYear = nullDate.Year;
                typing.nullMonth = nullDate.Month;
                typing.nullDay = nullDate.Day;
            }
            typing.nullDateKnown = true;
        }
        return uno::Any(static_cast<double>(
            DaySerial(typed.year, typed.month, typed.day, typing.nullYear, typing.nullMonth, typing.nullDay)));
    case TypedInput::Text: break;
    }
    return uno::Any(OU(text));
}

// Dates and times keep showing the text they were typed as.
void FormatTypedCells(const Reference<sheet::XSpreadsheet> &sheet, const Reference<frame::XModel> &model,
                      const std::vector<TypedInput> &typed, int column0, int row0, bool down, DocumentTyping &typing) {
    for (size_t i = 0; i < typed.size();) {
        const TypedInput::Kind kind = typed[i].kind;
        size_t end = i + 1;
        while (end < typed.size() && typed[end].kind == kind) ++end;
        if (kind == TypedInput::Date || kind == TypedInput::Time) {
            sal_Int32 &key = kind == TypedInput::Date ? typing.dateFormat : typing.timeFormat;
            if (key < 0) key = FormatKey(model, kind == TypedInput::Date ? kDateFormatCode : kTimeFormatCode, typing);
            const int first = static_cast<int>(i), last = static_cast<int>(end) - 1;
            Reference<table::XCellRange> cells = down
                ? sheet->getCellRangeByPosition(column0, row0 + first, column0, row0 + last)
                : sheet->getCellRangeByPosition(column0 + first, row0, column0 + last, row0);
            Reference<beans::XPropertySet>(cells, UNO_QUERY_THROW)->setPropertyValue("NumberFormat", uno::Any(key));
        }
        i = end;
    }
}

// A run of consecutive cells written as typed input, in one call (plus one per date or time run).
void WriteTypedBlock(const Reference<sheet::XSpreadsheet> &sheet, const Reference<frame::XModel> &model, int column0,
                     int row0, bool down, const std::vector<std::string> &texts, DocumentTyping &typing) {
    if (texts.empty()) return;
    const sal_Int32 n = static_cast<sal_Int32>(texts.size());
    std::vector<TypedInput> typed;
    uno::Sequence<uno::Sequence<uno::Any>> rows(down ? n : 1);
    if (!down) rows[0].realloc(n);
    for (sal_Int32 i = 0; i < n; ++i) {
        typed.push_back(TypeCellInput(texts[i]));
        uno::Any value = TypedValue(texts[i], typed.back(), model, typing);
        if (down)
            rows[i] = uno::Sequence<uno::Any>(&value, 1);
        else
            rows[0][i] = value;
    }
    Reference<table::XCellRange> range = down ? sheet->getCellRangeByPosition(column0, row0, column0, row0 + n - 1)
                                              : sheet->getCellRangeByPosition(column0, row0, column0 + n - 1, row0);
    Reference<sheet::XCellRangeData>(range, UNO_QUERY_THROW)->setDataArray(rows);
    FormatTypedCells(sheet, model, typed, column0, row0, down, typing);
}

// Documents whose controllers this process locked and has not unlocked yet. A lock whose unlock
// never arrived (the connection broke in between) is undone before the document is locked again,
// so that the document never stays without repaints.
std::set<std::string> &LockedDocuments() {
    static std::set<std::string> documents;
    return documents;
}

uno::Sequence<beans::PropertyValue> Arguments(const DispatchArguments &arguments) {
    uno::Sequence<beans::PropertyValue> result(static_cast<sal_Int32>(arguments.size()));
    for (size_t i = 0; i < arguments.size(); ++i) {
        result[static_cast<sal_Int32>(i)].Name = OU(arguments[i].first);
        result[static_cast<sal_Int32>(i)].Value <<= OU(arguments[i].second);
    }
    return result;
}

enum class Kind { Application, Workbooks, Workbook, Worksheets, Worksheet, Rows, Columns, Range };

class CalcObject : public DispatchObject, public CellBlockWriter {
public:
    CalcObject(SessionPtr session, Kind kind, Reference<frame::XModel> model = {}, int sheet0 = 0, int column0 = 0,
               int row0 = 0)
        : session_(std::move(session)), kind_(kind), model_(std::move(model)), sheet_(sheet0),
          column_(column0), row_(row0), generation_(session_->Generation()) {}

    Variant Get(int id, const VariantArgs &args) override {
        return session_->Run([&] { Live(); return DoGet(id, args); });
    }
    void Put(int id, const Variant &value) override {
        session_->Run([&] { Live(); DoPut(id, value); });
    }
    Variant Call(int id, const VariantArgs &) override {
        return session_->Run([&] { Live(); return DoCall(id); });
    }

    void WriteBlock(int column, int row, bool down, const std::vector<std::string> &texts) override {
        if (kind_ != Kind::Worksheet) Unknown(dispid::Value);
        session_->Run([&] { Live(); WriteTypedBlock(Sheet(), model_, column - 1, row - 1, down, texts, typing_); });
    }
    void SelectAt(int column, int row) override {
        if (kind_ != Kind::Worksheet) Unknown(dispid::Select);
        session_->Run([&] {
            Live();
            if (!selector_.is()) selector_.set(Controller(model_), UNO_QUERY_THROW);
            selector_->select(uno::Any(Sheet()->getCellByPosition(column - 1, row - 1)));
        });
    }

private:
    Variant Make(Kind kind, Reference<frame::XModel> model, int sheet0 = 0, int column0 = 0, int row0 = 0,
                 Reference<sheet::XSpreadsheet> sheet = {}) {
        auto object = std::make_shared<CalcObject>(session_, kind, std::move(model), sheet0, column0, row0);
        object->listed_ = listed_;
        object->sheetRef_ = std::move(sheet);
        return Variant(DispatchPtr(object));
    }

public:
    // The documents listed when this workbook was found: its collection counts and indexes them
    // without asking the office again.
    void KnowDocuments(std::shared_ptr<const std::vector<Reference<frame::XModel>>> listed) { listed_ = std::move(listed); }

private:
    // An object of a dropped connection fails without a call: its remote references are dead.
    void Live() const {
        if (session_->Generation() != generation_) throw AutomationError("LibreOffice: the connection was renewed");
    }
    [[noreturn]] void Unknown(int id) const { throw AutomationError("unsupported member " + std::to_string(id)); }
    // Every step of a remote lookup is a round trip to the office, so an object resolves its
    // sheet and cell once and keeps them for its own short life (one cell write).
    Reference<sheet::XSpreadsheet> Sheet() const {
        if (!sheetRef_.is()) sheetRef_ = SheetAt(model_, sheet_);
        return sheetRef_;
    }
    Reference<table::XCell> CellRef() const {
        if (!cellRef_.is()) cellRef_ = Sheet()->getCellByPosition(column_, row_);
        return cellRef_;
    }

    Variant DoGet(int id, const VariantArgs &args) {
        switch (kind_) {
        case Kind::Application:
            if (id == dispid::Workbooks) return Make(Kind::Workbooks, model_);
            if (id == dispid::ActiveCell) {
                int sheet0 = 0, column0 = 0, row0 = 0;
                if (!CursorOf(Controller(model_), sheet0, column0, row0)) throw AutomationError("no active cell");
                return Make(Kind::Range, model_, sheet0, column0, row0);
            }
            break;
        case Kind::Workbooks: {
            // One list for the life of the collection: a controller counts and indexes the same list.
            if (!documents_) documents_ = listed_ ? *listed_ : SpreadsheetDocuments(session_->Desktop());
            const auto &documents = *documents_;
            if (id == dispid::Count) return static_cast<int32_t>(documents.size());
            if (id == dispid::Item) {
                int i = args.size() == 1 ? args[0].ToInt() : 0;
                if (i < 1 || i > static_cast<int>(documents.size())) throw AutomationError("no workbook " + std::to_string(i));
                return Make(Kind::Workbook, documents[i - 1]);
            }
            break;
        }
        case Kind::Workbook:
            if (id == dispid::Application) return Make(Kind::Application, model_);
            if (id == dispid::Name) return Title(model_);
            if (id == dispid::Worksheets) return Make(Kind::Worksheets, model_);
            if (id == dispid::ActiveSheet) {
                Reference<sheet::XSpreadsheetView> view(Controller(model_), UNO_QUERY_THROW);
                Reference<sheet::XSpreadsheet> active = view->getActiveSheet();
                Reference<sheet::XCellRangeAddressable> a(active, UNO_QUERY_THROW);
                return Make(Kind::Worksheet, model_, a->getRangeAddress().Sheet, 0, 0, active);
            }
            break;
        case Kind::Worksheets: {
            // The collection asks for the document's sheets once.
            if (!sheets_.is()) {
                Reference<sheet::XSpreadsheetDocument> doc(model_, UNO_QUERY_THROW);
                sheets_.set(doc->getSheets(), UNO_QUERY_THROW);
            }
            if (id == dispid::Count) return static_cast<int32_t>(sheets_->getCount());
            if (id == dispid::Item) {
                int i = args.size() == 1 ? args[0].ToInt() : 0;
                if (i < 1 || i > sheets_->getCount()) throw AutomationError("no worksheet " + std::to_string(i));
                Reference<sheet::XSpreadsheet> sheet(sheets_->getByIndex(i - 1), UNO_QUERY_THROW);
                return Make(Kind::Worksheet, model_, i - 1, 0, 0, sheet);
            }
            break;
        }
        case Kind::Worksheet:
            if (id == dispid::Name) return U8(Reference<container::XNamed>(Sheet(), UNO_QUERY_THROW)->getName());
            if (id == dispid::Rows) return Make(Kind::Rows, model_, sheet_);
            if (id == dispid::Columns) return Make(Kind::Columns, model_, sheet_);
            if (id == dispid::Visible) {
                bool visible = true;
                Reference<beans::XPropertySet>(Sheet(), UNO_QUERY_THROW)->getPropertyValue("IsVisible") >>= visible;
                return static_cast<int32_t>(visible ? -1 : 0);
            }
            if (id == dispid::Range) {
                if (args.size() != 2 || args[0].ToText() != args[1].ToText()) throw AutomationError("Range takes one cell");
                Reference<table::XCellRange> range(Sheet(), UNO_QUERY_THROW);
                Reference<sheet::XCellAddressable> cell(range->getCellRangeByName(OU(args[0].ToText())), UNO_QUERY);
                if (!cell.is()) throw AutomationError("not a cell: " + args[0].ToText());
                table::CellAddress a = cell->getCellAddress();
                auto rangeObject = std::make_shared<CalcObject>(session_, Kind::Range, model_, sheet_, a.Column, a.Row);
                rangeObject->sheetRef_ = Sheet();
                return Variant(DispatchPtr(rangeObject));
            }
            break;
        case Kind::Rows:
        case Kind::Columns:
            if (id == dispid::Count) {
                Reference<table::XColumnRowRange> cr(Sheet(), UNO_QUERY_THROW);
                return static_cast<int32_t>(kind_ == Kind::Rows ? cr->getRows()->getCount() : cr->getColumns()->getCount());
            }
            break;
        case Kind::Range:
            if (id == dispid::Row) return static_cast<int32_t>(row_ + 1);
            if (id == dispid::Column) return static_cast<int32_t>(column_ + 1);
            if (id == dispid::Value) {
                Reference<table::XCell> cell = CellRef();
                switch (cell->getType()) {
                case table::CellContentType_EMPTY: return {};
                case table::CellContentType_TEXT:
                    return U8(Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->getString());
                default: return cell->getValue();
                }
            }
            break;
        }
        Unknown(id);
    }

    void DoPut(int id, const Variant &value) {
        if (kind_ == Kind::Application && id == dispid::Interactive) {
            LockControllers(!value.ToBool());
            return;
        }
        if (kind_ == Kind::Application && id == dispid::ScreenUpdating) {
            value.ToBool();  // the view repaints when its controllers are unlocked
            return;
        }
        if (kind_ == Kind::Range && id == dispid::Value) {
            const std::string text = value.ToText();
            const TypedInput typed = TypeCellInput(text);
            Reference<table::XCell> cell = CellRef();
            if (typed.kind == TypedInput::Text) {
                Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->setString(OU(text));
            } else {
                double number = 0;
                TypedValue(text, typed, model_, typing_) >>= number;
                cell->setValue(number);
                FormatTypedCells(Sheet(), model_, {typed}, column_, row_, false, typing_);
            }
            return;
        }
        Unknown(id);
    }

    Variant DoCall(int id) {
        if (kind_ == Kind::Range && id == dispid::Select) {
            Reference<view::XSelectionSupplier> selection(Controller(model_), UNO_QUERY_THROW);
            return Variant(static_cast<bool>(selection->select(uno::Any(CellRef()))));
        }
        if (kind_ == Kind::Worksheet && id == dispid::Activate) {
            Reference<sheet::XSpreadsheetView>(Controller(model_), UNO_QUERY_THROW)->setActiveSheet(Sheet());
            return {};
        }
        Unknown(id);
    }

    // While the program is attached (the application's interactive flag off), the document's
    // controllers are locked: the sheet is repainted once, when they are unlocked.
    void LockControllers(bool lock) {
        if (lock == locked_) return;
        const std::string name = DisplayName(model_);
        if (lock) {
            if (LockedDocuments().count(name) && model_->hasControllersLocked()) model_->unlockControllers();
            model_->lockControllers();
            LockedDocuments().insert(name);
        } else {
            model_->unlockControllers();
            LockedDocuments().erase(name);
        }
        locked_ = lock;
    }

    SessionPtr session_;
    Kind kind_;
    Reference<frame::XModel> model_;
    int sheet_, column_, row_;
    mutable Reference<sheet::XSpreadsheet> sheetRef_;
    mutable Reference<table::XCell> cellRef_;
    std::optional<std::vector<Reference<frame::XModel>>> documents_;  // Workbooks
    std::shared_ptr<const std::vector<Reference<frame::XModel>>> listed_;
    Reference<container::XIndexAccess> sheets_;                         // Worksheets
    Reference<view::XSelectionSupplier> selector_;                      // Worksheet
    DocumentTyping typing_;
    bool locked_ = false;                                               // Application
    unsigned generation_;
};

class CalcAutomation : public Automation {
public:
    // The list is kept (by the session, for its connection) for the RunningObject calls that
    // follow: binding a workbook asks for the names and then for one of them, and the office is
    // asked once.
    std::vector<std::string> RunningObjectNames() override {
        if (!session_->Reachable()) return {};
        trace::TraceMark("connected");
        std::vector<std::string> listed = session_->Run([&] {
            std::vector<std::string> names;
            auto &listed = session_->Listed();
            listed.clear();
            for (const auto &model : SpreadsheetDocuments(session_->Desktop())) {
                names.push_back(DisplayName(model));
                listed.emplace_back(names.back(), model);
            }
            return names;
        });
        trace::TraceMark("listed");
        return listed;
    }

    DispatchPtr RunningObject(const std::string &displayName) override {
        return session_->Run([&]() -> DispatchPtr {
            const auto &known = session_->Listed();
            if (!known.empty()) {
                auto models = std::make_shared<std::vector<Reference<frame::XModel>>>();
                for (const auto &listed : known) models->push_back(listed.second);
                for (const auto &[name, model] : known) {
                    if (name != displayName) continue;
                    auto workbook = std::make_shared<CalcObject>(session_, Kind::Workbook, model);
                    workbook->KnowDocuments(models);
                    return workbook;
                }
            }
            for (const auto &model : SpreadsheetDocuments(session_->Desktop())) {
                if (DisplayName(model) == displayName) return std::make_shared<CalcObject>(session_, Kind::Workbook, model);
            }
            return nullptr;
        });
    }

    std::string ForegroundWindowTitle() override {
        std::string title = calcbridge::X11ActiveWindowTitle();
        if (!title.empty()) return title;
        if (!session_->Reachable()) return {};
        // Without a window system to ask: the window of Calc's current document.
        return session_->Run([&] {
            Reference<frame::XDesktop2> desktop = session_->Desktop();
            Reference<frame::XModel> model(desktop->getCurrentComponent(), UNO_QUERY);
            if (!model.is() || !IsSpreadsheet(model)) {
                auto documents = SpreadsheetDocuments(desktop);
                if (documents.empty()) return std::string();
                model = documents.front();
            }
            Reference<frame::XController> controller = model->getCurrentController();
            return controller.is() ? Title(controller->getFrame()) : std::string();
        });
    }

    std::vector<ChildWindow> ForegroundChildWindows() override { return {}; }

    bool ForegroundIsProgram() override { return IsProgramWindow(calcbridge::X11ActiveWindow()); }

    // The office's current document is the one it had in front last, also while another
    // application's window is in front.
    std::string CurrentWorkbookName() override {
        if (!session_->Reachable()) return {};
        return session_->Run([&] {
            Reference<frame::XModel> model(session_->Desktop()->getCurrentComponent(), UNO_QUERY);
            return model.is() && IsSpreadsheet(model) ? DisplayName(model) : std::string();
        });
    }

    // An office that does not answer on the pipe may still run: started before it was set up
    // for the program, it has no pipe.
    SpreadsheetPresence Presence() override {
        try {
            if (session_->Reachable()) return SpreadsheetPresence::Answering;
        } catch (const AutomationError &) {
            return SpreadsheetPresence::Answering;  // it is there but slow: a failure, not absence
        }
        return OfficeProcessOfThisUser() ? SpreadsheetPresence::NotAccepting
                                                     : SpreadsheetPresence::NotRunning;
    }

    CalcCellLook ShownCell(const std::string &address) {
        return session_->Run([&] {
            Reference<sheet::XSpreadsheetView> view(Controller(CurrentDocument()), UNO_QUERY_THROW);
            Reference<table::XCellRange> sheet(view->getActiveSheet(), UNO_QUERY_THROW);
            Reference<table::XCell> cell(sheet->getCellRangeByName(OU(address))->getCellByPosition(0, 0));
            CalcCellLook look;
            look.isValue = cell->getType() == table::CellContentType_VALUE;
            look.shown = U8(Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->getString());
            return look;
        });
    }

    void Dispatch(const std::string &command, const DispatchArguments &arguments) {
        session_->Run([&] {
            Reference<frame::XDispatchProvider> frame(Controller(CurrentDocument())->getFrame(), UNO_QUERY_THROW);
            frame::DispatchHelper::create(session_->Context())
                ->executeDispatch(frame, OU(command), "", 0, Arguments(arguments));
        });
    }

private:
    // The document commands and look-ups for tests go to: the current one, else the first spreadsheet.
    Reference<frame::XModel> CurrentDocument() {
        Reference<frame::XDesktop2> desktop = session_->Desktop();
        Reference<frame::XModel> model(desktop->getCurrentComponent(), UNO_QUERY);
        if (!model.is()) {
            auto documents = SpreadsheetDocuments(desktop);
            if (documents.empty()) throw AutomationError("no spreadsheet document");
            model = documents.front();
        }
        return model;
    }

    SessionPtr session_ = SharedSession();
};

}  // namespace

void SetProgramWindows(ProgramWindowList windows) {
    std::lock_guard lock(g_programWindowsMutex);
    g_programWindows = std::move(windows);
}

std::optional<OfficePipeRefusal> TakeOfficePipeRefusal() {
    std::lock_guard lock(g_refusalMutex);
    return std::exchange(g_refusal, std::nullopt);
}

std::unique_ptr<Automation> ConnectCalc() {
    return std::make_unique<WriteBehindAutomation>(std::make_unique<CalcAutomation>());
}

namespace {

// The Calc connection under the write-behind layer, with everything held back written first.
CalcAutomation &CalcOf(Automation &calc) {
    Automation *inner = &calc;
    if (auto *held = dynamic_cast<WriteBehindAutomation *>(&calc)) {
        held->Flush();
        inner = &held->Inner();
    }
    auto *automation = dynamic_cast<CalcAutomation *>(inner);
    if (!automation) throw AutomationError("not a Calc connection");
    return *automation;
}

}  // namespace

void CalcDispatch(Automation &calc, const std::string &command, const DispatchArguments &arguments) {
    CalcOf(calc).Dispatch(command, arguments);
}

CalcCellLook CalcShownCell(Automation &calc, const std::string &address) { return CalcOf(calc).ShownCell(address); }

}  // namespace ombra
