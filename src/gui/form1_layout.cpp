// Building the window: its controls with their texts and object names, their places, the menu,
// the status bar and the keyboard order.
#include "gui/device_watch.h"
#include "gui/form1.h"
#include "gui/map_pane.h"
#include "gui/map_view.h"

#include "formats/garmin/garmin_tables.h"
#include "gui/app_info.h"
#include "gui/eliding_label.h"
#include "gui/find_box.h"
#include "gui/gpi_options.h"
#include "gui/main_menu.h"
#include "gui/status_line.h"
#include "gui/text_tones.h"
#include "gui/waypoint_table_model.h"
#include "gui/work_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

// The icons live in a static library; their resource must be registered from outside any namespace.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace vintrel {

namespace {

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

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

Form1::Form1(const Form1Services& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      work_(services.registry, services.clock, services.decimalSeparator) {
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
    applyState();
    showListState();
}

Form1::~Form1() = default;

void Form1::buildControls() {
    cmdFileOpen_ = named(new QPushButton(kSelectCaption, this), "cmdFileOpen");
    lblFile1_ = named(new ElidingLabel(this, Qt::ElideRight), "lblFile1");
    lblFile1_->setText(kNoFiles);
    setTone(lblFile1_, Tone::FileName);
    lblProcessing_ = named(new QLabel(QStringLiteral("Processing ......"), this), "lblProcessing");
    setTone(lblProcessing_, Tone::Warning);
    panel_ = new WorkPanel(*services_.clock, this);

    model_ = new WaypointTableModel(work_.list(), work_.columns(), icons_, this);
    grid_ = new WaypointGrid(model_, this);
    txtRecordlist_ = named(new QPlainTextEdit(this), "txtRecordlist");
    txtRecordlist_->setReadOnly(true);
    txtRecordlist_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtRecordlist_->setTabChangesFocus(true);
    lblStart_ = named(new QLabel(QStringLiteral("Drop waypoint files here, or click Select File(s)"), this),
                      "lblStart");
    lblStart_->setAlignment(Qt::AlignCenter);
    lblStart_->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Every control has a mnemonic of its own; the menu bar holds F, E, V and H.
    chkDecimal_ = named(new QCheckBox(QStringLiteral("Deci&mal Coordinates"), this), "chkDecimal");
    chkIncludeDesc_ =
        named(new QCheckBox(QStringLiteral("Include Descri&ption in Output File"), this), "chkIncludeDesc");
    chkIncludeDesc_->setChecked(true);
    lblCount_ = named(new QLabel(this), "lblCount");
    cmdClearGrid_ = named(new QPushButton(QStringLiteral("Clea&r List"), this), "cmdClearGrid");

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
    gpiOptions_ = new GpiOptions(services_.settings, this);
    lblOutput_->setBuddy(cboOutput_);
    lblDisplay_->setBuddy(cboDisplay_);
    lblColor_->setBuddy(cboColor_);

    cmdCreateNew_ = named(new QPushButton(QStringLiteral("&Create New Waypoint file"), this), "cmdCreateNew");
    cmdAdd_ = named(new QPushButton(QStringLiteral("Add to Existing &Waypoint file"), this), "cmdAdd");
    cmdSendToGps_ = named(new QPushButton(QStringLiteral("Send to &GPS\u2026"), this), "cmdSendToGps");
    cmdSendToGps_->setToolTip(
        QStringLiteral("Put the waypoints where the Garmin unit plugged in reads them"));
    cmdMapsource_ = named(new QPushButton(this), "cmdMapsource");
    cmdMapsource_->setIcon(QIcon(QStringLiteral(":/icons/mapsource.png")));
    cmdMapsource_->setIconSize(QSize(32, 32));
    cmdMapsource_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_U));  // a picture has no mnemonic
    cmdMapsource_->setToolTip(QStringLiteral("Open the file in MapSource (Alt+U)"));
    QSizePolicy keepRoom = cmdMapsource_->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);  // its row keeps its height when it comes and goes
    cmdMapsource_->setSizePolicy(keepRoom);
    lblOutFile_ = named(new ElidingLabel(this), "lblOutFile");
    lblNowCount_ = named(new QLabel(this), "lblNowCount");
    lblExistingCount_ = named(new QLabel(this), "lblExistingCount");
    cmdExit_ = named(new QPushButton(QStringLiteral("E&xit"), this), "cmdExit");

    auto* top = new QHBoxLayout;
    top->addWidget(cmdFileOpen_);
    top->addWidget(lblFile1_, 1);
    auto* listArea = new QGridLayout;
    map_ = new MapPane(work_.list(), *model_, grid_, this);
    listArea->addWidget(map_->splitter(), 0, 0);  // the grid, and the map beside it
    listArea->addWidget(txtRecordlist_, 0, 0);    // the advice takes the grid's place
    listArea->addWidget(lblStart_, 0, 0);         // over the empty grid
    auto* checks = new QHBoxLayout;
    checks->addWidget(chkDecimal_);
    checks->addWidget(chkIncludeDesc_);
    checks->addWidget(lblCount_, 1);
    checks->addWidget(cmdClearGrid_);
    auto* options = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(lblOutput_), static_cast<QWidget*>(cboOutput_),
                       static_cast<QWidget*>(lblDisplay_), static_cast<QWidget*>(cboDisplay_),
                       static_cast<QWidget*>(lblColor_), static_cast<QWidget*>(cboColor_),
                       static_cast<QWidget*>(gpiOptions_)}) {
        options->addWidget(w);
    }
    options->addStretch(1);
    auto* actions = new QHBoxLayout;
    actions->addWidget(cmdCreateNew_);
    actions->addWidget(cmdAdd_);
    actions->addWidget(cmdSendToGps_);
    actions->addWidget(cmdMapsource_);
    actions->addStretch(1);
    auto* results = new QHBoxLayout;
    results->addWidget(lblNowCount_);
    results->addWidget(lblExistingCount_);
    results->addStretch(1);
    results->addWidget(cmdExit_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    find_ = new FindBox(this);
    layout->addWidget(find_);
    layout->addLayout(listArea, 1);
    layout->addLayout(checks);
    layout->addLayout(options);
    layout->addLayout(actions);
    layout->addWidget(lblOutFile_);
    layout->addLayout(results);
    resize(1000, 640);
    fitToScreen(this);

    controls_ = {cmdFileOpen_,    lblProcessing_, grid_,         txtRecordlist_, lblStart_,     chkDecimal_,
                 chkIncludeDesc_, lblCount_,      cmdClearGrid_, lblOutput_,     cboOutput_,    lblDisplay_,
                 cboDisplay_,     lblColor_,      cboColor_,     gpiOptions_,    cmdCreateNew_, cmdAdd_,
                 cmdSendToGps_,   cmdMapsource_,  find_,         cmdExit_};

    connect(cmdFileOpen_, &QPushButton::clicked, this, &Form1::onFileOpen);
    connect(cboOutput_, &QComboBox::currentIndexChanged, this, &Form1::onOutputChosen);
    connect(chkDecimal_, &QCheckBox::clicked, this, &Form1::onDecimalToggled);
    connect(cmdClearGrid_, &QPushButton::clicked, this, &Form1::onClearGrid);
    connect(cmdCreateNew_, &QPushButton::clicked, this, &Form1::onCreateNew);
    connect(cmdAdd_, &QPushButton::clicked, this, &Form1::onAdd);
    connect(cmdSendToGps_, &QPushButton::clicked, this, &Form1::onSendToGps);
    devices_ = new DeviceWatch(services_.deviceSearch, this);
    state_.deviceFound = !devices_->scan().devices.isEmpty();
    connect(devices_, &DeviceWatch::devicesChanged, this, [this] {
        state_.deviceFound = !devices_->scan().devices.isEmpty();
        applyState();
    });
    connect(cmdMapsource_, &QPushButton::clicked, this, &Form1::onMapsource);
    connect(cmdExit_, &QPushButton::clicked, this, &QWidget::close);
}

