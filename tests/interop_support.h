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
    QString error;  // empty when well formed
    QString title;
    int placemarks = 0;
    QStringList descriptions;
};

struct KmlParseState {
    ParsedKml* out;
    QByteArrayList elements;
    QByteArray text;
};

inline ParsedKml parseKml(const QByteArray& bytes) {
    ParsedKml parsed;
    KmlParseState state{&parsed, {}, {}};
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char**) {
            auto* s = static_cast<KmlParseState*>(data);
            s->elements.append(name);
            s->text.clear();
        },
        [](void* data, const XML_Char*) {
            auto* s = static_cast<KmlParseState*>(data);
            const QByteArray element = s->elements.takeLast();
            if (element == "name" && !s->elements.isEmpty() && s->elements.last() == "Document") {
                s->out->title = QString::fromUtf8(s->text);
            } else if (element == "description") {
                s->out->descriptions.append(QString::fromUtf8(s->text));
            } else if (element == "Placemark") {
                ++s->out->placemarks;
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
