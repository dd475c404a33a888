#include "import/text/line_reader.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <thread>

using namespace vintrel;

namespace {

// Each line as its fields joined by '|'.
QStringList linesOf(const QString& path, FieldSeparator separator = FieldSeparator::Comma,
                    std::size_t kept = 8, LineReader* given = nullptr) {
    LineReader own(separator, kept);
    LineReader& reader = given != nullptr ? *given : own;
    QString error;
    EXPECT_TRUE(reader.open(path, error)) << error.toStdString();
    QStringList lines;
    TextLine line;
    while (reader.next(line)) {
        QStringList fields;
        for (std::size_t i = 0; i < std::min(line.fieldCount, kept); ++i) {
            fields.append(line.fields[i]);
        }
        lines.append(fields.join(u'|'));
    }
    return lines;
}

class Lines : public ::testing::Test {
  protected:
    QStringList read(const QByteArray& bytes, FieldSeparator separator = FieldSeparator::Comma,
                     LineReader* reader = nullptr) {
        const QString path = dir_.filePath("t.txt");
        EXPECT_TRUE(vintrel::test::writeFile(path, bytes));
        return linesOf(path, separator, 8, reader);
    }
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(Lines, EveryKindOfLineEndEndsALine) {
    EXPECT_EQ(read("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(read("a\n\nb\r\n"), (QStringList{"a", "", "b"}));  // no empty line after the last end
    EXPECT_EQ(read("a\r\r\nb"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(read(""), QStringList());
    EXPECT_EQ(read("\n"), QStringList{""});
    // A CR LF split by the end of a block is one line end, and a line runs on over many blocks.
    const QByteArray longLine(3 * 1024 * 1024 - 1, 'x');
    LineReader reader(FieldSeparator::Comma, 8);
    const QStringList lines = read(QByteArray(256 * 1024 - 2, 'y') + "\r\n" + longLine + "\r\nnext",
                                   FieldSeparator::Comma, &reader);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1].size(), qsizetype(LineReader::kMaxField));  // cut, as every field is
    EXPECT_EQ(lines[2], "next");
    EXPECT_EQ(reader.lineNumber(), 3);
}

TEST_F(Lines, Utf8UnlessTheFirstByteBeyondAsciiIsNot) {
    LineReader utf8(FieldSeparator::Comma, 8);
    EXPECT_EQ(read("\xEF\xBB\xBF"
                   "Caf\xC3\xA9\n\xE2\x82\xAC",
                   FieldSeparator::Comma, &utf8),
              (QStringList{QString::fromUtf8("Café"), "€"}));
    EXPECT_TRUE(utf8.isUtf8());
    // A file begun in UTF-8 keeps it; a later stray byte is windows-1252 alone.
    EXPECT_EQ(read("Caf\xC3\xA9\nna\xEFve \x80"),
              (QStringList{QString::fromUtf8("Café"), QString::fromUtf8("naïve €")}));
    // The first byte beyond ASCII is not UTF-8: the whole file is windows-1252.
    LineReader cp1252(FieldSeparator::Comma, 8);
    EXPECT_EQ(read("plain\nna\xEFve\nCaf\xC3\xA9", FieldSeparator::Comma, &cp1252),
              (QStringList{"plain", QString::fromUtf8("naïve"), QString::fromUtf8("CafÃ©")}));
    EXPECT_FALSE(cp1252.isUtf8());
    // Decided at the first such byte even where a block's end cuts its character.
    const QByteArray pad(256 * 1024 - 1, 'p');
    EXPECT_EQ(read(pad + "\xC3\xA9"), QStringList{QString(pad) + QString::fromUtf8("é")});
}

TEST_F(Lines, CommasBlanksAroundFieldsDroppedQuotesHoldCommasAndDoubledQuotes) {
    const std::pair<QByteArray, QString> cases[] = {
        {"a,b,c", "a|b|c"},
        {"  42.4219, -71.0869 ,\tBoston Light  ", "42.4219|-71.0869|Boston Light"},
        {"a,,b,", "a||b|"},
        {"inner  blanks stay,x", "inner  blanks stay|x"},
        {R"("Redlight, Kings Rd",x)", "Redlight, Kings Rd|x"},
        {R"(1, "say ""hi""" ,2)", R"(1|say "hi"|2)"},
        {R"(" blanks inside ",x)", " blanks inside |x"},
        {R"("",x)", "|x"},
        // Text after the closing quote stays with the field; a quote inside an unquoted field is text.
        {R"("abc" def ,x)", "abc def|x"},
        {R"(a"b"c,d)", R"(a"b"c|d)"},
        // An unclosed quote runs to the end of the line, commas and all.
        {R"(1,"open, never closed)", "1|open, never closed"},
        {"1,\"closed at the end\"", "1|closed at the end"},
    };
    for (const auto& [line, fields] : cases) {
        EXPECT_EQ(read(line), QStringList{fields}) << line.toStdString();
    }
    // Tabs know no quotes.
    EXPECT_EQ(read("N 51.6854000\tW 0.1872333\t( MyNet )\t\"q,1\"", FieldSeparator::Tab),
              QStringList{"N 51.6854000|W 0.1872333|( MyNet )|\"q,1\""});
    EXPECT_EQ(read("a\t\t b \t", FieldSeparator::Tab), QStringList{"a||b|"});
}

TEST_F(Lines, FieldsPastTheKeptOnesAreCountedAndLongFieldsCut) {
    const QString path = dir_.filePath("wide.csv");
    // Ten million commas, a 3 MB field with a two-byte letter across its cut, a 1 MB one that fits.
    QByteArray bytes(10'000'000, ',');
    QByteArray big =
        "\"" + QByteArray(LineReader::kMaxField - 1, 'n') + "\xC3\xA9" + QByteArray(2'000'000, 'z') + "\"";
    bytes += "\r\n1,2," + big + "," + QByteArray(LineReader::kMaxField, 'd') + "\r\n \t \r\n";
    ASSERT_TRUE(vintrel::test::writeFile(path, bytes));
    LineReader reader(FieldSeparator::Comma, 4);
    QString error;
    ASSERT_TRUE(reader.open(path, error));
    TextLine line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.fieldCount, 10'000'001u);
    EXPECT_EQ(line.fields.size(), 4u);  // whatever the line holds
    EXPECT_EQ(line.cutField, -1);
    EXPECT_FALSE(line.blank);
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.fieldCount, 4u);
    EXPECT_EQ(line.cutField, 2);
    EXPECT_EQ(line.fields[2].size(), qsizetype(LineReader::kMaxField - 1));  // not half a letter
    EXPECT_EQ(line.fields[3].size(), qsizetype(LineReader::kMaxField));
    ASSERT_TRUE(reader.next(line));
    EXPECT_TRUE(line.blank);
    EXPECT_FALSE(reader.next(line));
    EXPECT_TRUE(reader.failure().isEmpty());
}

TEST_F(Lines, AFifoIsReadToItsEndAndAShrunkFileStopsAtItsLastWholeLine) {
    const QString fifo = dir_.filePath("pipe.csv");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    std::thread writer([&] {
        QFile out(fifo);
        if (out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            for (int i = 0; i < 3000; ++i) {
                out.write(QByteArray::number(i) + ",x\n");  // many small writes, more than a pipe holds
            }
        }
    });
    LineReader fromPipe(FieldSeparator::Comma, 2);
    const QStringList piped = linesOf(fifo, FieldSeparator::Comma, 2, &fromPipe);
    writer.join();
    ASSERT_EQ(piped.size(), 3000);
    EXPECT_EQ(piped.last(), "2999|x");
    EXPECT_TRUE(fromPipe.failure().isEmpty());

    // Another program cuts the file short while the first block is being read.
    const QString path = dir_.filePath("shrinks.csv");
    QByteArray bytes;
    for (int i = 0; bytes.size() < 1024 * 1024; ++i) {
        bytes += QByteArray::number(i) + ",a line long enough to cross blocks\r\n";
    }
    ASSERT_TRUE(vintrel::test::writeFile(path, bytes));
    LineReader reader(FieldSeparator::Comma, 2);
    QString error;
    ASSERT_TRUE(reader.open(path, error));
    TextLine line;
    ASSERT_TRUE(reader.next(line));
    ASSERT_TRUE(QFile::resize(path, 100));
    int lines = 1;
    QString last;
    while (reader.next(line)) {
        ++lines;
        last = line.fields[1];
    }
    EXPECT_EQ(reader.failure(), "the file changed while it was read");
    EXPECT_GT(lines, 1);
    EXPECT_LT(lines, 20000);
    EXPECT_EQ(last, "a line long enough to cross blocks");  // no piece of a line
}
