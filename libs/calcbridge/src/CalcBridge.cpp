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
#include <com/sun/star/sheet/XSheetOperation.hpp>
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

// Documents left locked by a connection that broke before their unlock arrived: unlocked as soon
// as the office answers again.
void UnlockLeftOverDocuments(const Reference<frame::XDesktop2> &desktop);

// One connection to the office, made on demand and remade after it broke.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session() : watchdog_([this] { Interrupt(); }) {}
    ~Session() { Drop(); }

    // Runs UNO work under the watchdog; UNO failures become AutomationError.
    template <typename F>
    auto Run(F &&work, std::chrono::milliseconds timeout = CallTimeout()) -> decltype(work()) {
        std::lock_guard calls(callMutex_);
        deadline_ = std::chrono::steady_clock::now() + timeout;
        watchdog_.Arm(timeout);
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
        UnlockLeftOverDocuments(desktop_);
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
// `sent` is set once the cells are on their way to the office.
void WriteTypedBlock(const Reference<sheet::XSpreadsheet> &sheet, const Reference<frame::XModel> &model, int column0,
                     int row0, bool down, const std::vector<std::string> &texts, DocumentTyping &typing, bool &sent) {
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
    Reference<sheet::XCellRangeData> data(range, UNO_QUERY_THROW);
    sent = true;
    data->setDataArray(rows);
    FormatTypedCells(sheet, model, typed, column0, row0, down, typing);
}

// The text of a cell as read in a block: a number as the shortest text that gives it back.
std::string CellText(const uno::Any &cell) {
    double number = 0;
    if (cell >>= number) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, number).ptr;
        return std::string(text, end);
    }
    OUString s;
    return (cell >>= s) ? U8(s) : std::string();
}

// Documents whose controllers this process locked and has not unlocked yet, by display name,
// with the connection that locked them. A lock whose unlock never arrived (the connection broke
// in between) is undone as soon as the office answers again, and at the latest before the
// document is locked again, so that no document stays without repaints.
std::map<std::string, unsigned> &LockedDocuments() {
    static std::map<std::string, unsigned> documents;
    return documents;
}

void UnlockLeftOverDocuments(const Reference<frame::XDesktop2> &desktop) {
    if (LockedDocuments().empty()) return;
    for (const Reference<frame::XModel> &model : SpreadsheetDocuments(desktop)) {
        auto found = LockedDocuments().find(DisplayName(model));
        if (found == LockedDocuments().end()) continue;
        if (model->hasControllersLocked()) model->unlockControllers();
        LockedDocuments().erase(found);
    }
    LockedDocuments().clear();  // the others are closed
}

uno::Sequence<beans::PropertyValue> Arguments(const DispatchArguments &arguments) {
    uno::Sequence<beans::PropertyValue> result(static_cast<sal_Int32>(arguments.size()));
    for (size_t i = 0; i < arguments.size(); ++i) {
        result[static_cast<sal_Int32>(i)].Name = OU(arguments[i].first);
        result[static_cast<sal_Int32>(i)].Value <<= OU(arguments[i].second);
    }
    return result;
}

// How long letting a document go may take over a new connection after the old one broke: the
// user already waited for the failed call.
std::chrono::milliseconds RecoveryTimeout() { return std::min(CallTimeout(), std::chrono::milliseconds(1000)); }

// What typing needs of each document, learned once per connection: the next transfer into the
// same document does not ask again. References of an earlier connection are dead and go.
std::shared_ptr<DocumentTyping> TypingOf(const std::string &displayName, unsigned generation) {
    static std::map<std::string, std::pair<unsigned, std::shared_ptr<DocumentTyping>>> typings;
    std::erase_if(typings, [&](const auto &entry) { return entry.second.first != generation; });
    auto &typing = typings[displayName];
    if (!typing.second) typing = {generation, std::make_shared<DocumentTyping>()};
    return typing.second;
}

// The active sheet of a Calc document, bound for one transfer: its controllers are locked from
// binding to the commit (or the end), so the sheet repaints once.
class CalcBoundSheet : public BoundSheet {
public:
    CalcBoundSheet(SessionPtr session, Reference<frame::XModel> model, Reference<frame::XController> controller,
                   Reference<sheet::XSpreadsheet> sheet, SheetInfo info)
        : session_(std::move(session)), model_(std::move(model)), controller_(std::move(controller)),
          sheet_(std::move(sheet)), info_(std::move(info)), name_(DisplayName(model_)),
          generation_(session_->Generation()), typing_(TypingOf(name_, generation_)) {}

