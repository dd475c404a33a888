#include "export/written_names.h"

#include "formats/text/cp1252_text.h"

#include <QVarLengthArray>

#include <algorithm>
#include <bit>
#include <type_traits>

namespace vintrel {

namespace {

constexpr qsizetype kPcx5NameLength = 6;
// Names made from descriptions in MapSource files: long enough to tell places apart, short
// enough for the lists of MapSource and of the units it sends them to.
constexpr qsizetype kMadeNameLength = 30;

using Buffer = QVarLengthArray<char, 256>;

bool isAscii(QAnyStringView text) {
    return text.visit([](auto view) {
        return std::all_of(view.begin(), view.end(), [](auto c) {
            if constexpr (std::is_same_v<decltype(c), QChar>) {
                return c.unicode() < 0x80;
            } else {
                return static_cast<unsigned char>(c) < 0x80;
            }
        });
    });
}

// The written bytes of `name`, in `buffer` when they need room: no allocation for a usual name.
QByteArrayView nameBytesIn(Buffer& buffer, QAnyStringView name, NameForm form) {
    switch (form) {
        case NameForm::Pcx5:
            buffer.resize(cp1252FieldRoom(kPcx5NameLength));
            return {buffer.data(), writeCp1252Field(buffer.data(), name, kPcx5NameLength) - buffer.data()};
        case NameForm::Cp1252:
            buffer.resize(kCp1252MostPerUnit * name.size());
            return {buffer.data(), writeCp1252(buffer.data(), name) - buffer.data()};
        case NameForm::Utf8:
            break;
    }
    const QByteArrayView ascii = name.visit([](auto view) -> QByteArrayView {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>) {
            if (isAscii(view)) {
                return {view.data(), view.size()};
            }
        }
        return {};
    });
    if (!ascii.isNull() || name.isEmpty()) {
        return ascii;
    }
    const QByteArray utf8 = name.toString().normalized(QString::NormalizationForm_C).toUtf8();
    buffer.resize(utf8.size());
    std::copy(utf8.begin(), utf8.end(), buffer.begin());
    return {buffer.data(), buffer.size()};
}

// Whether `form` writes a name as other characters than it has, so that two names may meet in
// their bytes: the code page's '?', composing.
bool formChanges(QAnyStringView name, NameForm form) {
    if (form == NameForm::Cp1252) {
        return cp1252Changes(name);
    }
    const QString text = name.toString();
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x300; }) &&
           text.normalized(QString::NormalizationForm_C) != text;
}

// A speed tail ("@50"): camera loaders read the limit from the end of a name.
qsizetype speedTailStart(const QString& name) {
    qsizetype i = name.size();
    while (i > 0 && name[i - 1].isDigit() && name[i - 1].unicode() < 0x80) {
        --i;
    }
    return i < name.size() && i > 0 && name[i - 1] == u'@' ? i - 1 : name.size();
}

// Spaces made single, control characters made spaces, blanks at the ends dropped.
QString cleaned(QAnyStringView text) {
    return text.toString().simplified();
}

// A text cut to `length` characters, at a word's end where one falls in its second half.
QString shortened(const QString& text, qsizetype length) {
    if (text.size() <= length) {
        return text;
    }
    QString cut = text.first(length);
    if (cut[length - 1].isLowSurrogate() || cut[length - 1].isHighSurrogate()) {
        cut.chop(1);  // no half character
    }
    const qsizetype space = text[length].isSpace() ? length : cut.lastIndexOf(u' ');
    return (space > length / 2 ? cut.first(space) : cut).trimmed();
}

// The names written so far, by the hash of their bytes, each with the row it belongs to: open
// addressing over one flat table, no allocation per name. A hash found is confirmed against the
// owner's bytes.
class NameSet {
  public:
    explicit NameSet(std::size_t expected) {
        const std::size_t size = std::bit_ceil(std::max<std::size_t>(16, expected * 2));
        slots_.assign(size, Slot{0, -1});
    }
    template <class BytesOf>
    bool contains(std::size_t hash, QByteArrayView bytes, const BytesOf& bytesOf) const {
        for (std::size_t i = hash & mask(); slots_[i].owner >= 0; i = (i + 1) & mask()) {
            if (slots_[i].hash == hash && bytesOf(slots_[i].owner) == bytes) {
                return true;
            }
        }
        return false;
    }
    void insert(std::size_t hash, int owner) {
        if ((used_ + 1) * 2 > slots_.size()) {
            grow();
        }
        put(Slot{hash, owner});
        ++used_;
    }

  private:
    struct Slot {
        std::size_t hash;
        int owner;
    };
    std::size_t mask() const { return slots_.size() - 1; }
    void put(const Slot& slot) {
        std::size_t i = slot.hash & mask();
        while (slots_[i].owner >= 0) {
            i = (i + 1) & mask();
        }
        slots_[i] = slot;
    }
    void grow() {
        std::vector<Slot> old(slots_.size() * 2, Slot{0, -1});
        old.swap(slots_);
        for (const Slot& s : old) {
            if (s.owner >= 0) {
                put(s);
            }
        }
    }
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

}  // namespace

