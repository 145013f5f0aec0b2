#include "ui/list_commands.h"

#include "base/saturate.h"
#include "model/channel_database.h"
#include "model/drop_order.h"
#include "ui/drag_list_ctrl.h"
#include "ui/latin1.h"
#include "ui/list_command_table.h"
#include "ui/main_dialog.h"
#include "ui/name_text.h"
#include "ui/prompts.h"
#include "ui/record_editors.h"

#include <QStatusBar>

#include <algorithm>
#include <memory>
#include <type_traits>
#include <unordered_map>

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
        if (!key || (positionsLocked && positionsLocked(list)))
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

bool ListCommands::transact(const QString& text, const Document::Change& change) {
    return window_.document().transact(text, change);
}

namespace {

QString counted(std::size_t n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// How a step names the records it is about: "satellite ASTRA 19.2E", "3 services".
template <class Record> QString named(const Record& r) {
    if constexpr (std::is_same_v<Record, SatelliteRecord>)
        return QStringLiteral("satellite ") + nameText(r.name);
    else if constexpr (std::is_same_v<Record, TransponderRecord>)
        return QStringLiteral("transponder %1").arg(r.id);
    else if constexpr (std::is_same_v<Record, ServiceRecord>)
        return QStringLiteral("service ") + nameText(r.name);
    else
        return QStringLiteral("antenna %1").arg(r.id);
}

template <class Record> QString countedRecords(std::size_t n) {
    constexpr RecordKind kind = kindOf<Record>();
    return kind == RecordKind::Satellite     ? counted(n, "satellite", "satellites")
           : kind == RecordKind::Transponder ? counted(n, "transponder", "transponders")
           : kind == RecordKind::Service     ? counted(n, "service", "services")
                                             : counted(n, "antenna", "antennas");
}

template <class Record>
QString namedMany(const ChannelDatabase& db, std::span<const int32_t> keys) {
    const RecordList<Record>& list = recordsOf<Record>(db);
    if (keys.size() == 1)
        if (const auto it = list.find(keys.front()); it != list.end())
            return named(*it);
    return countedRecords<Record>(keys.size());
}

template <class Record> QString namedBuffer(const ChannelDatabase& db) {
    const RecordList<Record>& buffer = db.clipboard<Record>();
    return buffer.size() == 1 ? named(buffer.front()) : countedRecords<Record>(buffer.size());
}

template <class Record> std::vector<int32_t> bufferKeys(const ChannelDatabase& db) {
    std::vector<int32_t> keys;
    for (const Record& r : db.clipboard<Record>())
        keys.push_back(recordKey(r));
    return keys;
}

int32_t rowKeyOf(int32_t number) {
    return static_cast<int32_t>(static_cast<int64_t>(number) + 1);
}

} // namespace

// Satellite list ---------------------------------------------------------------------------------

void ListCommands::editSatellite(int32_t key) {
    const SatelliteRecord* found = findRecord<SatelliteRecord>(window_.database(), key);
    if (!found)
        return;
    SatelliteRecord edited = *found;
    if (!editors_.editSatellite(&window_, edited))
        return;
    transact(QStringLiteral("Edit ") + named(*found),
             [key, edited](ChannelDatabase& db, TouchedRows& rows) {
                 rows = {RecordKind::Satellite, {key}, {edited.id}};
                 return storeRecord(db, key, edited);
             });
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
    transact(QStringLiteral("Add ") + named(added),
             [added](ChannelDatabase& db, TouchedRows& rows) {
                 AntennaRecord& antenna = db.addDefaultAntennaFor(added.id);
                 RecordList<AntennaRecord> one;
                 one.append(antenna);
                 settleAntennas(one);
                 antenna = one.front();
                 db.satellites.append(added);
                 db.satelliteCount = saturatingAdd(db.satelliteCount, 1);
                 rows = {RecordKind::Satellite, {}, {added.id}};
                 return true;
             });
}

void ListCommands::deleteSatellite(int32_t key) {
    const SatelliteRecord* found = findRecord<SatelliteRecord>(window_.database(), key);
    if (!found || !confirmDelete(nameText(window_.satelliteModel().names(), found->name)))
        return;
    transact(QStringLiteral("Delete ") + named(*found),
             [key](ChannelDatabase& db, TouchedRows& rows) {
                 const auto it = db.satellites.find(key);
                 if (it == db.satellites.end())
                     return false;
                 db.deleteSatellite(it);
                 rows = {RecordKind::Satellite, {key}, {}};
                 return true;
             });
}

void ListCommands::cutSatellites() {
    const std::vector<int32_t> keys = selectedKeys(RecordKind::Satellite);
    transact(QStringLiteral("Cut ") + namedMany<SatelliteRecord>(window_.database(), keys),
             [keys](ChannelDatabase& db, TouchedRows& rows) {
                 db.cut(RecordKind::Satellite, keys);
                 rows = {RecordKind::Satellite, keys, {}};
                 return true;
             });
}

void ListCommands::pasteSatellites(int32_t key) {
    if (!findRecord<SatelliteRecord>(window_.database(), key))
        return;
    // What the paste had to renumber, told to the user once it is done.
    auto changes = std::make_shared<std::optional<std::vector<ChannelDatabase::IdChange>>>();
    transact(QStringLiteral("Paste ") + namedBuffer<SatelliteRecord>(window_.database()),
             [key, changes](ChannelDatabase& db, TouchedRows& rows) {
                 *changes = db.freeClashingClipboardSatelliteIds();
                 if (!*changes)
                     return false;
                 rows = {RecordKind::Satellite, {}, bufferKeys<SatelliteRecord>(db)};
                 return db.paste(RecordKind::Satellite, key);
             });
    if (!*changes) {
        window_.prompts().message(&window_, MessageIcon::Exclamation,
                                  QStringLiteral("The channel list is full: there are no free "
                                                 "satellite ids for the satellites to paste."));
        return;
    }
    if (!(*changes)->empty()) {
        QStringList said;
        for (const ChannelDatabase::IdChange& c : **changes)
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
    transact(QStringLiteral("Add ") + named(added),
             [added](ChannelDatabase& db, TouchedRows& rows) {
                 db.transponders.append(added);
                 db.transponderCount = saturatingAdd(db.transponderCount, 1);
                 rows = {RecordKind::Transponder, {}, {added.id}};
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
    transact(QStringLiteral("Edit ") + named(*found),
             [key, edited](ChannelDatabase& db, TouchedRows& rows) {
                 rows = {RecordKind::Transponder, {key}, {edited.id}};
                 return storeRecord(db, key, edited);
             });
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
    transact(QStringLiteral("Delete ") + named(*found),
             [key](ChannelDatabase& db, TouchedRows& rows) {
                 const auto it = db.transponders.find(key);
                 if (it == db.transponders.end())
                     return false;
                 db.deleteTransponder(it);
                 rows = {RecordKind::Transponder, {key}, {}};
                 return true;
             });
    window_.fillTransponderList(window_.currentSatellite().value_or(-1));
}

void ListCommands::cutTransponders() {
    const std::vector<int32_t> keys = selectedKeys(RecordKind::Transponder);
    const int32_t satellite = window_.currentSatellite().value_or(-1);
    transact(QStringLiteral("Cut ") + namedMany<TransponderRecord>(window_.database(), keys),
             [keys](ChannelDatabase& db, TouchedRows& rows) {
                 db.cut(RecordKind::Transponder, keys);
                 rows = {RecordKind::Transponder, keys, {}};
                 return true;
             });
    window_.fillTransponderList(satellite);
}

void ListCommands::pasteTransponders(int32_t key) {
    if (!transact(QStringLiteral("Paste ") + namedBuffer<TransponderRecord>(window_.database()),
                  [key](ChannelDatabase& db, TouchedRows& rows) {
                      rows = {RecordKind::Transponder, {}, bufferKeys<TransponderRecord>(db)};
                      return db.paste(RecordKind::Transponder, key);
                  }))
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
    transact(QStringLiteral("Add ") + named(added),
             [added](ChannelDatabase& db, TouchedRows& rows) {
                 db.services.append(added);
                 db.serviceCount = saturatingAdd(db.serviceCount, 1);
                 rows = {RecordKind::Service, {}, {rowKeyOf(added.number)}};
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
    transact(QStringLiteral("Edit ") + named(*found),
             [key, edited](ChannelDatabase& db, TouchedRows& rows) {
                 rows = {RecordKind::Service, {key}, {rowKeyOf(edited.number)}};
                 return storeRecord(db, serviceNumber(key), edited);
             });
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
    transact(QStringLiteral("Add ") + named(added),
             [added](ChannelDatabase& db, TouchedRows& rows) {
                 db.services.append(added);
                 db.serviceCount = saturatingAdd(db.serviceCount, 1);
                 db.renumberServices();
                 rows = {RecordKind::Service, {}, {rowKeyOf(db.services.back().number)}};
                 return true;
             });
    window_.fillServiceList(filter);
}

void ListCommands::deleteService(int32_t key) {
    const ServiceRecord* found = findRecord<ServiceRecord>(window_.database(), serviceNumber(key));
    if (!found || !confirmDelete(nameText(window_.serviceModel().names(), found->name)))
        return;
    const int32_t filter = serviceFilterOf(window_);
    transact(QStringLiteral("Delete ") + named(*found),
             [key](ChannelDatabase& db, TouchedRows& rows) {
                 const auto it = db.services.find(serviceNumber(key));
                 if (it == db.services.end())
                     return false;
                 db.deleteService(it);
                 db.renumberServices();
                 rows = {RecordKind::Service, {key}, {}};
                 return true;
             });
    window_.fillServiceList(filter);
    scrollRowIntoView(window_.serviceList(), key);
}

void ListCommands::cutServices() {
    const std::vector<int32_t> keys = selectedKeys(RecordKind::Service);
    const int32_t lastKey = keys.empty() ? -1 : keys.back();
    std::vector<int32_t> numbers = keys;
    for (int32_t& n : numbers)
        n = serviceNumber(n);
    const int32_t filter = serviceFilterOf(window_);
    transact(QStringLiteral("Cut ") + namedMany<ServiceRecord>(window_.database(), numbers),
             [keys, numbers](ChannelDatabase& db, TouchedRows& rows) {
                 db.cut(RecordKind::Service, numbers);
                 rows = {RecordKind::Service, keys, {}};
                 return true;
             });
    window_.fillServiceList(filter);
    if (!keys.empty())
        scrollRowIntoView(window_.serviceList(), lastKey);
}

void ListCommands::pasteServices(int32_t key) {
    const int32_t filter = serviceFilterOf(window_);
    if (!transact(QStringLiteral("Paste ") + namedBuffer<ServiceRecord>(window_.database()),
                  [key](ChannelDatabase& db, TouchedRows& rows) {
                      const std::size_t pasted = db.serviceClipboard.size();
                      if (!db.paste(RecordKind::Service, serviceNumber(key)))
                          return false;
                      db.renumberServices();
                      // The pasted services follow the clicked one, numbered by their places.
                      const int32_t after =
                          db.services.find(serviceNumber(key)) != db.services.end() ? key : 0;
                      rows = {RecordKind::Service, {}, {}};
                      for (std::size_t i = 0; i < pasted; ++i)
                          rows.after.push_back(rowKeyOf(after + static_cast<int32_t>(i)));
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
    if (!editors_.editAntenna(&window_, edited))
        return;
    transact(QStringLiteral("Edit ") + named(*found),
             [key, edited](ChannelDatabase& db, TouchedRows& rows) {
                 rows = {RecordKind::Antenna, {key}, {edited.id}};
                 return storeRecord(db, key, edited);
             });
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
    transact(QStringLiteral("Add ") + named(added),
             [added](ChannelDatabase& db, TouchedRows& rows) {
                 db.antennas.append(added);
                 db.antennaCount = saturatingAdd(db.antennaCount, 1);
                 rows = {RecordKind::Antenna, {}, {added.id}};
                 return true;
             });
}

void ListCommands::deleteAntenna(int32_t key) {
    const AntennaRecord* found = findRecord<AntennaRecord>(window_.database(), key);
    if (!found || !confirmDelete(QString::number(found->id)))
        return;
    transact(QStringLiteral("Delete ") + named(*found),
             [key](ChannelDatabase& db, TouchedRows& rows) {
                 const auto it = db.antennas.find(key);
                 if (it == db.antennas.end())
                     return false;
                 db.deleteAntenna(it);
                 rows = {RecordKind::Antenna, {key}, {}};
                 return true;
             });
}

void ListCommands::cutAntennas() {
    const std::vector<int32_t> keys = selectedKeys(RecordKind::Antenna);
    transact(QStringLiteral("Cut ") + namedMany<AntennaRecord>(window_.database(), keys),
             [keys](ChannelDatabase& db, TouchedRows& rows) {
                 db.cut(RecordKind::Antenna, keys);
                 rows = {RecordKind::Antenna, keys, {}};
                 return true;
             });
}

void ListCommands::pasteAntennas(int32_t key) {
    transact(QStringLiteral("Paste ") + namedBuffer<AntennaRecord>(window_.database()),
             [key](ChannelDatabase& db, TouchedRows& rows) {
                 rows = {RecordKind::Antenna, {}, bufferKeys<AntennaRecord>(db)};
                 return db.paste(RecordKind::Antenna, key);
             });
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

namespace {

template <class Record>
QString moveText(const ChannelDatabase& db, std::span<const DropMove> moves) {
    std::vector<int32_t> keys;
    for (const DropMove& m : moves)
        keys.push_back(std::is_same_v<Record, ServiceRecord> ? serviceNumber(m.key) : m.key);
    return QStringLiteral("Move ") + namedMany<Record>(db, keys);
}

template <class Record>
bool dropRecords(ChannelDatabase& db, const std::vector<DropMove>& moves, TouchedRows& rows) {
    rows = {kindOf<Record>(), {}, {}};
    for (const DropMove& m : moves)
        rows.before.push_back(m.key);
    rows.after = rows.before;
    return applyDrop(db.list<Record>(), moves);
}

} // namespace

void ListCommands::applyMoves(RecordKind kind, std::span<const DropMove> moves) {
    if (moves.empty())
        return;
    const std::vector<DropMove> all(moves.begin(), moves.end());
    const ChannelDatabase& db = window_.database();
    switch (kind) {
    case RecordKind::Satellite:
        transact(moveText<SatelliteRecord>(db, moves),
                 [all](ChannelDatabase& d, TouchedRows& rows) {
                     return dropRecords<SatelliteRecord>(d, all, rows);
                 });
        return;
    case RecordKind::Antenna:
        transact(moveText<AntennaRecord>(db, moves), [all](ChannelDatabase& d, TouchedRows& rows) {
            return dropRecords<AntennaRecord>(d, all, rows);
        });
        return;
    case RecordKind::Transponder:
        transact(moveText<TransponderRecord>(db, moves),
                 [all](ChannelDatabase& d, TouchedRows& rows) {
                     return dropRecords<TransponderRecord>(d, all, rows);
                 });
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
    // The rows as places in the list: the change works on a copy of the records.
    const ChannelDatabase& db = window_.database();
    std::unordered_map<const ServiceRecord*, std::size_t> placeOf;
    placeOf.reserve(db.services.size());
    for (const ServiceRecord& v : db.services)
        placeOf.emplace(&v, placeOf.size());
    std::vector<std::size_t> places;
    places.reserve(window_.serviceModel().rows().size());
    for (const ServiceRecord* row : window_.serviceModel().rows())
        places.push_back(placeOf.at(row));
    const std::vector<DropMove> all(moves.begin(), moves.end());
    const std::vector<int32_t> shown = list->lastDropOrder();
    const bool allServices = window_.serviceFilter() < 0;
    auto result = std::make_shared<ServiceDrop::Result>();
    transact(moveText<ServiceRecord>(db, moves), [this, all, shown, places, allServices,
                                                  result](ChannelDatabase& d, TouchedRows& rows) {
        std::vector<const ServiceRecord*> byPlace;
        byPlace.reserve(d.services.size());
        for (const ServiceRecord& v : d.services)
            byPlace.push_back(&v);
        std::vector<const ServiceRecord*> now;
        now.reserve(places.size());
        for (const std::size_t p : places)
            now.push_back(byPlace[p]);
        rows = {RecordKind::Service, {}, {}};
        for (const DropMove& m : all)
            rows.before.push_back(m.key);
        *result = serviceDrop_.apply(d.services, all, shown, {now, allServices});
        return result->lastMoved && result->changed;
    });
    if (!result->lastMoved)
        return;
    // The list of one transponder's services goes over to all of them, in their new order.
    if (window_.serviceFilter() >= 0)
        window_.fillServiceList(-1);
    const DropMove& last = *result->lastMoved;
    scrollRowIntoView(list, last.to);
    // Where the last moved row went: its copy's place, less the row it left when that was above.
    list->selectionModel()->clear();
    selectRow(list, last.from > last.to ? last.to : last.to - 1);
}

} // namespace corvane
