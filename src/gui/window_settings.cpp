#include "gui/window_settings.h"

#include "gui/main_menu.h"

#include <QSettings>

namespace vintrel {

namespace {

const QString kGeometry = QStringLiteral("window/geometry");
const QString kColumns = QStringLiteral("window/columnWidths");
const QString kInputFolder = QStringLiteral("folders/input");
const QString kOutputFolder = QStringLiteral("folders/output");
const QString kDecimal = QStringLiteral("options/decimalCoordinates");
const QString kDescription = QStringLiteral("options/includeDescription");
const QString kRecent = QStringLiteral("recentFiles");
const QString kMapShare = QStringLiteral("window/mapShare");
const QString kStreetMap = QStringLiteral("options/streetMap");
const QString kTileUrl = QStringLiteral("map/tileUrl");
const QString kTileAttribution = QStringLiteral("map/tileAttribution");

// Column widths as "column:pixels" pairs, which every settings format keeps as text.
QStringList widthTexts(const QMap<int, int>& widths) {
    QStringList texts;
    for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
        texts.append(QStringLiteral("%1:%2").arg(it.key()).arg(it.value()));
    }
    return texts;
}

QMap<int, int> widthsOf(const QStringList& texts) {
    QMap<int, int> widths;
    for (const QString& text : texts) {
        bool columnOk = false;
        bool widthOk = false;
        const int column = text.section(u':', 0, 0).toInt(&columnOk);
        const int width = text.section(u':', 1, 1).toInt(&widthOk);
        if (columnOk && widthOk && column >= 0 && column < 64 && width > 0 && width < 10000) {
            widths.insert(column, width);
        }
    }
    return widths;
}

}  // namespace

void WindowSettings::load(QSettings& settings) {
    geometry = settings.value(kGeometry).toByteArray();
    columnWidths = widthsOf(settings.value(kColumns).toStringList());
    inputFolder = settings.value(kInputFolder).toString();
    outputFolder = settings.value(kOutputFolder).toString();
    decimal = settings.value(kDecimal, false).toBool();
    includeDescription = settings.value(kDescription, true).toBool();
    recentFiles.clear();
    addRecent(settings.value(kRecent).toStringList());
    bool shareOk = false;
    const double share = settings.value(kMapShare).toDouble(&shareOk);
    mapShare = shareOk && share > 0.05 && share < 0.95 ? share : 0.4;
    streetMap = settings.value(kStreetMap, false).toBool();
    tileUrl = settings.value(kTileUrl).toString();
    tileAttribution = settings.value(kTileAttribution).toString();
}

void WindowSettings::save(QSettings& settings) const {
    settings.setValue(kGeometry, geometry);
    settings.setValue(kColumns, widthTexts(columnWidths));
    settings.setValue(kInputFolder, inputFolder);
    settings.setValue(kOutputFolder, outputFolder);
    settings.setValue(kDecimal, decimal);
    settings.setValue(kDescription, includeDescription);
    settings.setValue(kRecent, recentFiles);
    settings.setValue(kMapShare, mapShare);
    settings.setValue(kStreetMap, streetMap);
    if (!tileUrl.isEmpty()) {  // set by hand: kept as it was, and never written when not
        settings.setValue(kTileUrl, tileUrl);
        settings.setValue(kTileAttribution, tileAttribution);
    }
    settings.sync();
}

void WindowSettings::addRecent(const QStringList& paths) {
    QStringList merged;
    for (const QString& p : paths + recentFiles) {
        if (!p.isEmpty() && !merged.contains(p)) {
            merged.append(p);
        }
    }
    recentFiles = merged.mid(0, kRecentFiles);
}

}  // namespace vintrel
