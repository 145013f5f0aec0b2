#include "ui/main_dialog.h"

#include "base/message_text.h"
#include "base/user_report.h"
#include "formats/open_file.h"
#include "image/database_check.h"
#include "image/receiver_image.h"
#include "ui/about_dialog.h"
#include "ui/application_icon.h"
#include "ui/drag_list_ctrl.h"
#include "ui/findings_dialog.h"
#include "ui/list_commands.h"
#include "ui/list_menus.h"
#include "ui/prompts.h"
#include "ui/qt_packer_runner.h"
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
#include <utility>

namespace corvane {

namespace {

const QString kCaption = QStringLiteral("Corvane [v1.0.3]");
// The base width of the 8-point dialog font the column widths were chosen for.
constexpr double kClassicBaseWidth = 6.0;
// Every antenna the lists show has this band switch frequency.
constexpr int32_t kCenterFrequency = 11700;

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

// A path's bytes for the user to read.
QString shownPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString shownFileName(const std::string& path) {
    return shownPath(std::filesystem::path(path).filename().string());
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

template <class Record, class Keep>
std::vector<const Record*> rowsOf(const RecordList<Record>& list, Keep keep) {
    std::vector<const Record*> rows;
    rows.reserve(list.size());
    for (const Record& r : list)
        if (keep(r))
            rows.push_back(&r);
    return rows;
}

} // namespace

MainDialog::MainDialog(UserPrompts& prompts, RecordEditors& editors, QWidget* parent)
    : QDialog(parent), prompts_(prompts), startDirectory_(currentFolder()) {
    setObjectName(QStringLiteral("mainDialog"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowIcon(applicationIcon());
    setSizeGripEnabled(false);
    buildControls();
    commands_ = new ListCommands(*this, editors);
    menus_ = new ListMenus(*this, *commands_);
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
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("&Quit"), this, &MainDialog::reject);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    connect(edit, &QMenu::aboutToShow, this, [this, edit] { menus_->fillEditMenu(*edit); });

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    QAction* about = help->addAction(QStringLiteral("&About Corvane"), this, &MainDialog::onAbout);
    about->setShortcut(QKeySequence(Qt::Key_F1));
    // The actions' shortcuts work while the menus are closed only when the window has them too.
    addActions({open, save, quit, about});
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

bool MainDialog::changeDatabase(const std::function<bool(ChannelDatabase&)>& change) {
    // Counted whatever the answer: `change` had the database in its hands.
    ++changeGeneration_;
    const bool changed = change(database_);
    if (changed) {
        setModified(true);
        updateCounts();
        // "Sat ID" is looked up through the transponders, so a change that refreshes no service
        // row (a transponder cut, say) can still change what the shown rows must say.
        serviceList_->viewport()->update();
    }
    return changed;
}

void MainDialog::markSaved(const std::string& path) {
    currentPath_ = path;
    setModified(false);
    updateTitle();
}

void MainDialog::setModified(bool modified) {
    setWindowModified(modified);
}

void MainDialog::updateTitle() {
    QString title = kCaption;
    if (!currentPath_.empty())
        title += QStringLiteral(" - ") + shownFileName(currentPath_);
    setWindowTitle(title + QStringLiteral("[*]"));
}

void MainDialog::fillSatelliteList() {
    satelliteModel_.setRows(
        rowsOf(database_.satellites, [](const SatelliteRecord&) { return true; }));
}

void MainDialog::fillTransponderList(int32_t satelliteFilter) {
    transponderFilter_ = satelliteFilter;
    transponderModel_.setRows(rowsOf(database_.transponders, [&](const TransponderRecord& t) {
        return satelliteFilter < 0 || t.satelliteId == satelliteFilter;
    }));
}

void MainDialog::fillServiceList(int32_t transponderFilter) {
    serviceFilter_ = transponderFilter;
    // Walking the transponders costs as much as walking the services, and clicks refill this list
    // often; the lookup stays good until the database changes.
    if (satelliteIdsGeneration_ != changeGeneration_) {
        serviceModel_.rebuildSatelliteIds(database_.transponders);
        satelliteIdsGeneration_ = changeGeneration_;
    }
    serviceModel_.setRows(rowsOf(database_.services, [&](const ServiceRecord& s) {
        return transponderFilter < 0 || s.transponderId == transponderFilter;
    }));
    fitServiceNumbers();
}

void MainDialog::fitServiceNumbers() {
    QHeaderView* header = serviceList_->horizontalHeader();
    if (serviceNumberWidth_ == 0)
        serviceNumberWidth_ = header->sectionSize(0);
    int widest = 0;
    for (const ServiceRecord& s : database_.services)
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
            counted(database_.satellites.size(), "satellite", "satellites"),
            counted(database_.transponders.size(), "transponder", "transponders"),
            counted(database_.services.size(), "service", "services"),
            counted(database_.antennas.size(), "antenna", "antennas"),
        }
            .join(QStringLiteral(", "));
    countsLabel_->setText(text);
    countsLabel_->setToolTip(text);
}

int MainDialog::fillAntennaList() {
    int set = 0;
    changeDatabase([&set](ChannelDatabase& db) {
        for (AntennaRecord& a : db.antennas)
            if (a.centerFreq != kCenterFrequency) {
                a.centerFreq = kCenterFrequency;
                ++set;
            }
        return set > 0;
    });
    antennaModel_.setRows(rowsOf(database_.antennas, [](const AntennaRecord&) { return true; }));
    return set;
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
                     recordAt(database_.satellites, finding.position));
        break;
    case RecordKind::Transponder:
        if (const auto* t = recordAt(database_.transponders, finding.position)) {
            fillTransponderList(t->satelliteId);
            selectRecord(transponderList_, transponderModel_, t);
        }
        break;
    case RecordKind::Service:
        if (const auto* v = recordAt(database_.services, finding.position)) {
            if (!showAllChannels())
                showAllBox_->click();
            selectRecord(serviceList_, serviceModel_, v);
        }
        break;
    case RecordKind::Antenna:
        selectRecord(antennaList_, antennaModel_, recordAt(database_.antennas, finding.position));
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

bool MainDialog::openFile(const std::string& path) {
    ChannelDatabase fresh;
    const auto result = corvane::openFile(fresh, path);
    if (result.ok()) {
        // The rows point at the old records: no list may show them once they are gone. The cut
        // buffers survive, so that records cut before can be pasted into the new data.
        satelliteModel_.setRows({});
        transponderModel_.setRows({});
        serviceModel_.setRows({});
        antennaModel_.setRows({});
        database_.replaceRecords(std::move(fresh));
        ++changeGeneration_;
        currentPath_ = path;
        fillSatelliteList();
        fillTransponderList(0);
        const int antennasSet = fillAntennaList();
        // The old rows' numbers would name other services now.
        if (showAllBox_->isChecked())
            fillServiceList(-1);
        else
            serviceModel_.setRows({});
        // What the fills normalised belongs to the opened state: the user has changed nothing.
        setModified(false);
        updateTitle();
        showOpenedStatus(antennasSet);
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
    QString text = QStringLiteral("%1: opened").arg(shownFileName(currentPath_));
    if (antennasSet > 0)
        text += QStringLiteral("; centre frequency set to %1 MHz on %2")
                    .arg(kCenterFrequency)
                    .arg(counted(static_cast<std::size_t>(antennasSet), "antenna", "antennas"));
    statusBar_->showMessage(text);
}

bool MainDialog::onSave() {
    if (database_.satelliteCount <= 0) {
        prompts_.message(this, MessageIcon::Exclamation, QString::fromLatin1(kNoDataToSave));
        return false;
    }
    // The file is to hold what the lists show; where it would not, the user decides first.
    const std::vector<Finding> findings = checkDatabase(database_);
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
        saved = saveDatabase(database_, QFile::encodeName(chosen).toStdString(), startDirectory_,
                             packer, options);
    }
    if (saved.ok()) {
        backedUp_.insert(saved.value.cdd);
        markSaved(saved.value.cdd);
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
    if (confirmDiscardChanges())
        QDialog::reject();
}

} // namespace corvane
