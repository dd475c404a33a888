#include "gui/form1.h"

#include "base/version.h"
#include "export/export_driver.h"
#include "gui/waypoint_table_model.h"
#include "import/import_driver.h"
#include "model/coordinates.h"
#include "model/garmin_tables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

// The icons live in a static library; their resource must be registered from outside any namespace.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace vintrel {

namespace {

const QColor kPureRed(255, 0, 0);
const QColor kPureBlue(0, 0, 255);
const QColor kDarkBlue(0, 0, 192);

const QString kSelectCaption = QStringLiteral("&Select File(s)");
const QString kAddCaption = QStringLiteral("&Add File(s)");
const QString kNoFiles = QStringLiteral("No file(s) selected");

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    w->setPalette(p);
}

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
    showListWidths();
}

Form1::~Form1() = default;

void Form1::buildControls() {
    cmdFileOpen_ = named(new QPushButton(kSelectCaption, this), "cmdFileOpen");
    lblFile1_ = named(new QLabel(kNoFiles, this), "lblFile1");
    setTextColour(lblFile1_, QColor(0, 0, 128));
    lblProcessing_ = named(new QLabel(QStringLiteral("Processing ......"), this), "lblProcessing");
    setTextColour(lblProcessing_, kPureRed);
    prgWork_ = named(new QProgressBar(this), "prgWork");
    prgWork_->setRange(0, 0);  // how much is left is not known: a busy bar
    prgWork_->setTextVisible(false);
    lblWork_ = named(new QLabel(this), "lblWork");

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
    txtRecordlist_ = named(new QPlainTextEdit(this), "txtRecordlist");
    txtRecordlist_->setReadOnly(true);
    txtRecordlist_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    chkDecimal_ = named(new QCheckBox(QStringLiteral("Decimal Coordinates"), this), "chkDecimal");
    chkIncludeDesc_ =
        named(new QCheckBox(QStringLiteral("Include Description in Output File"), this), "chkIncludeDesc");
    chkIncludeDesc_->setChecked(true);
    lblCount_ = named(new QLabel(this), "lblCount");
    cmdClearGrid_ = named(new QPushButton(QStringLiteral("Clear List"), this), "cmdClearGrid");

    lblOutput_ = named(new QLabel(QStringLiteral("Output File Format:"), this), "lblOutput");
    cboOutput_ = named(new QComboBox(this), "cboOutput");
    cboOutput_->addItem(QStringLiteral("Choose One:"));
    for (const ExportFormat& f : exportFormats()) {
        cboOutput_->addItem(f.choiceText);
    }
    lblDisplay_ = named(new QLabel(QStringLiteral("Display:"), this), "lblDisplay");
    cboDisplay_ = named(new QComboBox(this), "cboDisplay");
    cboDisplay_->addItems({QStringLiteral("Symbol & Name"), QStringLiteral("Symbol only"),
                           QStringLiteral("Symbol & Description")});
    lblColor_ = named(new QLabel(QStringLiteral("Waypoint Colour:"), this), "lblColor");
    cboColor_ = named(new QComboBox(this), "cboColor");
    cboColor_->addItems(waypointColourNames());

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
    listArea->addWidget(grid_, 0, 0);
    listArea->addWidget(txtRecordlist_, 0, 0);  // the advice takes the grid's place
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
    work->addWidget(lblWork_);
    work->addWidget(prgWork_, 1);
    layout->addLayout(work);
    layout->addLayout(listArea, 1);
    layout->addLayout(checks);
    layout->addLayout(options);
    layout->addLayout(actions);
    layout->addWidget(lblOutFile_);
    layout->addLayout(results);
    resize(1000, 640);

    // The start-up state: only the select button, the file label, the result labels and Exit.
    showAll({lblProcessing_, lblWork_, prgWork_, grid_, txtRecordlist_, chkDecimal_, chkIncludeDesc_,
             cmdClearGrid_, lblOutput_, cboOutput_, lblDisplay_, cboDisplay_, lblColor_, cboColor_,
             cmdCreateNew_, cmdAdd_, cmdMapsource_},
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

void Form1::showListWidths() {
    const double dpi = logicalDpiX();
    for (int c = 0; c < kColumnCount - 1; ++c) {
        const int twips = list_.columnWidth(c);
        grid_->setColumnHidden(c, twips <= 1);  // the hidden coordinate pair
        if (twips > 1) {
            grid_->setColumnWidth(c, twipsToPixels(twips, dpi));
        }
    }
}

void Form1::onFileOpen() {
    const QStringList paths =
        services_.dialogs->openFiles(this, QStringLiteral("Select GPS Data file"), importDialogFilters());
    if (paths.isEmpty()) {
        return;  // cancelled: nothing changes
    }
    importPaths(paths);
}

void Form1::runBeside(const std::function<void()>& work, bool reading) {
    // The work runs beside the window, which keeps painting and answers Exit; the other controls
    // wait, and a drop is not taken, until it is done.
    WorkProgress progress;
    progress_ = &progress;
    QList<QWidget*> waiting;
    for (QWidget* w : {static_cast<QWidget*>(cmdFileOpen_), static_cast<QWidget*>(cmdClearGrid_),
                       static_cast<QWidget*>(cmdCreateNew_), static_cast<QWidget*>(cmdAdd_),
                       static_cast<QWidget*>(cmdMapsource_), static_cast<QWidget*>(cboOutput_),
                       static_cast<QWidget*>(cboDisplay_), static_cast<QWidget*>(cboColor_),
                       static_cast<QWidget*>(chkDecimal_), static_cast<QWidget*>(chkIncludeDesc_)}) {
        if (w->isEnabled()) {
            waiting.append(w);
            w->setEnabled(false);
        }
    }
    ProgressThrottle throttle(*services_.clock, kProgressDelayMs, kProgressIntervalMs);
    QTimer timer;
    timer.setInterval(kProgressIntervalMs / 2);
    connect(&timer, &QTimer::timeout, this, [&] {
        if (throttle.due()) {
            lblWork_->setText(progressText(progress.file(), reading ? list_.rowCountSoFar() : -1));
            lblWork_->show();
            prgWork_->show();
        }
    });
    QThread* worker = QThread::create([&] { work(); });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    timer.start();
    loop.exec();
    worker->wait();
    delete worker;
    timer.stop();
    lblWork_->hide();
    prgWork_->hide();
    for (QWidget* w : waiting) {
        w->setEnabled(true);
    }
    progress_ = nullptr;
    if (closeWhenDone_) {
        close();
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    if (progress_ != nullptr) {
        progress_->cancel();  // reading stops at the next file; a write is finished first
        closeWhenDone_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void Form1::readFiles(const QStringList& paths, ImportOutcome& outcome) {
    model_->beginChange();
    runBeside(
        [&] {
            ImportContext context{list_, services_.decimalSeparator, progress_};
            outcome = importFiles(paths, context);
        },
        true);
    model_->endChange();
}

void Form1::importPaths(const QStringList& paths) {
    if (paths.isEmpty()) {
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
    readFiles(paths, outcome);
    lblFile1_->setText(outcome.fileLabel);
    listView_ = outcome.view;
    dialogFileName_ = paths.last();
    if (!outcome.advice.isEmpty()) {
        txtRecordlist_->setPlainText(
            QString(outcome.advice).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    }

    const QString duplicates = duplicateReportText(list_.duplicateCount());
    if (duplicates.isNull()) {
        setTextColour(lblCount_, kPureBlue);
    } else {
        lblCount_->setText(duplicates);
        setTextColour(lblCount_, kPureRed);
    }

    if (list_.rowCount() == 0) {
        cmdFileOpen_->setText(kSelectCaption);
        showAll({lblOutput_, cboOutput_, lblDisplay_, cboDisplay_, lblColor_, cboColor_, cmdCreateNew_,
                 cmdAdd_, cmdMapsource_, cmdClearGrid_, grid_, chkIncludeDesc_, chkDecimal_, lblCount_},
                false);
        setTextColour(txtRecordlist_, kPureRed);
        txtRecordlist_->show();
    } else {
        cmdFileOpen_->setText(kAddCaption);
        showAll({cmdAdd_, lblOutput_, cboOutput_, cmdCreateNew_, cmdClearGrid_, grid_, chkIncludeDesc_,
                 chkDecimal_, lblCount_},
                true);
        txtRecordlist_->hide();
        setTextColour(txtRecordlist_, kDarkBlue);
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

    reportReaderProblems(outcome);
}

void Form1::reportReaderProblems(const ImportOutcome& outcome) {
    QStringList lines;
    for (const FileImport& f : outcome.files) {
        if (f.result.alert) {
            services_.messages->warn(this, f.result.alert->title, f.result.alert->text);
        }
        lines.append(f.result.problems);
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
}

ExportContext Form1::exportContext() const {
    ExportOptions options;
    options.includeDescription = chkIncludeDesc_->isChecked();
    options.displayIndex = cboDisplay_->currentIndex();
    options.colourIndex = cboColor_->currentIndex();
    return ExportContext{options, services_.registry, services_.clock, QLocale::system()};
}

void Form1::showBusy() {
    setTextColour(lblOutFile_, kPureRed);
    lblOutFile_->setText(QStringLiteral("Processing ...."));
    lblNowCount_->clear();
    repaint();
}

void Form1::onCreateNew() {
    const ExportFormat* format = exportFormatForChoice(cboOutput_->currentText());
    if (format == nullptr) {
        return;
    }
    outputFileName_ = proposedOutputName(dialogFileName_, format->extension);
    const QString chosen = services_.dialogs->saveFile(this, QStringLiteral("Choose a filename"),
                                                       outputFileName_, format->saveFilter);
    if (chosen.isEmpty()) {
        return;  // cancelled: the proposal stays, nothing else changes
    }
    outputFileName_ = chosen;
    dialogFileName_ = chosen;
    showBusy();
    WriteReport report;
    const ExportContext context = exportContext();
    runBeside(
        [&] {
            progress_->setFile(QFileInfo(chosen).fileName());
            report = createFile(*format, list_, chosen, context);
        },
        false);
    lblExistingCount_->clear();
    lblNowCount_->clear();
    if (!report.written) {
        lblOutFile_->setText(notWrittenText(chosen, report.error));
        return;
    }
    setTextColour(lblOutFile_, kPureBlue);
    lblOutFile_->setText(createdText(chosen));
    lblNowCount_->setText(newFileCountText(report.recordCount));
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
    const QString chosen = services_.dialogs->openFile(this, format->addTitle, format->addFilter);
    if (chosen.isEmpty()) {
        return;  // cancelled: nothing changes
    }
    dialogFileName_ = chosen;
    showBusy();
    model_->beginChange();
    WriteReport report;
    const ExportContext context = exportContext();
    runBeside(
        [&] {
            progress_->setFile(QFileInfo(chosen).fileName());
            report = addToFile(*format, list_, chosen, context);
        },
        false);
    model_->endChange();
    if (!report.written) {
        lblOutFile_->setText(notChangedText(chosen, report.error));
        return;
    }
    lblExistingCount_->setText(existingCountText(report.existingCount));
    setTextColour(lblOutFile_, kPureBlue);
    lblOutFile_->setText(addedText(report.recordCount, chosen, report.leftOutCount));
    lblNowCount_->setText(nowCountText(report.existingCount, report.recordCount));
    outputFileName_ = chosen;
    reportWriteWarnings(report);
    cmdMapsource_->setVisible(format->opensInMapSource);
}

void Form1::onMapsource() {
    const QString problem = services_.launcher->openInMapSource(outputFileName_);
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
    if (progress_ != nullptr) {
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
