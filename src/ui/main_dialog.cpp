#include "ui/main_dialog.h"

#include "base/message_text.h"
#include "base/user_report.h"
#include "formats/open_file.h"
#include "image/database_check.h"
#include "image/receiver_image.h"
#include "ui/about_dialog.h"
#include "ui/application_icon.h"
#include "ui/drag_list_ctrl.h"
#include "ui/editor_tools.h"
#include "ui/findings_dialog.h"
#include "ui/list_commands.h"
#include "ui/list_menus.h"
#include "ui/list_tools.h"
#include "ui/prompts.h"
#include "ui/qt_packer_runner.h"
#include "ui/shown_path.h"
#include "ui/template_layout.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QVBoxLayout>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <unordered_map>
#include <utility>

namespace corvane {

namespace {

const QString kCaption = QStringLiteral("Corvane [v1.0.3]");
// The base width of the 8-point dialog font the column widths were chosen for.
constexpr double kClassicBaseWidth = 6.0;
// Every antenna the lists show has this band switch frequency.

// Extra room when the window is larger than its template: the top lists share it across by
// their template widths, and the service list, which holds the most rows, gets half the height.
constexpr double kSatelliteWidthShare = 180.0 / (180.0 + 218.0);
constexpr double kTopHeightShare = 0.25;
constexpr double kServiceHeightShare = 0.5;
constexpr double kAntennaTopShare = kTopHeightShare + kServiceHeightShare;

// The current folder as the system names it; "." when it cannot be named (removed meanwhile).
std::string currentFolder() {
    std::string buffer(256, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(std::strlen(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE)
            return ".";
        buffer.resize(buffer.size() * 2);
    }
}

// "1 satellite", "2 satellites".
QString counted(std::size_t n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// A label that gives up room rather than take it, and then shows its text cut with an ellipsis,
// the whole text in its tool tip.
class ElidedLabel final : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};

} // namespace

MainDialog::MainDialog(UserPrompts& prompts, RecordEditors& editors, QWidget* parent)
    : QDialog(parent), prompts_(prompts), startDirectory_(currentFolder()) {
    setObjectName(QStringLiteral("mainDialog"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowIcon(applicationIcon());
    setSizeGripEnabled(false);
    buildControls();
    // Selections are read before the models reset and put back after they refill.
    connect(&document_, &Document::aboutToChange, this, &MainDialog::rememberSelection);
    satelliteModel_.watch(document_);
    transponderModel_.watch(document_);
    serviceModel_.watch(document_);
    antennaModel_.watch(document_);
    connect(&document_, &Document::changed, this, &MainDialog::onChanged);
    connect(&document_, &Document::restored, this, &MainDialog::onRestored);
    connect(&document_, &Document::modifiedChanged, this, &MainDialog::setWindowModified);
    connect(&document_, &Document::pathChanged, this, &MainDialog::updateTitle);
    commands_ = new ListCommands(*this, editors);
    menus_ = new ListMenus(*this, *commands_);
    tools_ = new EditorTools(*this, editors);
    listTools_ = new ListTools(*this);
    buildMenus();
    updateTitle();
    openButton_->setFocus();
}

MainDialog::~MainDialog() = default;

void MainDialog::buildMenus() {
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    layout()->setMenuBar(bar);

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("&Open..."), this, &MainDialog::onOpen);
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* save = file->addAction(QStringLiteral("&Save"), this, &MainDialog::onSave);
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addAction(tools_->exportReportAction());
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("&Quit"), this, &MainDialog::reject);
    buildFileHistory(file, save);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    undoAction_ = document_.history().createUndoAction(this);
    undoAction_->setObjectName(QStringLiteral("undoAction"));
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction_ = document_.history().createRedoAction(this);
    redoAction_->setObjectName(QStringLiteral("redoAction"));
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(edit, &QMenu::aboutToShow, this, [this, edit] {
        menus_->fillEditMenu(*edit);
        QAction* first = edit->actions().value(0);
        edit->insertActions(first, {undoAction_, redoAction_});
        edit->insertSeparator(first);
        listTools_->addEditItems(*edit);
    });

    bar->addMenu(QStringLiteral("&View"))->addMenu(tools_->encodingMenu());
    QMenu* toolsMenu = listTools_->addToolsMenu(*bar);
    toolsMenu->insertAction(toolsMenu->actions().value(0), tools_->checkAction());
    addAction(tools_->checkAction());

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    QAction* about = help->addAction(QStringLiteral("&About Corvane"), this, &MainDialog::onAbout);
    about->setShortcut(QKeySequence(Qt::Key_F1));
    // The actions' shortcuts work while the menus are closed only when the window has them too.
    addActions({open, save, quit, about, undoAction_, redoAction_});
    addActions(listTools_->shortcutActions());
}

void MainDialog::buildControls() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("templateArea"));
    auto* grid = new TemplateLayout(area, QSize(420, 402));
    using Growth = TemplateLayout::Growth;

