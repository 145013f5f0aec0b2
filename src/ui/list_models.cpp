#include "ui/list_models.h"

#include "ui/name_text.h"

#include <algorithm>
#include <array>

namespace corvane {

namespace {

// A service row is keyed by its number + 1. Worked out in 64 bits and wrapped, so the largest
// number a record can hold shows as the C conversion would print it rather than overflowing.
int32_t rowKey(const ServiceRecord& r) {
    return static_cast<int32_t>(static_cast<int64_t>(r.number) + 1);
}
template <class Record> int32_t rowKey(const Record& r) {
    return recordKey(r);
}

QString yesNo(int32_t value) {
    return value != 0 ? QStringLiteral("Y") : QStringLiteral("N");
}

constexpr std::array<ListColumn, 3> kSatelliteColumns{{{"Id", 30}, {"East", 50}, {"Name", 150}}};

constexpr std::array<ListColumn, 6> kTransponderColumns{
    {{"Id", 30}, {"Freq.", 60}, {"SR.", 50}, {"Pol", 40}, {"FEC", 40}, {"Ante", 40}}};

constexpr std::array<ListColumn, 11> kServiceColumns{{{"No.", 40},
                                                      {"TYPE", 80},
                                                      {"Name.", 150},
                                                      {"Sat ID", 50},
                                                      {"V_Pid", 50},
                                                      {"A_Pid", 50},
                                                      {"PCR_Pid", 70},
                                                      {"SID", 50},
                                                      {"CA Mode", 60},
                                                      {"Favor", 50},
                                                      {"Lock", 50}}};

constexpr std::array<ListColumn, 17> kAntennaColumns{{{"Id.", 40},
                                                      {"Low_freq", 70},
                                                      {"High_freq", 70},
                                                      {"Center_freq", 80},
                                                      {"Lnb_type", 70},
                                                      {"Lnb_power", 70},
                                                      {"Lnb_voltage", 80},
                                                      {"toneburst", 70},
                                                      {"committed10", 80},
                                                      {"uncommitted", 80},
                                                      {"committed11", 80},
                                                      {"repeated_times", 90},
                                                      {"switch22k", 70},
                                                      {"swith12v", 70},
                                                      {"tuner_mask", 80},
                                                      {"diseqc_type", 80},
                                                      {"antenna_key", 80}}};

} // namespace

QString fecText(int32_t fec) {
    static const std::array<QString, 7> kTexts{
        QStringLiteral("Auto"), QStringLiteral("1/2"), QStringLiteral("2/3"), QStringLiteral("3/4"),
        QStringLiteral("5/6"),  QStringLiteral("7/8"), QStringLiteral("8/9")};
    return fec >= 0 && fec < static_cast<int32_t>(kTexts.size())
               ? kTexts[static_cast<std::size_t>(fec)]
               : QStringLiteral("err");
}

QString favoritesText(int32_t favorites) {
    const auto groups = static_cast<uint32_t>(favorites) & 0xFFu;
    if (groups == 0)
        return QStringLiteral("NoFav");
    int lowest = 0;
    while ((groups & (1u << lowest)) == 0)
        ++lowest;
    return QStringLiteral("Fav%1").arg(lowest + 1);
}

void SatelliteIdLookup::rebuild(const RecordList<TransponderRecord>& transponders) {
    // One walk: the list is as long as the service list, and walking it is most of a fill's cost.
    dense_.assign(std::min(transponders.size(), std::size_t{kDenseIds}), std::nullopt);
    sparse_.clear();
    for (const TransponderRecord& t : transponders) {
        if (t.id >= 0 && t.id < kDenseIds) {
            const auto at = static_cast<std::size_t>(t.id);
            if (at >= dense_.size())
                dense_.resize(
                    std::max(at + 1, std::min(2 * dense_.size(), std::size_t{kDenseIds})));
            if (!dense_[at])
                dense_[at] = t.satelliteId;
        } else {
            sparse_.try_emplace(t.id, t.satelliteId);
        }
    }
}

std::optional<int32_t> SatelliteIdLookup::find(int32_t transponderId) const {
    if (transponderId >= 0 && static_cast<std::size_t>(transponderId) < dense_.size())
        return dense_[static_cast<std::size_t>(transponderId)];
    const auto it = sparse_.find(transponderId);
    if (it == sparse_.end())
        return std::nullopt;
    return it->second;
}

template <class Record>
QVariant RecordTableModel<Record>::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || index.parent().isValid())
        return {};
    const Record* r = record(index.row());
    if (!r || index.column() < 0 || index.column() >= columnCount())
        return {};
    if (index.column() == 0)
        return QString::number(rowKey(*r));
    return text(*r, index.column());
}

template <class Record>
QVariant RecordTableModel<Record>::headerData(int section, Qt::Orientation orientation,
                                              int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(columns()[static_cast<std::size_t>(section)].header);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

template <class Record>
bool RecordTableModel<Record>::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                                        const QModelIndex& destinationParent,
                                        int destinationChild) {
    const int size = rowCount();
    if (sourceParent.isValid() || destinationParent.isValid() || count <= 0 || sourceRow < 0 ||
        sourceRow > size - count || destinationChild < 0 || destinationChild > size)
        return false;
    // A destination inside or right after the moved block leaves every row where it was.
    if (destinationChild >= sourceRow && destinationChild <= sourceRow + count)
        return false;
    if (!beginMoveRows(sourceParent, sourceRow, sourceRow + count - 1, destinationParent,
                       destinationChild))
        return false;
    const auto first = rows_.begin() + sourceRow;
    const auto last = first + count;
    const auto destination = rows_.begin() + destinationChild;
    if (destinationChild < sourceRow)
        std::rotate(destination, first, last);
    else
        std::rotate(first, last, destination);
    endMoveRows();
    return true;
}

