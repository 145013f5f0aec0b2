#include "ui/list_commands.h"

#include "base/saturate.h"
#include "model/channel_database.h"
#include "model/drop_order.h"
#include "ui/drag_list_ctrl.h"
#include "ui/latin1.h"
#include "ui/list_command_table.h"
#include "ui/main_dialog.h"
#include "ui/prompts.h"
#include "ui/record_editors.h"

#include <QStatusBar>

#include <algorithm>
#include <type_traits>

namespace corvane {

namespace {

// A service row shows number + 1, worked out in 64 bits and wrapped as the list does.
int32_t serviceNumber(int32_t rowKey) {
    return static_cast<int32_t>(static_cast<int64_t>(rowKey) - 1);
}

template <class Record> const RecordList<Record>& recordsOf(const ChannelDatabase& db) {
    if constexpr (std::is_same_v<Record, SatelliteRecord>)
        return db.satellites;
    else if constexpr (std::is_same_v<Record, TransponderRecord>)
        return db.transponders;
    else if constexpr (std::is_same_v<Record, ServiceRecord>)
        return db.services;
    else
        return db.antennas;
}

template <class Record> const Record* findRecord(const ChannelDatabase& db, int32_t key) {
    const RecordList<Record>& list = recordsOf<Record>(db);
    const auto it = list.find(key);
    return it == list.end() ? nullptr : &*it;
}

// The first record with `key` gets `value`; false when there is none.
template <class Record> bool storeRecord(ChannelDatabase& db, int32_t key, const Record& value) {
    RecordList<Record>& list = db.list<Record>();
    const auto it = list.find(key);
    if (it == list.end() || *it == value)
        return false;
    *it = value;
    return true;
}

// Records in all four lists: a cut changed the data when it moved or freed any of them.
std::size_t recordTotal(const ChannelDatabase& db) {
    return db.satellites.size() + db.transponders.size() + db.services.size() + db.antennas.size();
}

QString nameText(const RecordName& name) {
    return textFromNameBytes(nameView(name));
}

} // namespace

ListCommands::ListCommands(MainDialog& window, RecordEditors& editors)
    : QObject(&window), window_(window), editors_(editors) {
    for (const RecordKind kind : kLists)
        connectDrops(kind);
}

void ListCommands::connectDrops(RecordKind kind) {
    DragListCtrl* list = listOf(kind);
    connect(list, &DragListCtrl::dropStarted, this, [this, kind] {
        dropping_ = kind;
        dropMoves_.clear();
    });
    connect(list, &DragListCtrl::dropFinished, this, [this, kind] {
        dropping_.reset();
        const std::vector<DropMove> moves = std::move(dropMoves_);
        dropMoves_.clear();
        applyMoves(kind, moves);
    });
    switch (kind) {
    case RecordKind::Satellite:
        list->moveCallback = [this](int32_t k, int32_t f, int32_t t) { moveSatellite(k, f, t); };
        break;
    case RecordKind::Transponder:
        list->moveCallback = [this](int32_t k, int32_t f, int32_t t) { moveTransponder(k, f, t); };
        break;
    case RecordKind::Service:
        list->moveCallback = [this](int32_t k, int32_t f, int32_t t) { moveService(k, f, t); };
        break;
    case RecordKind::Antenna:
        list->moveCallback = [this](int32_t k, int32_t f, int32_t t) { moveAntenna(k, f, t); };
        break;
    }
}

DragListCtrl* ListCommands::listOf(RecordKind kind) const {
    switch (kind) {
    case RecordKind::Satellite:
        return window_.satelliteList();
    case RecordKind::Transponder:
        return window_.transponderList();
    case RecordKind::Service:
        return window_.serviceList();
    case RecordKind::Antenna:
        return window_.antennaList();
    }
    return nullptr;
}

std::optional<int32_t> ListCommands::keyOfRow(RecordKind kind, int row) const {
    switch (kind) {
    case RecordKind::Satellite:
        return window_.satelliteModel().key(row);
    case RecordKind::Transponder:
        return window_.transponderModel().key(row);
    case RecordKind::Service:
        return window_.serviceModel().key(row);
    case RecordKind::Antenna:
        return window_.antennaModel().key(row);
    }
    return std::nullopt;
}

std::vector<int32_t> ListCommands::selectedKeys(RecordKind kind) const {
    std::vector<int32_t> keys;
    for (const int32_t row : listOf(kind)->selectedRowIndexes())
        if (const auto key = keyOfRow(kind, row))
            keys.push_back(*key);
    return keys;
}

bool ListCommands::isAvailable(RecordKind list, int command, std::optional<int32_t> key) const {
    const auto verb = verbOf(list, command);
    if (!verb)
        return false;
    const ChannelDatabase& db = window_.database();
    const bool showAll = window_.showAllChannels();
    switch (*verb) {
    case kEdit:
    case kDelete:
    case kAddChild:
        return key.has_value();
    case kAdd:
        if (list == RecordKind::Transponder)
            return window_.satelliteList()->selectionModel()->hasSelection();
        if (list == RecordKind::Service)
            return window_.transponderList()->selectionModel()->hasSelection() && !showAll;
        return true;
    case kCut:
        return key && (list != RecordKind::Service || showAll);
    case kPaste:
        if (!key)
            return false;
        switch (list) {
        case RecordKind::Satellite:
            return !db.satelliteClipboard.empty();
        case RecordKind::Transponder:
            return !db.transponderClipboard.empty() &&
                   db.transponderClipboard.front().satelliteId ==
                       window_.currentSatellite().value_or(-1);
        case RecordKind::Service:
            return showAll && !db.serviceClipboard.empty();
        case RecordKind::Antenna:
            return !db.antennaClipboard.empty();
        }
    }
    return false;
}

void ListCommands::run(RecordKind list, int command, std::optional<int32_t> key) {
    if (!isAvailable(list, command, key))
        return;
    const int32_t k = key.value_or(-1);
    switch (command) {
    case kSatelliteEdit:
        return editSatellite(k);
    case kSatelliteAdd:
        return addSatellite();
    case kSatelliteDelete:
        return deleteSatellite(k);
    case kSatelliteCut:
        return cutSatellites();
    case kSatellitePaste:
        return pasteSatellites(k);
    case kSatelliteAddTransponder:
        return addTransponderTo(k);
    case kTransponderEdit:
        return editTransponder(k);
    case kTransponderAdd:
        return addTransponder();
    case kTransponderDelete:
        return deleteTransponder(k);
    case kTransponderCut:
        return cutTransponders();
    case kTransponderPaste:
        return pasteTransponders(k);
    case kTransponderAddService:
        return addServiceTo(k);
    default:
        break;
    }
    const bool antenna = list == RecordKind::Antenna;
    switch (command) {
    case kServiceEdit:
        return antenna ? editAntenna(k) : editService(k);
    case kServiceAdd:
        return antenna ? addAntenna() : addService();
    case kServiceDelete:
        return antenna ? deleteAntenna(k) : deleteService(k);
    case kServiceCut:
        return antenna ? cutAntennas() : cutServices();
    case kServicePaste:
        return antenna ? pasteAntennas(k) : pasteServices(k);
    default:
        return;
    }
}

bool ListCommands::confirmDelete(const QString& what) {
    return window_.prompts().askYesNo(&window_, MessageIcon::None,
                                      QStringLiteral("[%1] Delete ?").arg(what));
}

ListCommands::Sizes ListCommands::sizes() const {
    const ChannelDatabase& db = window_.database();
    return {db.transponders.size(), db.services.size(), db.antennas.size()};
}

void ListCommands::refillAfterCascades(const Sizes& before, bool transponderListRefilled) {
    const Sizes now = sizes();
    if (now.transponders != before.transponders && !transponderListRefilled)
        window_.fillTransponderList(window_.transponderFilter());
    if (now.services != before.services)
        window_.fillServiceList(window_.serviceFilter());
    if (now.antennas != before.antennas)
        window_.fillAntennaList();
}

// Satellite list ---------------------------------------------------------------------------------

void ListCommands::editSatellite(int32_t key) {
    const SatelliteRecord* found = findRecord<SatelliteRecord>(window_.database(), key);
    if (!found)
        return;
    SatelliteRecord edited = *found;
    if (!editors_.editSatellite(&window_, edited))
        return;
    if (window_.changeDatabase([&](ChannelDatabase& db) { return storeRecord(db, key, edited); }))
        window_.satelliteModel().refresh();
}

void ListCommands::addSatellite() {
    const auto id = window_.database().newSatelliteId();
    if (!id) {
        window_.prompts().message(&window_, MessageIcon::Exclamation,
                                  QStringLiteral("The channel list is full: every satellite id "
                                                 "from 0 to 255 is in use."));
        return;
    }
    SatelliteRecord added;
    added.id = *id;
    if (!editors_.editSatellite(&window_, added))
        return;
    const SatelliteRecord* satellite = nullptr;
    const AntennaRecord* antenna = nullptr;
    window_.changeDatabase([&](ChannelDatabase& db) {
        antenna = &db.addDefaultAntennaFor(added.id);
        satellite = &db.satellites.append(added);
        db.satelliteCount = saturatingAdd(db.satelliteCount, 1);
        return true;
    });
    // Both records went to the end of their lists, so their rows go to the end too.
    window_.antennaModel().appendRow(antenna);
    window_.satelliteModel().appendRow(satellite);
}

void ListCommands::deleteSatellite(int32_t key) {
    const SatelliteRecord* found = findRecord<SatelliteRecord>(window_.database(), key);
    if (!found || !confirmDelete(nameText(found->name)))
        return;
    const Sizes before = sizes();
    // The row goes before its record does.
    window_.satelliteModel().removeRowsOf(found);
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.deleteSatellite(db.satellites.find(key));
        return true;
    });
    refillAfterCascades(before, false);
}