    // Group boxes first: the lists drawn inside them are later siblings and so lie on top.
    const auto group = [&](const char* name, const char* title, QRect units, Growth growth) {
        auto* box = new QGroupBox(QString::fromLatin1(title), area);
        box->setObjectName(QString::fromLatin1(name));
        grid->addWidget(box, units, growth);
    };
    const Growth satellite{0, kSatelliteWidthShare, 0, kTopHeightShare};
    const Growth transponder{kSatelliteWidthShare, 1 - kSatelliteWidthShare, 0, kTopHeightShare};
    const Growth service{0, 1, kTopHeightShare, kServiceHeightShare};
    const Growth antenna{0, 1, kAntennaTopShare, 1 - kAntennaTopShare};
    group("satelliteGroup", "Satellite", QRect(8, 6, 180, 100), satellite);
    group("transponderGroup", "Transponder", QRect(194, 6, 218, 100), transponder);
    group("serviceGroup", "Service", QRect(8, 128, 404, 143), service);
    group("antennaGroup", "Antenna", QRect(8, 277, 404, 100), antenna);

    // Buttons keep their centres at the same fraction of the width.
    openButton_ = new QPushButton(QStringLiteral("Open"), area);
    openButton_->setObjectName(QStringLiteral("openButton"));
    openButton_->setDefault(true);
    grid->addWidget(openButton_, QRect(100, 379, 50, 16), {125.0 / 420.0, 0, 1, 0});
    saveButton_ = new QPushButton(QStringLiteral("Save"), area);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    grid->addWidget(saveButton_, QRect(270, 379, 50, 16), {295.0 / 420.0, 0, 1, 0});

    const auto list = [&](const char* name, QRect units, Growth growth) {
        auto* view = new DragListCtrl(area);
        view->setObjectName(QString::fromLatin1(name));
        grid->addWidget(view, units, growth);
        return view;
    };
    satelliteList_ = list("satelliteList", QRect(15, 16, 164, 84), satellite);
    transponderList_ = list("transponderList", QRect(201, 16, 204, 84), transponder);
    serviceList_ = list("serviceList", QRect(15, 138, 390, 128), service);
    antennaList_ = list("antennaList", QRect(15, 287, 390, 84), antenna);
    satelliteList_->setSelectionHiddenWithoutFocus(true);

    showAllBox_ = new QCheckBox(QStringLiteral("Show All Channel"), area);
    showAllBox_->setObjectName(QStringLiteral("showAllBox"));
    Growth rightAligned{1, 0, kTopHeightShare, 0};
    rightAligned.widenLeftToFit = true;
    grid->addWidget(showAllBox_, QRect(330, 113, 75, 10), rightAligned);

