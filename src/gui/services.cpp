#include "gui/services.h"

#include "gui/mapsource_launcher.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QVBoxLayout>

namespace vintrel {

QString qtFilterText(const FileFilter& filter) {
    // The description names its patterns in brackets already; Qt reads the patterns from the last
    // bracket, separated by spaces.
    QString description = filter.description;
    const qsizetype bracket = description.lastIndexOf(u'(');
    if (bracket > 0) {
        description = description.left(bracket).trimmed();
    }
    return description + QStringLiteral(" (") + QString(filter.pattern).replace(u';', u' ') + u')';
}

QStringList QtFileDialogs::openFiles(QWidget* parent, const QString& title, const QList<FileFilter>& filters,
                                     const QString& folder) {
    QStringList texts;
    for (const FileFilter& f : filters) {
        texts.append(qtFilterText(f));
    }
    return QFileDialog::getOpenFileNames(parent, title, folder, texts.join(QStringLiteral(";;")));
}

QString QtFileDialogs::openFile(QWidget* parent, const QString& title, const FileFilter& filter,
                                const QString& folder) {
    return QFileDialog::getOpenFileName(parent, title, folder, qtFilterText(filter));
}

QString QtFileDialogs::saveFile(QWidget* parent, const QString& title, const QString& proposedName,
                                const FileFilter& filter) {
    return QFileDialog::getSaveFileName(parent, title, proposedName, qtFilterText(filter));
}

void QtMessageBoxes::warn(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtMessageBoxes::ask(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int QtMessageBoxes::choose(QWidget* parent, const QString& title, const QString& text,
                           const QStringList& items) {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, title, text, items, 0, false, &ok);
    return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
}

void QtMessageBoxes::showText(QWidget* parent, const QString& title, const QString& text) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* view = new QPlainTextEdit(text, &dialog);
    view->setObjectName(QStringLiteral("txtDetails"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setTabChangesFocus(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(buttons);
    dialog.resize(720, 420);
    view->setFocus();
    dialog.exec();
}

void QtMessageBoxes::about(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::about(parent, title, text);
}

QString ProcessLauncher::openInMapSource(const QString& file) {
#ifdef Q_OS_WIN
    if (!QProcess::startDetached(QStringLiteral("mapsource.exe"), {file}, QStringLiteral("c:\\"))) {
        return QStringLiteral("MapSource (mapsource.exe) could not be started.");
    }
    return {};
#else
    const QString prefix = defaultWinePrefix();
    const WineStart start = planWineMapSource(file, prefix, findWine());
    if (!start.problem.isEmpty()) {
        return start.problem;
    }
    QProcess process;
    process.setProgram(start.program);
    process.setArguments(start.arguments);
    process.setWorkingDirectory(start.workingDirectory);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    process.setProcessEnvironment(env);
    if (!process.startDetached()) {
        return QStringLiteral("Wine (%1) could not be started: %2").arg(start.program, process.errorString());
    }
    return {};
#endif
}

}  // namespace vintrel
