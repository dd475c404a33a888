#include "import/text/line_reader.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;

namespace {

class Lines : public ::testing::Test {
  protected:
    QStringList read(const QByteArray& bytes, bool* utf8 = nullptr, QList<long>* numbers = nullptr) {
        const QString path = dir_.filePath("t.txt");
        EXPECT_TRUE(vintrel::test::writeFile(path, bytes));
        LineReader reader;
        QString error;
        EXPECT_TRUE(reader.open(path, error)) << error.toStdString();
        QStringList lines;
        QString line;
        while (reader.next(line)) {
            lines.append(line);
            if (numbers != nullptr) {
                numbers->append(reader.lineNumber());
            }
        }
        if (utf8 != nullptr) {
            *utf8 = reader.isUtf8();
        }
        return lines;
    }
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(Lines, EveryKindOfLineEndEndsALine) {
    QList<long> numbers;
    EXPECT_EQ(read("a\r\nb\nc\rd", nullptr, &numbers), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(numbers, (QList<long>{1, 2, 3, 4}));
    EXPECT_EQ(read("a\n\nb\r\n"), (QStringList{"a", "", "b"}));  // no empty line after the last end
    EXPECT_EQ(read("a\r\r\nb"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(read(""), QStringList());
    EXPECT_EQ(read("\n"), QStringList{""});
    const QByteArray longLine(3 * 1024 * 1024, 'x');
    const QStringList lines = read(longLine + "\nnext");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), longLine.size());
    EXPECT_EQ(lines[1], "next");
}

TEST_F(Lines, Utf8WhenTheWholeFileIsElseWindows1252) {
    bool utf8 = false;
    EXPECT_EQ(read("\xEF\xBB\xBF"
                   "Caf\xC3\xA9\n\xE2\x82\xAC",
                   &utf8),
              (QStringList{QString::fromUtf8("Café"), "€"}));
    EXPECT_TRUE(utf8);
    // One byte that is not UTF-8, late in the file, decides for every line.
    EXPECT_EQ(read("Caf\xC3\xA9\nna\xEFve \x80", &utf8),
              (QStringList{QString::fromUtf8("CafÃ©"), QString::fromUtf8("naïve €")}));
    EXPECT_FALSE(utf8);
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x98\x80 plain"));
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));          // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("abc\xE2\x82"));       // cut short
}
