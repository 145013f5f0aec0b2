#include "ui/list_commands.h"

#include "base/saturate.h"
#include "model/channel_database.h"
#include "ui/drag_list_ctrl.h"
#include "ui/latin1.h"
#include "ui/main_dialog.h"
#include "ui/prompts.h"
#include "ui/record_editors.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

namespace {

enum Verb : int { kEdit, kAdd, kDelete, kCut, kPaste, kAddChild };

struct MenuItem {
    int id; // 0: a separator
    const char* text;
    Verb verb;
};

constexpr MenuItem kSeparator{0, nullptr, kEdit};

constexpr std::array<MenuItem, 9> kSatelliteMenu{{{kSatelliteEdit, "Edit", kEdit},
                                                  kSeparator,
                                                  {kSatelliteAdd, "Add", kAdd},
                                                  {kSatelliteDelete, "Delete", kDelete},
                                                  kSeparator,
                                                  {kSatelliteCut, "Cut", kCut},
                                                  {kSatellitePaste, "Paste", kPaste},
                                                  kSeparator,
                                                  {kSatelliteAddTransponder, "Add TP", kAddChild}}};
constexpr std::array<MenuItem, 9> kTransponderMenu{
    {{kTransponderEdit, "Edit", kEdit},
     kSeparator,
     {kTransponderAdd, "Add", kAdd},
     {kTransponderDelete, "Delete", kDelete},
     kSeparator,
     {kTransponderCut, "Cut", kCut},
     {kTransponderPaste, "Paste", kPaste},
     kSeparator,
     {kTransponderAddService, "Add Channel", kAddChild}}};
constexpr std::array<MenuItem, 7> kServiceMenu{{{kServiceEdit, "Edit", kEdit},
                                                kSeparator,
                                                {kServiceAdd, "Add", kAdd},
                                                {kServiceDelete, "Delete", kDelete},
                                                kSeparator,
                                                {kServiceCut, "Cut", kCut},
                                                {kServicePaste, "Paste", kPaste}}};

std::span<const MenuItem> menuOf(RecordKind list) {
    switch (list) {
    case RecordKind::Satellite:
        return kSatelliteMenu;
    case RecordKind::Transponder:
        return kTransponderMenu;
    case RecordKind::Service:
    case RecordKind::Antenna:
        return kServiceMenu;
    }
    return {};
}

std::optional<Verb> verbOf(RecordKind list, int command) {
    for (const MenuItem& item : menuOf(list))
        if (item.id != 0 && item.id == command)
            return item.verb;
    return std::nullopt;
}

int commandOf(RecordKind list, Verb verb) {
    for (const MenuItem& item : menuOf(list))
        if (item.id != 0 && item.verb == verb)
            return item.id;
    return 0;
}

// The keys that run a verb on the focused list's current row.
struct KeyBinding {
    Verb verb;
    QKeyCombination keys;
};
const std::array<KeyBinding, 5> kKeyBindings{{{kEdit, QKeyCombination(Qt::Key_F2)},
                                              {kAdd, QKeyCombination(Qt::Key_Insert)},
                                              {kDelete, QKeyCombination(Qt::Key_Delete)},
                                              {kCut, Qt::CTRL | Qt::Key_X},
                                              {kPaste, Qt::CTRL | Qt::Key_V}}};

constexpr std::array<RecordKind, 4> kLists{RecordKind::Satellite, RecordKind::Transponder,
                                           RecordKind::Service, RecordKind::Antenna};

// A service row shows number + 1, worked out in 64 bits and wrapped as the list does.
int32_t serviceNumber(int32_t rowKey) {
    return static_cast<int32_t>(static_cast<int64_t>(rowKey) - 1);
}
int32_t serviceRowKey(const ServiceRecord& s) {
    return static_cast<int32_t>(static_cast<int64_t>(s.number) + 1);
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

using DropMove = ListCommands::DropMove;

bool leavesRowInPlace(const DropMove& m) {
    return std::abs(static_cast<int64_t>(m.from) - m.to) <= 1;
}

// Moves order[i] (and its record) so that it follows order[anchor], or comes first for anchor
// -1, which links it before `first`. Returns whether the list order changed.
template <class Record>
bool relinkAfter(RecordList<Record>& list,
                 std::vector<typename RecordList<Record>::iterator>& order, std::ptrdiff_t i,
                 std::ptrdiff_t anchor, typename RecordList<Record>::iterator first) {
    const auto dragged = order[static_cast<std::size_t>(i)];
    const auto pos = anchor < 0 ? first : std::next(order[static_cast<std::size_t>(anchor)]);
    const bool changed = pos != dragged && pos != std::next(dragged);
    list.move(pos, dragged);
    const auto at = [&](std::ptrdiff_t k) { return order.begin() + k; };
    if (i < anchor)
        std::rotate(at(i), at(i + 1), at(anchor + 1));
    else
        std::rotate(at(anchor + 1), at(i), at(i + 1));
    return changed;
}

template <class Record>
void listOrder(RecordList<Record>& list,
               std::vector<typename RecordList<Record>::iterator>& order) {
    order.clear();
    order.reserve(list.size());
    for (auto it = list.begin(); it != list.end(); ++it)
        order.push_back(it);
}

template <class Record>
std::vector<typename RecordList<Record>::iterator> listOrder(RecordList<Record>& list) {
    std::vector<typename RecordList<Record>::iterator> order;
    listOrder(list, order);
    return order;
}

// The moves of one drop as the handlers that link the dragged record after the record at
// position `to` of the whole list would make them, one after the other, on `order`, an index of
// the list order built once per drop and kept in step. `find` gives the index in `order` of the
// record a move drags, or -1. The anchor is counted before the dragged record is unlinked; a
// record that would be its own anchor stays where it is (linked after itself it would drop out
// of the list).
template <class Record, class Find>
bool replayAnchoredMoves(RecordList<Record>& list,
                         std::vector<typename RecordList<Record>::iterator>& order,
                         std::span<const DropMove> moves, Find find) {
    const auto size = static_cast<std::ptrdiff_t>(order.size());
    bool changed = false;
    for (const DropMove& m : moves) {
        if (leavesRowInPlace(m))
            continue;
        const std::ptrdiff_t i = find(order, m);
        if (i < 0)
            continue;
        const std::ptrdiff_t anchor = std::min<std::ptrdiff_t>(m.to, size) - 1;
        if (anchor != i)
            changed |= relinkAfter(list, order, i, anchor, list.begin());
    }
    return changed;
}

template <class Record>
std::ptrdiff_t firstWithId(const std::vector<typename RecordList<Record>::iterator>& order,
                           int32_t id) {
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i]->id == id)
            return static_cast<std::ptrdiff_t>(i);
    return -1;
}

