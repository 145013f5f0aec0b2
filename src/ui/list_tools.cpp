#include "ui/list_tools.h"

#include "model/duplicates.h"
#include "ui/document.h"
#include "ui/drag_list_ctrl.h"
#include "ui/list_commands.h"
#include "ui/list_models.h"
#include "ui/main_dialog.h"
#include "ui/prompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace corvane {

namespace {

bool isWholeNumber(const QString& text) {
    const int start = text.startsWith(u'-') ? 1 : 0;
    if (text.size() <= start)
        return false;
    return std::all_of(text.begin() + start, text.end(), [](QChar c) { return c.isDigit(); });
}

// A column's cells as sort keys: numbers compare as numbers and come before text.
struct SortKey {
    bool number;
    qlonglong value;
    QString text;
};

bool lessKey(const SortKey& a, const SortKey& b) {
    if (a.number != b.number)
        return a.number;
    if (a.number)
        return a.value < b.value;
    return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
}

// The list `list` in the order `shown` gives the records it shows, each taking the place of one
// of them in stored order; the other records keep theirs.
template <class Record>
void putInOrder(RecordList<Record>& list, const std::vector<std::size_t>& shown) {
    std::vector<typename RecordList<Record>::iterator> at;
    at.reserve(list.size());
    for (auto it = list.begin(); it != list.end(); ++it)
        at.push_back(it);
    std::vector<std::size_t> places = shown;
    std::sort(places.begin(), places.end());
    std::vector<std::size_t> order(at.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    for (std::size_t i = 0; i < places.size(); ++i)
        order[places[i]] = shown[i];
    for (const std::size_t from : order)
        list.move(list.end(), at[from]);
}

} // namespace

RowTexts::RowTexts(QAbstractItemModel& model, QObject* parent) : QObject(parent), model_(model) {
    const auto drop = [this] { built_ = false; };
    connect(&model, &QAbstractItemModel::modelReset, this, drop);
    connect(&model, &QAbstractItemModel::layoutChanged, this, drop);
    connect(&model, &QAbstractItemModel::dataChanged, this, drop);
    connect(&model, &QAbstractItemModel::rowsInserted, this, drop);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, drop);
    connect(&model, &QAbstractItemModel::rowsMoved, this, drop);
}

void RowTexts::build() {
    const int rows = model_.rowCount();
    const int columns = model_.columnCount();
    rows_.resize(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        QString& cells = rows_[static_cast<std::size_t>(row)];
        cells.clear();
        for (int column = 0; column < columns; ++column) {
            cells += QChar(kCellMark);
            cells += model_.data(model_.index(row, column)).toString();
        }
        cells = std::move(cells).toLower();
    }
    built_ = true;
}

std::vector<int> RowTexts::matches(const QString& needle) {
    std::vector<int> found;
    const QString text = needle.trimmed().toLower();
    if (text.isEmpty())
        return found;
    if (!built_)
        build();
    // A number is looked for at the start of a cell only.
    const QString sought = isWholeNumber(text) ? QChar(kCellMark) + text : text;
    for (std::size_t row = 0; row < rows_.size(); ++row)
        if (rows_[row].contains(sought))
            found.push_back(static_cast<int>(row));
    return found;
}

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(4);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("findText"));
    edit_->setPlaceholderText(QStringLiteral("Find"));
    edit_->installEventFilter(this);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("findCount"));
    auto* closeButton = new QToolButton(this);
    closeButton->setObjectName(QStringLiteral("findClose"));
    closeButton->setText(QStringLiteral("x"));
    closeButton->setAutoRaise(true);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::closeRequested);
    matchingOnly_ = new QCheckBox(QStringLiteral("Matching rows only"), this);
    matchingOnly_->setObjectName(QStringLiteral("findMatchingOnly"));
    note_ = new QLabel(QStringLiteral("Dragging and Paste are off"), this);
    note_->setObjectName(QStringLiteral("findNote"));
    note_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    note_->setToolTip(note_->text());
    note_->hide();
    grid->addWidget(edit_, 0, 0);
    grid->addWidget(count_, 0, 1);
    grid->addWidget(closeButton, 0, 2);
    auto* second = new QHBoxLayout;
    second->addWidget(matchingOnly_);
    second->addWidget(note_, 1);
    grid->addLayout(second, 1, 0, 1, 3);
    grid->setColumnStretch(0, 1);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            emit step((key->modifiers() & Qt::ShiftModifier) != 0);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            emit closeRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit closeRequested();
        return;
    }
    QWidget::keyPressEvent(event);
}

