#include "import/xml/xml_repair.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vintrel;
using namespace std::string_view_literals;

namespace {

using Kind = AmpersandCheck::Kind;

// A block as the stream reads it: after the room the input may need in front of it.
struct Block {
    explicit Block(const std::string& bytes)
        : buffer(Utf8Input::kHeadroom + bytes.size() + 1), size(bytes.size()) {
        std::copy(bytes.begin(), bytes.end(), start());
    }
    char* start() { return buffer.data() + Utf8Input::kHeadroom; }
    std::vector<char> buffer;
    std::size_t size;
};

// Feeds `blocks` one after the other, as the stream reads a file, and joins what comes out.
std::string takeAll(Utf8Input& input, const std::vector<std::string>& blocks) {
    std::string out;
    for (std::size_t i = 0; i <= blocks.size(); ++i) {
        Block block(i < blocks.size() ? blocks[i] : std::string());
        out += input.take(block.start(), block.size, i == blocks.size());
    }
    return out;
}

InputForm declared(const char* name) {
    InputForm form;
    form.declared = name;
    return form;
}

}  // namespace

TEST(AmpersandCheck, ReferencesBareAmpersandsAndTextCutTooSoonToTell) {
    for (const std::string_view ref : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#38;", "&#x20AC;",
                                       "&#0000065;", "&#x10FFFF;", "&#9;"}) {
        const AmpersandCheck check = checkAmpersand(std::string(ref) + "rest", false);
        EXPECT_EQ(check.kind, Kind::Reference) << ref;
        EXPECT_EQ(check.length, ref.size()) << ref;
    }
    // The x of a hexadecimal reference is lower case only, and a reference longer than any real one
    // is not waited for.
    for (const std::string& text : std::initializer_list<std::string>{
             "&lang=en", "& Jerry", "&nbsp;", "&AMP;", "&amp ", "&;", "&#;", "&#x;", "&#X41;", "&#0;",
             "&#xD800;", "&#xFFFE;", "&#x110000;", "&#99999999999;", "&#12a;", "&a1;",
             "&#" + std::string(40, '0') + "65;"}) {
        EXPECT_EQ(checkAmpersand(text, false).kind, Kind::Bare) << text;
    }
    for (const char* text : {"&", "&am", "&amp", "&#", "&#x2", "&#12"}) {
        EXPECT_EQ(checkAmpersand(text, false).kind, Kind::CutOff) << text;
        EXPECT_EQ(checkAmpersand(text, true).kind, Kind::Bare) << text;  // unless it is the end
    }
}

TEST(SniffInputForm, ByteOrderMarksAndTheZeroBytesOfUtf16) {
    EXPECT_EQ(sniffInputForm("\xFF\xFE<\0?\0"sv).kind, InputForm::Kind::Utf16LE);
    EXPECT_EQ(sniffInputForm("\xFF\xFE<\0?\0"sv).skip, 2u);
    EXPECT_EQ(sniffInputForm("\xFE\xFF\0<\0?"sv).kind, InputForm::Kind::Utf16BE);
    const InputForm noMark = sniffInputForm(std::string_view("<\0?\0x\0", 6));
    EXPECT_EQ(noMark.kind, InputForm::Kind::Utf16LE);
    EXPECT_EQ(noMark.skip, 0u);
    EXPECT_EQ(sniffInputForm(std::string_view("\0<\0?\0x", 6)).kind, InputForm::Kind::Utf16BE);
    // No mark and no declaration: the zero bytes of the first characters, blank ones too.
    EXPECT_EQ(sniffInputForm(std::string_view("<\0g\0p\0x\0", 8)).kind, InputForm::Kind::Utf16LE);
    EXPECT_EQ(sniffInputForm(std::string_view("\n\0<\0", 4)).kind, InputForm::Kind::Utf16LE);
    EXPECT_EQ(sniffInputForm(std::string_view("\0<\0g", 4)).kind, InputForm::Kind::Utf16BE);
    EXPECT_EQ(sniffInputForm(std::string_view("<g\0\0", 4)).kind, InputForm::Kind::Utf8);

    const InputForm utf8 = sniffInputForm("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?><a/>");
    EXPECT_EQ(utf8.kind, InputForm::Kind::Utf8);  // the mark outweighs the declaration
    EXPECT_EQ(utf8.skip, 3u);
}