void Form1::buildHelpers() {
    MenuTargets targets;
    targets.open = cmdFileOpen_;
    targets.create = cmdCreateNew_;
    targets.add = cmdAdd_;
    targets.send = cmdSendToGps_;
    targets.clear = cmdClearGrid_;
    targets.exit = cmdExit_;
    targets.openRecent = [this](const QString& path) {
        if (!panel_->busy()) {
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
    targets.details = [this] { onDetails(); };
    targets.about = [this] { services_.messages->about(this, QStringLiteral("About Vintrel"), aboutText()); };
    menu_ = new MainMenu(targets, this);
    layout()->setMenuBar(menu_);
    map_->addViewMenu(menu_);
    status_ = new StatusLine(this);
    status_->addWork(lblProcessing_, panel_);
    layout()->addWidget(status_);
    connect(find_, &FindBox::textChanged, this, &Form1::onFind);
    connect(panel_, &WorkPanel::rowsRead, status_, &StatusLine::showRowsRead);
    connect(status_, &StatusLine::detailsWanted, this, &Form1::onDetails);
    model_->setWarningColour(toneColour(Tone::Warning, palette()));
    // What names files or quotes them is never read as HTML.
    for (QLabel* label : findChildren<QLabel*>()) {
        if (label->buddy() == nullptr) {
            label->setTextFormat(Qt::PlainText);
        }
    }

    // Reading order for the keyboard; the grid is left with Tab, its cells are walked with arrows.
    const QList<QWidget*> order = {cmdFileOpen_,
                                   find_->findChild<QWidget*>(QStringLiteral("txtFind")),
                                   grid_,
                                   txtRecordlist_,
                                   chkDecimal_,
                                   chkIncludeDesc_,
                                   cmdClearGrid_,
                                   cboOutput_,
                                   cboDisplay_,
                                   cboColor_,
                                   cmdCreateNew_,
                                   cmdAdd_,
                                   cmdSendToGps_,
                                   cmdMapsource_,
                                   cmdExit_,
                                   panel_->findChild<QWidget*>(QStringLiteral("cmdCancel")),
                                   status_->findChild<QWidget*>(QStringLiteral("cmdDetails"))};
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    setTabOrder(grid_, map_->view());
    QWidget* previous = cboColor_;  // the POI choices come after the colour
    for (QWidget* w : gpiOptions_->controls()) {
        setTabOrder(previous, w);
        previous = w;
    }

    // A column the user sizes keeps its width, now and in later runs.
    connect(grid_, &WaypointGrid::columnSized, this,
            [this](int column, int width) { remembered_.columnWidths.insert(column, width); });
}

}  // namespace vintrel