ListTools::ListTools(MainDialog& window) : QObject(&window), window_(window) {
    addView(RecordKind::Satellite, window.satelliteList(), window.satelliteModel());
    addView(RecordKind::Transponder, window.transponderList(), window.transponderModel());
    addView(RecordKind::Service, window.serviceList(), window.serviceModel());
    addView(RecordKind::Antenna, window.antennaList(), window.antennaModel());
    window.commands().positionsLocked = [this](RecordKind kind) { return positionsLocked(kind); };
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (View& v : views_)
            if (now && (now == v.list || v.list->isAncestorOf(now)))
                active_ = v.kind;
    });

    const auto make = [this](const QString& text, QKeySequence keys, auto slot) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    // Before any list has had the focus (just after an Open, with the focus on the button), the
    // list searched is the one of the channels.
    findAction_ = make(QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F),
                       [this] { openFind(active_.value_or(RecordKind::Service)); });
    nextAction_ = make(QStringLiteral("Find &next"), QKeySequence(Qt::Key_F3), [this] {
        if (active_)
            findNext(*active_, false);
    });
    previousAction_ =
        make(QStringLiteral("Find &previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] {
            if (active_)
                findNext(*active_, true);
        });
    moveToAction_ = make(QStringLiteral("&Move to..."), QKeySequence(Qt::CTRL | Qt::Key_M),
                         [this] { askMoveTo(); });
    toggleLockAction_ = make(QStringLiteral("&Lock or unlock"), QKeySequence(Qt::CTRL | Qt::Key_L),
                             [this] { toggleLock(); });

    favourites_ = new QMenu(QStringLiteral("F&avourites"), &window);
    for (const bool set : {true, false}) {
        for (int group = 1; group <= 8; ++group)
            favourites_
                ->addAction(
                    (set ? QStringLiteral("Set group %1") : QStringLiteral("Clear group %1"))
                        .arg(group))
                ->setData(set ? group : -group);
        if (set)
            favourites_->addSeparator();
    }
    connect(favourites_, &QMenu::triggered, this, [this](QAction* action) {
        const int group = action->data().toInt();
        setFavouriteGroup(std::abs(group), group > 0);
    });
    caMode_ = new QMenu(QStringLiteral("&CA mode"), &window);
    connect(caMode_->addAction(QStringLiteral("Set")), &QAction::triggered, this,
            [this] { setCaMode(true); });
    connect(caMode_->addAction(QStringLiteral("Clear")), &QAction::triggered, this,
            [this] { setCaMode(false); });
    serviceActions_ = {
        make(QStringLiteral("Lock"), {}, [this] { setLock(true); }),
        make(QStringLiteral("Unlock"), {}, [this] { setLock(false); }),
    };
}

