// A label for texts of any length, such as the names of 25 files or a long path: it takes the room
// the layout gives it and cuts each line that does not fit with "…", so a long text never widens
// the window. While a line is cut, the whole text is its tooltip (unless it has a tooltip of its
// own). Its text is plain text.
#pragma once

#include <QLabel>

namespace vintrel {

class ElidingLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ElidingLabel(QWidget* parent = nullptr, Qt::TextElideMode mode = Qt::ElideMiddle);

    QSize minimumSizeHint() const override;
    // Whether a line of the text is cut at the label's present width.
    bool isElided() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    Qt::TextElideMode mode_;
};

}  // namespace vintrel
