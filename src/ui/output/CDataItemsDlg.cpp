#include "ui/output/CDataItemsDlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include "core/output/Catalogue.h"
#include "core/output/LayoutPreview.h"
#include "core/platform/Resources.h"
#include "core/settings/SettingsStore.h"
#include "corvexres/ResourceIds.h"
#include "ui/output/LayoutPreviewPane.h"
#include "ui/output/SampleNamesDlg.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {
namespace {

constexpr int kSeparatorCodes = 17;

// Both lists show this many entries at least: a tab's items are chosen without much scrolling.
constexpr int kListRows = 12;

QString CtlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

template <typename W>
W *Named(W *widget, int id) {
    widget->setObjectName(CtlName(id));
    return widget;
}

QListWidget *MakeList(QWidget *parent, int id) {
    auto *list = Named(new QListWidget(parent), id);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setUniformItemSizes(true);
    // A blank probe entry tells the height of one row in the list's style and font.
    list->addItem(QStringLiteral(" "));
    const int rowHeight = list->sizeHintForRow(0);
    list->clear();
    list->setMinimumHeight(kListRows * rowHeight + 2 * list->frameWidth());
    return list;
}

QString Res(int id) { return core::platform::ResQString(id); }

}  // namespace

CDataItemsDlg::CDataItemsDlg(QWidget *parent, core::AppSettings &settings) : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgDataItems));
    setWindowTitle(core::platform::ResWindowTitle(res::kStrDataItemsTitle));
    BuildLayout();

    // Start from the settings: the selection of the type in force, label and direction.
    if (settings_.measurement.MeasurementType() == 1) chosenList_ = settings_.selection.Reflection();
    else if (settings_.measurement.MeasurementType() == 4) chosenList_ = settings_.selection.Irradiance();
    label_ = settings_.layout.Label();
    row_ = settings_.layout.Row();
    labelCheck_->setChecked(label_ != 0);
    headerCheck_->setChecked(label_ == 2);
    headerCheck_->setEnabled(label_ != 0);
    (row_ == 1 ? rowRight_ : rowDown_)->setChecked(true);

    BuildLists();
    LoadTabs();
    ShowTab(0);

    for (const core::OutputItem &item : chosenList_) InsertChosen(selectedList_->count(), item);
    if (int last = selectedList_->count() - 1; last >= 0) {
        selectedList_->item(last)->setSelected(true);
        selectedList_->setCurrentRow(last, QItemSelectionModel::NoUpdate);
    }
    FillSeparators();
    ConnectPreview();
    UpdatePreview();
}

// The lists empty themselves while the widget goes: nothing is left to preview by then.
CDataItemsDlg::~CDataItemsDlg() { selectedList_->model()->disconnect(this); }

