// The Measurements window's choice of "This station" or "All stations": every station's
// measurements are read from the shared journal's server on a worker thread (each wait there is
// bounded; the window keeps repainting) into a journal of their own in a temporary folder, and
// the table shows that copy exactly as it shows this station's journal.
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressDialog>
#include <QTableView>
#include <QTemporaryDir>
#include <chrono>
#include <future>

#include "core/journalserver/ServerJournal.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/output/MeasurementsDlg.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {

namespace {

constexpr int kProgressDelayMs = 400;
constexpr int kTurnMs = 10;

// Runs `work` on a worker thread, the event loop turning (and a busy indicator showing once it
// takes a while) until it is done.
void RunAside(QWidget *parent, const std::function<void()> &work) {
    QProgressDialog progress(core::platform::ResQString(res::kStrReadingAllStations), QString(), 0, 0, parent);
    progress.setObjectName("serverProgress");
    progress.setWindowTitle(core::platform::ResWindowTitle(res::kStrMeasurementsTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setValue(0);
    std::future<void> done = std::async(std::launch::async, work);
    while (done.wait_for(std::chrono::milliseconds(kTurnMs)) != std::future_status::ready)
        QCoreApplication::processEvents();
    done.get();
}

}  // namespace

MeasurementsDlg::~MeasurementsDlg() {
    // The copy's model reads the copy: it goes first.
    if (model_ != ownModel_) delete model_;
}

void MeasurementsDlg::OfferAllStations(const core::ServerAddress &server) {
    server_ = server;
    if (stations_) return;
    stations_ = new QComboBox(this);
    stations_->setObjectName("stationsFilter");
    stations_->addItem(core::platform::ResQString(res::kStrThisStation));
    stations_->addItem(core::platform::ResQString(res::kStrAllStations));
    filterBar_->insertWidget(0, stations_);
    connect(stations_, &QComboBox::currentIndexChanged, this, [this](int index) { ShowAllStations(index == 1); });
}

bool MeasurementsDlg::ShowAllStations(bool all) {
    if (!server_ || busy_) return false;
    if (stations_->currentIndex() != (all ? 1 : 0)) {
        const QSignalBlocker block(stations_);
        stations_->setCurrentIndex(all ? 1 : 0);
    }
    if (all) return LoadAllStations();
    if (!allStations_) return true;
    ShowModel(ownModel_);
    ownModel_->SetFilter(CurrentFilter());
    DropCopy(nullptr);
    return true;
}

// Reads the server with the filter in force; on failure the user is told and this station's
// measurements are shown again.
bool MeasurementsDlg::LoadAllStations() {
    const core::JournalFilter filter = CurrentFilter();
    const core::ServerAddress server = *server_;
    std::optional<std::vector<core::ServerEntry>> read;
    QString problem;
    RunAside(this, [&] {
        core::ServerConnection connection(server);
        read = core::ReadServerEntries(connection, filter, kAllStationsRows);
        if (!read) problem = connection.LastError();
    });
    if (!copyFolder_) copyFolder_ = std::make_unique<QTemporaryDir>();
    std::unique_ptr<core::MeasurementJournal> copy;
    if (read && copyFolder_->isValid()) {
        const QString path = copyFolder_->filePath(QString("all-stations-%1.sqlite").arg(++copies_));
        copy = std::make_unique<core::MeasurementJournal>(nullptr, path, QStringList{});
        std::vector<core::JournalEntry> entries;
        entries.reserve(read->size());
        for (core::ServerEntry &e : *read) {
            // The instrument column and every copy or export name the station beside the serial number.
            e.entry.serial += " (" + e.station.toStdString() + ")";
            entries.push_back(std::move(e.entry));
        }
        if (!entries.empty() && copy->Import(entries) != static_cast<int>(entries.size())) copy.reset();
    }
    if (!copy) {
        platform::ShowMessageBox(this, core::platform::ResQString(res::kStrAllStationsNotRead).arg(problem).toStdString(),
                                 core::platform::ResString(res::kStrMessageCaption), core::platform::mb::ICONWARNING);
        ShowAllStations(false);
        return false;
    }
    auto *model = new core::JournalModel(*copy, this);
    model->SetFilter(filter);
    model->SetValueColumns(model_->ValueColumns());
    model->sort(model_->SortColumn(), model_->SortOrder());
    ShowModel(model);
    DropCopy(std::move(copy));  // the copy shown before went with its model
    return true;
}

// The table shows `model`; a copy's model shown before is dropped.
void MeasurementsDlg::ShowModel(core::JournalModel *model) {
    if (model == model_) return;
    core::JournalModel *before = model_;
    model_ = model;
    table_->setModel(model_);
    table_->horizontalHeader()->setSectionResizeMode(ValuesColumn, QHeaderView::Stretch);
    ConnectModel();
    if (before != ownModel_) delete before;
    ShowRowCount();
}

void MeasurementsDlg::DropCopy(std::unique_ptr<core::MeasurementJournal> next) {
    const QString path = allStations_ ? allStations_->path() : QString();
    allStations_ = std::move(next);
    for (const char *suffix : {"", "-wal", "-shm"})
        if (!path.isEmpty()) QFile::remove(path + suffix);
}

}  // namespace ombra::ui
