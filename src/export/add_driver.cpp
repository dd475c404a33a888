#include "export/add_driver.h"

#include "export/atomic_save.h"

#include <QHash>

namespace vintrel {

namespace {

constexpr int kListedNotAdded = 20;

// A name as a message quotes it: its first 40 characters, "…" marking a cut.
QString quotedName(const QString& name) {
    constexpr qsizetype kLongest = 40;
    return name.size() <= kLongest ? name : name.first(kLongest) + QChar(0x2026);
}

// Whether two names are the same text, written alike or not.
bool sameName(const QString& a, const QString& b) {
    return a == b || a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

// Which rows an add writes, and why the others are left out.
struct AddChoice {
    QList<int> adding;
    QList<int> held;  // rows whose names the file holds, or a row added before them: marked once written
    int nameless = 0;
    QStringList explained;  // rows left out for a name written otherwise
    int unexplained = 0;    // ... past the ones listed
};

AddChoice chooseRows(const AddTarget& target, const WaypointList& list) {
    AddChoice choice;
    QHash<QByteArray, int> addedNow;  // name forms of the rows added, to the row that has them
    const auto explain = [&choice](const QString& sentence) {
        if (choice.explained.size() < kListedNotAdded) {
            choice.explained.append(sentence);
        } else {
            ++choice.unexplained;
        }
    };
    for (int r = 0; r < list.rowCount(); ++r) {
        const QAnyStringView name = list.row(r).cellView(column::kName);
        if (name.isEmpty()) {
            ++choice.nameless;
            continue;
        }
        QByteArray key = target.nameKey(name);
        const std::optional<QString> inFile = target.heldName(key);
        const auto earlier = inFile || !target.uniqueNames ? addedNow.constEnd() : addedNow.constFind(key);
        if (!inFile && earlier == addedNow.constEnd()) {
            choice.adding.append(r);
            if (target.uniqueNames) {
                addedNow.insert(std::move(key), r);
            }
            continue;
        }
        choice.held.append(r);
        const QString text = name.toString();
        if (inFile && !sameName(text, *inFile)) {
            explain(QStringLiteral("\"%1\" was not added: the file holds it as \"%2\".")
                        .arg(quotedName(text), quotedName(*inFile)));
        } else if (!inFile && !sameName(text, list.row(*earlier).cell(column::kName))) {
            explain(QStringLiteral("\"%1\" was not added: \"%2\", added before it, is written as the same "
                                   "name, \"%3\".")
                        .arg(quotedName(text), quotedName(list.row(*earlier).cell(column::kName)),
                             quotedName(target.keyText(key))));
        }
    }
    return choice;
}

}  // namespace

WriteReport addRows(AddScanner scan, WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report;
    ChunkedOutput out(path);
    QByteArray old;
    if (!out.readExisting(old, report.error)) {
        return report;
    }
    const std::unique_ptr<AddTarget> target = scan(old, list, context, report.error);
    if (target == nullptr) {
        return report;
    }
    const AddChoice choice = chooseRows(*target, list);
    if (!choice.adding.isEmpty()) {
        if (!out.open(report.error) ||
            !out.write(QByteArrayView(old).first(target->insertAt), report.error)) {
            return report;
        }
        out.buffer().append(target->leadIn);
        for (int r : choice.adding) {
            if (!target->appendRecord(out.buffer(), list, r, report.error) ||
                !out.flushIfFull(report.error)) {
                return report;
            }
        }
        if (!out.write(QByteArrayView(old).sliced(target->insertAt), report.error) ||
            !out.commit(report.error)) {
            return report;
        }
    }
    for (int r : choice.held) {
        list.markDuplicate(r);
    }
    report.written = true;
    report.recordCount = static_cast<int>(choice.adding.size());
    report.existingCount = target->existingCount;
    report.leftOutCount = static_cast<int>(choice.held.size());
    report.namelessCount = choice.nameless;
    report.warnings = choice.explained;
    if (choice.unexplained > 0) {
        report.warnings.append(
            QStringLiteral("%1 more rows were not added for a name the file holds written otherwise.")
                .arg(choice.unexplained));
    }
    report.warnings += target->appendedWarnings();
    return report;
}

}  // namespace vintrel