void CDataItemsDlg::BuildLayout() {
    selectedList_ = MakeList(this, res::kCtlDataItemsSelectedList);
    offeredList_ = MakeList(this, res::kCtlDataItemsOfferedList);
    tabs_ = Named(new QTabBar(this), res::kCtlDataItemsTabs);
    // Every tab shows its whole text side by side with the others: the bar asks for the room
    // they need instead of hiding some behind scroll arrows.
    tabs_->setUsesScrollButtons(false);
    tabs_->setElideMode(Qt::ElideNone);
    tabs_->setExpanding(false);
    labelCheck_ = Named(new QCheckBox(Res(res::kStrLabel), this), res::kCtlDataItemsLabel);
    headerCheck_ = Named(new QCheckBox(Res(res::kStrTableHeader), this), res::kStrTableHeader);
    connect(labelCheck_, &QCheckBox::toggled, headerCheck_, &QCheckBox::setEnabled);
    rowDown_ = Named(new QRadioButton(Res(res::kStrLabelAbove), this), res::kCtlDataItemsLabelAbove);
    rowRight_ = Named(new QRadioButton(Res(res::kStrLabelLeft), this), res::kCtlDataItemsLabelLeft);
    blockSep_ = Named(new QComboBox(this), res::kCtlDataItemsBlockSeparator);
    valSep_ = Named(new QComboBox(this), res::kCtlDataItemsValueSeparator);
    funcSep_ = Named(new QComboBox(this), res::kCtlDataItemsItemSeparator);

    auto *buttonColumn = new QVBoxLayout;
    auto *orderColumn = new QVBoxLayout;
    auto *closeRow = new QHBoxLayout;
    struct ButtonDef {
        int id;
        int text;
        void (CDataItemsDlg::*slot)();
        QBoxLayout *home;
    };
    const ButtonDef moves[] = {
        {res::kCtlDataItemsAdd, res::kStrAddItem, &CDataItemsDlg::OnAdd, buttonColumn},
        {res::kCtlDataItemsAddAll, res::kStrAddAll, &CDataItemsDlg::OnAddAll, buttonColumn},
        {res::kCtlDataItemsRemove, res::kStrRemove, &CDataItemsDlg::OnRemove, buttonColumn},
        {res::kCtlDataItemsClear, res::kStrClearItems, &CDataItemsDlg::OnClear, buttonColumn},
        {res::kCtlDataItemsTop, res::kStrTop, &CDataItemsDlg::MoveToTop, orderColumn},
        {res::kCtlDataItemsUp, res::kStrUp, &CDataItemsDlg::MoveUp, orderColumn},
        {res::kCtlDataItemsDown, res::kStrDown, &CDataItemsDlg::MoveDown, orderColumn},
        {res::kCtlDataItemsBottom, res::kStrBottom, &CDataItemsDlg::MoveToBottom, orderColumn},
        {res::kCtlDataItemsOk, res::kStrOk, &CDataItemsDlg::OnOk, closeRow},
        {res::kCtlDataItemsCancel, res::kStrCancel, &CDataItemsDlg::reject, closeRow}};
    // How the Sample item names the samples is set beside the selection that writes it.
    auto *sampleNames = Named(new QPushButton(Res(res::kStrSampleNamesButton), this), res::kStrSampleNamesButton);
    sampleNames->setAutoDefault(false);
    connect(sampleNames, &QPushButton::clicked, this, [this] { SampleNamesDlg(this, settings_).exec(); });
    closeRow->addWidget(sampleNames);
    closeRow->addStretch();
    for (const ButtonDef &def : moves) {
        auto *button = Named(new QPushButton(Res(def.text), this), def.id);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, def.slot);
        def.home->addWidget(button);
    }
    buttonColumn->addStretch();
    orderColumn->addStretch();

    // The offered list fills the display area below the tab labels.
    auto *tabArea = new QVBoxLayout;
    tabArea->setSpacing(0);
    tabArea->addWidget(tabs_);
    tabArea->addWidget(offeredList_);

    auto *lists = new QHBoxLayout;
    lists->addLayout(tabArea, 1);
    lists->addLayout(buttonColumn);
    lists->addWidget(selectedList_, 1);
    lists->addLayout(orderColumn);

    auto *options = new QGridLayout;
    options->addWidget(labelCheck_, 0, 0);
    options->addWidget(headerCheck_, 3, 0);
    options->addWidget(rowDown_, 1, 0);
    options->addWidget(rowRight_, 2, 0);
    options->addWidget(new QLabel(Res(res::kStrBlockSeparator), this), 0, 1);
    options->addWidget(blockSep_, 0, 2);
    options->addWidget(new QLabel(Res(res::kStrValueSeparator), this), 1, 1);
    options->addWidget(valSep_, 1, 2);
    options->addWidget(new QLabel(Res(res::kStrItemSeparator), this), 2, 1);
    options->addWidget(funcSep_, 2, 2);

    preview_ = new LayoutPreviewPane(this);

    auto *top = new QVBoxLayout(this);
    top->addLayout(lists, 1);
    top->addLayout(options);
    top->addWidget(preview_);
    top->addLayout(closeRow);

    connect(tabs_, &QTabBar::currentChanged, this, &CDataItemsDlg::ShowTab);
    connect(offeredList_, &QListWidget::itemDoubleClicked, this, [this] { OnAdd(); });
}