void ListCommands::cutSatellites() {
    const std::vector<int32_t> keys = selectedKeys(RecordKind::Satellite);
    const Sizes before = sizes();
    const std::size_t total = recordTotal(window_.database());
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.cut(RecordKind::Satellite, keys);
        return recordTotal(db) != total;
    });
    window_.fillSatelliteList();
    refillAfterCascades(before, false);
}

void ListCommands::pasteSatellites(int32_t key) {
    if (!findRecord<SatelliteRecord>(window_.database(), key))
        return;
    std::optional<std::vector<ChannelDatabase::IdChange>> changes;
    window_.changeDatabase([&](ChannelDatabase& db) {
        changes = db.freeClashingClipboardSatelliteIds();
        return changes && db.paste(RecordKind::Satellite, key);
    });
    if (!changes) {
        window_.prompts().message(&window_, MessageIcon::Exclamation,
                                  QStringLiteral("The channel list is full: there are no free "
                                                 "satellite ids for the satellites to paste."));
        return;
    }
    window_.fillSatelliteList();
    if (!changes->empty()) {
        QStringList said;
        for (const ChannelDatabase::IdChange& c : *changes)
            said << QStringLiteral("%1 is now %2").arg(c.from).arg(c.to);
        window_.statusBar()->showMessage(
            QStringLiteral("Pasted satellites whose ids were taken got free ones: ") +
            said.join(QStringLiteral(", ")));
    }
}