    outer->addWidget(area, 1);
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("statusBar"));
    countsLabel_ = new ElidedLabel(statusBar_);
    countsLabel_->setObjectName(QStringLiteral("countsLabel"));
    countsLabel_->setContentsMargins(4, 0, 4, 0);
    // At the right, beside the messages; it gives up its room before they do.
    statusBar_->addPermanentWidget(countsLabel_);
    updateCounts();
    outer->addWidget(statusBar_);

    setUpList(satelliteList_, satelliteModel_, satelliteModel_.columns());
    setUpList(transponderList_, transponderModel_, transponderModel_.columns());
    setUpList(serviceList_, serviceModel_, serviceModel_.columns());
    setUpList(antennaList_, antennaModel_, antennaModel_.columns());

    setTabOrder(openButton_, saveButton_);
    setTabOrder(saveButton_, satelliteList_);
    setTabOrder(satelliteList_, transponderList_);
    setTabOrder(transponderList_, serviceList_);
    setTabOrder(serviceList_, antennaList_);
    setTabOrder(antennaList_, showAllBox_);

    connect(openButton_, &QPushButton::clicked, this, &MainDialog::onOpen);
    connect(saveButton_, &QPushButton::clicked, this, &MainDialog::onSave);
    connect(satelliteList_, &QAbstractItemView::clicked, this, &MainDialog::onSatelliteListClick);
    connect(transponderList_, &QAbstractItemView::clicked, this,
            &MainDialog::onTransponderListClick);
    connect(showAllBox_, &QCheckBox::clicked, this, &MainDialog::onShowAllChannel);
}

void MainDialog::setUpList(DragListCtrl* list, QAbstractItemModel& model,
                           std::span<const ListColumn> columns) {
    list->setModel(&model);
    // The widths were chosen for the classic dialog font; they grow with the font like the
    // template does, and never cut a header short.
    const DialogUnits units(list->font());
    QHeaderView* header = list->horizontalHeader();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int section = static_cast<int>(c);
        const int scaled =
            static_cast<int>(std::lround(columns[c].width * units.baseWidth() / kClassicBaseWidth));
        header->resizeSection(section, std::max(scaled, header->sectionSizeHint(section)));
    }
    // The last column takes what a larger window gives; it keeps at least its own width.
    header->setStretchLastSection(true);
}

void MainDialog::rememberSelection(RecordKind kind) {
    KeptSelection& kept = keptSelection_[static_cast<std::size_t>(kind)];
    kept = {};
    DragListCtrl* list = commands_ ? commands_->listOf(kind) : nullptr;
    if (!list)
        return;
    for (const int32_t row : list->selectedRowIndexes())
        if (const auto key = commands_->keyOfRow(kind, row))
            kept.selected.push_back(*key);
    kept.current = commands_->keyOfRow(kind, list->currentIndex().row());
}

void MainDialog::restoreSelection(RecordKind kind) {
    const KeptSelection kept = std::exchange(keptSelection_[static_cast<std::size_t>(kind)], {});
    DragListCtrl* list = commands_ ? commands_->listOf(kind) : nullptr;
    if (!list || (kept.selected.empty() && !kept.current))
        return;
    QAbstractItemModel* model = list->model();
    // The first row of each key, as a lookup by key finds it.
    std::unordered_map<int32_t, int> rowOf;
    for (int row = model->rowCount() - 1; row >= 0; --row)
        if (const auto key = commands_->keyOfRow(kind, row))
            rowOf[*key] = row;
    std::vector<int> rows;
    for (const int32_t key : kept.selected)
        if (const auto it = rowOf.find(key); it != rowOf.end())
            rows.push_back(it->second);
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i + 1;
        while (j < rows.size() && rows[j] <= rows[j - 1] + 1)
            ++j;
        selection.select(model->index(rows[i], 0),
                         model->index(rows[j - 1], model->columnCount() - 1));
        i = j;
    }
    QItemSelectionModel* selected = list->selectionModel();
    if (kept.current)
        if (const auto it = rowOf.find(*kept.current); it != rowOf.end())
            selected->setCurrentIndex(model->index(it->second, 0), QItemSelectionModel::NoUpdate);
    selected->select(selection, QItemSelectionModel::ClearAndSelect);
}

void MainDialog::onChanged(RecordKind kind) {
    restoreSelection(kind);
    updateCounts();
    if (kind == RecordKind::Service)
        fitServiceNumbers();
}