void CDataItemsDlg::BuildLists() {
    generalList_.clear();
    colourList_.clear();
    spectralList_.clear();
    densityList_.clear();
    bool irradiance = settings_.measurement.MeasurementTypeSel() != 0;
    core::DataItemCatalogue catalogue;
    catalogue.RebuildForType(irradiance ? core::MeasKind::Irradiance : core::MeasKind::Reflection);
    catalogue.RebuildDensity();

    generalList_ = catalogue.generalItems;
    colourList_ = {core::MakeItem(core::item::kDate), core::MakeItem(core::item::kTime)};
    colourList_.insert(colourList_.end(), catalogue.colourItems.begin(), catalogue.colourItems.end());
    if (irradiance) {
        // Only the wavelengths the instrument measures in irradiance are offered.
        spectralList_ = {core::MakeItem(core::item::kSpectrumGroup)};
        core::OutputItemList grid = core::RunItems(core::GridFor(true).written);
        spectralList_.insert(spectralList_.end(), grid.begin(), grid.end());
    } else {
        spectralList_ = catalogue.spectralItems;
    }
    densityList_ = catalogue.densityItems;
    comparisonList_ = catalogue.comparisonItems;
}

void CDataItemsDlg::LoadTabs() {
    std::string smallModel = core::platform::ResString(res::kStrModelNameType200);
    bool isSmallModel = !smallModel.empty() && settings_.identity.ModelName() == smallModel;
    std::vector<std::pair<int, const core::OutputItemList *>> tabs;
    if (isSmallModel)
        tabs = {{res::kStrGeneralTab, &generalList_},
                {res::kStrColourTab, &colourList_},
                {res::kStrDensityTab, &densityList_},
                {res::kStrComparisonTab, &comparisonList_}};
    else if (settings_.measurement.MeasurementTypeSel() != 0)
        tabs = {{res::kStrIrradianceGeneralTab, &generalList_}, {res::kStrIrradianceSpectralTab, &spectralList_}};
    else
        tabs = {{res::kStrGeneralTab, &generalList_},
                {res::kStrColourTab, &colourList_},
                {res::kStrSpectralTab, &spectralList_},
                {res::kStrDensityTab, &densityList_},
                {res::kStrComparisonTab, &comparisonList_}};

    // The comparison needs L*a*b*: no tab while the type has none.
    if (comparisonList_.empty()) std::erase_if(tabs, [&](const auto &tab) { return tab.second == &comparisonList_; });
    QSignalBlocker block(tabs_);
    tabLists_.clear();
    for (auto [labelId, list] : tabs) {
        tabs_->addTab(core::platform::ResQString(labelId));
        tabLists_.push_back(list);
    }
    tabs_->setCurrentIndex(0);
}

void CDataItemsDlg::FillSeparators() {
    separatorTexts_.clear();
    for (int code = 0; code < kSeparatorCodes; ++code) separatorTexts_ << core::platform::ResQString(res::kStrSeparatorNameBase + code);
    const std::pair<QComboBox *, int> combos[] = {
        {blockSep_, settings_.layout.BlockSep()}, {valSep_, settings_.layout.ValSep()}, {funcSep_, settings_.layout.FuncSep()}};
    for (auto [combo, code] : combos) {
        for (int c = 0; c < kSeparatorCodes; ++c) combo->addItem(separatorTexts_[c], c);
        combo->setCurrentIndex(combo->findData(code));
    }
}

void CDataItemsDlg::ShowTab(int index) {
    offeredList_->clear();
    if (index < 0 || index >= static_cast<int>(tabLists_.size())) return;
    for (const core::OutputItem &item : *tabLists_[index]) {
        auto *entry = new QListWidgetItem(QString::fromStdString(item.label), offeredList_);
        entry->setData(Qt::UserRole, item.identifier);
    }
}

// Every change of the selection, the label options or a separator shows in the preview; the
// changes of one event-loop turn (a list refilled entry by entry) are shown once.
void CDataItemsDlg::ConnectPreview() {
    previewTimer_ = new QTimer(this);
    previewTimer_->setSingleShot(true);
    previewTimer_->setInterval(0);
    connect(previewTimer_, &QTimer::timeout, this, &CDataItemsDlg::UpdatePreview);
    auto schedule = [this] { previewTimer_->start(); };
    QAbstractItemModel *chosen = selectedList_->model();
    connect(chosen, &QAbstractItemModel::rowsInserted, this, schedule);
    connect(chosen, &QAbstractItemModel::rowsRemoved, this, schedule);
    connect(chosen, &QAbstractItemModel::rowsMoved, this, schedule);
    connect(chosen, &QAbstractItemModel::modelReset, this, schedule);
    connect(chosen, &QAbstractItemModel::layoutChanged, this, schedule);
    connect(labelCheck_, &QCheckBox::toggled, this, schedule);
    connect(headerCheck_, &QCheckBox::toggled, this, schedule);
    connect(rowRight_, &QRadioButton::toggled, this, schedule);
    for (QComboBox *combo : {blockSep_, valSep_, funcSep_})
        connect(combo, &QComboBox::currentIndexChanged, this, schedule);
}

