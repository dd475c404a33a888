#include "gui/form1.h"

#include "base/version.h"
#include "export/export_driver.h"
#include "gui/app_info.h"
#include "gui/find_box.h"
#include "gui/main_menu.h"
#include "gui/map_pane.h"
#include "gui/map_view.h"
#include "gui/status_line.h"
#include "gui/text_tones.h"
#include "gui/waypoint_table_model.h"
#include "gui/work_panel.h"
#include "import/import_driver.h"
#include "model/coordinates.h"
#include "formats/garmin/garmin_tables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

// The icons live in a static library; their resource must be registered from outside any namespace.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace vintrel {

namespace {

const QString kSelectCaption = QStringLiteral("&Select File(s)");
const QString kAddCaption = QStringLiteral("&Add File(s)");
const QString kNoFiles = QStringLiteral("No file(s) selected");

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

void showAll(std::initializer_list<QWidget*> widgets, bool visible) {
    for (QWidget* w : widgets) {
        w->setVisible(visible);
    }
}

// Draws the row icon in the middle of its cell.
class CentredIconDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->decorationAlignment = Qt::AlignCenter;
        option->decorationPosition = QStyleOptionViewItem::Top;
    }
};

struct IconPicture {
    IconRole role;
    const char* controlName;
};

constexpr IconPicture kPictures[] = {
    {IconRole::Geocache, "picGeocache"},
    {IconRole::Waypoint, "picWaypoint"},
    {IconRole::Traditional, "picTraditional"},
    {IconRole::Webcam, "picWebcam"},
    {IconRole::Multi, "picMulti"},
    {IconRole::Mystery, "picMystery"},
    {IconRole::Event, "picEvent"},
    {IconRole::Virtual, "picVirtual"},
    {IconRole::Locationless, "picLocationless"},
    {IconRole::Empty, "picEmpty"},
    {IconRole::Gatso, "picGatso"},
    {IconRole::RedLight, "picRedLight"},
    {IconRole::Specs, "picSpecs"},
    {IconRole::Mobile, "picMobile"},
    {IconRole::EncryptYes, "picEncryptYes"},
    {IconRole::EncryptNo, "picEncryptNo"},
};

}  // namespace

QString windowTitleText() {
    return QStringLiteral("VINTREL v%1.%2 - Convert GPS Waypoint file to Garmin Mapsource file")
        .arg(kVersionMajor)
        .arg(kVersionMinor);
}

int twipsToPixels(int twips, double logicalDpi) {
    return qRound(twips / 15.0 * logicalDpi / 96.0);
}

Form1::Form1(const Form1Services& services, QWidget* parent) : QWidget(parent), services_(services) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(windowTitleText());
    setWindowIcon(QIcon(QStringLiteral(":/icons/vintrel.svg")));
    setAcceptDrops(true);
    initIconResources();
    for (const IconPicture& p : kPictures) {
        const QPixmap pixmap(QStringLiteral(":/icons/%1.png").arg(iconRoleName(p.role)));
        icons_.insert(p.role, QIcon(pixmap));
        auto* holder = named(new QLabel(this), p.controlName);  // the hidden picture controls
        holder->setPixmap(pixmap);
        holder->hide();
    }
    buildControls();
    buildHelpers();
    restoreSettings();
    showListWidths();
    showListState();
}

Form1::~Form1() = default;

