#include "gui/services.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>

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

QStringList QtFileDialogs::openFiles(QWidget* parent, const QString& title,
                                     const QList<FileFilter>& filters) {
    QStringList texts;
    for (const FileFilter& f : filters) {
        texts.append(qtFilterText(f));
    }
    return QFileDialog::getOpenFileNames(parent, title, QString(), texts.join(QStringLiteral(";;")));
}

QString QtFileDialogs::openFile(QWidget* parent, const QString& title, const FileFilter& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), qtFilterText(filter));
}

QString QtFileDialogs::saveFile(QWidget* parent, const QString& title, const QString& proposedName,
                                const FileFilter& filter) {
    return QFileDialog::getSaveFileName(parent, title, proposedName, qtFilterText(filter));
}

void QtMessageBoxes::warn(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text);
}

void ProcessLauncher::startDetached(const QString& program, const QStringList& arguments,
                                    const QString& workingDirectory) {
    QProcess::startDetached(program, arguments, workingDirectory);
}

}  // namespace vintrel
