#include "export/add_driver.h"

#include "export/atomic_save.h"

namespace vintrel {

namespace {

constexpr int kListedNotAdded = 20;

// Whether two names are the same text, written alike or not.
bool sameName(const QString& a, const QString& b) {
    return a == b || a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

// Which rows an add writes, with which names, and why the others are left out.
struct AddChoice {
    QList<int> adding;
    QList<int> held;                    // rows the file holds: marked once written
    std::optional<WrittenNames> names;  // where the file needs distinct names
    QStringList explained;              // rows left out for a name the file holds written otherwise
    int unexplained = 0;                // ... past the ones listed

    QAnyStringView nameOf(const WaypointList& list, int row) const {
        return names ? names->name(row) : list.row(row).cellView(column::kName);
    }
};

AddChoice chooseRows(const AddTarget& target, const WaypointList& list, const ExportContext& context) {
    AddChoice choice;
    if (target.uniqueNames) {
        choice.names.emplace(list, *target.uniqueNames, context.options.includeDescription, &target);
    }
    for (int r = 0; r < list.rowCount(); ++r) {
        const WaypointRow& row = list.row(r);
        const QAnyStringView name = row.cellView(column::kName);
        bool held = false;
        if (choice.names) {
            held = choice.names->fate(r) == WrittenNames::Fate::Held;
            if (choice.names->fate(r) == WrittenNames::Fate::LeftOut) {
                continue;
            }
        } else {
            held = name.isEmpty() || row.keyedByPlace() ? target.holdsPlace(row)
                                                        : target.holdsName(target.nameKey(name));
        }
        if (!held) {
            choice.adding.append(r);
            continue;
        }
        choice.held.append(r);
        // A name the file holds written otherwise is worth a word: the row may seem new.
        const std::optional<QString> inFile =
            name.isEmpty() || row.keyedByPlace() ? std::nullopt : target.heldName(target.nameKey(name));
        const QString text = name.toString();
        if (inFile && !sameName(text, *inFile)) {
            if (choice.explained.size() < kListedNotAdded) {
                choice.explained.append(QStringLiteral("\"%1\" was not added: the file holds it as \"%2\".")
                                            .arg(quotedName(text), quotedName(*inFile)));
            } else {
                ++choice.unexplained;
            }
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
    const AddChoice choice = chooseRows(*target, list, context);
    if (!choice.adding.isEmpty()) {
        if (!out.open(report.error) ||
            !out.write(QByteArrayView(old).first(target->insertAt), report.error)) {
            return report;
        }
        out.buffer().append(target->leadIn);
        for (int r : choice.adding) {
            if (!target->appendRecord(out.buffer(), list, r, choice.nameOf(list, r), report.error) ||
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
    report.warnings = choice.explained;
    if (choice.unexplained > 0) {
        report.warnings.append(
            QStringLiteral("%1 more rows were not added for a name the file holds written otherwise.")
                .arg(choice.unexplained));
    }
    if (choice.names) {
        report.notWrittenCount = choice.names->leftOutCount();
        report.warnings += choice.names->sentences();
    }
    return report;
}

}  // namespace vintrel
