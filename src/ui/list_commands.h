#pragma once
// ListCommands: what the user does to the records through the four lists of the main window,
// asked for through ListMenus or by a drag. Each command is one function that changes the
// database in one step of the document's history, named for the user's Undo; the lists follow
// the document by themselves. Nothing here knows how the command was asked for.

#include "model/channel_database.h"
#include "model/drop_order.h"
#include "ui/document.h"
#include "ui/record_editors.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace corvane {

class DragListCtrl;
class MainDialog;
class RecordEditors;

class ListCommands final : public QObject {
    Q_OBJECT

public:
    // Connects itself to the drops of the window's four lists.
    ListCommands(MainDialog& window, RecordEditors& editors);

    // `key` is the key of the row the command was asked for on: a satellite's, transponder's or
    // antenna's id, a service's "No." (its number + 1).
    void editSatellite(int32_t key);
    void addSatellite();
    void deleteSatellite(int32_t key);
    void cutSatellites();
    void pasteSatellites(int32_t key);
    void addTransponderTo(int32_t satelliteId);

    void editTransponder(int32_t key);
    void addTransponder();
    void deleteTransponder(int32_t key);
    void cutTransponders();
    void pasteTransponders(int32_t key);
    void addServiceTo(int32_t transponderId);

    void editService(int32_t key);
    void addService();
    void deleteService(int32_t key);
    void cutServices();
    void pasteServices(int32_t key);

    void editAntenna(int32_t key);
    void addAntenna();
    void deleteAntenna(int32_t key);
    void cutAntennas();
    void pasteAntennas(int32_t key);

    // The drag handlers, with (key, from, to) as DragListCtrl reports each moved row. The moves
    // of one drop are collected and applied together when the drop ends, with the result that
    // applying them one by one would have.
    void moveSatellite(int32_t key, int32_t from, int32_t to);
    void moveTransponder(int32_t key, int32_t from, int32_t to);
    void moveService(int32_t key, int32_t from, int32_t to);
    void moveAntenna(int32_t key, int32_t from, int32_t to);

    // When set and true for a list, its rows do not stand in their stored order (sorted, or
    // only some shown), so Paste, which goes by position, is off there.
    std::function<bool(RecordKind)> positionsLocked;

    // Whether `command` of the menu of `list` can be chosen on the row with `key`; no key means
    // beside the rows.
    bool isAvailable(RecordKind list, int command, std::optional<int32_t> key) const;
    // Runs `command` when it is available.
    void run(RecordKind list, int command, std::optional<int32_t> key);
    // The window's list of `kind`, and the key of its row `row` (none beside the rows).
    DragListCtrl* listOf(RecordKind kind) const;
    std::optional<int32_t> keyOfRow(RecordKind kind, int row) const;

private:
    std::vector<int32_t> selectedKeys(RecordKind kind) const;
    void connectDrops(RecordKind kind);
    void queueMove(RecordKind kind, DropMove move);
    void applyMoves(RecordKind kind, std::span<const DropMove> moves);
    void applyServiceMoves(std::span<const DropMove> moves);
    bool confirmDelete(const QString& what);
    // One step of the document's history; the lists follow by themselves.
    bool transact(const QString& text, const Document::Change& change);

    MainDialog& window_;
    // For the service dialog: what the TP ID field may name.
    TransponderExists transponderExists() const;

    RecordEditors& editors_;
    std::optional<RecordKind> dropping_;
    std::vector<DropMove> dropMoves_;
    ServiceDrop serviceDrop_;
};

} // namespace corvane