void MainDialog::selectKeys(RecordKind kind, std::span<const int32_t> keys) {
    if (keys.empty())
        return;
    const ChannelDatabase& db = database();
    if (kind == RecordKind::Transponder) {
        const auto t = db.transponders.find(keys.front());
        if (t != db.transponders.end() && transponderFilter() >= 0 &&
            t->satelliteId != transponderFilter())
            fillTransponderList(t->satelliteId);
    } else if (kind == RecordKind::Service && serviceFilter() >= 0) {
        const auto v = db.services.find(static_cast<int32_t>(int64_t{keys.front()} - 1));
        if (v != db.services.end() && v->transponderId != serviceFilter())
            showAllBox_->click();
    }
    keptSelection_[static_cast<std::size_t>(kind)] = {{keys.begin(), keys.end()}, keys.front()};
    restoreSelection(kind);
    DragListCtrl* list = commands_->listOf(kind);
    if (list->currentIndex().isValid())
        list->scrollTo(list->currentIndex());
}

void MainDialog::onRestored(const TouchedRows& rows, bool undone) {
    selectKeys(rows.kind, undone ? rows.before : rows.after);
}

void MainDialog::updateTitle() {
    QString title = kCaption;
    if (!currentPath().empty())
        title += QStringLiteral(" - ") + shownFileName(currentPath());
    setWindowTitle(title + QStringLiteral("[*]"));
}

void MainDialog::fillSatelliteList() {
    satelliteModel_.refill();
}

void MainDialog::fillTransponderList(int32_t satelliteFilter) {
    transponderModel_.setFilter(satelliteFilter);
}

void MainDialog::fillServiceList(int32_t transponderFilter) {
    serviceModel_.setFilter(transponderFilter);
    fitServiceNumbers();
}

void MainDialog::fillAntennaList() {
    antennaModel_.refill();
}

void MainDialog::fitServiceNumbers() {
    QHeaderView* header = serviceList_->horizontalHeader();
    if (serviceNumberWidth_ == 0)
        serviceNumberWidth_ = header->sectionSize(0);
    int widest = 0;
    for (const ServiceRecord& s : database().services)
        widest = std::max(widest, static_cast<int>(QString::number(int64_t{s.number} + 1).size()));
    // Cell padding as the header's own hint for its caption allows.
    const QFontMetrics metrics(serviceList_->font());
    const int needed = metrics.horizontalAdvance(QString(widest, u'0')) +
                       header->sectionSizeHint(0) -
                       header->fontMetrics().horizontalAdvance(QStringLiteral("No."));
    header->resizeSection(0, std::max(serviceNumberWidth_, needed));
}

void MainDialog::updateCounts() {
    if (!countsLabel_)
        return;
    const QString text =
        QStringList{
            counted(database().satellites.size(), "satellite", "satellites"),
            counted(database().transponders.size(), "transponder", "transponders"),
            counted(database().services.size(), "service", "services"),
            counted(database().antennas.size(), "antenna", "antennas"),
        }
            .join(QStringLiteral(", "));
    countsLabel_->setText(text);
    countsLabel_->setToolTip(text);
}

std::optional<int32_t> MainDialog::currentSatellite() const {
    return satelliteModel_.key(satelliteList_->currentIndex().row());
}

std::optional<int32_t> MainDialog::currentTransponder() const {
    return transponderModel_.key(transponderList_->currentIndex().row());
}

bool MainDialog::showAllChannels() const {
    return showAllBox_->isChecked();
}

void MainDialog::onSatelliteListClick(const QModelIndex& index) {
    if (const auto key = satelliteModel_.key(index.row()))
        fillTransponderList(*key);
}

void MainDialog::onTransponderListClick(const QModelIndex& index) {
    const auto key = transponderModel_.key(index.row());
    if (!key)
        return;
    showAllBox_->setChecked(false);
    fillServiceList(*key);
}

void MainDialog::onShowAllChannel() {
    if (showAllBox_->isChecked()) {
        fillServiceList(-1);
        return;
    }
    fillServiceList(currentTransponder().value_or(-1));
}

bool MainDialog::confirmDiscardChanges() {
    if (!isModified())
        return true;
    switch (prompts_.askSaveDiscardCancel(
        this, QStringLiteral("The channel list has changes that are not saved.\n"
                             "Save them before going on?"))) {
    case UnsavedChanges::Save:
        return onSave();
    case UnsavedChanges::Discard:
        return true;
    case UnsavedChanges::Cancel:
        break;
    }
    return false;
}

