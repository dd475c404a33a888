#include "gui/gpi_options.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>

namespace vintrel {

namespace {

const QString kSpeedUnit = QStringLiteral("options/gpiSpeedUnit");
const QString kProximity = QStringLiteral("options/gpiProximity");

}  // namespace

GpiOptions::GpiOptions(QSettings* settings, QWidget* parent) : QWidget(parent), settings_(settings) {
    auto* unitLabel = new QLabel(QStringLiteral("Speed unit (&km/h, mph):"), this);
    unitLabel->setObjectName(QStringLiteral("lblSpeedUnit"));
    cboSpeedUnit_ = new QComboBox(this);
    cboSpeedUnit_->setObjectName(QStringLiteral("cboSpeedUnit"));
    cboSpeedUnit_->addItems({QStringLiteral("km/h"), QStringLiteral("mph")});
    cboSpeedUnit_->setToolTip(QStringLiteral("The unit of the speeds names end in, as \"max@50\""));
    unitLabel->setBuddy(cboSpeedUnit_);
    auto* proximityLabel = new QLabel(QStringLiteral("Proximit&y alert:"), this);
    proximityLabel->setObjectName(QStringLiteral("lblProximity"));
    txtProximity_ = new QSpinBox(this);
    txtProximity_->setObjectName(QStringLiteral("txtProximity"));
    txtProximity_->setRange(0, ExportOptions::kLargestProximity);
    txtProximity_->setSingleStep(50);
    txtProximity_->setSuffix(QStringLiteral(" m"));
    txtProximity_->setSpecialValueText(QStringLiteral("none"));
    txtProximity_->setToolTip(QStringLiteral("How far from every POI the unit warns"));
    proximityLabel->setBuddy(txtProximity_);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(unitLabel);
    layout->addWidget(cboSpeedUnit_);
    layout->addWidget(proximityLabel);
    layout->addWidget(txtProximity_);

    const ExportOptions defaults;
    cboSpeedUnit_->setCurrentIndex(defaults.speedUnit == gpi::SpeedUnit::Mph ? 1 : 0);
    txtProximity_->setValue(defaults.proximityMetres);
    if (settings_ != nullptr) {
        bool ok = false;
        const int unit = settings_->value(kSpeedUnit).toInt(&ok);
        if (ok && unit >= 0 && unit < cboSpeedUnit_->count()) {
            cboSpeedUnit_->setCurrentIndex(unit);
        }
        const int metres = settings_->value(kProximity).toInt(&ok);
        if (ok && metres >= 0 && metres <= ExportOptions::kLargestProximity) {
            txtProximity_->setValue(metres);
        }
    }
    connect(cboSpeedUnit_, &QComboBox::currentIndexChanged, this, &GpiOptions::remember);
    connect(txtProximity_, &QSpinBox::valueChanged, this, &GpiOptions::remember);
    hide();
}

void GpiOptions::applyTo(ExportOptions& options) const {
    options.speedUnit = cboSpeedUnit_->currentIndex() == 1 ? gpi::SpeedUnit::Mph : gpi::SpeedUnit::Kmh;
    options.proximityMetres = txtProximity_->value();
}

QList<QWidget*> GpiOptions::controls() const {
    return {cboSpeedUnit_, txtProximity_};
}

void GpiOptions::remember() const {
    if (settings_ != nullptr) {
        settings_->setValue(kSpeedUnit, cboSpeedUnit_->currentIndex());
        settings_->setValue(kProximity, txtProximity_->value());
    }
}

}  // namespace vintrel