core::TransferLayout CDataItemsDlg::CurrentLayout() const {
    core::TransferLayout layout;
    layout.Label = ChosenLabel();
    layout.Row = rowRight_->isChecked() ? 1 : 0;
    layout.BlockSep = blockSep_->currentData().toInt();
    layout.ValSep = valSep_->currentData().toInt();
    layout.FuncSep = funcSep_->currentData().toInt();
    layout.MeasurementTypeSel = settings_.measurement.MeasurementTypeSel();
    return layout;
}

int CDataItemsDlg::ChosenLabel() const {
    if (!labelCheck_->isChecked()) return 0;
    return headerCheck_->isChecked() ? 2 : 1;
}

void CDataItemsDlg::UpdatePreview() { preview_->Show(core::ComputeLayoutPreview(ChosenIdentifiers(), CurrentLayout())); }

int CDataItemsDlg::ChosenId(int row) const { return selectedList_->item(row)->data(Qt::UserRole).toInt(); }

std::vector<int> CDataItemsDlg::ChosenIdentifiers() const {
    std::vector<int> ids;
    for (int r = 0; r < selectedList_->count(); ++r) ids.push_back(ChosenId(r));
    return ids;
}

void CDataItemsDlg::InsertChosen(int row, const core::OutputItem &item) {
    auto *entry = new QListWidgetItem(QString::fromStdString(item.label));
    entry->setData(Qt::UserRole, item.identifier);
    selectedList_->insertItem(row, entry);
}

// Blank cells may be added any number of times; anything else only when neither the item
// itself nor a group standing for it is in the selection.
bool CDataItemsDlg::IsPresent(int id) const {
    if (id == core::item::kBlank) return false;
    for (int r = 0; r < selectedList_->count(); ++r) {
        int chosen = ChosenId(r);
        if (chosen == id || core::GroupCovers(chosen, id)) return true;
    }
    return false;
}

void CDataItemsDlg::AddItems(const core::OutputItemList &items) {
    int insertAt = 0;
    for (int r = selectedList_->count() - 1; r >= 0; --r) {
        if (selectedList_->item(r)->isSelected()) {
            insertAt = r + 1;
            break;
        }
    }
    int lastInserted = -1;
    for (const core::OutputItem &item : items) {
        if (IsPresent(item.identifier)) continue;
        if (core::IsGroupItem(item.identifier)) {
            // The group replaces the entries it stands for.
            for (int r = selectedList_->count() - 1; r >= 0; --r) {
                if (!core::GroupCovers(item.identifier, ChosenId(r))) continue;
                delete selectedList_->takeItem(r);
                if (r < insertAt) --insertAt;
            }
        }
        InsertChosen(insertAt, item);
        lastInserted = insertAt++;
    }
    if (lastInserted >= 0) {
        selectedList_->clearSelection();
        selectedList_->item(lastInserted)->setSelected(true);
        selectedList_->setCurrentRow(lastInserted, QItemSelectionModel::NoUpdate);
    }
    offeredList_->clearSelection();
}

void CDataItemsDlg::OnAdd() {
    int tab = tabs_->currentIndex();
    if (tab < 0 || tab >= static_cast<int>(tabLists_.size())) return;
    const core::OutputItemList &shown = *tabLists_[tab];
    core::OutputItemList picked;
    for (int r = 0; r < offeredList_->count() && r < static_cast<int>(shown.size()); ++r)
        if (offeredList_->item(r)->isSelected()) picked.push_back(shown[r]);
    AddItems(picked);
}