namespace {

// The record at `position` of `list`, found by a walk: a finding is shown on a double click.
template <class Record>
const Record* recordAt(const RecordList<Record>& list, std::optional<std::size_t> position) {
    if (!position || *position >= list.size())
        return nullptr;
    auto at = list.begin();
    std::advance(at, static_cast<std::ptrdiff_t>(*position));
    return &*at;
}

template <class Record>
void selectRecord(DragListCtrl* list, const RecordTableModel<Record>& model, const Record* record) {
    for (int row = 0; record && row < model.rowCount(); ++row)
        if (model.record(row) == record) {
            list->setCurrentIndex(model.index(row, 0));
            list->scrollTo(model.index(row, 0));
            return;
        }
}

} // namespace

void MainDialog::showFinding(const Finding& finding) {
    switch (finding.record) {
    case RecordKind::Satellite:
        selectRecord(satelliteList_, satelliteModel_,
                     recordAt(database().satellites, finding.position));
        break;
    case RecordKind::Transponder:
        if (const auto* t = recordAt(database().transponders, finding.position)) {
            fillTransponderList(t->satelliteId);
            selectRecord(transponderList_, transponderModel_, t);
        }
        break;
    case RecordKind::Service:
        if (const auto* v = recordAt(database().services, finding.position)) {
            if (!showAllChannels())
                showAllBox_->click();
            selectRecord(serviceList_, serviceModel_, v);
        }
        break;
    case RecordKind::Antenna:
        selectRecord(antennaList_, antennaModel_, recordAt(database().antennas, finding.position));
        break;
    }
}

void MainDialog::onOpen() {
    if (!confirmDiscardChanges())
        return;
    const QString path = prompts_.openFileName(
        this, {QStringLiteral("All Support (*.txt *.ftc *.cdd *.bin)"),
               QStringLiteral("SatcoDX (*.sdx)"), QStringLiteral("satellites.xml (*.xml)"),
               QStringLiteral("corvane-tool JSON (*.json)"), QStringLiteral("All files (*)")});
    if (!path.isEmpty())
        openFile(QFile::encodeName(path).toStdString());
}

bool MainDialog::openFile(const std::string& path, std::optional<FileFormat> format) {
    ChannelDatabase fresh;
    const auto result = corvane::openFileAs(fresh, path, format.value_or(formatOfPath(path)));
    if (result.ok()) {
        // What the antenna list and dialog would set anyway is set once here, as part of the
        // opened state, rather than by showing them: the user has changed nothing.
        const std::size_t antennasSet = settleAntennas(fresh.antennas).centerFrequencies;
        // The old rows' numbers would name other services now.
        if (!showAllBox_->isChecked())
            serviceModel_.showNone();
        // The cut buffers survive, so that records cut before can be pasted into the new data.
        document_.open(std::move(fresh), path);
        fillTransponderList(0);
        showOpenedStatus(static_cast<int>(antennasSet));
        rememberFile(path);
    }
    // One box per text, the last with the file and the cause under it (the path where no cause
    // is known).
    const UserReport told = userReport(result);
    const QString where =
        told.where.empty() ? shownPath(path) : QString::fromLocal8Bit(told.where.c_str());
    for (std::size_t i = 0; i < told.texts.size(); ++i) {
        const bool last = i + 1 == told.texts.size();
        prompts_.message(this, MessageIcon::Exclamation,
                         QString::fromLocal8Bit(told.texts[i].c_str()), last ? where : QString());
    }
    return result.ok();
}

void MainDialog::showOpenedStatus(int antennasSet) {
    updateCounts();
    QString text = QStringLiteral("%1: opened").arg(shownFileName(currentPath()));
    if (antennasSet > 0)
        text += QStringLiteral("; centre frequency set to %1 MHz on %2")
                    .arg(kDefaultCenterFreq)
                    .arg(counted(static_cast<std::size_t>(antennasSet), "antenna", "antennas"));
    statusBar_->showMessage(text);
}

