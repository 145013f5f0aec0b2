#pragma once
// ListTools: what the user does to the lists beyond their context menus: the find bar (Ctrl+F)
// with its "Matching rows only" switch, sorting a list's view by a column, moving the selected
// rows with keys, the bulk edits of the selected services and Tools > Remove duplicates. A change
// of records is one step of the document's history and goes through the same code as the drag or
// edit it stands for; sorting and filtering change only what a list shows.

#include "model/records.h"

#include <QObject>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QAbstractItemModel;
class QAction;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;

namespace corvane {

class DragListCtrl;
class MainDialog;
struct ServiceRecord;

// The cells of each row of a model as one lowercased string, every cell preceded by kCellMark.
// Built on the first search after the rows changed, so that a keystroke's search scans cached
// text instead of formatting every cell again.
class RowTexts final : public QObject {
public:
    static constexpr char16_t kCellMark = u'\x1f';

    RowTexts(QAbstractItemModel& model, QObject* parent);
    // The rows `needle` matches, ascending: a whole number matches a cell that equals it or
    // begins with it; other text matches a cell that contains it, ignoring case.
    std::vector<int> matches(const QString& needle);
    bool isBuilt() const { return built_; }

private:
    void build();

    QAbstractItemModel& model_;
    std::vector<QString> rows_;
    bool built_ = false;
};

// The bar under a list: the text searched, where the current match stands among all of them, and
// the switch that shows the matching rows only.
class FindBar final : public QWidget {
    Q_OBJECT

public:
    explicit FindBar(QWidget* parent);
    QLineEdit* edit() const { return edit_; }
    QLabel* count() const { return count_; }
    QCheckBox* matchingOnly() const { return matchingOnly_; }
    QLabel* note() const { return note_; }

signals:
    void step(bool backwards);
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape anywhere in the bar closes it rather than the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* edit_;
    QLabel* count_;
    QCheckBox* matchingOnly_;
    QLabel* note_;
};

class ListTools final : public QObject {
    Q_OBJECT

public:
    // Adds the find bars, sort lines and keys to the window's four lists.
    explicit ListTools(MainDialog& window);

    // The Tools menu, and the Edit menu's items (added each time the menu is rebuilt).
    QMenu* addToolsMenu(QMenuBar& bar);
    void addEditItems(QMenu& edit);
    // The window-wide shortcuts: find, next and previous match, Move to..., lock toggle.
    QList<QAction*> shortcutActions() const;

    // The list the find bar and the moves work on: the one that last had the focus.
    std::optional<RecordKind> activeList() const { return active_; }
    FindBar* findBar(RecordKind kind) const { return view(kind).bar; }
    QWidget* sortLine(RecordKind kind) const { return view(kind).sortLine; }
    bool isSorted(RecordKind kind) const { return view(kind).sortColumn >= 0; }
    // Sorted, or showing the matching rows only: the rows do not stand as stored.
    bool positionsLocked(RecordKind kind) const;

    void openFind(RecordKind kind);
    void closeFind(RecordKind kind);
    void findNext(RecordKind kind, bool backwards);
    // A header click: ascending, then descending, then the stored order.
    void sortByColumn(RecordKind kind, int column);
    // Makes the sorted view's order the stored order (services renumbered), one undo step.
    void applyViewOrder(RecordKind kind);

    enum class Move { Up, Down, Start, End };
    void moveSelection(RecordKind kind, Move move);
    // Edit > Move to...: the first moved row ends up at row `position` (0-based).
    void moveSelectionTo(RecordKind kind, int32_t position);
    void askMoveTo();

    void setFavouriteGroup(int group, bool set); // group 1-8
    void setLock(bool locked);
    void toggleLock();
    void setCaMode(bool on);
    void removeDuplicates();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct View {
        RecordKind kind = RecordKind::Satellite;
        DragListCtrl* list = nullptr;
        QWidget* rows = nullptr; // its viewport
        QAbstractItemModel* model = nullptr;
        std::function<void()> refill;
        // The database order made the view's order, as one transaction.
        std::function<void()> applyOrder;
        RowTexts* texts = nullptr;
        FindBar* bar = nullptr;
        QWidget* sortLine = nullptr;
        std::vector<int> matches;
        int sortColumn = -1;
        bool descending = false;
        bool resorting = false;
    };

    template <class Model> void addView(RecordKind kind, DragListCtrl* list, Model& model);
    View& view(RecordKind kind) { return views_[static_cast<std::size_t>(kind)]; }
    const View& view(RecordKind kind) const { return views_[static_cast<std::size_t>(kind)]; }
    void search(View& v, bool fromCurrent);
    void goToMatch(View& v, int row);
    void updateCount(View& v);
    void applyFilter(View& v);
    void sortRows(View& v);
    void afterRowsChanged(View& v);
    void updateLocks(View& v);
    void placeBars(View& v);
    std::vector<int32_t> selectedServiceKeys() const;
    void editServices(const QString& text, const std::function<void(ServiceRecord&)>& edit);

    MainDialog& window_;
    std::array<View, 4> views_;
    std::optional<RecordKind> active_;
    QAction* findAction_ = nullptr;
    QAction* nextAction_ = nullptr;
    QAction* previousAction_ = nullptr;
    QAction* moveToAction_ = nullptr;
    QAction* toggleLockAction_ = nullptr;
    QMenu* favourites_ = nullptr;
    QMenu* caMode_ = nullptr;
    std::vector<QAction*> serviceActions_;
};

} // namespace corvane