void Form1::buildControls() {
    cmdFileOpen_ = named(new QPushButton(kSelectCaption, this), "cmdFileOpen");
    lblFile1_ = named(new QLabel(kNoFiles, this), "lblFile1");
    setTone(lblFile1_, Tone::FileName);
    lblProcessing_ = named(new QLabel(QStringLiteral("Processing ......"), this), "lblProcessing");
    setTone(lblProcessing_, Tone::Warning);
    work_ = new WorkPanel(*services_.clock, this);

    model_ = new WaypointTableModel(list_, icons_, this);
    grid_ = named(new QTableView(this), "MSFlexGrid1");
    grid_->setModel(model_);
    grid_->setItemDelegateForColumn(column::kIcon, new CentredIconDelegate(grid_));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);  // no per-row measuring
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setTabKeyNavigation(false);  // Tab leaves the grid; the arrow keys move inside it
    txtRecordlist_ = named(new QPlainTextEdit(this), "txtRecordlist");
    txtRecordlist_->setReadOnly(true);
    txtRecordlist_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtRecordlist_->setTabChangesFocus(true);
    lblStart_ = named(new QLabel(QStringLiteral("Drop waypoint files here, or click Select File(s)"), this),
                      "lblStart");
    lblStart_->setAlignment(Qt::AlignCenter);
    lblStart_->setAttribute(Qt::WA_TransparentForMouseEvents);

    chkDecimal_ = named(new QCheckBox(QStringLiteral("Decimal Coordinates"), this), "chkDecimal");
    chkIncludeDesc_ =
        named(new QCheckBox(QStringLiteral("Include Description in Output File"), this), "chkIncludeDesc");
    chkIncludeDesc_->setChecked(true);
    lblCount_ = named(new QLabel(this), "lblCount");
    cmdClearGrid_ = named(new QPushButton(QStringLiteral("Clear List"), this), "cmdClearGrid");

    lblOutput_ = named(new QLabel(QStringLiteral("&Output File Format:"), this), "lblOutput");
    cboOutput_ = named(new QComboBox(this), "cboOutput");
    cboOutput_->addItem(QStringLiteral("Choose One:"));
    for (const ExportFormat& f : exportFormats()) {
        cboOutput_->addItem(f.choiceText);
    }
    lblDisplay_ = named(new QLabel(QStringLiteral("&Display:"), this), "lblDisplay");
    cboDisplay_ = named(new QComboBox(this), "cboDisplay");
    cboDisplay_->addItems({QStringLiteral("Symbol & Name"), QStringLiteral("Symbol only"),
                           QStringLiteral("Symbol & Description")});
    lblColor_ = named(new QLabel(QStringLiteral("Waypoint Co&lour:"), this), "lblColor");
    cboColor_ = named(new QComboBox(this), "cboColor");
    cboColor_->addItems(waypointColourNames());
    lblOutput_->setBuddy(cboOutput_);
    lblDisplay_->setBuddy(cboDisplay_);
    lblColor_->setBuddy(cboColor_);

    cmdCreateNew_ = named(new QPushButton(QStringLiteral("&Create New Waypoint file"), this), "cmdCreateNew");
    cmdAdd_ = named(new QPushButton(QStringLiteral("&Add to Existing Waypoint file"), this), "cmdAdd");
    cmdMapsource_ = named(new QPushButton(this), "cmdMapsource");
    cmdMapsource_->setIcon(QIcon(QStringLiteral(":/icons/mapsource.png")));
    cmdMapsource_->setIconSize(QSize(32, 32));
    cmdMapsource_->setToolTip(QStringLiteral("Open the file in MapSource"));
    lblOutFile_ = named(new QLabel(this), "lblOutFile");
    lblNowCount_ = named(new QLabel(this), "lblNowCount");
    lblExistingCount_ = named(new QLabel(this), "lblExistingCount");
    cmdExit_ = named(new QPushButton(QStringLiteral("E&xit"), this), "cmdExit");

    auto* top = new QHBoxLayout;
    top->addWidget(cmdFileOpen_);
    top->addWidget(lblFile1_, 1);
    auto* listArea = new QGridLayout;
    map_ = new MapPane(list_, *model_, grid_, this);
    listArea->addWidget(map_->splitter(), 0, 0);  // the grid, and the map beside it
    listArea->addWidget(txtRecordlist_, 0, 0);  // the advice takes the grid's place
    listArea->addWidget(lblStart_, 0, 0);       // over the empty grid
    auto* checks = new QHBoxLayout;
    checks->addWidget(chkDecimal_);
    checks->addWidget(chkIncludeDesc_);
    checks->addWidget(lblCount_, 1);
    checks->addWidget(cmdClearGrid_);
    auto* options = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(lblOutput_), static_cast<QWidget*>(cboOutput_),
                       static_cast<QWidget*>(lblDisplay_), static_cast<QWidget*>(cboDisplay_),
                       static_cast<QWidget*>(lblColor_), static_cast<QWidget*>(cboColor_)}) {
        options->addWidget(w);
    }
    options->addStretch(1);
    auto* actions = new QHBoxLayout;
    actions->addWidget(cmdCreateNew_);
    actions->addWidget(cmdAdd_);
    actions->addWidget(cmdMapsource_);
    actions->addStretch(1);
    auto* results = new QHBoxLayout;
    results->addWidget(lblNowCount_);
    results->addWidget(lblExistingCount_);
    results->addStretch(1);
    results->addWidget(cmdExit_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    auto* work = new QHBoxLayout;
    work->addWidget(lblProcessing_);
    work->addWidget(work_, 1);
    layout->addLayout(work);
    find_ = new FindBox(this);
    layout->addWidget(find_);
    layout->addLayout(listArea, 1);
    layout->addLayout(checks);
    layout->addLayout(options);
    layout->addLayout(actions);
    layout->addWidget(lblOutFile_);
    layout->addLayout(results);
    resize(1000, 640);

    // The start-up state: only the select button, the file label, the result labels and Exit.
    showAll(
        {lblProcessing_, grid_, txtRecordlist_, chkDecimal_, chkIncludeDesc_, cmdClearGrid_, lblOutput_,
         cboOutput_, lblDisplay_, cboDisplay_, lblColor_, cboColor_, cmdCreateNew_, cmdAdd_, cmdMapsource_},
        false);
    cmdCreateNew_->setEnabled(false);
    cmdAdd_->setEnabled(false);

    connect(cmdFileOpen_, &QPushButton::clicked, this, &Form1::onFileOpen);
    connect(cboOutput_, &QComboBox::currentIndexChanged, this, &Form1::onOutputChosen);
    connect(chkDecimal_, &QCheckBox::clicked, this, &Form1::onDecimalToggled);
    connect(cmdClearGrid_, &QPushButton::clicked, this, &Form1::onClearGrid);
    connect(cmdCreateNew_, &QPushButton::clicked, this, &Form1::onCreateNew);
    connect(cmdAdd_, &QPushButton::clicked, this, &Form1::onAdd);
    connect(cmdMapsource_, &QPushButton::clicked, this, &Form1::onMapsource);
    connect(cmdExit_, &QPushButton::clicked, this, &QWidget::close);
}