TEST(SniffInputForm, TheDeclaredEncodingDecidesForEightBitFiles) {
    const InputForm none = sniffInputForm("<?xml version=\"1.0\"?><gpx encoding=\"x\"/>");
    EXPECT_EQ(none.kind, InputForm::Kind::Utf8);
    EXPECT_EQ(none.declared, "");

    const InputForm single = sniffInputForm("<?xml version='1.0' encoding = 'ISO-8859-15' ?>\n<loc/>");
    EXPECT_EQ(single.kind, InputForm::Kind::SingleByte);
    EXPECT_EQ(single.declared, "ISO-8859-15");

    for (const char* name : {"UTF-8", "utf-8", "US-ASCII", "UTF-16"}) {
        const InputForm form =
            sniffInputForm("<?xml version=\"1.0\" encoding=\"" + std::string(name) + "\"?><a/>");
        EXPECT_EQ(form.kind, InputForm::Kind::Utf8) << name;
        EXPECT_EQ(form.declared, name);
    }
    EXPECT_EQ(sniffInputForm("<gpx/>").declared, "");
}

TEST(SniffInputForm, BlankLinesBeforeTheDeclarationAreDropped) {
    const InputForm form = sniffInputForm("\r\n\n  <?xml version=\"1.0\" encoding=\"windows-1252\"?><a/>");
    EXPECT_TRUE(form.spaceBeforeDeclaration);
    EXPECT_EQ(form.skip, 5u);
    EXPECT_EQ(form.linesSkipped, 2);
    EXPECT_EQ(form.declared, "windows-1252");
    // White space before the root element of a file without a declaration is allowed as it is.
    EXPECT_FALSE(sniffInputForm("\n<gpx/>").spaceBeforeDeclaration);
}

// ISO-8859-15 where it differs from Latin-1: LocReaderRepairs.DeclaredSingleByteEncodingsAreReadByTheirNames.
TEST(SingleByteTable, EncodingsTheSystemKnowsByName) {
    const auto cp1250 = singleByteTable("windows-1250");
    ASSERT_TRUE(cp1250);
    EXPECT_EQ((*cp1250)[0x8A], U'\u0160');
    EXPECT_EQ((*cp1250)[0xB9], U'\u0105');
    EXPECT_EQ((*cp1250)[0x81], U'\u0081');  // undefined in the code page: the byte's own value

    const auto koi8 = singleByteTable("KOI8-R");
    ASSERT_TRUE(koi8);
    EXPECT_EQ((*koi8)[0xC1], U'\u0430');
    EXPECT_EQ((*koi8)[0xE1], U'\u0410');
}

TEST(SingleByteTable, UnknownMultiByteAndNonAsciiEncodingsAreRefused) {
    // IBM037 is EBCDIC: its 'A' is not 0x41.
    for (const char* name : {"x-vintrel-unknown", "Shift_JIS", "UTF-8", "UTF-7", "IBM037"}) {
        EXPECT_FALSE(singleByteTable(name)) << name;
    }
    EXPECT_TRUE(isCp1252Name("Windows-1252"));
    EXPECT_TRUE(isCp1252Name("CP1252"));
    EXPECT_FALSE(isCp1252Name("windows-1250"));
}

TEST(Utf8Input, CleanInputPassesThroughWithoutACopy) {
    Utf8Input input(InputForm{});
    const std::string text = "<a>caf\xC3\xA9 \xE6\xBC\xA2</a>";
    Block block(text);
    const std::string_view out = input.take(block.start(), block.size, false);
    EXPECT_EQ(out.data(), block.start());
    EXPECT_EQ(out, text);
    EXPECT_FALSE(input.guessedCp1252());
    EXPECT_EQ(input.firstRepairAt(), std::string_view::npos);
}

