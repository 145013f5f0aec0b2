#pragma once
// The table models behind the four lists of the main window. Each model shows the records of one
// kind that its filter keeps, in list order, and follows the document: it refills itself whenever
// records of its kind change, so no command has to know which lists show what it changed. Cells
// are formatted when the view asks for them, so a fill costs one walk of the record list and the
// view formats only what is on screen. Between the document's aboutToChange and changed the model
// is in a reset and reads nothing; its rows are rebuilt from the new records afterwards.

#include "model/channel_database.h"
#include "ui/document.h"
#include "ui/reorderable_rows.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace corvane {

class NameCodec;

struct ListColumn {
    const char* header;
    int width; // pixels at the classic 8-point dialog font
};

// The satellite of a transponder id: the first transponder with that id in list order, as a walk
// of the transponder list would find it, but built once instead of walked per service.
class SatelliteIdLookup {
public:
    SatelliteIdLookup() = default;
    explicit SatelliteIdLookup(const RecordList<TransponderRecord>& transponders) {
        rebuild(transponders);
    }
    // Keeps the storage of the previous build, so a fill allocates nothing.
    void rebuild(const RecordList<TransponderRecord>& transponders);
    std::optional<int32_t> find(int32_t transponderId) const;

private:
    static constexpr int32_t kDenseIds = 65536; // the ids a file can hold
    std::vector<std::optional<int32_t>> dense_;
    std::unordered_map<int32_t, int32_t> sparse_;
};

template <class Record>
class RecordTableModel : public QAbstractTableModel, public ReorderableRows {
public:
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(columns().size());
    }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Moves `count` rows starting at `sourceRow` so that they stand before `destinationChild` as
    // the rows were numbered before the move. The records themselves stay where they are.
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;

    bool reorderRows(std::span<const int32_t> order) override;

    // Shows the records of `document` from now on (filled at once).
    void watch(const Document& document);
    // Rebuilds the rows from the document (one model reset).
    void refill();
    // A filter of 0 or more keeps only the records of that satellite or transponder id (the
    // transponder and service lists); a negative one keeps all. Refills.
    void setFilter(int32_t filter);
    int32_t filter() const { return filter_; }
    // Shows no row until the next setFilter.
    void showNone() {
        none_ = true;
        refill();
    }
    // Replaces every row (one model reset); for a model that watches no document.
    void setRows(std::vector<const Record*> rows);
    // Tells the views that the shown records' values may have changed.
    void refresh();
    // The code page names are shown in (nameText); Latin-1 when null. Refreshes.
    void setNames(const NameCodec* names) {
        names_ = names;
        refresh();
    }
    const NameCodec* names() const { return names_; }

    std::span<const Record* const> rows() const { return rows_; }
    const Record* record(int row) const {
        return row >= 0 && static_cast<std::size_t>(row) < rows_.size()
                   ? rows_[static_cast<std::size_t>(row)]
                   : nullptr;
    }
    // The number column 0 shows, which commands look the record up by.
    std::optional<int32_t> key(int row) const;

    virtual std::span<const ListColumn> columns() const = 0;

protected:
    virtual QString text(const Record& record, int column) const = 0;
    virtual bool keeps(const Record&) const { return true; }
    const Document* document_ = nullptr;

private:
    void fillRows();

    std::vector<const Record*> rows_;
    int32_t filter_ = -1;
    bool none_ = false;
    bool changing_ = false;
    const NameCodec* names_ = nullptr;
};

extern template class RecordTableModel<SatelliteRecord>;
extern template class RecordTableModel<TransponderRecord>;
extern template class RecordTableModel<ServiceRecord>;
extern template class RecordTableModel<AntennaRecord>;

class SatelliteListModel final : public RecordTableModel<SatelliteRecord> {
public:
    using RecordTableModel::RecordTableModel;
    std::span<const ListColumn> columns() const override;

protected:
    QString text(const SatelliteRecord& record, int column) const override;
};

class TransponderListModel final : public RecordTableModel<TransponderRecord> {
public:
    using RecordTableModel::RecordTableModel;
    std::span<const ListColumn> columns() const override;

protected:
    QString text(const TransponderRecord& record, int column) const override;
    bool keeps(const TransponderRecord& r) const override {
        return filter() < 0 || r.satelliteId == filter();
    }
};

class ServiceListModel final : public RecordTableModel<ServiceRecord> {
public:
    using RecordTableModel::RecordTableModel;
    std::span<const ListColumn> columns() const override;
    // The "Sat ID" column reads this lookup; rebuild it before setting the rows. A watching
    // model rebuilds it whenever the transponders change.
    void rebuildSatelliteIds(const RecordList<TransponderRecord>& transponders) {
        satelliteIds_.rebuild(transponders);
    }
    void watch(const Document& document);

protected:
    QString text(const ServiceRecord& record, int column) const override;
    bool keeps(const ServiceRecord& r) const override {
        return filter() < 0 || r.transponderId == filter();
    }

private:
    SatelliteIdLookup satelliteIds_;
};

class AntennaListModel final : public RecordTableModel<AntennaRecord> {
public:
    using RecordTableModel::RecordTableModel;
    std::span<const ListColumn> columns() const override;

protected:
    QString text(const AntennaRecord& record, int column) const override;
};

// Cell texts shared with anything else that shows records the way the lists do.
QString fecText(int32_t fec);
QString favoritesText(int32_t favorites);

} // namespace corvane