    // Called inside the session's call that bound the sheet.
    void Lock() {
        auto left = LockedDocuments().find(name_);
        if (left != LockedDocuments().end() && model_->hasControllersLocked()) model_->unlockControllers();
        model_->lockControllers();
        LockedDocuments()[name_] = generation_;
        locked_ = true;
    }

    ~CalcBoundSheet() override {
        if (!locked_) return;
        try {
            Unlock();
        } catch (const AutomationError &) {
            // The connection broke: a new one unlocks the document as soon as the office answers.
            try {
                session_->Run([] {}, RecoveryTimeout());
            } catch (const AutomationError &) {
            }
        }
    }

    const SheetInfo &Info() const override { return info_; }

    void WriteCells(CellPos first, RunDirection direction, const std::vector<std::string> &texts) override {
        const int count = static_cast<int>(texts.size());
        bool sent = false;
        try {
            session_->Run([&] {
                Live();
                WriteTypedBlock(sheet_, model_, first.column - 1, first.row - 1, direction == RunDirection::Down, texts,
                                *typing_, sent);
            });
        } catch (const AutomationError &e) {
            // A write refused by the office is not carried out; one whose answer never came (the
            // connection was dropped meanwhile) may be, once the office runs on.
            const bool cutOff = sent && session_->Generation() != generation_;
            throw CellWriteError(e.what(), cutOff ? count : 0);
        }
        trace::TraceMark("block written");
    }

    std::vector<std::vector<std::string>> ReadCells(CellPos first, CellPos last) override {
        return session_->Run([&] {
            Live();
            Reference<sheet::XCellRangeData> data(
                sheet_->getCellRangeByPosition(first.column - 1, first.row - 1, last.column - 1, last.row - 1),
                UNO_QUERY_THROW);
            std::vector<std::vector<std::string>> rows;
            for (const uno::Sequence<uno::Any> &row : data->getDataArray()) {
                std::vector<std::string> &line = rows.emplace_back();
                for (const uno::Any &cell : row) line.push_back(CellText(cell));
            }
            return rows;
        });
    }

    void ClearCells(CellPos first, CellPos last) override {
        // Values, dates and times, texts and formulas go; formats and notes stay.
        constexpr sal_Int32 kContents = 1 | 2 | 4 | 16;
        session_->Run([&] {
            Live();
            Reference<sheet::XSheetOperation> cells(
                sheet_->getCellRangeByPosition(first.column - 1, first.row - 1, last.column - 1, last.row - 1),
                UNO_QUERY_THROW);
            cells->clearContents(kContents);
        });
    }

    void Select(CellPos cell) override {
        session_->Run([&] {
            Live();
            Reference<view::XSelectionSupplier> selection(controller_, UNO_QUERY_THROW);
            selection->select(uno::Any(sheet_->getCellByPosition(cell.column - 1, cell.row - 1)));
        });
    }

    void Commit() override {
        if (locked_) Unlock();
    }

private:
    void Unlock() {
        session_->Run([&] {
            Live();
            model_->unlockControllers();
            LockedDocuments().erase(name_);
        });
        locked_ = false;
    }
    // A sheet of a dropped connection fails without a call: its remote references are dead.
    void Live() const {
        if (session_->Generation() != generation_) throw AutomationError("LibreOffice: the connection was renewed");
    }

    SessionPtr session_;
    Reference<frame::XModel> model_;
    Reference<frame::XController> controller_;
    Reference<sheet::XSpreadsheet> sheet_;
    SheetInfo info_;
    std::string name_;
    unsigned generation_;
    std::shared_ptr<DocumentTyping> typing_;
    bool locked_ = false;
};

class CalcAutomation : public Automation {
public:
    // The list is kept (by the session, for its connection) for the Bind call that follows:
    // binding a workbook asks for the names and then for one of them, and the office is asked once.
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