TEST(Utf8Input, UndeclaredFileNotUtf8IsWindows1252FromItsFirstByteBeyondAscii) {
    Utf8Input input(InputForm{});
    // After the first byte that is not UTF-8, even bytes that would be UTF-8 are windows-1252.
    const std::string out = takeAll(input, {"<a>ok</a>", "<b>Caf\xE9 \x80 \xC3\xA9</b>"});
    EXPECT_EQ(out, "<a>ok</a><b>Caf\xC3\xA9 \xE2\x82\xAC \xC3\x83\xC2\xA9</b>");
    EXPECT_TRUE(input.guessedCp1252());
    EXPECT_EQ(input.strayBytes(), 0);
}

TEST(Utf8Input, UndeclaredFileThatBeginsAsUtf8StaysUtf8ApartFromStrayBytes) {
    Utf8Input input(InputForm{});
    EXPECT_EQ(takeAll(input, {"\xC3\xA9 \x93q\x94 \xC3\xA9"}), "\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D \xC3\xA9");
    EXPECT_FALSE(input.guessedCp1252());
    EXPECT_EQ(input.strayBytes(), 2);
}

TEST(Utf8Input, DeclaredUtf8ReadsEachBadByteAsWindows1252) {
    Utf8Input input(declared("UTF-8"));
    Block block("abc\xE9z");
    EXPECT_EQ(input.take(block.start(), block.size, false), "abc\xC3\xA9z");
    EXPECT_EQ(input.firstRepairAt(), 3u);
    EXPECT_FALSE(input.guessedCp1252());
    EXPECT_EQ(input.strayBytes(), 1);
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8 either.
    Utf8Input strict(declared("UTF-8"));
    EXPECT_EQ(takeAll(strict, {"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80"}),
              "\xC3\x80\xC2\xAF\xC3\xAD\xC2\xA0\xE2\x82\xAC\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(strict.strayBytes(), 9);
}

TEST(Utf8Input, CharactersCutByTheEndOfABlockAreKeptForTheNext) {
    Utf8Input input(declared("UTF-8"));
    EXPECT_EQ(takeAll(input, {"a\xE2", "\x82",
                              "\xAC"
                              "b\xF0\x9F",
                              "\x98\x80"}),
              "a\xE2\x82\xAC"
              "b\xF0\x9F\x98\x80");
    EXPECT_EQ(input.strayBytes(), 0);
    // Cut by the end of the file, the bytes are windows-1252.
    Utf8Input cut(declared("UTF-8"));
    EXPECT_EQ(takeAll(cut, {"a\xE2\x82"}), "a\xC3\xA2\xE2\x80\x9A");
    EXPECT_EQ(cut.strayBytes(), 2);
}

TEST(Utf8Input, Utf16IsConvertedWhereverTheBlocksSplitIt) {
    InputForm form;
    form.kind = InputForm::Kind::Utf16LE;
    Utf8Input input(form);
    // "<é😀>": the surrogate pair and one code unit cut in two by the blocks.
    EXPECT_EQ(takeAll(input, {std::string("<\0\xE9", 3), std::string("\0\x3D\xD8\x00", 4),
                              std::string("\xDE>\0", 3)}),
              "<\xC3\xA9\xF0\x9F\x98\x80>");
}

TEST(CountLineBreaks, CrLfCrAndLfAreOneBreakEach) {
    EXPECT_EQ(countLineBreaks("a\r\nb\rc\nd"), 3);
    EXPECT_EQ(countLineBreaks("\r\n\r\n"), 2);
    EXPECT_EQ(countLineBreaks("\n\r"), 2);
    EXPECT_EQ(countLineBreaks("none"), 0);
}
