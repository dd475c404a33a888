// What the window asks of the outside world, behind small interfaces so tests can stand in for
// the file dialogs, the message boxes and the program launcher.
#pragma once

#include "model/file_types.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace vintrel {

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The chosen files in the dialog's order; empty when cancelled. The dialog starts in `folder`
    // (empty: where the system likes).
    virtual QStringList openFiles(QWidget* parent, const QString& title, const QList<FileFilter>& filters,
                                  const QString& folder) = 0;
    // One existing file; empty when cancelled.
    virtual QString openFile(QWidget* parent, const QString& title, const FileFilter& filter,
                             const QString& folder) = 0;
    // The chosen path (the user confirmed overwriting an existing file); empty when cancelled.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& proposedName,
                             const FileFilter& filter) = 0;
};

// The texts of warn(), ask() and showText() are plain text.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void warn(QWidget* parent, const QString& title, const QString& text) = 0;
    // A question answered Yes or No; true for Yes.
    virtual bool ask(QWidget* parent, const QString& title, const QString& text) = 0;
    // A longer text to read, scroll, select and copy, until the user closes it.
    virtual void showText(QWidget* parent, const QString& title, const QString& text) = 0;
    // The About box; `text` is rich text.
    virtual void about(QWidget* parent, const QString& title, const QString& text) = 0;
    // One of `items` chosen by the user: its index, or -1 when the choice was cancelled.
    virtual int choose(QWidget* parent, const QString& title, const QString& text,
                       const QStringList& items) = 0;
};

class Launcher {
  public:
    virtual ~Launcher() = default;
    // Starts MapSource on the file; empty, or what is missing or why it could not start.
    virtual QString openInMapSource(const QString& file) = 0;
};

class QtFileDialogs : public FileDialogs {
  public:
    QStringList openFiles(QWidget* parent, const QString& title, const QList<FileFilter>& filters,
                          const QString& folder) override;
    QString openFile(QWidget* parent, const QString& title, const FileFilter& filter,
                     const QString& folder) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& proposedName,
                     const FileFilter& filter) override;
};

class QtMessageBoxes : public MessageBoxes {
  public:
    void warn(QWidget* parent, const QString& title, const QString& text) override;
    bool ask(QWidget* parent, const QString& title, const QString& text) override;
    void showText(QWidget* parent, const QString& title, const QString& text) override;
    void about(QWidget* parent, const QString& title, const QString& text) override;
    int choose(QWidget* parent, const QString& title, const QString& text, const QStringList& items) override;
};

// On Windows the system's mapsource.exe, elsewhere MapSource inside the Wine prefix.
class ProcessLauncher : public Launcher {
  public:
    QString openInMapSource(const QString& file) override;
};

// A dialog filter as Qt's dialogs write it: "Description (*.a *.b)".
QString qtFilterText(const FileFilter& filter);

}  // namespace vintrel
