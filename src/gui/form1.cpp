#include "gui/form1.h"

#include "base/version.h"
#include "gui/app_info.h"
#include "gui/device_watch.h"
#include "gui/find_box.h"
#include "gui/gpi_options.h"
#include "gui/main_menu.h"
#include "gui/map_pane.h"
#include "gui/plain_text.h"
#include "gui/status_line.h"
#include "gui/text_tones.h"
#include "gui/waypoint_table_model.h"
#include "gui/work_panel.h"
#include "model/file_names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vintrel {

QString windowTitleText() {
    return QStringLiteral("VINTREL v%1.%2 - Convert GPS Waypoint file to Garmin Mapsource file")
        .arg(kVersionMajor)
        .arg(kVersionMinor);
}

void Form1::restoreSettings() {
    if (services_.settings == nullptr) {
        return;
    }
    remembered_.load(*services_.settings);
    if (!remembered_.geometry.isEmpty()) {
        restoreWindowGeometry(this, remembered_.geometry);
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
    grid_->showWidths(work_.columns(), remembered_.columnWidths);
}

void Form1::showListState() {
    const int total = work_.list().rowCount();
    status_->showRows(total, model_->filtering() ? model_->rowCount() : -1);
    menu_->setListHasRows(total > 0);
}

void Form1::applyState() {
    state_.hasRows = work_.list().rowCount() > 0;
    state_.hasAdvice = !txtRecordlist_->toPlainText().isEmpty();
    for (std::size_t i = 0; i < kControlCount; ++i) {
        const ControlState s = controlState(static_cast<Control>(i), state_);
        if (s.visible) {
            controls_[i]->setVisible(*s.visible);
        }
        controls_[i]->setEnabled(s.enabled);
    }
    cmdFileOpen_->setText(state_.hasRows ? kAddCaption : kSelectCaption);
    lblStart_->raise();
    if (!state_.busy && focusBefore_ != nullptr) {
        // Back where the user was, not on the one control that stayed enabled meanwhile.
        QWidget* back = focusBefore_->isVisible() && focusBefore_->isEnabled() ? focusBefore_.data() : grid_;
        focusBefore_ = nullptr;
        if (back->isVisible()) {
            back->setFocus(Qt::OtherFocusReason);
        }
    }
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
    focusBefore_ = focusWidget();
    state_.busy = true;
    applyState();
    panel_->run(work, rows);
    state_.busy = false;
    if (closeWhenDone_) {
        close();
        QCoreApplication::quit();  // the window was hidden already: it may not count as the last one closed
        return false;
    }
    return true;
}

void Form1::closeEvent(QCloseEvent* event) {
    if (panel_->busy()) {
        // The window goes at once. Reading stops within a block of the file, a write within a row,
        // leaving the file as it was; then the program ends.
        panel_->cancel();
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
    if (paths.isEmpty() || panel_->busy()) {
        return;
    }
    txtRecordlist_->clear();
    lblNowCount_->clear();
    lblExistingCount_->clear();
    lblOutFile_->clear();
    state_.phase = Phase::Reading;
    state_.mapSourceOffered = false;
    ImportShown shown;
    model_->beginChange();
    const bool open = runWork([&](WorkProgress& progress) { shown = work_.importFiles(paths, &progress); },
                              [this] { return work_.list().rowCountSoFar(); });
    model_->endChange();
    if (!open) {
        return;  // the window is closing: nothing more to show
    }
    lblFile1_->setText(shown.fileLabel);
    txtRecordlist_->setPlainText(shown.advice);
    if (shown.duplicates.isNull()) {
        setTone(lblCount_, Tone::Result);
    } else {
        lblCount_->setText(shown.duplicates);
        setTone(lblCount_, Tone::Warning);
    }
    const bool filled = work_.list().rowCount() > 0;
    setTone(txtRecordlist_, filled ? Tone::Advice : Tone::Warning);
    if (filled) {
        showListWidths();
    }
    state_.phase = filled ? Phase::Filled : Phase::NothingRead;
    state_.view = work_.view();
    // The output is chosen again after every import.
    cboOutput_->setCurrentIndex(0);
    cboDisplay_->setCurrentIndex(0);
    cboColor_->setCurrentIndex(0);
    onOutputChosen();  // as a user's choice does, even when the choice did not change

    status_->showImport(shown.statusLines, shown.skipLines, shown.cancelled);
    showListState();
    if (!shown.opened.isEmpty()) {
        remembered_.inputFolder = QFileInfo(shown.opened.last()).absolutePath();
    }
    remember(shown.opened);
    reportReaderProblems(shown);
}

void Form1::reportReaderProblems(const ImportShown& shown) {
    for (const ReadAlert& alert : shown.alerts) {
        services_.messages->warn(this, alert.title, alert.text);
    }
    if (!shown.problems.isEmpty()) {
        services_.messages->warn(this, QLatin1String(kImportProblemsTitle), shown.problems);
    }
}

void Form1::onOutputChosen() {
    state_.format = exportFormatForChoice(cboOutput_->currentText());
    if (state_.format != nullptr && !state_.format->opensInMapSource) {
        state_.mapSourceOffered = false;
    }
    applyState();
}

void Form1::onDecimalToggled() {
    work_.showDecimal(chkDecimal_->isChecked());
    showListWidths();
}

void Form1::onClearGrid() {
    model_->beginChange();
    work_.clear();
    model_->endChange();
    lblCount_->clear();
    lblFile1_->setText(kNoFiles);
    lblOutFile_->clear();
    lblNowCount_->clear();
    lblExistingCount_->clear();
    state_.phase = Phase::Cleared;
    cboOutput_->setCurrentIndex(0);
    cboColor_->setCurrentIndex(0);
    cboDisplay_->setCurrentIndex(0);
    applyState();
    status_->showImport({});
    showListState();
}

void Form1::onRemoveRows() {
    if (panel_->busy() || !grid_->isVisible()) {
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
    work_.removeRows(rows);
    model_->endChange();
    applyState();  // an empty list has nothing left to write
    showListState();
}

void Form1::onFind(const QString& text) {
    model_->setFilter(text);
    showListState();
}

void Form1::onDetails() {
    if (!status_->details().isEmpty()) {
        services_.messages->showText(this, QStringLiteral("Import details"), status_->details());
    }
}

ExportOptions Form1::exportOptions() const {
    ExportOptions options;
    options.includeDescription = chkIncludeDesc_->isChecked();
    options.displayIndex = cboDisplay_->currentIndex();
    options.colourIndex = cboColor_->currentIndex();
    gpiOptions_->applyTo(options);
    return options;
}

void Form1::showBusy() {
    setTone(lblOutFile_, Tone::Warning);
    lblOutFile_->setText(QStringLiteral("Processing ...."));
    lblNowCount_->clear();
    repaint();
}

void Form1::showWritten(const WriteShown& shown) {
    // Nothing of an earlier write may look like this one's result.
    setTone(lblOutFile_, shown.written ? Tone::Result : Tone::Warning);
    lblOutFile_->setText(shown.outFile);
    lblNowCount_->setText(shown.nowCount);
    lblExistingCount_->setText(shown.existingCount);
    if (!shown.warnings.isEmpty()) {
        services_.messages->warn(this, QLatin1String(kWriteWarningsTitle), shown.warnings);
    }
}

void Form1::onCreateNew() {
    const ExportFormat* format = state_.format;
    if (format == nullptr) {
        return;
    }
    const QString chosen = services_.dialogs->saveFile(this, QStringLiteral("Choose a filename"),
                                                       work_.proposedName(*format), format->saveFilter);
    if (chosen.isEmpty()) {
        return;  // cancelled: the proposal stays, nothing else changes
    }
    const SaveName name = saveNameFor(chosen, *format);
    if (!name.question.isEmpty() &&
        !services_.messages->ask(this, QStringLiteral("Write the file?"), shownText(name.question))) {
        return;
    }
    showBusy();
    WriteShown shown;
    const ExportOptions options = exportOptions();
    if (!runWork(
            [&](WorkProgress& progress) { shown = work_.createFile(*format, name.path, options, &progress); },
            nullptr)) {
        return;
    }
    if (shown.written) {
        remembered_.outputFolder = QFileInfo(name.path).absolutePath();
    }
    state_.mapSourceOffered = shown.written && format->opensInMapSource;
    applyState();
    showWritten(shown);
}

void Form1::onAdd() {
    const ExportFormat* format = state_.format;
    if (format == nullptr || format->add == nullptr) {
        return;
    }
    const QString chosen =
        services_.dialogs->openFile(this, format->addTitle, format->addFilter, remembered_.outputFolder);
    if (chosen.isEmpty()) {
        return;  // cancelled: nothing changes
    }
    showBusy();
    model_->beginChange();
    WriteShown shown;
    const ExportOptions options = exportOptions();
    const bool open =
        runWork([&](WorkProgress& progress) { shown = work_.addToFile(*format, chosen, options, &progress); },
                nullptr);
    model_->endChange();
    if (!open) {
        return;
    }
    if (shown.written) {
        remembered_.outputFolder = QFileInfo(chosen).absolutePath();
    }
    state_.mapSourceOffered = shown.written && format->opensInMapSource;
    applyState();
    showWritten(shown);
}

void Form1::onSendToGps() {
    devices_->checkNow();  // as the unit is now, not as it was at the last look
    const QList<GarminDevice> units = devices_->scan().devices;
    if (units.isEmpty()) {
        state_.deviceFound = false;
        applyState();
        return;
    }
    qsizetype chosen = 0;
    if (units.size() > 1) {
        QStringList names;
        for (const GarminDevice& unit : units) {
            names.append(QStringLiteral("%1 (%2)").arg(unit.model, displayFileName(unit.root)));
        }
        chosen = services_.messages->choose(this, QStringLiteral("Send to GPS"),
                                            QStringLiteral("Which unit should the waypoints go to?"), names);
        if (chosen < 0 || chosen >= units.size()) {
            return;
        }
    }
    // GPI when it is the format chosen, else GPX: what units read from their folders.
    const ExportFormat* chosenFormat = state_.format;
    const ExportFormat& format =
        chosenFormat != nullptr && chosenFormat->extension == QLatin1StringView("gpi")
            ? *chosenFormat
            : *exportFormatForName(QStringLiteral("gpx"));
    showBusy();
    model_->beginChange();
    WriteShown shown;
    const ExportOptions options = exportOptions();
    const GarminDevice unit = units[chosen];
    const bool open =
        runWork([&](WorkProgress& progress) { shown = work_.sendToDevice(format, unit, options, &progress); },
                nullptr);
    model_->endChange();
    if (!open) {
        return;
    }
    state_.mapSourceOffered = false;
    applyState();
    showWritten(shown);
}

void Form1::onMapsource() {
    const QString problem = services_.launcher->openInMapSource(work_.lastWritten());
    if (!problem.isEmpty()) {
        services_.messages->warn(this, QStringLiteral("MapSource could not be started"), shownText(problem));
    }
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void Form1::dropEvent(QDropEvent* event) {
    if (panel_->busy()) {
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
