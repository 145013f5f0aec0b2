#include "ui/editor_tools.h"

#include "formats/save_report.h"
#include "ui/document.h"
#include "ui/editor_settings.h"
#include "ui/findings_dialog.h"
#include "ui/main_dialog.h"
#include "ui/prompts.h"
#include "ui/record_editors.h"

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

#include <stdexcept>

namespace corvane {

namespace {

QString label(NamePage page) {
    const std::string_view text = pageLabel(page);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString shownFileName(const std::string& path) {
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
}

QString fromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

EditorTools::EditorTools(MainDialog& window, RecordEditors& editors)
    : QObject(&window), window_(window), editors_(editors) {
    buildEncodingMenu();
    window_.satelliteModel().setNames(&names_);
    window_.transponderModel().setNames(&names_);
    window_.serviceModel().setNames(&names_);
    window_.antennaModel().setNames(&names_);
    editors_.setNames(&names_);

    checkAction_ = new QAction(QStringLiteral("&Check"), this);
    checkAction_->setObjectName(QStringLiteral("checkAction"));
    checkAction_->setShortcut(QKeySequence(Qt::Key_F7));
    connect(checkAction_, &QAction::triggered, this, &EditorTools::showCheck);

    exportAction_ = new QAction(QStringLiteral("&Export report..."), this);
    exportAction_->setObjectName(QStringLiteral("exportReportAction"));
    exportAction_->setEnabled(false);
    connect(exportAction_, &QAction::triggered, this, &EditorTools::exportReport);

    // One check for a change of several lists (an Open changes all four).
    connect(&window_.document(), &Document::changed, this, [this] {
        if (check_ && check_->isVisible() && !checkPending_) {
            checkPending_ = true;
            QTimer::singleShot(0, this, &EditorTools::refreshCheck);
        }
    });
}

EditorTools::~EditorTools() {
    // The editors outlive the window; the window's models are gone by now.
    editors_.setNames(nullptr);
}

void EditorTools::buildEncodingMenu() {
    encodingMenu_ = new QMenu(QStringLiteral("Name &encoding"), &window_);
    encodingMenu_->setObjectName(QStringLiteral("encodingMenu"));
    pages_ = new QActionGroup(this);
    fallbacks_ = new QActionGroup(this);
    QMenu* fallbackMenu = nullptr;
    for (const NamePage page : namePages()) {
        if (page == NamePage::Dvb) {
            encodingMenu_->addSeparator();
        }
        QAction* action = encodingMenu_->addAction(label(page));
        action->setCheckable(true);
        action->setData(static_cast<int>(page));
        pages_->addAction(action);
    }
    // The page of the names that begin with no table byte.
    fallbackMenu = encodingMenu_->addMenu(QStringLiteral("DVB &fallback"));
    for (const NamePage page : namePages()) {
        if (page == NamePage::Dvb)
            continue;
        QAction* action = fallbackMenu->addAction(label(page));
        action->setCheckable(true);
        action->setData(static_cast<int>(page));
        fallbacks_->addAction(action);
    }
    connect(pages_, &QActionGroup::triggered, this, [this](QAction* action) {
        NameEncoding chosen = names_.encoding();
        chosen.page = static_cast<NamePage>(action->data().toInt());
        setEncoding(chosen);
    });
    connect(fallbacks_, &QActionGroup::triggered, this, [this](QAction* action) {
        setEncoding({NamePage::Dvb, static_cast<NamePage>(action->data().toInt())});
    });
    showEncodingChecked();
}

void EditorTools::showEncodingChecked() {
    const NameEncoding& now = names_.encoding();
    for (QAction* action : pages_->actions())
        action->setChecked(static_cast<NamePage>(action->data().toInt()) == now.page);
    for (QAction* action : fallbacks_->actions())
        action->setChecked(static_cast<NamePage>(action->data().toInt()) == now.fallback);
}

bool EditorTools::setEncoding(const NameEncoding& encoding) {
    try {
        names_ = NameCodec(encoding);
    } catch (const std::runtime_error& error) {
        window_.prompts().message(
            &window_, MessageIcon::Exclamation,
            QStringLiteral("Names cannot be shown in %1.").arg(fromStd(encodingName(encoding))),
            QString::fromLocal8Bit(error.what()));
        showEncodingChecked();
        return false;
    }
    showEncodingChecked();
    window_.satelliteModel().refresh();
    window_.transponderModel().refresh();
    window_.serviceModel().refresh();
    window_.antennaModel().refresh();
    if (check_)
        check_->setNames(&names_);
    if (settings_)
        settings_->setNameEncoding(fromStd(encodingName(encoding)));
    return true;
}

void EditorTools::useSettings(EditorSettings* settings) {
    settings_ = nullptr;
    if (settings) {
        const QByteArray kept = settings->nameEncoding().toUtf8();
        if (const std::optional<NameEncoding> encoding =
                parseNameEncoding({kept.constData(), static_cast<std::size_t>(kept.size())}))
            setEncoding(*encoding);
    }
    settings_ = settings;
}

void EditorTools::showCheck() {
    if (!check_) {
        check_ = new FindingsDialog(&window_);
        check_->setObjectName(QStringLiteral("checkPanel"));
        check_->setModal(false);
        check_->setNames(&names_);
        connect(check_, &FindingsDialog::findingActivated, this, [this](std::size_t i) {
            if (i < check_->findings().size())
                window_.showFinding(check_->findings()[i]);
        });
    }
    refreshCheck();
    check_->show();
    check_->raise();
    check_->activateWindow();
}

void EditorTools::refreshCheck() {
    checkPending_ = false;
    if (check_)
        check_->setFindings(checkDatabase(window_.database()));
}

void EditorTools::saved(const std::string& input, const SavePaths& paths) {
    lastSave_ = LastSave{window_.database(), input, paths,
                         reportTimestamp(std::chrono::system_clock::now())};
    exportAction_->setEnabled(true);
}

void EditorTools::exportReport() {
    if (!lastSave_)
        return;
    const QString chosen = window_.prompts().saveFileName(
        &window_, {QStringLiteral("PDF file (*.pdf)")}, QStringLiteral("pdf"));
    if (chosen.isEmpty())
        return;
    const SaveReportInput input{lastSave_->input, lastSave_->paths, lastSave_->savedAt, &names_};
    const Result<SaveReport> report = buildSaveReport(lastSave_->database, input);
    Status<> written = static_cast<const Status<>&>(report);
    const ReportPaths paths = reportPaths(QFile::encodeName(chosen).toStdString());
    if (report.ok())
        written = writeSaveReport(report.value, paths);
    if (!written.ok()) {
        window_.prompts().message(&window_, MessageIcon::Exclamation,
                                  QStringLiteral("The report could not be written."),
                                  QString::fromLocal8Bit(written.detail.c_str()));
        return;
    }
    window_.statusBar()->showMessage(QStringLiteral("Report written to %1 and %2")
                                         .arg(shownFileName(paths.pdf), shownFileName(paths.csv)));
}

} // namespace corvane