bool MainDialog::onSave() {
    if (database().satelliteCount <= 0) {
        prompts_.message(this, MessageIcon::Exclamation, QString::fromLatin1(kNoDataToSave));
        return false;
    }
    // The file is to hold what the lists show; where it would not, the user decides first.
    const std::vector<Finding> findings = checkDatabase(database());
    const auto unchanged = static_cast<std::size_t>(
        std::count_if(findings.begin(), findings.end(),
                      [](const Finding& f) { return !findingStopsTheSave(f); }));
    if (unchanged < findings.size() &&
        !prompts_.saveDespiteFindings(this, findings,
                                      [&](std::size_t i) { showFinding(findings[i]); }))
        return false;
    const QString chosen = prompts_.saveFileName(this, {QStringLiteral("Rs232 file (*.rs232)")},
                                                 QStringLiteral("cdd"));
    if (chosen.isEmpty())
        return false;
    // One question for both files a Save replaces, before either is touched.
    const SavePaths targets = savePaths(QFile::encodeName(chosen).toStdString());
    QStringList existing;
    for (const std::string& path : {targets.cdd, targets.image})
        if (std::filesystem::exists(std::filesystem::symlink_status(path)))
            existing << shownFileName(path);
    if (!existing.isEmpty() &&
        !prompts_.askYesNo(
            this, MessageIcon::Exclamation,
            (existing.size() == 1 ? QStringLiteral("%1 already exists.\n")
                                  : QStringLiteral("%1 already exist.\n"))
                    .arg(existing.join(QStringLiteral(" and "))) +
                QStringLiteral("Do you want to replace %1?")
                    .arg(existing.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"))))
        return false;

    const std::string input = currentPath();
    QtPackerRunner packer;
    Result<SavePaths, SaveStep> saved;
    {
        // Shown for the whole Save: the packer alone may take seconds on a full list.
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        saving_ = true;
        const auto restore = qScopeGuard([this] {
            saving_ = false;
            QGuiApplication::restoreOverrideCursor();
        });
        // The pair that was there before this run first saved over it is kept as .bak files;
        // later Saves in the run replace only the files this run wrote.
        SaveOptions options;
        options.keepBackup = !backedUp_.contains(targets.cdd);
        saved = saveDatabase(database(), QFile::encodeName(chosen).toStdString(), startDirectory_,
                             packer, options);
    }
    if (saved.ok()) {
        backedUp_.insert(saved.value.cdd);
        markSaved(saved.value.cdd);
        rememberFile(saved.value.cdd);
        tools_->saved(input, saved.value);
        QString said = QStringLiteral("Saved %1 and the receiver image %2")
                           .arg(shownFileName(saved.value.cdd), shownFileName(saved.value.image));
        if (unchanged > 0)
            said += QStringLiteral("; the check found %1 that change%2 nothing in the file")
                        .arg(unchanged == 1 ? QStringLiteral("1 thing")
                                            : QStringLiteral("%1 things").arg(unchanged),
                             unchanged == 1 ? QStringLiteral("s") : QString());
        statusBar_->showMessage(said);
    } else {
        // One box: the texts as its lines, the file and the cause under them.
        const UserReport told = userReport(saved);
        QStringList lines;
        for (const std::string& line : told.texts)
            lines << QString::fromLocal8Bit(line.c_str());
        QString details = QString::fromLocal8Bit(told.where.c_str());
        // The cause holds the first line the packer complained with; the end of what it said
        // may tell more.
        if (saved.code == SaveStep::RunPacker) {
            const std::string tail = outputTail(packer.errorOutput());
            if (!tail.empty() && saved.cause.find(tail) == std::string::npos)
                details += QStringLiteral("\n\nThe end of its error output:\n") +
                           QString::fromUtf8(tail.c_str());
        }
        prompts_.message(this, MessageIcon::Exclamation, lines.join(QLatin1Char('\n')), details);
    }
    // Asked for while the Save ran; now it is done, the request goes on as usual.
    if (std::exchange(quitAfterSave_, false) || packer.quitRequested())
        reject();
    return saved.ok();
}

void MainDialog::onAbout() {
    auto* about = new AboutDialog(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

void MainDialog::reject() {
    if (saving_) {
        quitAfterSave_ = true;
        return;
    }
    if (confirmDiscardChanges()) {
        rememberWindow();
        QDialog::reject();
    }
}

} // namespace corvane