void Form1::buildHelpers() {
    MenuTargets targets;
    targets.open = cmdFileOpen_;
    targets.create = cmdCreateNew_;
    targets.add = cmdAdd_;
    targets.clear = cmdClearGrid_;
    targets.exit = cmdExit_;
    targets.openRecent = [this](const QString& path) {
        if (!work_->busy()) {
            importPaths({path});
        }
    };
    targets.removeRows = [this] { onRemoveRows(); };
    targets.selectAll = [this] {
        if (grid_->isVisible()) {
            grid_->selectAll();
            grid_->setFocus();
        }
    };
    targets.find = [this] { find_->open(); };
    targets.about = [this] { services_.messages->about(this, QStringLiteral("About Vintrel"), aboutText()); };
    menu_ = new MainMenu(targets, this);
    layout()->setMenuBar(menu_);
    map_->addViewMenu(menu_);
    status_ = new StatusLine(this);
    layout()->addWidget(status_);
    connect(find_, &FindBox::textChanged, this, &Form1::onFind);
    model_->setWarningColour(toneColour(Tone::Warning, palette()));

    // Reading order for the keyboard; the grid is left with Tab, its cells are walked with arrows.
    const QList<QWidget*> order = {cmdFileOpen_,  find_->findChild<QWidget*>(QStringLiteral("txtFind")),
                                   grid_,         txtRecordlist_,
                                   chkDecimal_,   chkIncludeDesc_,
                                   cmdClearGrid_, cboOutput_,
                                   cboDisplay_,   cboColor_,
                                   cmdCreateNew_, cmdAdd_,
                                   cmdMapsource_, findChild<QWidget*>(QStringLiteral("cmdCancel")),
                                   cmdExit_};
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    setTabOrder(grid_, map_->view());

    // A column the user sizes keeps its width, now and in later runs.
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (!settingWidths_ && width > 0) {
                    remembered_.columnWidths.insert(column, width);
                }
            });
}

void Form1::restoreSettings() {
    if (services_.settings == nullptr) {
        return;
    }
    remembered_.load(*services_.settings);
    if (!remembered_.geometry.isEmpty()) {
        restoreGeometry(remembered_.geometry);
    }
    chkIncludeDesc_->setChecked(remembered_.includeDescription);
    if (remembered_.decimal) {
        chkDecimal_->setChecked(true);
        onDecimalToggled();
    }
    menu_->setRecentFiles(remembered_.recentFiles);
    map_->restore(remembered_);
}