void ListCommands::addTransponderTo(int32_t satelliteId) {
    TransponderRecord added;
    added.id = window_.database().transponderCount;
    added.satelliteId = added.antennaId = satelliteId;
    if (!editors_.editTransponder(&window_, added))
        return;
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.transponders.append(added);
        db.transponderCount = saturatingAdd(db.transponderCount, 1);
        return true;
    });
    window_.fillTransponderList(satelliteId);
}

// Transponder list -------------------------------------------------------------------------------

void ListCommands::editTransponder(int32_t key) {
    const TransponderRecord* found = findRecord<TransponderRecord>(window_.database(), key);
    if (!found)
        return;
    const int32_t satellite = window_.currentSatellite().value_or(-1);
    TransponderRecord edited = *found;
    if (!editors_.editTransponder(&window_, edited))
        return;
    window_.changeDatabase([&](ChannelDatabase& db) { return storeRecord(db, key, edited); });
    window_.fillTransponderList(satellite);
}

void ListCommands::addTransponder() {
    const int32_t satellite = window_.currentSatellite().value_or(-1);
    addTransponderTo(satellite);
}

void ListCommands::deleteTransponder(int32_t key) {
    const TransponderRecord* found = findRecord<TransponderRecord>(window_.database(), key);
    if (!found || !confirmDelete(QString::number(found->id)))
        return;
    const Sizes before = sizes();
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.deleteTransponder(db.transponders.find(key));
        return true;
    });
    window_.fillTransponderList(window_.currentSatellite().value_or(-1));
    refillAfterCascades(before, true);
}

void ListCommands::cutTransponders() {
    const std::vector<int32_t> keys = selectedKeys(RecordKind::Transponder);
    const int32_t satellite = window_.currentSatellite().value_or(-1);
    const Sizes before = sizes();
    const std::size_t total = recordTotal(window_.database());
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.cut(RecordKind::Transponder, keys);
        return recordTotal(db) != total;
    });
    window_.fillTransponderList(satellite);
    refillAfterCascades(before, true);
}

