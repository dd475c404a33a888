// The find box above the grid (Ctrl+F): the grid shows only the rows whose name or description
// holds the text typed, in any letter case. Escape or its close button empties and hides it.
#pragma once

#include <QWidget>

class QLineEdit;

namespace vintrel {

class FindBox : public QWidget {
    Q_OBJECT

  public:
    explicit FindBox(QWidget* parent = nullptr);

    // Shows the box and puts the cursor in it, its text selected.
    void open();
    // Empties and hides it: every row shows again.
    void dismiss();
    QString text() const;

  Q_SIGNALS:
    void textChanged(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* txtFind_;
};

}  // namespace vintrel
