#include "base/cp1252.h"
#include "formats/text/cp1252_text.h"

#include <gtest/gtest.h>

using namespace vintrel;

// The code page both ways, for the standard C++ layers and the Qt texts of the list: the 32 bytes
// 0x80-0x9F are the ones that differ from Latin-1, and a character outside the basic plane is one
// character, so one '?'.
TEST(Cp1252, BothWaysWhereItDiffersFromLatin1) {
    EXPECT_EQ(cp1252::encode(u"A\u00e9\u20ac\u201c\u4e2d\U0001F600"), "A\xe9\x80\x93??");
    EXPECT_EQ(cp1252::encodedLength(u"\U0001F600\U0001F600x"), 3u);
    EXPECT_EQ(cp1252::toUnicode(0x80), u'\u20ac');
    EXPECT_EQ(cp1252::toUnicode(0x81), u'\u0081');  // undefined in the code page: the control character
    EXPECT_EQ(cp1252::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xFF"), "Caf\xE9 \x80 ? ?");

    const QString text = QString::fromUtf8("Aé€“\xF0\x9F\x98\x80");
    QByteArray bytes("x");
    appendCp1252(bytes, text);
    EXPECT_EQ(bytes, QByteArray("xA\xE9\x80\x93?"));
    EXPECT_EQ(cp1252Length(text), 5);
    EXPECT_EQ(fromCp1252(QByteArrayView("A\xE9\x80\x93\x81")), QString::fromUtf8("Aé€“\u0081"));
}

TEST(Cp1252, DecomposedLettersAreComposedAndNamesWrittenAlikeAreFound) {
    const QString decomposed = QString::fromUtf8("Cafe\xCC\x81");  // e + combining acute
    QByteArray bytes;
    appendCp1252(bytes, decomposed);
    EXPECT_EQ(bytes, QByteArray("Caf\xE9"));
    EXPECT_EQ(cp1252Length(decomposed), 4);
    EXPECT_TRUE(cp1252Changes(decomposed));
    EXPECT_TRUE(cp1252Changes(QString::fromUtf8("漢字")));
    EXPECT_FALSE(cp1252Changes(QString::fromUtf8("Café €")));

    const QString a = QString::fromUtf8("漢字"), b = QString::fromUtf8("字漢"), c = QString::fromUtf8("Café");
    EXPECT_EQ(
        cp1252NameCollisions({a, u"Plain", b, decomposed, c}),
        (QStringList{QString::fromUtf8("\"漢字\" and \"字漢\" are both written as \"??\"."),
                     QStringLiteral("\"%1\" and \"%2\" are both written as \"%2\".").arg(decomposed, c)}));
    EXPECT_TRUE(cp1252NameCollisions({c, u"Plain", u"??"}).isEmpty());  // nothing lossy: nothing to compare
}