void ListCommands::pasteTransponders(int32_t key) {
    if (!window_.changeDatabase(
            [&](ChannelDatabase& db) { return db.paste(RecordKind::Transponder, key); }))
        return;
    window_.fillTransponderList(window_.currentSatellite().value_or(-1));
}

TransponderExists ListCommands::transponderExists() const {
    return [&db = window_.database()](int32_t id) {
        return db.transponders.find(id) != db.transponders.end();
    };
}

void ListCommands::addServiceTo(int32_t transponderId) {
    ServiceRecord added;
    added.transponderId = transponderId;
    added.number = window_.database().serviceCount;
    if (!editors_.editService(&window_, added, transponderExists()))
        return;
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.services.append(added);
        db.serviceCount = saturatingAdd(db.serviceCount, 1);
        return true;
    });
    window_.fillServiceList(transponderId);
}

// Service list -----------------------------------------------------------------------------------

namespace {

int32_t serviceFilterOf(const MainDialog& window) {
    return window.showAllChannels() ? -1 : window.currentTransponder().value_or(-1);
}

void scrollRowIntoView(DragListCtrl* list, int32_t row) {
    const QModelIndex index = list->model()->index(row, 0);
    if (index.isValid())
        list->scrollTo(index);
}

void selectRow(DragListCtrl* list, int32_t row) {
    const QModelIndex index = list->model()->index(row, 0);
    if (index.isValid())
        list->selectionModel()->select(index,
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace

void ListCommands::editService(int32_t key) {
    const ServiceRecord* found = findRecord<ServiceRecord>(window_.database(), serviceNumber(key));
    if (!found)
        return;
    const int32_t filter = serviceFilterOf(window_);
    ServiceRecord edited = *found;
    if (!editors_.editService(&window_, edited, transponderExists()))
        return;
    window_.changeDatabase(
        [&](ChannelDatabase& db) { return storeRecord(db, serviceNumber(key), edited); });
    window_.fillServiceList(filter);
    scrollRowIntoView(window_.serviceList(), key);
}

void ListCommands::addService() {
    const int32_t filter = serviceFilterOf(window_);
    ServiceRecord added;
    added.transponderId = filter;
    added.number = window_.database().serviceCount;
    if (!editors_.editService(&window_, added, transponderExists()))
        return;
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.services.append(added);
        db.serviceCount = saturatingAdd(db.serviceCount, 1);
        db.renumberServices();
        return true;
    });
    window_.fillServiceList(filter);
}

void ListCommands::deleteService(int32_t key) {
    const ServiceRecord* found = findRecord<ServiceRecord>(window_.database(), serviceNumber(key));
    if (!found || !confirmDelete(nameText(found->name)))
        return;
    const int32_t filter = serviceFilterOf(window_);
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.deleteService(db.services.find(serviceNumber(key)));
        db.renumberServices();
        return true;
    });
    window_.fillServiceList(filter);
    scrollRowIntoView(window_.serviceList(), key);
}

void ListCommands::cutServices() {
    std::vector<int32_t> numbers = selectedKeys(RecordKind::Service);
    const std::optional<int32_t> lastKey =
        numbers.empty() ? std::nullopt : std::optional(numbers.back());
    for (int32_t& n : numbers)
        n = serviceNumber(n);
    const int32_t filter = serviceFilterOf(window_);
    const std::size_t before = window_.database().services.size();
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.cut(RecordKind::Service, numbers);
        return db.services.size() != before;
    });
    window_.fillServiceList(filter);
    if (lastKey)
        scrollRowIntoView(window_.serviceList(), *lastKey);
}

void ListCommands::pasteServices(int32_t key) {
    const int32_t filter = serviceFilterOf(window_);
    if (!window_.changeDatabase([&](ChannelDatabase& db) {
            if (!db.paste(RecordKind::Service, serviceNumber(key)))
                return false;
            db.renumberServices();
            return true;
        }))
        return;
    window_.fillServiceList(filter);
    scrollRowIntoView(window_.serviceList(), key);
    selectRow(window_.serviceList(), key);
}

// Antenna list -----------------------------------------------------------------------------------

void ListCommands::editAntenna(int32_t key) {
    const AntennaRecord* found = findRecord<AntennaRecord>(window_.database(), key);
    if (!found)
        return;
    AntennaRecord edited = *found;
    const bool ok = editors_.editAntenna(&window_, edited);
    // Showing the dialog may have set a tuner mask even when the user then cancelled.
    window_.changeDatabase([&](ChannelDatabase& db) { return storeRecord(db, key, edited); });
    if (ok)
        window_.fillAntennaList();
    else
        window_.antennaModel().refresh();
}