void CDataItemsDlg::OnAddAll() {
    int tab = tabs_->currentIndex();
    if (tab >= 0 && tab < static_cast<int>(tabLists_.size())) AddItems(*tabLists_[tab]);
}

void CDataItemsDlg::OnRemove() {
    int deleted = 0, lastSelected = -1;
    for (int r = selectedList_->count() - 1; r >= 0; --r) {
        if (!selectedList_->item(r)->isSelected()) continue;
        if (lastSelected < 0) lastSelected = r;
        delete selectedList_->takeItem(r);
        ++deleted;
    }
    if (deleted == 0 || selectedList_->count() == 0) return;
    int next = std::min(lastSelected - deleted + 1, selectedList_->count() - 1);
    next = std::max(next, 0);
    selectedList_->clearSelection();
    selectedList_->item(next)->setSelected(true);
    selectedList_->setCurrentRow(next, QItemSelectionModel::NoUpdate);
}

void CDataItemsDlg::OnClear() { selectedList_->clear(); }

std::vector<CDataItemsDlg::Entry> CDataItemsDlg::Entries() const {
    std::vector<Entry> entries;
    for (int r = 0; r < selectedList_->count(); ++r) {
        const QListWidgetItem *w = selectedList_->item(r);
        core::OutputItem item;
        item.identifier = ChosenId(r);
        item.label = w->text().toStdString();
        entries.push_back({item, w->isSelected()});
    }
    return entries;
}

void CDataItemsDlg::SetEntries(const std::vector<Entry> &entries) {
    selectedList_->clear();
    for (const Entry &e : entries) {
        InsertChosen(selectedList_->count(), e.item);
        selectedList_->item(selectedList_->count() - 1)->setSelected(e.selected);
    }
}

void CDataItemsDlg::MoveToTop() {
    std::vector<Entry> entries = Entries();
    std::stable_partition(entries.begin(), entries.end(), [](const Entry &e) { return e.selected; });
    SetEntries(entries);
}

void CDataItemsDlg::MoveToBottom() {
    std::vector<Entry> entries = Entries();
    std::stable_partition(entries.begin(), entries.end(), [](const Entry &e) { return !e.selected; });
    SetEntries(entries);
}

// A selected entry moves one place up unless it belongs to the selected run at the top.
void CDataItemsDlg::MoveUp() {
    std::vector<Entry> entries = Entries();
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i].selected && !entries[i - 1].selected) std::swap(entries[i], entries[i - 1]);
    SetEntries(entries);
}

void CDataItemsDlg::MoveDown() {
    std::vector<Entry> entries = Entries();
    for (size_t i = entries.size(); i-- > 1;)
        if (entries[i - 1].selected && !entries[i].selected) std::swap(entries[i], entries[i - 1]);
    SetEntries(entries);
}

void CDataItemsDlg::OnOk() {
    label_ = ChosenLabel();
    row_ = rowRight_->isChecked() ? 1 : 0;
    settings_.layout.SetLabel(label_);
    settings_.layout.SetRow(row_);

    if (selectedList_->count() == 0) {
        platform::ShowMessageBox(this, core::platform::ResString(res::kStrSelectionEmpty), core::platform::ResString(res::kStrMessageCaption),
                                 core::platform::mb::ICONINFORMATION);
        return;
    }

    chosenList_.clear();
    densityWavelengthList_.clear();
    for (const Entry &e : Entries()) {
        chosenList_.push_back(e.item);
        if (core::IsSpotDensityItem(e.item.identifier)) densityWavelengthList_.push_back(e.item);
        if (e.item.identifier == core::item::kSpotDensityGroup) settings_.selection.SetDensitySpectrumSelected(true);
    }
    core::StoreSelection(settings_, chosenList_, core::SelectionTarget::ByMeasurementType);

    settings_.measurement.SetPrevMeasSel(settings_.measurement.MeasurementType());
    settings_.selection.StoreText(settings_.measurement.MeasurementTypeSel(), chosenList_);

    settings_.layout.SetBlockSep(blockSep_->currentData().toInt());
    settings_.layout.SetFuncSep(funcSep_->currentData().toInt());
    settings_.layout.SetValSep(valSep_->currentData().toInt());
    accept();
}

}  // namespace ombra::ui