template <class Model> void ListTools::addView(RecordKind kind, DragListCtrl* list, Model& model) {
    View& v = view(kind);
    v.kind = kind;
    v.list = list;
    v.model = &model;
    v.refill = [&model] { model.refill(); };
    v.applyOrder = [this, kind, &model] {
        using Record = std::remove_cvref_t<decltype(**model.rows().begin())>;
        const RecordList<Record>& stored = window_.database().template list<Record>();
        std::unordered_map<const Record*, std::size_t> place;
        place.reserve(stored.size());
        std::size_t at = 0;
        for (const Record& r : stored)
            place.emplace(&r, at++);
        std::vector<std::size_t> shown;
        shown.reserve(model.rows().size());
        for (const Record* r : model.rows())
            shown.push_back(place.at(r));
        window_.document().transact(QStringLiteral("Apply this order"),
                                    [kind, shown](ChannelDatabase& db, TouchedRows& t) {
                                        t.kind = kind;
                                        putInOrder(db.list<Record>(), shown);
                                        if constexpr (std::is_same_v<Record, ServiceRecord>) {
                                            int32_t number = 0;
                                            for (ServiceRecord& s : db.services)
                                                s.number = number++;
                                        }
                                        return true;
                                    });
    };
    v.texts = new RowTexts(model, this);
    v.bar = new FindBar(list);
    v.bar->hide();
    auto* line = new QWidget(list);
    line->setObjectName(QStringLiteral("sortLine"));
    line->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(4, 1, 2, 1);
    auto* says = new QLabel(QStringLiteral("Sorted view: dragging, moves and Paste are off"), line);
    says->setObjectName(QStringLiteral("sortNote"));
    // In a narrow list the text is cut, not the button.
    says->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    says->setToolTip(says->text());
    row->addWidget(says, 1);
    auto* apply = new QPushButton(QStringLiteral("Apply this order"), line);
    apply->setObjectName(QStringLiteral("applyOrder"));
    row->addWidget(apply);
    line->hide();
    v.sortLine = line;
    connect(apply, &QPushButton::clicked, this, [this, kind] { applyViewOrder(kind); });

    connect(v.bar->edit(), &QLineEdit::textEdited, this,
            [this, kind] { search(view(kind), true); });
    connect(v.bar, &FindBar::step, this, [this, kind](bool back) { findNext(kind, back); });
    connect(v.bar, &FindBar::closeRequested, this, [this, kind] { closeFind(kind); });
    connect(v.bar->matchingOnly(), &QCheckBox::toggled, this, [this, kind] {
        applyFilter(view(kind));
        updateLocks(view(kind));
    });
    QHeaderView* header = list->horizontalHeader();
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this,
            [this, kind](int column) { sortByColumn(kind, column); });
    connect(&model, &QAbstractItemModel::modelReset, this, [this, kind] {
        View& changed = view(kind);
        if (!changed.resorting)
            afterRowsChanged(changed);
    });
    list->installEventFilter(this);
    v.rows = list->viewport();
    v.rows->installEventFilter(this);
}

QList<QAction*> ListTools::shortcutActions() const {
    return {findAction_, nextAction_, previousAction_, moveToAction_, toggleLockAction_};
}

QMenu* ListTools::addToolsMenu(QMenuBar& bar) {
    QMenu* tools = bar.addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("toolsMenu"));
    QAction* remove = tools->addAction(QStringLiteral("&Remove duplicates..."));
    remove->setObjectName(QStringLiteral("removeDuplicatesAction"));
    connect(remove, &QAction::triggered, this, &ListTools::removeDuplicates);
    return tools;
}

void ListTools::addEditItems(QMenu& edit) {
    edit.addSeparator();
    edit.addActions({findAction_, nextAction_, previousAction_});
    edit.addSeparator();
    edit.addAction(moveToAction_);
    edit.addMenu(favourites_);
    edit.addAction(toggleLockAction_);
    for (QAction* action : serviceActions_)
        edit.addAction(action);
    edit.addMenu(caMode_);
}

bool ListTools::positionsLocked(RecordKind kind) const {
    const View& v = view(kind);
    return v.sortColumn >= 0 || (!v.bar->isHidden() && v.bar->matchingOnly()->isChecked());
}

