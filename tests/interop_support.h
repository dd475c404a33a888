// Reads written files back independently of the writers: KML with expat, any format gpsbabel knows
// with gpsbabel run as a black box.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <expat.h>
#include <gtest/gtest.h>

namespace vintrel::test {

// What expat makes of a written file.
struct ParsedKml {
    struct Placemark {
        QString folder, name, description, style, coordinates;
    };
    QString error;  // empty when well formed
    QString title;
    QStringList folders;
    QList<Placemark> placemarks;
};

struct KmlParseState {
    ParsedKml* out;
    QByteArrayList elements;
    QByteArray text;
    ParsedKml::Placemark placemark;
};

inline ParsedKml parseKml(const QByteArray& bytes) {
    ParsedKml parsed;
    KmlParseState state{&parsed, {}, {}, {}};
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char**) {
            auto* s = static_cast<KmlParseState*>(data);
            s->elements.append(name);
            s->text.clear();
            if (s->elements.last() == "Placemark") {
                s->placemark = {
                    s->out->folders.isEmpty() ? QString() : s->out->folders.last(), {}, {}, {}, {}};
            }
        },
        [](void* data, const XML_Char*) {
            auto* s = static_cast<KmlParseState*>(data);
            const QByteArray element = s->elements.takeLast();
            const QByteArray parent = s->elements.isEmpty() ? QByteArray() : s->elements.last();
            const QString text = QString::fromUtf8(s->text);
            if (element == "name" && parent == "Document") {
                s->out->title = text;
            } else if (element == "name" && parent == "Folder") {
                s->out->folders.append(text);
            } else if (element == "name" && parent == "Placemark") {
                s->placemark.name = text;
            } else if (element == "description") {
                s->placemark.description = text;
            } else if (element == "styleUrl") {
                s->placemark.style = text;
            } else if (element == "coordinates") {
                s->placemark.coordinates = text;
            } else if (element == "Placemark") {
                s->out->placemarks.append(s->placemark);
            }
            s->text.clear();
        });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* text, int length) {
        static_cast<KmlParseState*>(data)->text.append(text, length);
    });
    if (XML_Parse(parser, bytes.constData(), static_cast<int>(bytes.size()), 1) == XML_STATUS_ERROR) {
        parsed.error = QStringLiteral("line %1: %2")
                           .arg(XML_GetCurrentLineNumber(parser))
                           .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser))));
    }
    XML_ParserFree(parser);
    return parsed;
}

// A peer tool the interop tests cannot do without.
inline ::testing::AssertionResult toolInstalled(const char* name) {
    if (QStandardPaths::findExecutable(QLatin1String(name)).isEmpty()) {
        return ::testing::AssertionFailure() << name << " is needed (scripts/setup.sh)";
    }
    return ::testing::AssertionSuccess();
}

// The waypoints gpsbabel reads from a file: its unicsv output, one hash of the columns by name per
// waypoint.
inline QList<QHash<QString, QString>> readWithGpsbabel(const QString& format, const QString& path) {
    QProcess p;
    p.start("gpsbabel", {"-i", format, "-f", path, "-o", "unicsv,utc=0", "-F", "-"});
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QList<QHash<QString, QString>> rows;
    const QStringList header = lines.isEmpty() ? QStringList() : lines[0].trimmed().split(',');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QStringList fields(1);
        bool quoted = false;
        for (QChar c : lines[i].trimmed()) {
            if (c == '"') {
                quoted = !quoted;
            } else if (c == ',' && !quoted) {
                fields.append(QString());
            } else {
                fields.last().append(c);
            }
        }
        QHash<QString, QString> row;
        for (qsizetype c = 0; c < header.size() && c < fields.size(); ++c) {
            row.insert(header[c], fields[c]);
        }
        rows.append(row);
    }
    return rows;
}

}  // namespace vintrel::test
