// The window under test: a Form1 with stand-ins for the dialogs, the message boxes and the
// launcher, and helpers that find its real widgets by their object names.
#pragma once

#include "gui/form1.h"

#include "test_support.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace vintrel::test {

inline QString data(const char* name) {
    return vintrel::test::dataPath(name);
}

struct FakeDialogs : FileDialogs {
    QList<QStringList> openAnswers;
    QStringList saveAnswers, openOneAnswers;
    QString saveTitle, proposed, openOneTitle, openFolder;
    FileFilter saveFilter, openOneFilter;
    QStringList openFiles(QWidget*, const QString&, const QList<FileFilter>&,
                          const QString& folder) override {
        openFolder = folder;
        return openAnswers.isEmpty() ? QStringList() : openAnswers.takeFirst();
    }
    QString openFile(QWidget*, const QString& title, const FileFilter& filter, const QString&) override {
        openOneTitle = title;
        openOneFilter = filter;
        return openOneAnswers.isEmpty() ? QString() : openOneAnswers.takeFirst();
    }
    QString saveFile(QWidget*, const QString& title, const QString& proposedName,
                     const FileFilter& filter) override {
        saveTitle = title;
        proposed = proposedName;
        saveFilter = filter;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
};

struct FakeMessages : MessageBoxes {
    QStringList titles, texts;
    void warn(QWidget*, const QString& title, const QString& text) override {
        titles.append(title);
        texts.append(text);
    }
    void about(QWidget*, const QString&, const QString&) override {}
    QList<bool> answers;  // of the questions to come; No when none is left
    bool ask(QWidget*, const QString&, const QString&) override {
        return !answers.isEmpty() && answers.takeFirst();
    }
    QString details;  // the last text shown to read
    void showText(QWidget*, const QString&, const QString& text) override { details = text; }
    QStringList choices;  // offered by the last choice
    int choice = 0;       // the answer to it
    int choose(QWidget*, const QString&, const QString&, const QStringList& items) override {
        choices = items;
        return choice;
    }
};

struct FakeLauncher : Launcher {
    QStringList files;
    QString openInMapSource(const QString& file) override {
        files.append(file);
        return {};
    }
};

class Window : public ::testing::Test {
  protected:
    Window() : form_(Form1Services{&dialogs_, &messages_, &launcher_, nullptr, &clock_, u','}) {
        form_.show();
    }

    template <class W>
    W* get(const char* name) {
        W* w = form_.findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    bool visible(const char* name) { return get<QWidget>(name)->isVisible(); }
    bool enabled(const char* name) { return get<QWidget>(name)->isEnabled(); }
    QString text(const char* name) {
        QWidget* w = get<QWidget>(name);
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            return b->text();
        if (auto* c = qobject_cast<QComboBox*>(w))
            return c->currentText();
        if (auto* t = qobject_cast<QPlainTextEdit*>(w))
            return t->toPlainText();
        return {};
    }
    QColor colour(const char* name) { return get<QWidget>(name)->palette().color(QPalette::WindowText); }
    void click(const char* name) { get<QAbstractButton>(name)->click(); }
    void choose(const char* combo, const QString& entry) {
        auto* c = get<QComboBox>(combo);
        c->setCurrentIndex(c->findText(entry));
    }
    void open(const QStringList& paths) {
        dialogs_.openAnswers.append(paths);
        click("cmdFileOpen");
    }
    // What the status bar's Details button shows.
    QString details() {
        messages_.details.clear();
        click("cmdDetails");
        return messages_.details;
    }

    FakeDialogs dialogs_;
    FakeMessages messages_;
    FakeLauncher launcher_;
    FixedClock clock_;
    Form1 form_;
};

inline const QColor kRed(255, 0, 0);
inline const QColor kBlue(0, 0, 255);

}  // namespace vintrel::test
