#include "gui/find_box.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace vintrel {

FindBox::FindBox(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlFind"));
    auto* label = new QLabel(QStringLiteral("F&ind:"), this);
    txtFind_ = new QLineEdit(this);
    txtFind_->setObjectName(QStringLiteral("txtFind"));
    txtFind_->setPlaceholderText(QStringLiteral("Name or description"));
    txtFind_->setClearButtonEnabled(true);
    txtFind_->installEventFilter(this);
    label->setBuddy(txtFind_);
    auto* done = new QToolButton(this);
    done->setObjectName(QStringLiteral("cmdFindClose"));
    done->setText(QStringLiteral("Close"));
    done->setToolTip(QStringLiteral("Show every row again (Esc)"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(txtFind_, 1);
    layout->addWidget(done);
    connect(txtFind_, &QLineEdit::textChanged, this, &FindBox::textChanged);
    connect(done, &QToolButton::clicked, this, &FindBox::dismiss);
    hide();
}

void FindBox::open() {
    show();
    txtFind_->setFocus(Qt::ShortcutFocusReason);
    txtFind_->selectAll();
}

void FindBox::dismiss() {
    txtFind_->clear();
    hide();
}

QString FindBox::text() const {
    return txtFind_->text();
}

bool FindBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtFind_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        dismiss();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vintrel