void Form1::remember(const QStringList& opened) {
    remembered_.addRecent(opened);
    menu_->setRecentFiles(remembered_.recentFiles);
    if (services_.settings != nullptr) {
        remembered_.geometry = saveGeometry();
        remembered_.decimal = chkDecimal_->isChecked();
        remembered_.includeDescription = chkIncludeDesc_->isChecked();
        map_->keep(remembered_);
        remembered_.save(*services_.settings);
    }
}

void Form1::showListWidths() {
    const double dpi = logicalDpiX();
    settingWidths_ = true;
    for (int c = 0; c < kColumnCount - 1; ++c) {
        const int twips = list_.columnWidth(c);
        grid_->setColumnHidden(c, twips <= 1);  // the hidden coordinate pair
        if (twips > 1) {
            grid_->setColumnWidth(c, remembered_.columnWidths.value(c, twipsToPixels(twips, dpi)));
        }
    }
    settingWidths_ = false;
}

void Form1::showListState() {
    const int total = list_.rowCount();
    status_->showRows(total, model_->filtering() ? model_->rowCount() : -1);
    menu_->setListHasRows(total > 0);
    lblStart_->setVisible(total == 0 && txtRecordlist_->isHidden() && !work_->busy());
    lblStart_->raise();
}

void Form1::onFileOpen() {
    const QStringList paths = services_.dialogs->openFiles(this, QStringLiteral("Select GPS Data file"),
                                                           importDialogFilters(), remembered_.inputFolder);
    if (paths.isEmpty()) {
        return;  // cancelled: nothing changes
    }
    importPaths(paths);
}

bool Form1::runWork(const std::function<void(WorkProgress&)>& work, const std::function<int()>& rows) {
    lblStart_->hide();
    work_->run(work, rows,
               {cmdFileOpen_, cmdClearGrid_, cmdCreateNew_, cmdAdd_, cmdMapsource_, cboOutput_, cboDisplay_,
                cboColor_, chkDecimal_, chkIncludeDesc_, find_});
    if (closeWhenDone_) {
        close();
        QCoreApplication::quit();  // the window was hidden already: it may not count as the last one closed
        return false;
    }
    return true;
}

void Form1::closeEvent(QCloseEvent* event) {
    if (work_->busy()) {
        // The window goes at once. Reading stops within a block of the file; a write is let
        // finish, so that the file asked for is whole; then the program ends.
        work_->cancel();
        closeWhenDone_ = true;
        hide();
        event->ignore();
        return;
    }
    remember({});
    QWidget::closeEvent(event);
}

void Form1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        retone(this);
        model_->setWarningColour(toneColour(Tone::Warning, palette()));
    }
    QWidget::changeEvent(event);
}

