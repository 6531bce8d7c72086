#include "ui/quality/ReferencesDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/colorset/ColorSet.h"
#include "core/instrument/PropertyTables.h"
#include "core/platform/MessageFlags.h"
#include "core/platform/Numbers.h"
#include "core/platform/Resources.h"
#include "core/quality/ReferenceFile.h"
#include "corvexres/ResourceIds.h"
#include "ui/platform/FileDialog.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {
namespace {

// The formula choice lists ΔE*ab, ΔE94, ΔE00, ΔE CMC in the order of DeltaEFormula.
constexpr int kFormulaStrings[core::kDeltaEFormulas] = {res::kStrFirstFormula, res::kStrFirstFormula + 1, res::kStrFirstFormula + 2,
                                                  res::kStrFirstFormula + 3};

QString Res(int id) { return core::platform::ResQString(id); }

QPushButton *Button(QWidget *parent, int textId, const char *name) {
    auto *button = new QPushButton(Res(textId), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QDoubleSpinBox *Spin(QWidget *parent, double min, double max, double value, const char *name) {
    auto *spin = new QDoubleSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(min, max);
    spin->setDecimals(2);
    spin->setValue(value);
    return spin;
}

void Tell(QWidget *parent, const QString &text) {
    namespace mb = core::platform::mb;
    platform::ShowMessageBox(parent, text.toStdString(), core::platform::ResString(res::kStrMessageCaption), mb::OK | mb::ICONEXCLAMATION);
}

}  // namespace

std::string ToleranceText(const core::ColourTolerance &t) {
    std::vector<std::string> parts;
    if (t.limit > 0)
        parts.push_back(core::platform::ResString(kFormulaStrings[static_cast<int>(t.formula)]) + " ≤ " +
                        core::platform::FormatNumber(t.limit, 2));
    for (int k = 0; k < core::kComponents; ++k)
        if (t.componentLimits[k] > 0)
            parts.push_back(core::platform::ResString(res::kStrFirstComponent + k) + " ±" + core::platform::FormatNumber(t.componentLimits[k], 2));
    if (parts.empty()) return core::platform::ResString(res::kStrMissingValue);
    std::string text;
    for (const std::string &p : parts) text += (text.empty() ? "" : "; ") + p;
    if (t.warnFraction > 0) text += " (" + core::platform::FormatNumber(t.warnFraction * 100, 0) + " %)";
    return text;
}

// ---- ReferenceEntryDlg ----

ReferenceEntryDlg::ReferenceEntryDlg(QWidget *parent) : QDialog(parent) {
    setWindowTitle(core::platform::ResWindowTitle(res::kStrReferencesTitle));
    name_ = new QLineEdit(this);
    name_->setObjectName("name");
    lab_ = {Spin(this, 0, 100, 50, "L"), Spin(this, -200, 200, 0, "a"), Spin(this, -200, 200, 0, "b")};
    illuminant_ = new QComboBox(this);
    illuminant_->setObjectName("illuminant");
    // The tabulated illuminants (the user illuminant's power only the instrument knows).
    for (const core::ListEntry &e : core::meas::kIlluminantEntries)
        if (const auto row = core::FindPropertyRow(core::PropertyTable::Illuminant, static_cast<uint32_t>(e.code));
            row && row->value < colorimetry::kIlluminantUser)
            illuminant_->addItem(Res(e.stringId), row->value);
    illuminant_->setCurrentIndex(illuminant_->findData(colorimetry::kIlluminantD50));
    observer_ = new QComboBox(this);
    observer_->setObjectName("observer");
    for (const core::ListEntry &e : core::meas::kObserverEntries)
        observer_->addItem(Res(e.stringId), core::FindPropertyRow(core::PropertyTable::Observer, static_cast<uint32_t>(e.code))->value);
    formula_ = new QComboBox(this);
    formula_->setObjectName("formula");
    for (int f = 0; f < core::kDeltaEFormulas; ++f) formula_->addItem(Res(kFormulaStrings[f]), f);
    formula_->setCurrentIndex(static_cast<int>(core::DeltaEFormula::Ciede2000));
    limit_ = Spin(this, 0, 100, 0, "limit");
    components_ = {Spin(this, 0, 100, 0, "limitL"), Spin(this, 0, 100, 0, "limitA"), Spin(this, 0, 100, 0, "limitB")};
    warn_ = Spin(this, 0, 99, 0, "warn");
    warn_->setDecimals(0);

    auto *form = new QFormLayout;
    form->addRow(Res(res::kStrName), name_);
    for (int k = 0; k < 3; ++k) form->addRow(Res(res::kStrLabelLStar + k), lab_[k]);
    form->addRow(Res(res::kStrIlluminant), illuminant_);
    form->addRow(Res(res::kStrObserver), observer_);
    auto *limitRow = new QHBoxLayout;
    limitRow->addWidget(formula_);
    limitRow->addWidget(limit_);
    form->addRow(Res(res::kStrTolerance), limitRow);
    for (int k = 0; k < 3; ++k) form->addRow(Res(res::kStrFirstComponent + k) + " ±", components_[k]);
    form->addRow(Res(res::kStrWarnBand), warn_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    platform::NameStandardButtons(*buttons);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName("okButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(name_, &QLineEdit::textChanged, this, &ReferenceEntryDlg::UpdateOk);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    UpdateOk();
}

std::optional<core::Reference> ReferenceEntryDlg::Entered() const {
    core::Reference r;
    r.name = name_->text().trimmed().toStdString();
    for (int k = 0; k < 3; ++k) r.lab[k] = lab_[k]->value();
    r.conditions = {illuminant_->currentData().toInt(), observer_->currentData().toInt()};
    r.tolerance.formula = static_cast<core::DeltaEFormula>(formula_->currentData().toInt());
    r.tolerance.limit = limit_->value();
    for (int k = 0; k < 3; ++k) r.tolerance.componentLimits[k] = components_[k]->value();
    r.tolerance.warnFraction = warn_->value() / 100.0;
    if (!core::IsValidReference(r)) return std::nullopt;
    return r;
}

void ReferenceEntryDlg::UpdateOk() { ok_->setEnabled(Entered().has_value()); }

// ---- ReferencesDlg ----

ReferencesDlg::ReferencesDlg(core::ReferenceStore &store, QWidget *parent) : QDialog(parent), store_(store) {
    setWindowTitle(core::platform::ResWindowTitle(res::kStrReferencesTitle));
    table_ = new QTableWidget(0, ColumnCount, this);
    table_->setObjectName("references");
    table_->setHorizontalHeaderLabels({Res(res::kStrName), Res(res::kStrLabelLStar), Res(res::kStrLabelAStar), Res(res::kStrLabelBStar), Res(res::kStrTolerance)});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(ToleranceColumn, QHeaderView::Stretch);

    addButton_ = Button(this, res::kStrAdd, "addButton");
    importButton_ = Button(this, res::kStrImport, "importButton");
    deleteButton_ = Button(this, res::kStrDelete, "deleteButton");
    activeButton_ = Button(this, res::kStrMakeActive, "activeButton");
    QPushButton *close = Button(this, res::kStrClose, "closeButton");
    nearest_ = new QCheckBox(Res(res::kStrNearest), this);
    nearest_->setObjectName("nearestCheck");
    nearest_->setChecked(store_.NearestMode());
    importButton_->setVisible(static_cast<bool>(core::InstalledReferenceFileReader()));
    connect(addButton_, &QPushButton::clicked, this, &ReferencesDlg::AddTyped);
    connect(importButton_, &QPushButton::clicked, this, &ReferencesDlg::ImportFile);
    connect(deleteButton_, &QPushButton::clicked, this, &ReferencesDlg::DeleteSelected);
    connect(activeButton_, &QPushButton::clicked, this, &ReferencesDlg::MakeSelectedActive);
    connect(nearest_, &QCheckBox::toggled, this, &ReferencesDlg::SetNearest);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {addButton_, importButton_, deleteButton_, activeButton_}) buttons->addWidget(b);
    buttons->addWidget(nearest_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    resize(640, 360);
    Reload();
}

void ReferencesDlg::Reload() {
    const std::string selected = SelectedName();
    table_->setRowCount(0);
    const std::vector<core::Reference> &refs = store_.References();
    table_->setRowCount(static_cast<int>(refs.size()));
    for (int row = 0; row < static_cast<int>(refs.size()); ++row) {
        const core::Reference &r = refs[static_cast<size_t>(row)];
        const QString texts[ColumnCount] = {
            QString::fromStdString(r.name), QString::fromStdString(core::platform::FormatNumber(r.lab[0], 2)),
            QString::fromStdString(core::platform::FormatNumber(r.lab[1], 2)),
            QString::fromStdString(core::platform::FormatNumber(r.lab[2], 2)), QString::fromStdString(ToleranceText(r.tolerance))};
        const bool active = !store_.NearestMode() && r.name == store_.ActiveName();
        for (int c = 0; c < ColumnCount; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            QFont font = item->font();
            font.setBold(active);
            item->setFont(font);
            table_->setItem(row, c, item);
        }
        if (r.name == selected) table_->selectRow(row);
    }
    UpdateButtons();
}

std::string ReferencesDlg::SelectedName() const {
    const QList<QTableWidgetItem *> items = table_->selectedItems();
    if (items.isEmpty()) return {};
    QTableWidgetItem *name = table_->item(items.front()->row(), NameColumn);
    return name ? name->text().toStdString() : std::string();
}

void ReferencesDlg::UpdateButtons() {
    const bool any = !SelectedName().empty();
    deleteButton_->setEnabled(any);
    activeButton_->setEnabled(any && !store_.NearestMode());
}

bool ReferencesDlg::Saved(bool ok) {
    if (!ok && !store_.saveError().empty())
        Tell(this, Res(res::kStrNotSaved).arg(QString::fromStdString(store_.saveError())));
    Reload();
    return ok;
}

void ReferencesDlg::AddTyped() {
    ReferenceEntryDlg entry(this);
    if (entry.exec() != QDialog::Accepted) return;
    if (const std::optional<core::Reference> r = entry.Entered()) Add(*r);
}

bool ReferencesDlg::Add(const core::Reference &reference) {
    const bool ok = Saved(store_.Put(reference));
    for (int row = 0; row < table_->rowCount(); ++row)
        if (table_->item(row, NameColumn)->text().toStdString() == reference.name) table_->selectRow(row);
    return ok;
}

bool ReferencesDlg::AddColorSet(const core::ColorSet &set) {
    bool ok = true;
    for (const core::Reference &r : core::ReferencesOfColorSet(set)) ok = store_.Put(r) && ok;
    return Saved(ok);
}

void ReferencesDlg::ImportFile() {
    const core::ReferenceFileReader &reader = core::InstalledReferenceFileReader();
    if (!reader) return;
    platform::FileDialogRequest request;
    request.filter = core::platform::ResString(res::kStrImportFilter);
    const std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return;
    const core::ReferenceFileRead read = reader(*path);
    // Entries without conditions take D50/2°, those of the usual print references.
    const core::ImportResult result = read.error.empty() ? store_.Import(read.entries, core::ViewingConditions{})
                                                   : core::ImportResult{0, 0, read.error};
    if (!result.ok()) Tell(this, Res(res::kStrNotImported).arg(QString::fromStdString(result.error)));
    Reload();
}

bool ReferencesDlg::DeleteSelected() {
    const std::string name = SelectedName();
    return !name.empty() && Saved(store_.Remove(name));
}

bool ReferencesDlg::MakeSelectedActive() {
    const std::string name = SelectedName();
    return !name.empty() && Saved(store_.SetActive(name));
}

bool ReferencesDlg::SetNearest(bool on) {
    if (nearest_->isChecked() != on) nearest_->setChecked(on);  // toggles back into this slot once
    if (store_.NearestMode() == on) return true;
    return Saved(store_.SetNearestMode(on));
}

void RunReferencesWindow(QWidget *parent, core::ReferenceStore &store) {
    ReferencesDlg dlg(store, parent);
    dlg.exec();
}

bool UseAsReference(QWidget *parent, core::ReferenceStore &store, core::Reference reference, const std::string &proposed) {
    QInputDialog ask(parent);
    ask.setWindowTitle(core::platform::ResWindowTitle(res::kStrUseAsReference));
    ask.setLabelText(Res(res::kStrNamePrompt));
    ask.setTextValue(QString::fromStdString(proposed));
    ask.setOkButtonText(Res(res::kStrOk));
    ask.setCancelButtonText(Res(res::kStrCancel));
    if (ask.exec() != QDialog::Accepted) return false;
    const QString name = ask.textValue().trimmed();
    if (name.isEmpty()) return false;
    reference.name = name.toStdString();
    const bool saved = store.Put(reference);
    if (!saved && !store.saveError().empty())
        Tell(parent, Res(res::kStrNotSaved).arg(QString::fromStdString(store.saveError())));
    return saved;
}

}  // namespace ombra::ui
