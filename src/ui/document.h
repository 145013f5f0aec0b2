#pragma once
// Document: the channel database the editor works on, with its file and its history. Every change
// is one step on the history, which Undo and Redo walk; the change marker is the history's clean
// state. Whoever shows records listens to the announcements: before records of a kind change
// (aboutToChange) nothing may read them until the matching changed, and a record seen before is
// never used after: the lists key their rows by the records' keys, not by where they lie.
//
// The history keeps up to kHistorySteps steps. A step holds what it created or freed and a few
// runs for what it moved, never a copy of a list (see DatabaseChange): a hundred steps of the
// list commands at full size (255 satellites and antennas, 65,535 transponders and services) take
// about 1 MB. Whatever the steps, the history holds at most kHistoryBytes: past that its oldest
// steps are forgotten (the newest one is always kept).

#include "model/channel_database.h"
#include "model/database_change.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

// The rows a step is about, by the keys the rows show (a service's number + 1), as they are before
// and after it; undo and redo select them.
struct TouchedRows {
    RecordKind kind = RecordKind::Satellite;
    std::vector<int32_t> before, after;
};

class Document final : public QObject {
    Q_OBJECT

public:
    static constexpr int kHistorySteps = 100;
    static constexpr std::size_t kHistoryBytes = std::size_t{64} << 20;

    explicit Document(QObject* parent = nullptr);

    const ChannelDatabase& database() const { return database_; }
    // The file last opened or saved; empty before that.
    const std::string& path() const { return path_; }
    QUndoStack& history() { return history_; }
    // Whether the database differs from what was last opened or saved.
    bool isModified() const { return !history_.isClean(); }
    // The memory the history's steps hold, and the most it may (kHistoryBytes unless changed).
    std::size_t historyBytes() const;
    void setHistoryBudget(std::size_t bytes) { historyBudget_ = bytes; }

    // One user action. `change` gets a copy of the database, fills in the rows it is about and
    // returns whether it did anything; the copy becomes the database as one step named `text`.
    // Nothing is recorded when the result equals the database. Returns whether it changed.
    using Change = std::function<bool(ChannelDatabase&, TouchedRows&)>;
    bool transact(const QString& text, const Change& change);

    // An opened file: its records replace the database's, the cut buffers stay; the history
    // starts again from this unchanged state.
    void open(ChannelDatabase&& loaded, const std::string& path);
    // A whole database, cut buffers included, as the unchanged state of `path` (a new list).
    void replace(const ChannelDatabase& db, const std::string& path);
    // After a save to `path`: it becomes the file and the unchanged state; the history stays.
    void markSaved(const std::string& path);

signals:
    void aboutToChange(corvane::RecordKind kind);
    void changed(corvane::RecordKind kind);
    // After an undo (`undone`) or a redo, once every list has been told.
    void restored(const corvane::TouchedRows& rows, bool undone);
    void modifiedChanged(bool modified);
    void pathChanged();

private:
    friend class DocumentStep;
    void step(const DatabaseChange& change, const TouchedRows& rows, bool undo);
    void announceAll(const std::function<void()>& change);
    void trimHistory();

    ChannelDatabase database_;
    std::string path_;
    QUndoStack history_;
    std::size_t historyBudget_ = kHistoryBytes;
};

} // namespace corvane
