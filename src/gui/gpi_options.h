// The two choices of POI files beside the output choice: the unit of the speeds names give
// ("max@50") and the distance at which every POI alerts. Shown only while a format with alerts is
// chosen; remembered between runs.
#pragma once

#include "export/export_context.h"

#include <QList>
#include <QWidget>

class QComboBox;
class QSettings;
class QSpinBox;

namespace vintrel {

class GpiOptions : public QWidget {
    Q_OBJECT

  public:
    // `settings` keeps the choices between runs; nullptr: they start at their defaults.
    explicit GpiOptions(QSettings* settings, QWidget* parent = nullptr);

    void applyTo(ExportOptions& options) const;
    // The controls, in the order Tab visits them.
    QList<QWidget*> controls() const;

  private:
    void remember() const;

    QSettings* settings_;
    QComboBox* cboSpeedUnit_;
    QSpinBox* txtProximity_;
};

}  // namespace vintrel