    std::unique_ptr<BoundSheet> Bind(const std::string &displayName) override {
        return session_->Run([&]() -> std::unique_ptr<BoundSheet> {
            std::vector<std::pair<std::string, Reference<frame::XModel>>> documents = session_->Listed();
            if (documents.empty()) {
                for (const auto &model : SpreadsheetDocuments(session_->Desktop()))
                    documents.emplace_back(DisplayName(model), model);
            }
            for (size_t i = 0; i < documents.size(); ++i) {
                if (documents[i].first != displayName) continue;
                auto bound = BindModel(documents[i].second, static_cast<int>(i) + 1);
                if (bound) bound->Lock();
                return bound;
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
            const table::CellContentType type = cell->getType();
            look.isValue = type == table::CellContentType_VALUE;
            look.isEmpty = type == table::CellContentType_EMPTY;
            look.value = look.isValue ? cell->getValue() : 0.0;
            look.shown = U8(Reference<text::XTextRange>(cell, UNO_QUERY_THROW)->getString());
            return look;
        });
    }

    CellPos Cursor() {
        return session_->Run([&] {
            int sheet0 = 0, column0 = 0, row0 = 0;
            if (!CursorOf(Controller(CurrentDocument()), sheet0, column0, row0)) throw AutomationError("no active cell");
            return CellPos{column0 + 1, row0 + 1};
        });
    }

    bool ViewsLocked() {
        return session_->Run([&] { return static_cast<bool>(CurrentDocument()->hasControllersLocked()); });
    }

    void Dispatch(const std::string &command, const DispatchArguments &arguments) {
        session_->Run([&] {
            Reference<frame::XDispatchProvider> frame(Controller(CurrentDocument())->getFrame(), UNO_QUERY_THROW);
            frame::DispatchHelper::create(session_->Context())
                ->executeDispatch(frame, OU(command), "", 0, Arguments(arguments));
        });
    }

private:
    // What binding needs of a document and its view, asked inside the session's call; null for a
    // document without a view or an active sheet.
    std::unique_ptr<CalcBoundSheet> BindModel(const Reference<frame::XModel> &model, int index) {
        Reference<frame::XController> controller = model->getCurrentController();
        Reference<sheet::XSpreadsheetView> view(controller, UNO_QUERY);
        if (!view.is()) return nullptr;
        Reference<sheet::XSpreadsheet> sheet = view->getActiveSheet();
        if (!sheet.is()) return nullptr;
        SheetInfo info;
        info.workbookName = Title(model);
        info.workbookIndex = index;
        info.sheetName = U8(Reference<container::XNamed>(sheet, UNO_QUERY_THROW)->getName());
        info.sheetIndex = Reference<sheet::XCellRangeAddressable>(sheet, UNO_QUERY_THROW)->getRangeAddress().Sheet + 1;
        Reference<table::XColumnRowRange> extent(sheet, UNO_QUERY_THROW);
        info.rowCount = extent->getRows()->getCount();
        info.columnCount = extent->getColumns()->getCount();
        bool visible = true;
        Reference<beans::XPropertySet>(sheet, UNO_QUERY_THROW)->getPropertyValue("IsVisible") >>= visible;
        info.visible = visible;
        int sheet0 = 0, column0 = 0, row0 = 0;
        if (!CursorOf(controller, sheet0, column0, row0)) throw AutomationError("no active cell");
        info.activeCell = {column0 + 1, row0 + 1};
        return std::make_unique<CalcBoundSheet>(session_, model, controller, sheet, info);
    }

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

CalcAutomation &CalcOf(Automation &calc) {
    auto *automation = dynamic_cast<CalcAutomation *>(&calc);
    if (!automation) throw AutomationError("not a Calc connection");
    return *automation;
}

}  // namespace

void SetProgramWindows(ProgramWindowList windows) {
    std::lock_guard lock(g_programWindowsMutex);
    g_programWindows = std::move(windows);
}

std::optional<OfficePipeRefusal> TakeOfficePipeRefusal() {
    std::lock_guard lock(g_refusalMutex);
    return std::exchange(g_refusal, std::nullopt);
}

std::unique_ptr<Automation> ConnectCalc() { return std::make_unique<CalcAutomation>(); }

void CalcDispatch(Automation &calc, const std::string &command, const DispatchArguments &arguments) {
    CalcOf(calc).Dispatch(command, arguments);
}

CalcCellLook CalcShownCell(Automation &calc, const std::string &address) { return CalcOf(calc).ShownCell(address); }

CellPos CalcCursor(Automation &calc) { return CalcOf(calc).Cursor(); }

bool CalcViewsLocked(Automation &calc) { return CalcOf(calc).ViewsLocked(); }

}  // namespace ombra