void ListCommands::addAntenna() {
    AntennaRecord added;
    added.id = window_.database().antennaCount;
    added.antennaKey = saturatingAdd(added.id, 1);
    added.lowFreq = kDefaultLowFreq;
    added.highFreq = kDefaultHighFreq;
    added.centerFreq = kDefaultCenterFreq;
    if (!editors_.editAntenna(&window_, added))
        return;
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.antennas.append(added);
        db.antennaCount = saturatingAdd(db.antennaCount, 1);
        return true;
    });
    window_.fillAntennaList();
}

void ListCommands::deleteAntenna(int32_t key) {
    const AntennaRecord* found = findRecord<AntennaRecord>(window_.database(), key);
    if (!found || !confirmDelete(QString::number(found->id)))
        return;
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.deleteAntenna(db.antennas.find(key));
        return true;
    });
    window_.fillAntennaList();
}

void ListCommands::cutAntennas() {
    const std::vector<int32_t> keys = selectedKeys(RecordKind::Antenna);
    const std::size_t before = window_.database().antennas.size();
    window_.changeDatabase([&](ChannelDatabase& db) {
        db.cut(RecordKind::Antenna, keys);
        return db.antennas.size() != before;
    });
    window_.fillAntennaList();
}

void ListCommands::pasteAntennas(int32_t key) {
    if (window_.changeDatabase(
            [&](ChannelDatabase& db) { return db.paste(RecordKind::Antenna, key); }))
        window_.fillAntennaList();
}

// Drags ------------------------------------------------------------------------------------------

void ListCommands::moveSatellite(int32_t key, int32_t from, int32_t to) {
    queueMove(RecordKind::Satellite, {key, from, to});
}
void ListCommands::moveTransponder(int32_t key, int32_t from, int32_t to) {
    queueMove(RecordKind::Transponder, {key, from, to});
}
void ListCommands::moveService(int32_t key, int32_t from, int32_t to) {
    queueMove(RecordKind::Service, {key, from, to});
}
void ListCommands::moveAntenna(int32_t key, int32_t from, int32_t to) {
    queueMove(RecordKind::Antenna, {key, from, to});
}

void ListCommands::queueMove(RecordKind kind, DropMove move) {
    if (dropping_ == kind)
        dropMoves_.push_back(move);
    else
        applyMoves(kind, {&move, 1});
}

void ListCommands::applyMoves(RecordKind kind, std::span<const DropMove> moves) {
    if (moves.empty())
        return;
    switch (kind) {
    case RecordKind::Satellite:
        window_.changeDatabase(
            [&](ChannelDatabase& db) { return applyDrop(db.satellites, moves); });
        return;
    case RecordKind::Antenna:
        window_.changeDatabase([&](ChannelDatabase& db) { return applyDrop(db.antennas, moves); });
        return;
    case RecordKind::Transponder:
        window_.changeDatabase(
            [&](ChannelDatabase& db) { return applyDrop(db.transponders, moves); });
        return;
    case RecordKind::Service:
        applyServiceMoves(moves);
        return;
    }
}

void ListCommands::applyServiceMoves(std::span<const DropMove> moves) {
    DragListCtrl* list = window_.serviceList();
    if (!window_.showAllChannels()) {
        // Only the list of all services is in database order; the rows go back where they were.
        window_.fillServiceList(window_.serviceFilter());
        return;
    }
    const ServiceListModel& model = window_.serviceModel();
    ServiceDrop::Result result;
    window_.changeDatabase([&](ChannelDatabase& db) {
        result = serviceDrop_.apply(db.services, moves, list->lastDropOrder(),
                                    {model.rows(), window_.serviceFilter() < 0});
        return result.lastMoved && result.changed;
    });
    if (!result.lastMoved)
        return;
    if (result.rowsInNewOrder) {
        // The rows already show every service in its new order: a refill would give the same
        // rows, so they only take their new numbers, with the selection a refill leaves.
        list->selectionModel()->clear();
        window_.serviceModel().refresh();
    } else {
        window_.fillServiceList(-1);
    }
    const DropMove& last = *result.lastMoved;
    scrollRowIntoView(list, last.to);
    // Where the last moved row went: its copy's place, less the row it left when that was above.
    selectRow(list, last.from > last.to ? last.to : last.to - 1);
}

} // namespace corvane