bool ListTools::eventFilter(QObject* watched, QEvent* event) {
    // Lists being destroyed still send events: only these two look at them.
    if (event->type() != QEvent::Resize && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    for (View& v : views_) {
        if (event->type() == QEvent::Resize && (watched == v.list || watched == v.rows)) {
            placeBars(v);
        } else if (watched == v.list && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            // With its bar open, Escape in the list closes the bar, not the window.
            if (key->key() == Qt::Key_Escape && !v.bar->isHidden()) {
                closeFind(v.kind);
                return true;
            }
            if (key->modifiers() != Qt::ControlModifier)
                continue;
            static constexpr std::array<std::pair<int, Move>, 4> kKeys{{{Qt::Key_Up, Move::Up},
                                                                        {Qt::Key_Down, Move::Down},
                                                                        {Qt::Key_Home, Move::Start},
                                                                        {Qt::Key_End, Move::End}}};
            for (const auto& [k, move] : kKeys)
                if (key->key() == k) {
                    moveSelection(v.kind, move);
                    return true;
                }
        }
    }
    return QObject::eventFilter(watched, event);
}

void ListTools::placeBars(View& v) {
    const bool sorted = v.sortColumn >= 0;
    const int top = sorted ? v.sortLine->sizeHint().height() : 0;
    const int bottom = !v.bar->isHidden() ? v.bar->sizeHint().height() : 0;
    if (v.list->topBarArea().height() != top || v.list->bottomBarArea().height() != bottom)
        v.list->setBarSpace(top, bottom);
    v.sortLine->setGeometry(v.list->topBarArea());
    v.bar->setGeometry(v.list->bottomBarArea());
}

void ListTools::openFind(RecordKind kind) {
    View& v = view(kind);
    v.bar->show();
    placeBars(v);
    v.bar->edit()->setFocus();
    v.bar->edit()->selectAll();
    search(v, true);
}

void ListTools::closeFind(RecordKind kind) {
    View& v = view(kind);
    v.bar->matchingOnly()->setChecked(false);
    v.bar->hide();
    placeBars(v);
    updateLocks(v);
    v.list->setFocus();
}

void ListTools::search(View& v, bool fromCurrent) {
    v.matches = v.texts->matches(v.bar->edit()->text());
    applyFilter(v);
    if (fromCurrent && !v.matches.empty()) {
        const int current = std::max(0, v.list->currentIndex().row());
        const auto at = std::lower_bound(v.matches.begin(), v.matches.end(), current);
        goToMatch(v, at == v.matches.end() ? v.matches.front() : *at);
    }
    updateCount(v);
}

void ListTools::findNext(RecordKind kind, bool backwards) {
    View& v = view(kind);
    if (v.bar->isHidden()) {
        openFind(kind);
        return;
    }
    if (!v.texts->isBuilt())
        v.matches = v.texts->matches(v.bar->edit()->text());
    if (v.matches.empty()) {
        updateCount(v);
        return;
    }
    const int current = v.list->currentIndex().row();
    int row;
    if (backwards) {
        const auto at = std::lower_bound(v.matches.begin(), v.matches.end(), current);
        row = at == v.matches.begin() ? v.matches.back() : *(at - 1);
    } else {
        const auto at = std::upper_bound(v.matches.begin(), v.matches.end(), current);
        row = at == v.matches.end() ? v.matches.front() : *at;
    }
    goToMatch(v, row);
    updateCount(v);
}

void ListTools::goToMatch(View& v, int row) {
    const QModelIndex index = v.model->index(row, 0);
    v.list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    v.list->scrollTo(index);
}

void ListTools::updateCount(View& v) {
    if (v.bar->edit()->text().trimmed().isEmpty()) {
        v.bar->count()->clear();
        return;
    }
    if (v.matches.empty()) {
        v.bar->count()->setText(QStringLiteral("no match"));
        return;
    }
    const int current = v.list->currentIndex().row();
    const auto at = std::lower_bound(v.matches.begin(), v.matches.end(), current);
    const auto place = at != v.matches.end() && *at == current ? at - v.matches.begin() + 1 : 0;
    v.bar->count()->setText(QStringLiteral("%1 of %2").arg(place).arg(v.matches.size()));
}

void ListTools::applyFilter(View& v) {
    const bool only = !v.bar->isHidden() && v.bar->matchingOnly()->isChecked() &&
                      !v.bar->edit()->text().trimmed().isEmpty();
    const int rows = v.model->rowCount();
    auto next = v.matches.begin();
    for (int row = 0; row < rows; ++row) {
        bool shown = true;
        if (only) {
            shown = next != v.matches.end() && *next == row;
            if (shown)
                ++next;
        }
        if (v.list->isRowHidden(row) == shown)
            v.list->setRowHidden(row, !shown);
    }
}

void ListTools::afterRowsChanged(View& v) {
    if (v.sortColumn >= 0)
        sortRows(v);
    if (!v.bar->isHidden()) {
        v.matches = v.texts->matches(v.bar->edit()->text());
        applyFilter(v);
        updateCount(v);
    }
}

void ListTools::updateLocks(View& v) {
    const bool sorted = v.sortColumn >= 0;
    v.list->setDragAllowed(!positionsLocked(v.kind));
    v.bar->note()->setVisible(v.bar->matchingOnly()->isChecked());
    v.sortLine->setVisible(sorted);
    QHeaderView* header = v.list->horizontalHeader();
    header->setSortIndicatorShown(sorted);
    if (sorted)
        header->setSortIndicator(v.sortColumn,
                                 v.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    placeBars(v);
}

void ListTools::sortByColumn(RecordKind kind, int column) {
    View& v = view(kind);
    if (v.sortColumn != column) {
        v.sortColumn = column;
        v.descending = false;
    } else if (!v.descending) {
        v.descending = true;
    } else {
        v.sortColumn = -1;
    }
    // Each order is made from the stored one, so equal cells keep their stored order.
    v.resorting = true;
    v.refill();
    v.resorting = false;
    if (v.sortColumn >= 0)
        sortRows(v);
    updateLocks(v);
    if (!v.bar->isHidden())
        search(v, false);
    else
        applyFilter(v);
}

void ListTools::sortRows(View& v) {
    const int rows = v.model->rowCount();
    std::vector<SortKey> keys;
    keys.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        QString text = v.model->data(v.model->index(row, v.sortColumn)).toString();
        bool number = false;
        const qlonglong value = text.toLongLong(&number);
        keys.push_back({number, value, std::move(text)});
    }
    std::vector<int32_t> order(static_cast<std::size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        const SortKey& x = keys[static_cast<std::size_t>(a)];
        const SortKey& y = keys[static_cast<std::size_t>(b)];
        return v.descending ? lessKey(y, x) : lessKey(x, y);
    });
    if (auto* rowsOf = dynamic_cast<ReorderableRows*>(v.model))
        rowsOf->reorderRows(order);
}