// Transponders are counted within the dragged one's satellite, so each satellite's transponders
// get their own index; the first match by id is looked up among the dragged keys only, with a
// walk of the list only for an id that several transponders share.
bool replayTransponderMoves(RecordList<TransponderRecord>& list, std::span<const DropMove> moves) {
    using Iterator = RecordList<TransponderRecord>::iterator;
    std::unordered_set<int32_t> keys;
    for (const DropMove& m : moves)
        keys.insert(m.key);
    std::unordered_map<int32_t, std::vector<Iterator>> bySatellite;
    std::unordered_map<int32_t, std::vector<Iterator>> byId;
    for (auto it = list.begin(); it != list.end(); ++it) {
        bySatellite[it->satelliteId].push_back(it);
        if (keys.count(it->id) != 0)
            byId[it->id].push_back(it);
    }
    bool changed = false;
    for (const DropMove& m : moves) {
        if (leavesRowInPlace(m))
            continue;
        const auto found = byId.find(m.key);
        if (found == byId.end())
            continue;
        const Iterator dragged =
            found->second.size() == 1 ? found->second.front() : list.find(m.key);
        std::vector<Iterator>& order = bySatellite[dragged->satelliteId];
        const auto i = std::find(order.begin(), order.end(), dragged) - order.begin();
        const std::ptrdiff_t anchor =
            std::min<std::ptrdiff_t>(m.to, static_cast<std::ptrdiff_t>(order.size())) - 1;
        if (anchor != i)
            changed |= relinkAfter(list, order, i, anchor, order.front());
    }
    return changed;
}

} // namespace

ListCommands::ListCommands(MainDialog& window, RecordEditors& editors)
    : QObject(&window), window_(window), editors_(editors) {
    for (const RecordKind kind : kLists)
        connectList(kind);
    // The Edit menu works on the list that has the focus; opening a menu does not take it away.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!now || now->window() != &window_ || qobject_cast<QMenuBar*>(now) ||
            qobject_cast<QMenu*>(now))
            return;
        focusedList_.reset();
        for (const RecordKind kind : kLists)
            if (listOf(kind) == now || listOf(kind)->isAncestorOf(now))
                focusedList_ = kind;
    });
}