QByteArray writtenNameBytes(QAnyStringView name, NameForm form) {
    Buffer buffer;
    return nameBytesIn(buffer, name, form).toByteArray();
}

QString quotedName(const QString& name) {
    constexpr qsizetype kLongest = 40;
    return name.size() <= kLongest ? name : name.first(kLongest) + QChar(0x2026);
}

namespace {

// A name as the file holds it, for a message: "?" where the code page lacks a character.
QString shownAs(QAnyStringView name, NameForm form) {
    Buffer buffer;
    const QByteArrayView bytes = nameBytesIn(buffer, name, form);
    return form == NameForm::Utf8 ? QString::fromUtf8(bytes) : fromCp1252(bytes).trimmed();
}

}  // namespace

// Settles the names of one file: the rows that keep theirs first, then the names made.
class NameMaker {
  public:
    NameMaker(WrittenNames& out, NameForm form, bool useDescriptions, const HeldWaypoints* held)
        : out_(out),
          list_(out.list_),
          form_(form),
          useDescriptions_(useDescriptions),
          held_(held),
          used_(static_cast<std::size_t>(list_.rowCount())) {}

    void run() {
        out_.fates_.assign(static_cast<std::size_t>(list_.rowCount()), WrittenNames::Fate::Own);
        QList<int> nameless;
        QList<int> repeated;
        Buffer buffer;
        for (int r = 0; r < list_.rowCount(); ++r) {
            const WaypointRow& row = list_.row(r);
            const QAnyStringView name = row.cellView(column::kName);
            const QByteArrayView bytes = name.isEmpty() ? QByteArrayView() : nameBytesIn(buffer, name, form_);
            if (held_ != nullptr && isHeld(row, bytes)) {
                setFate(r, WrittenNames::Fate::Held);
            } else if (name.isEmpty()) {
                nameless.append(r);
            } else if (taken(bytes)) {
                repeated.append(r);
            } else {
                used_.insert(hashOf(bytes), r);
            }
        }
        for (int r : nameless) {
            nameNameless(r);
        }
        for (int r : repeated) {
            renumber(r);
        }
    }

  private:
    bool isHeld(const WaypointRow& row, QByteArrayView bytes) const {
        if (bytes.isEmpty() || row.keyedByPlace()) {
            return held_->holdsPlace(row);
        }
        return held_->holdsName(bytes.toByteArray());
    }

    std::size_t hashOf(QByteArrayView bytes) const { return qHash(bytes, 0x9e3779b9u); }

    bool taken(QByteArrayView bytes) const {
        if (held_ != nullptr && held_->holdsName(bytes.toByteArray())) {
            return true;
        }
        Buffer buffer;
        return used_.contains(hashOf(bytes), bytes, [this, &buffer](int owner) {
            return nameBytesIn(buffer, out_.name(owner), form_);
        });
    }

    void setFate(int row, WrittenNames::Fate fate) { out_.fates_[static_cast<std::size_t>(row)] = fate; }

    // Gives `row` the name `candidate` when the file has no such name yet.
    bool claim(int row, const QString& candidate) {
        Buffer buffer;
        const QByteArrayView bytes = nameBytesIn(buffer, candidate, form_);
        if (candidate.isEmpty() || taken(bytes)) {
            return false;
        }
        used_.insert(hashOf(bytes), row);
        out_.made_.insert(row, candidate);
        setFate(row, WrittenNames::Fate::Made);
        return true;
    }

    void leaveOut(int row) {
        setFate(row, WrittenNames::Fate::LeftOut);
        ++out_.leftOut_;
    }

    void nameNameless(int row) {
        const QString description =
            useDescriptions_ ? cleaned(list_.row(row).cellView(column::kDescription)) : QString();
        if (!description.isEmpty()) {
            const QString base = fitted(description);
            if (claim(row, base) || withNumber(row, base)) {
                if (out_.described_++ == 0) {
                    out_.firstDescribed_ = shownAs(out_.made_.value(row), form_);
                }
                return;
            }
        }
        for (;;) {
            const QString candidate = numbered(++numbered_);
            if (candidate.isEmpty()) {
                leaveOut(row);
                return;
            }
            if (claim(row, candidate)) {
                out_.lastNumbered_ = candidate;
                if (out_.numbered_++ == 0) {
                    out_.firstNumbered_ = candidate;
                }
                return;
            }
        }
    }

    void renumber(int row) {
        const QString name = list_.row(row).cell(column::kName);
        if (!withNumber(row, form_ == NameForm::Pcx5 ? name.trimmed() : name)) {
            leaveOut(row);
            return;
        }
        if (out_.renumbered_++ == 0) {
            out_.firstRepeated_ = quotedName(name);
            out_.firstRenumbered_ = quotedName(shownAs(out_.made_.value(row), form_));
        }
    }

    // A description as a name of the file's length.
    QString fitted(const QString& description) const {
        if (form_ != NameForm::Pcx5) {
            return shortened(description, kMadeNameLength);
        }
        return fromCp1252(cp1252Field(description, kPcx5NameLength)).trimmed();
    }