void ListTools::applyViewOrder(RecordKind kind) {
    View& v = view(kind);
    if (v.sortColumn < 0)
        return;
    v.applyOrder();
    v.sortColumn = -1;
    v.resorting = true;
    v.refill();
    v.resorting = false;
    updateLocks(v);
    afterRowsChanged(v);
}

void ListTools::moveSelection(RecordKind kind, Move move) {
    View& v = view(kind);
    if (v.sortColumn >= 0)
        return;
    const std::vector<int32_t> selected = v.list->selectedRowIndexes();
    if (selected.empty())
        return;
    const int32_t rows = v.model->rowCount();
    int32_t position = -1;
    switch (move) {
    case Move::Start:
        position = 0;
        break;
    case Move::End:
        position = rows;
        break;
    case Move::Up:
        // Past the row shown above the first selected one.
        for (int32_t row = selected.front() - 1; row >= 0 && position < 0; --row)
            if (!v.list->isRowHidden(row))
                position = row;
        break;
    case Move::Down:
        for (int32_t row = selected.back() + 1; row < rows && position < 0; ++row)
            if (!v.list->isRowHidden(row))
                position = row + 1;
        break;
    }
    if (position >= 0)
        v.list->dropSelectionAt(position);
}

void ListTools::moveSelectionTo(RecordKind kind, int32_t position) {
    View& v = view(kind);
    if (v.sortColumn >= 0)
        return;
    const std::vector<int32_t> selected = v.list->selectedRowIndexes();
    const int32_t rows = v.model->rowCount();
    if (selected.empty())
        return;
    // The drop line that leaves `position` rows that are not moved above the block.
    int32_t line = 0;
    int32_t above = 0;
    auto next = selected.begin();
    while (line < rows && above < position) {
        if (next != selected.end() && *next == line)
            ++next;
        else
            ++above;
        ++line;
    }
    v.list->dropSelectionAt(line);
}

void ListTools::askMoveTo() {
    if (!active_)
        return;
    View& v = view(*active_);
    const std::vector<int32_t> selected = v.list->selectedRowIndexes();
    if (selected.empty() || v.sortColumn >= 0)
        return;
    const int rows = v.model->rowCount();
    const bool services = v.kind == RecordKind::Service;
    const auto number = window_.prompts().askNumber(
        &window_,
        services ? QStringLiteral("Move the selected services to channel number:")
                 : QStringLiteral("Move the selected rows to position:"),
        selected.front() + 1, 1, std::max(1, rows - static_cast<int>(selected.size()) + 1));
    if (number)
        moveSelectionTo(v.kind, *number - 1);
}

