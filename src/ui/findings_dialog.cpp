#include "ui/findings_dialog.h"

#include "ui/name_text.h"

#include <QAbstractTableModel>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace corvane {

bool findingChangesTheFile(const Finding& finding) {
    // Records entered twice are written as they are; the receiver shows both. A transponder out
    // of the tuner's range is written as it is too, and stops the Save for another reason.
    return finding.kind != FindingKind::DuplicateTuning &&
           finding.kind != FindingKind::DuplicateService &&
           finding.kind != FindingKind::NotReceivable;
}

bool findingStopsTheSave(const Finding& finding) {
    return findingChangesTheFile(finding) || finding.kind == FindingKind::NotReceivable;
}

// Formats on demand: a check of a full list can find tens of thousands of things.
class FindingsModel final : public QAbstractTableModel {
public:
    FindingsModel(std::vector<Finding> findings, QObject* parent)
        : QAbstractTableModel(parent), findings_(std::move(findings)) {}

    const std::vector<Finding>& findings() const { return findings_; }
    void setFindings(std::vector<Finding> findings) {
        beginResetModel();
        findings_ = std::move(findings);
        endResetModel();
    }
    void setNames(const NameCodec* names) {
        names_ = names;
        if (!findings_.empty())
            emit dataChanged(index(0, 0), index(rowCount({}) - 1, 0));
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(findings_.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const Finding& finding = findings_[static_cast<std::size_t>(index.row())];
        if (index.column() == 1)
            return findingChangesTheFile(finding) ? QStringLiteral("differs from the lists")
                                                  : QStringLiteral("unchanged");
        // The check escapes control bytes (a DVB table byte too) and writes the rest of a name
        // as its bytes into a message otherwise ASCII, so the message reads in the names' page.
        return nameText(names_, finding.message);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? QStringLiteral("Finding") : QStringLiteral("In the file");
    }

private:
    std::vector<Finding> findings_;
    const NameCodec* names_ = nullptr;
};

namespace {

QString summary(const std::vector<Finding>& findings, bool beforeSave) {
    if (!beforeSave && findings.empty())
        return QStringLiteral("The check found nothing.");
    const auto differing = static_cast<std::size_t>(
        std::count_if(findings.begin(), findings.end(), findingChangesTheFile));
    const auto unreceivable = static_cast<std::size_t>(
        std::count_if(findings.begin(), findings.end(),
                      [](const Finding& f) { return f.kind == FindingKind::NotReceivable; }));
    QString said =
        differing > 0
            ? QStringLiteral("The file would not hold what the lists show: %1 of these %2 "
                             "findings change what is saved.")
                  .arg(differing)
                  .arg(findings.size())
            : QStringLiteral("The file would hold what the lists show.");
    if (unreceivable > 0)
        said += QStringLiteral(" The receiver could not tune %1 %2 through %3 antenna.")
                    .arg(unreceivable)
                    .arg(unreceivable == 1 ? QStringLiteral("transponder")
                                           : QStringLiteral("transponders"))
                    .arg(unreceivable == 1 ? QStringLiteral("its") : QStringLiteral("their"));
    return said + QStringLiteral(" Double-click a finding to see its record.");
}

} // namespace

FindingsDialog::FindingsDialog(const std::vector<Finding>& findings, QWidget* parent)
    : FindingsDialog(findings, true, parent) {}

FindingsDialog::FindingsDialog(QWidget* parent) : FindingsDialog({}, false, parent) {}

FindingsDialog::FindingsDialog(std::vector<Finding> findings, bool beforeSave, QWidget* parent)
    : QDialog(parent), list_(new QTreeView(this)), beforeSave_(beforeSave) {
    setWindowTitle(beforeSave ? QStringLiteral("Check before Save") : QStringLiteral("Check"));
    summary_ = new QLabel(summary(findings, beforeSave), this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    model_ = new FindingsModel(std::move(findings), list_);

    list_->setObjectName(QStringLiteral("findings"));
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    connect(list_, &QTreeView::activated, this, [this](const QModelIndex& index) {
        emit findingActivated(static_cast<std::size_t>(index.row()));
    });

    auto* buttons = new QDialogButtonBox(this);
    if (beforeSave) {
        QPushButton* save =
            buttons->addButton(QStringLiteral("Save anyway"), QDialogButtonBox::AcceptRole);
        QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
        save->setObjectName(QStringLiteral("saveAnyway"));
        save->setAutoDefault(false);
        cancel->setDefault(true);
        cancel->setFocus();
    } else {
        QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
        close->setAutoDefault(false);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    // Wide enough for the usual finding in full; a longer one shows whole as its tooltip.
    resize(fontMetrics().averageCharWidth() * 130, fontMetrics().height() * 20);
}

const std::vector<Finding>& FindingsDialog::findings() const {
    return model_->findings();
}

void FindingsDialog::setFindings(std::vector<Finding> findings) {
    summary_->setText(summary(findings, beforeSave_));
    model_->setFindings(std::move(findings));
}

void FindingsDialog::setNames(const NameCodec* names) {
    model_->setNames(names);
}

} // namespace corvane