void ListCommands::connectList(RecordKind kind) {
    DragListCtrl* list = listOf(kind);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, kind](QPoint pos) { showContextMenu(kind, pos); });
    connect(list, &QAbstractItemView::doubleClicked, this, [this, kind](const QModelIndex& index) {
        if (const auto key = keyOfRow(kind, index.row()))
            run(kind, commandOf(kind, kEdit), key);
    });
    for (const KeyBinding& binding : kKeyBindings) {
        auto* action = new QAction(list);
        action->setShortcut(QKeySequence(binding.keys));
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        list->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, kind, verb = binding.verb] { runOnCurrentRow(kind, verb); });
    }
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

void ListCommands::addMenuItems(QMenu& menu, RecordKind list, std::optional<int32_t> key,
                                bool withShortcuts) const {
    for (const MenuItem& item : menuOf(list)) {
        if (item.id == 0) {
            menu.addSeparator();
            continue;
        }
        QString text = QString::fromLatin1(item.text);
        if (withShortcuts)
            for (const KeyBinding& binding : kKeyBindings)
                if (binding.verb == item.verb)
                    text += u'\t' + QKeySequence(binding.keys).toString(QKeySequence::NativeText);
        QAction* action = menu.addAction(text);
        action->setData(item.id);
        action->setEnabled(isAvailable(list, item.id, key));
    }
}

void ListCommands::showContextMenu(RecordKind list, QPoint pos) {
    DragListCtrl* view = listOf(list);
    const auto key = keyOfRow(list, view->indexAt(pos).row());
    QMenu menu(&window_);
    menu.setObjectName(QStringLiteral("contextMenu"));
    addMenuItems(menu, list, key, false);
    // The command runs once the menu is gone, as its result rather than from inside it.
    const QAction* chosen = menu.exec(view->viewport()->mapToGlobal(pos));
    if (chosen)
        run(list, chosen->data().toInt(), key);
}

void ListCommands::fillEditMenu(QMenu& menu) {
    menu.clear();
    editMenuList_ = focusedList_;
    editMenuKey_.reset();
    if (!editMenuList_) {
        // Nothing to work on: the items are there, but none can be chosen.
        addMenuItems(menu, RecordKind::Service, std::nullopt, true);
        for (QAction* action : menu.actions())
            action->setEnabled(false);
        return;
    }
    editMenuKey_ = keyOfRow(*editMenuList_, listOf(*editMenuList_)->currentIndex().row());
    addMenuItems(menu, *editMenuList_, editMenuKey_, true);
    for (QAction* action : menu.actions())
        if (!action->isSeparator())
            connect(action, &QAction::triggered, this, [this, id = action->data().toInt()] {
                if (editMenuList_)
                    run(*editMenuList_, id, editMenuKey_);
            });
}

void ListCommands::runOnCurrentRow(RecordKind list, int verb) {
    const auto key = keyOfRow(list, listOf(list)->currentIndex().row());
    run(list, commandOf(list, static_cast<Verb>(verb)), key);
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
        window_.changeDatabase([&](ChannelDatabase& db) {
            auto order = listOrder(db.satellites);
            return replayAnchoredMoves(db.satellites, order, moves,
                                       [](const auto& o, const auto& m) {
                                           return firstWithId<SatelliteRecord>(o, m.key);
                                       });
        });
        return;
    case RecordKind::Antenna:
        window_.changeDatabase([&](ChannelDatabase& db) {
            auto order = listOrder(db.antennas);
            return replayAnchoredMoves(db.antennas, order, moves, [](const auto& o, const auto& m) {
                return firstWithId<AntennaRecord>(o, m.key);
            });
        });
        return;
    case RecordKind::Transponder:
        window_.changeDatabase(
            [&](ChannelDatabase& db) { return replayTransponderMoves(db.transponders, moves); });
        return;
    case RecordKind::Service:
        applyServiceMoves(moves);
        return;
    }
}

// Whether the service list, which the last drop put in the order `shown`, showed the services
// in `order` before it.
bool ListCommands::rowsShowedDatabaseOrder(
    const std::vector<int32_t>& shown,
    const std::vector<RecordList<ServiceRecord>::iterator>& order) const {
    const ServiceListModel& model = window_.serviceModel();
    if (shown.size() != order.size() || static_cast<std::size_t>(model.rowCount()) != order.size())
        return false;
    for (std::size_t row = 0; row < shown.size(); ++row)
        if (model.record(static_cast<int>(row)) != &*order[static_cast<std::size_t>(shown[row])])
            return false;
    return true;
}