void Form1::importPaths(const QStringList& paths) {
    if (paths.isEmpty() || work_->busy()) {
        return;
    }
    txtRecordlist_->hide();
    lblProcessing_->show();
    txtRecordlist_->clear();
    lblNowCount_->clear();
    lblExistingCount_->clear();
    lblOutFile_->clear();
    showAll({lblDisplay_, cboDisplay_, lblColor_, cboColor_, grid_, chkIncludeDesc_, chkDecimal_, lblOutput_,
             cboOutput_, cmdCreateNew_, cmdAdd_, cmdMapsource_, cmdClearGrid_, lblCount_},
            false);
    repaint();

    ImportOutcome outcome;
    model_->beginChange();
    const bool open = runWork(
        [&](WorkProgress& progress) {
            ImportContext context{list_, services_.decimalSeparator, &progress};
            outcome = importFiles(paths, context);
        },
        [this] { return list_.rowCountSoFar(); });
    model_->endChange();
    if (!open) {
        return;  // the window is closing: nothing more to show
    }
    lblFile1_->setText(outcome.fileLabel);
    listView_ = outcome.view;
    dialogFileName_ = paths.last();
    if (!outcome.advice.isEmpty()) {
        txtRecordlist_->setPlainText(
            QString(outcome.advice).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    }

    const QString duplicates = duplicateReportText(list_.duplicateCount());
    if (duplicates.isNull()) {
        setTone(lblCount_, Tone::Result);
    } else {
        lblCount_->setText(duplicates);
        setTone(lblCount_, Tone::Warning);
    }

    if (list_.rowCount() == 0) {
        cmdFileOpen_->setText(kSelectCaption);
        showAll({lblOutput_, cboOutput_, lblDisplay_, cboDisplay_, lblColor_, cboColor_, cmdCreateNew_,
                 cmdAdd_, cmdMapsource_, cmdClearGrid_, grid_, chkIncludeDesc_, chkDecimal_, lblCount_},
                false);
        setTone(txtRecordlist_, Tone::Warning);
        txtRecordlist_->show();
    } else {
        cmdFileOpen_->setText(kAddCaption);
        showAll({cmdAdd_, lblOutput_, cboOutput_, cmdCreateNew_, cmdClearGrid_, grid_, chkIncludeDesc_,
                 chkDecimal_, lblCount_},
                true);
        txtRecordlist_->hide();
        setTone(txtRecordlist_, Tone::Advice);
        showListWidths();
    }

    lblProcessing_->hide();
    cboOutput_->setCurrentIndex(0);
    cboDisplay_->setCurrentIndex(0);
    cboColor_->setCurrentIndex(0);
    onOutputChosen();  // as a user's choice does, even when the choice did not change
    cmdCreateNew_->setEnabled(false);
    cmdAdd_->setEnabled(false);
    cmdMapsource_->hide();

    status_->showImport(importReportLines(outcome), importSkipLines(outcome));
    showListState();
    QStringList opened;
    for (const FileImport& f : outcome.files) {
        if (f.recognised && f.result.documentFound) {
            opened.append(f.path);
        }
    }
    if (!opened.isEmpty()) {
        remembered_.inputFolder = QFileInfo(opened.last()).absolutePath();
    }
    remember(opened);
    reportReaderProblems(outcome);
}

void Form1::reportReaderProblems(const ImportOutcome& outcome) {
    QStringList lines;
    for (const FileImport& f : outcome.files) {
        if (f.result.alert) {
            services_.messages->warn(this, f.result.alert->title, f.result.alert->text);
        }
        if (!f.recognised) {
            lines.append(unreadTypeText(f.path) + u'.');
        }
        lines.append(f.result.problems);
    }
    for (const QString& path : outcome.notRead) {
        lines.append(
            QStringLiteral("%1: not read; the import was cancelled.").arg(QFileInfo(path).fileName()));
    }
    if (!lines.isEmpty()) {
        services_.messages->warn(this, QStringLiteral("Some waypoints could not be read"), lines.join(u'\n'));
    }
}

void Form1::reportWriteWarnings(const WriteReport& report) {
    if (!report.warnings.isEmpty()) {
        services_.messages->warn(this, QStringLiteral("Some names are written alike"),
                                 report.warnings.join(u'\n'));
    }
}

void Form1::onOutputChosen() {
    const ExportFormat* format = exportFormatForChoice(cboOutput_->currentText());
    const bool hasRows = list_.rowCount() > 0;
    cmdCreateNew_->setEnabled(format != nullptr && hasRows);
    cmdAdd_->setEnabled(format != nullptr && format->add != nullptr && hasRows);
    const bool display = format != nullptr && format->hasDisplayMode;
    lblDisplay_->setVisible(display);
    cboDisplay_->setVisible(display);
    const bool colour = format != nullptr && format->hasColour && listView_ != ListView::Networks;
    lblColor_->setVisible(colour);
    cboColor_->setVisible(colour);
    if (format != nullptr && !format->opensInMapSource) {
        cmdMapsource_->hide();
    }
}

void Form1::onDecimalToggled() {
    list_.setCoordinateWidths(applyCoordinateView(listView_, list_.rowCount(), chkDecimal_->isChecked()));
    showListWidths();
}

void Form1::onClearGrid() {
    model_->beginChange();
    list_.clear();
    model_->endChange();
    lblCount_->clear();
    lblFile1_->setText(kNoFiles);
    cmdAdd_->setEnabled(false);
    cmdCreateNew_->setEnabled(false);
    cboOutput_->setCurrentIndex(0);
    cboColor_->setCurrentIndex(0);
    cboDisplay_->setCurrentIndex(0);
    showAll({lblOutput_, cboOutput_, lblDisplay_, cboDisplay_, lblColor_, cboColor_, cmdCreateNew_, cmdAdd_},
            false);
    cmdFileOpen_->setText(kSelectCaption);
    status_->showImport({});
    showListState();
}

void Form1::onRemoveRows() {
    if (work_->busy() || !grid_->isVisible()) {
        return;
    }
    QList<int> rows;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows()) {
        rows.append(model_->listRow(index.row()));
    }
    if (rows.isEmpty()) {
        return;
    }
    model_->beginChange();
    list_.removeRows(rows);
    model_->endChange();
    if (list_.rowCount() == 0) {
        cmdFileOpen_->setText(kSelectCaption);
        onOutputChosen();  // nothing left to write
    }
    showListState();
}