    // The first free name of `base` with a number: 2, 3, ... in front of its speed tail. The numbers
    // tried go on from where the last name of the same stem stopped (names the file writes alike
    // share one), so that every try is made once.
    bool withNumber(int row, const QString& base) {
        const qsizetype tailStart = speedTailStart(base);
        const QString head = base.first(tailStart).trimmed();
        const QString tail = base.sliced(tailStart);
        if (form_ != NameForm::Pcx5) {
            const QString separator = head.isEmpty() ? QString() : QStringLiteral(" ");
            int& next = nextNumber_[writtenNameBytes(head + u'\x01' + tail, form_)];
            for (next = std::max(next, 2);; ++next) {
                if (claim(row, head + separator + QString::number(next) + tail)) {
                    ++next;
                    return true;
                }
            }
        }
        // Six characters: the longer the number, the shorter the rest; a speed tail that leaves no
        // room goes with it, the waypoint coming first.
        int low = 1;  // the first number of `digits` digits
        for (qsizetype digits = 1; digits <= kPcx5NameLength; ++digits, low *= 10) {
            const bool keepTail = tail.size() + digits <= kPcx5NameLength;
            const QString kept = keepTail ? tail : QString();
            const QByteArray stem =
                cp1252Field(keepTail ? head : base.trimmed(), kPcx5NameLength - digits - kept.size());
            const QString stemText = fromCp1252(stem).trimmed();
            int& next = nextNumber_[stem + '\x01' + kept.toUtf8() + char('0' + digits)];
            for (next = std::max({next, low, 2}); next < low * 10; ++next) {
                if (claim(row, stemText + QString::number(next) + kept)) {
                    ++next;
                    return true;
                }
            }
        }
        return false;
    }

    // The n-th numbered name: WPT001 ...; empty when the file's names cannot hold it.
    QString numbered(int n) const {
        const QString digits = QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
        if (form_ != NameForm::Pcx5) {
            return QStringLiteral("WPT") + digits;
        }
        if (digits.size() > kPcx5NameLength) {
            return {};
        }
        return QStringLiteral("WPT").first(std::min<qsizetype>(3, kPcx5NameLength - digits.size())) + digits;
    }

    WrittenNames& out_;
    const WaypointList& list_;
    NameForm form_;
    bool useDescriptions_;
    const HeldWaypoints* held_;
    NameSet used_;
    QHash<QByteArray, int> nextNumber_;  // by stem: the name but its number
    int numbered_ = 0;
};

WrittenNames::WrittenNames(const WaypointList& list, NameForm form, bool useDescriptions,
                           const HeldWaypoints* held)
    : list_(list), form_(form) {
    // Most lists need nothing: distinct names, none empty, none the file writes otherwise. That is
    // told with a look at each name, and no name is gathered.
    bool simple = held == nullptr && form != NameForm::Pcx5 && !list.namesMayRepeat();
    for (int r = 0; simple && r < list.rowCount(); ++r) {
        const QAnyStringView name = list.row(r).cellView(column::kName);
        simple = !name.isEmpty() && (isAscii(name) || !formChanges(name, form));
    }
    if (!simple) {
        NameMaker(*this, form, useDescriptions, held).run();
    }
}

QAnyStringView WrittenNames::name(int row) const {
    if (fate(row) == Fate::Made) {
        return *made_.constFind(row);
    }
    return list_.row(row).cellView(column::kName);
}

QStringList WrittenNames::sentences() const {
    QStringList out;
    if (numbered_ == 1) {
        out.append(QStringLiteral("1 waypoint without a name was written as %1.").arg(firstNumbered_));
    } else if (numbered_ > 1) {
        out.append(QStringLiteral("%1 waypoints without a name were written as %2 … %3.")
                       .arg(QString::number(numbered_), firstNumbered_, lastNumbered_));
    }
    if (described_ > 0) {
        out.append((described_ == 1
                        ? QStringLiteral("1 waypoint without a name was named from its description")
                        : QStringLiteral("%1 waypoints without a name were named from their "
                                         "descriptions")
                              .arg(described_)) +
                   QStringLiteral(" (such as \"%1\").").arg(firstDescribed_));
    }
    if (renumbered_ > 0) {
        out.append(
            (renumbered_ == 1
                 ? QStringLiteral("1 waypoint whose name the file would hold twice was given a number")
                 : QStringLiteral("%1 waypoints whose names the file would hold twice were given a number")
                       .arg(renumbered_)) +
            QStringLiteral(" (such as \"%1\", written as \"%2\").").arg(firstRepeated_, firstRenumbered_));
    }
    if (leftOut_ > 0) {
        const QString why =
            form_ == NameForm::Pcx5
                ? QStringLiteral("no name of six characters that the file does not hold was left")
                : QStringLiteral("no name that the file does not hold was left");
        out.append((leftOut_ == 1 ? QStringLiteral("1 waypoint was not written: ")
                                  : QStringLiteral("%1 waypoints were not written: ").arg(leftOut_)) +
                   why + QStringLiteral(" for ") +
                   (leftOut_ == 1 ? QStringLiteral("it.") : QStringLiteral("them.")));
    }
    return out;
}

}  // namespace vintrel