template <class Record> bool RecordTableModel<Record>::reorderRows(std::span<const int32_t> order) {
    const std::size_t size = rows_.size();
    if (order.size() != size)
        return false;
    std::vector<int> newRow(size, -1);
    for (std::size_t i = 0; i < size; ++i) {
        const int32_t from = order[i];
        if (from < 0 || static_cast<std::size_t>(from) >= size ||
            newRow[static_cast<std::size_t>(from)] >= 0)
            return false;
        newRow[static_cast<std::size_t>(from)] = static_cast<int>(i);
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<const Record*> reordered(size);
    for (std::size_t i = 0; i < size; ++i)
        reordered[i] = rows_[static_cast<std::size_t>(order[i])];
    rows_ = std::move(reordered);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& persistent : before)
        after.push_back(
            index(newRow[static_cast<std::size_t>(persistent.row())], persistent.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return true;
}

template <class Record> void RecordTableModel<Record>::watch(const Document& document) {
    document_ = &document;
    QObject::connect(&document, &Document::aboutToChange, this, [this](RecordKind kind) {
        if (kind != kindOf<Record>() || changing_)
            return;
        changing_ = true;
        beginResetModel();
        rows_.clear();
    });
    QObject::connect(&document, &Document::changed, this, [this](RecordKind kind) {
        if (kind != kindOf<Record>() || !changing_)
            return;
        fillRows();
        changing_ = false;
        endResetModel();
    });
    refill();
}

template <class Record> void RecordTableModel<Record>::fillRows() {
    rows_.clear();
    const RecordList<Record>& list = document_->database().template list<Record>();
    rows_.reserve(list.size());
    if (none_)
        return;
    for (const Record& r : list)
        if (keeps(r))
            rows_.push_back(&r);
}

template <class Record> void RecordTableModel<Record>::refill() {
    if (!document_ || changing_)
        return;
    beginResetModel();
    fillRows();
    endResetModel();
}

template <class Record> void RecordTableModel<Record>::setFilter(int32_t filter) {
    filter_ = filter;
    none_ = false;
    refill();
}

template <class Record> void RecordTableModel<Record>::setRows(std::vector<const Record*> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

template <class Record> void RecordTableModel<Record>::refresh() {
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

template <class Record> std::optional<int32_t> RecordTableModel<Record>::key(int row) const {
    const Record* r = record(row);
    if (!r)
        return std::nullopt;
    return rowKey(*r);
}

template class RecordTableModel<SatelliteRecord>;
template class RecordTableModel<TransponderRecord>;
template class RecordTableModel<ServiceRecord>;
template class RecordTableModel<AntennaRecord>;

std::span<const ListColumn> SatelliteListModel::columns() const {
    return kSatelliteColumns;
}

QString SatelliteListModel::text(const SatelliteRecord& r, int column) const {
    switch (column) {
    case 1:
        return QString::number(r.longitude); // tenths of a degree east, as stored
    case 2:
        return nameText(names(), r.name);
    default:
        return {};
    }
}

std::span<const ListColumn> TransponderListModel::columns() const {
    return kTransponderColumns;
}

QString TransponderListModel::text(const TransponderRecord& r, int column) const {
    switch (column) {
    case 1:
        return QString::number(r.frequency);
    case 2:
        return QString::number(r.symbolRate);
    case 3:
        return r.polarity != 0 ? QStringLiteral("V") : QStringLiteral("H");
    case 4:
        return fecText(r.fec);
    case 5:
        return QString::number(r.antennaId);
    default:
        return {};
    }
}

void ServiceListModel::watch(const Document& document) {
    rebuildSatelliteIds(document.database().transponders);
    // "Sat ID" is looked up through the transponders: a change of them alone changes cells.
    connect(&document, &Document::changed, this, [this, &document](RecordKind kind) {
        if (kind != RecordKind::Transponder)
            return;
        rebuildSatelliteIds(document.database().transponders);
        refresh();
    });
    RecordTableModel::watch(document);
}

std::span<const ListColumn> ServiceListModel::columns() const {
    return kServiceColumns;
}

QString ServiceListModel::text(const ServiceRecord& r, int column) const {
    switch (column) {
    case 1:
        return r.videoPid != 0 ? QStringLiteral("video") : QStringLiteral("radio");
    case 2:
        return nameText(names(), r.name);
    case 3: {
        const auto satellite = satelliteIds_.find(r.transponderId);
        return satellite ? QString::number(*satellite) : QString();
    }
    case 4:
        return QString::number(r.videoPid);
    case 5:
        return QString::number(r.audioPid);
    case 6:
        return QString::number(r.pcrPid);
    case 7:
        return QString::number(r.serviceId);
    case 8:
        return yesNo(r.caMode);
    case 9:
        return favoritesText(r.favorites);
    case 10:
        return yesNo(r.lock);
    default:
        return {};
    }
}

std::span<const ListColumn> AntennaListModel::columns() const {
    return kAntennaColumns;
}

QString AntennaListModel::text(const AntennaRecord& r, int column) const {
    const std::array<int32_t, 17> fields{
        r.id,         r.lowFreq,   r.highFreq,    r.centerFreq,  r.lnbType,     r.lnbPower,
        r.lnbVoltage, r.toneburst, r.committed10, r.uncommitted, r.committed11, r.repeatedTimes,
        r.switch22k,  r.switch12v, r.tunerMask,   r.diseqcType,  r.antennaKey};
    return column >= 0 && column < static_cast<int>(fields.size())
               ? QString::number(fields[static_cast<std::size_t>(column)])
               : QString();
}

} // namespace corvane