void Form1::onFind(const QString& text) {
    model_->setFilter(text);
    showListState();
}

ExportContext Form1::exportContext() const {
    ExportOptions options;
    options.includeDescription = chkIncludeDesc_->isChecked();
    options.displayIndex = cboDisplay_->currentIndex();
    options.colourIndex = cboColor_->currentIndex();
    return ExportContext{options, services_.registry, services_.clock, QLocale::system()};
}

void Form1::showBusy() {
    setTone(lblOutFile_, Tone::Warning);
    lblOutFile_->setText(QStringLiteral("Processing ...."));
    lblNowCount_->clear();
    repaint();
}

void Form1::showWriteFailed() {
    // Nothing of an earlier write may look like this one's result.
    lblExistingCount_->clear();
    lblNowCount_->clear();
    cmdMapsource_->hide();
}

void Form1::onCreateNew() {
    const ExportFormat* format = exportFormatForChoice(cboOutput_->currentText());
    if (format == nullptr) {
        return;
    }
    const QString proposal = proposedOutputName(dialogFileName_, format->extension);
    const QString chosen =
        services_.dialogs->saveFile(this, QStringLiteral("Choose a filename"), proposal, format->saveFilter);
    if (chosen.isEmpty()) {
        return;  // cancelled: the proposal stays, nothing else changes
    }
    dialogFileName_ = chosen;
    showBusy();
    WriteReport report;
    const ExportContext context = exportContext();
    if (!runWork(
            [&](WorkProgress& progress) {
                progress.setFile(QFileInfo(chosen).fileName());
                report = createFile(*format, list_, chosen, context);
            },
            nullptr)) {
        return;
    }
    lblExistingCount_->clear();
    lblNowCount_->clear();
    if (!report.written) {
        lblOutFile_->setText(notWrittenText(chosen, report.error));
        showWriteFailed();
        return;
    }
    setTone(lblOutFile_, Tone::Result);
    lblOutFile_->setText(createdText(chosen));
    lblNowCount_->setText(newFileCountText(report.recordCount));
    lastWritten_ = chosen;
    remembered_.outputFolder = QFileInfo(chosen).absolutePath();
    reportWriteWarnings(report);
    if (format->opensInMapSource) {
        cmdMapsource_->show();
    }
}

void Form1::onAdd() {
    const ExportFormat* format = exportFormatForChoice(cboOutput_->currentText());
    if (format == nullptr || format->add == nullptr) {
        return;
    }
    const QString chosen =
        services_.dialogs->openFile(this, format->addTitle, format->addFilter, remembered_.outputFolder);
    if (chosen.isEmpty()) {
        return;  // cancelled: nothing changes
    }
    dialogFileName_ = chosen;
    showBusy();
    model_->beginChange();
    WriteReport report;
    const ExportContext context = exportContext();
    const bool open = runWork(
        [&](WorkProgress& progress) {
            progress.setFile(QFileInfo(chosen).fileName());
            report = addToFile(*format, list_, chosen, context);
        },
        nullptr);
    model_->endChange();
    if (!open) {
        return;
    }
    if (!report.written) {
        lblOutFile_->setText(notChangedText(chosen, report.error));
        showWriteFailed();
        return;
    }
    lblExistingCount_->setText(existingCountText(report.existingCount));
    setTone(lblOutFile_, Tone::Result);
    lblOutFile_->setText(addedText(report.recordCount, chosen, report.leftOutCount, report.namelessCount));
    lblNowCount_->setText(nowCountText(report.existingCount, report.recordCount));
    lastWritten_ = chosen;
    remembered_.outputFolder = QFileInfo(chosen).absolutePath();
    reportWriteWarnings(report);
    cmdMapsource_->setVisible(format->opensInMapSource);
}

void Form1::onMapsource() {
    const QString problem = services_.launcher->openInMapSource(lastWritten_);
    if (!problem.isEmpty()) {
        services_.messages->warn(this, QStringLiteral("MapSource could not be started"), problem);
    }
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void Form1::dropEvent(QDropEvent* event) {
    if (work_->busy()) {
        return;  // the window is busy with other files
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.append(QDir::toNativeSeparators(url.toLocalFile()));
        }
    }
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        importPaths(paths);
    }
}

}  // namespace vintrel