std::vector<int32_t> ListTools::selectedServiceKeys() const {
    std::vector<int32_t> keys;
    // The service edits work on the service list only when it is the one in use.
    if (active_ != RecordKind::Service)
        return keys;
    for (const int32_t row : window_.serviceList()->selectedRowIndexes())
        if (const auto key = window_.serviceModel().key(row))
            keys.push_back(*key);
    return keys;
}

void ListTools::editServices(const QString& text, const std::function<void(ServiceRecord&)>& edit) {
    const std::vector<int32_t> keys = selectedServiceKeys();
    if (keys.empty())
        return;
    std::unordered_set<int64_t> numbers;
    for (const int32_t key : keys)
        numbers.insert(int64_t{key} - 1);
    window_.document().transact(text, [&](ChannelDatabase& db, TouchedRows& rows) {
        rows.kind = RecordKind::Service;
        rows.before = rows.after = keys;
        for (ServiceRecord& s : db.services)
            if (numbers.count(s.number))
                edit(s);
        return true;
    });
}

void ListTools::setFavouriteGroup(int group, bool set) {
    if (group < 1 || group > 8)
        return;
    const int32_t bit = int32_t{1} << (group - 1);
    editServices((set ? QStringLiteral("Set favourite group %1")
                      : QStringLiteral("Clear favourite group %1"))
                     .arg(group),
                 [bit, set](ServiceRecord& s) {
                     s.favorites = set ? (s.favorites | bit) : (s.favorites & ~bit);
                 });
}

void ListTools::setLock(bool locked) {
    editServices(locked ? QStringLiteral("Lock services") : QStringLiteral("Unlock services"),
                 [locked](ServiceRecord& s) { s.lock = locked ? 1 : 0; });
}

void ListTools::toggleLock() {
    // Locks them all unless every one is locked already.
    bool allLocked = true;
    bool any = false;
    if (active_ != RecordKind::Service)
        return;
    for (const int32_t row : window_.serviceList()->selectedRowIndexes())
        if (const ServiceRecord* s = window_.serviceModel().record(row)) {
            any = true;
            allLocked = allLocked && s->lock != 0;
        }
    if (any)
        setLock(!allLocked);
}

void ListTools::setCaMode(bool on) {
    editServices(on ? QStringLiteral("Set CA mode") : QStringLiteral("Clear CA mode"),
                 [on](ServiceRecord& s) { s.caMode = on ? 1 : 0; });
}

void ListTools::removeDuplicates() {
    const DuplicatePlan plan = findDuplicates(window_.database());
    UserPrompts& prompts = window_.prompts();
    if (plan.empty()) {
        prompts.message(&window_, MessageIcon::Information, QStringLiteral("No duplicates found."));
        return;
    }
    QStringList lines;
    std::size_t moved = 0;
    for (const DuplicateTransponder& t : plan.transponders) {
        moved += t.services;
        lines << QStringLiteral("Transponder %1: same as %2, %3 services move to it")
                     .arg(t.id)
                     .arg(t.keptId)
                     .arg(t.services);
    }
    for (const DuplicateService& s : plan.services)
        lines << QStringLiteral("Service %1: same as %2")
                     .arg(int64_t{s.number} + 1)
                     .arg(int64_t{s.keptNumber} + 1);
    const QString text =
        QStringLiteral("Remove %1 duplicate transponders (%2 services move to the ones kept) and "
                       "%3 duplicate services?")
            .arg(plan.transponders.size())
            .arg(moved)
            .arg(plan.services.size());
    if (!prompts.confirmChange(&window_, text, lines.join(QLatin1Char('\n'))))
        return;
    window_.document().transact(QStringLiteral("Remove duplicates"),
                                [](ChannelDatabase& db, TouchedRows& rows) {
                                    rows.kind = RecordKind::Service;
                                    const DuplicatePlan now = findDuplicates(db);
                                    corvane::removeDuplicates(db, now);
                                    return !now.empty();
                                });
}

} // namespace corvane