void ListCommands::applyServiceMoves(std::span<const DropMove> moves) {
    DragListCtrl* list = window_.serviceList();
    if (!window_.showAllChannels()) {
        // Only the list of all services is in database order; the rows go back where they were.
        window_.fillServiceList(window_.serviceFilter());
        return;
    }
    using Iterator = RecordList<ServiceRecord>::iterator;
    const auto rowOf = [](const DropMove& m) { return m.from > m.to ? m.from - 1 : m.from; };
    std::optional<DropMove> lastFound;
    bool rowsInNewOrder = false;
    window_.changeDatabase([&](ChannelDatabase& db) {
        // Kept from drop to drop: its storage is as large as the list.
        std::vector<Iterator>& order = serviceOrder_;
        listOrder(db.services, order);
        const auto findByKey = [&](const DropMove& m) -> std::ptrdiff_t {
            for (std::size_t i = 0; i < order.size(); ++i)
                if (serviceRowKey(*order[i]) == m.key)
                    return static_cast<std::ptrdiff_t>(i);
            return -1;
        };
        const auto firstMoving = std::find_if(
            moves.begin(), moves.end(), [](const DropMove& m) { return !leavesRowInPlace(m); });
        if (firstMoving == moves.end())
            return false;
        bool changed = false;
        // Moving a record along the index costs the distance it moves; past a few walks' worth
        // the services rather take the rows' new order in one walk, when that is the same.
        const std::vector<int32_t>& shown = list->lastDropOrder();
        std::size_t distance = 0;
        for (const DropMove& m : moves)
            if (!leavesRowInPlace(m))
                distance += static_cast<std::size_t>(std::abs(int64_t{rowOf(m)} - m.to));
        if (distance > 4 * order.size() && rowsShowedDatabaseOrder(shown, order) &&
            findByKey(*firstMoving) == rowOf(*firstMoving)) {
            // The list showed the database order and its first moved row is the service found by
            // its "No.": every move then does to the services what it did to the rows.
            std::vector<Iterator> moved;
            moved.reserve(order.size());
            for (const int32_t row : shown) {
                moved.push_back(order[static_cast<std::size_t>(row)]);
                changed |= moved.back() != order[moved.size() - 1];
            }
            for (const Iterator& it : moved)
                db.services.move(db.services.end(), it);
            order.swap(moved);
            for (const DropMove& m : moves)
                if (!leavesRowInPlace(m))
                    lastFound = m;
        } else {
            // Each row found is followed by a renumbering and a refill of the list, so after the
            // first one a row's "No." is its place in the list as the previous moves left it.
            changed = replayAnchoredMoves(
                db.services, order, moves,
                [&](const std::vector<Iterator>& o, const DropMove& m) -> std::ptrdiff_t {
                    const int32_t row = rowOf(m);
                    const std::ptrdiff_t found =
                        !lastFound                                             ? findByKey(m)
                        : row >= 0 && static_cast<std::size_t>(row) < o.size() ? row
                                                                               : -1;
                    if (found >= 0)
                        lastFound = m;
                    return found;
                });
        }
        if (!lastFound)
            return false;
        // renumberServices, over the index instead of another walk of the list.
        const ServiceListModel& model = window_.serviceModel();
        rowsInNewOrder = window_.serviceFilter() < 0 &&
                         static_cast<std::size_t>(model.rowCount()) == order.size();
        int32_t number = 0;
        for (const Iterator& it : order) {
            changed |= it->number != number;
            rowsInNewOrder = rowsInNewOrder && model.record(number) == &*it;
            it->number = number++;
        }
        return changed;
    });
    if (!lastFound)
        return;
    if (rowsInNewOrder) {
        // The rows already show every service in its new order: a refill would give the same
        // rows, so they only take their new numbers, with the selection a refill leaves.
        list->selectionModel()->clear();
        window_.serviceModel().refresh();
    } else {
        window_.fillServiceList(-1);
    }
    scrollRowIntoView(list, lastFound->to);
    // Where the last moved row went: its copy's place, less the row it left when that was above.
    selectRow(list, lastFound->from > lastFound->to ? lastFound->to : lastFound->to - 1);
}

} // namespace corvane
