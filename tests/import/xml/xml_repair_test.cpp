#include "import/xml/xml_repair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace vintrel;

namespace {

using Kind = AmpersandCheck::Kind;

// Feeds `blocks` one after the other, each after the room the input may need in front of it, as the
// stream reads a file, and joins what comes out.
std::string takeAll(Utf8Input& input, const std::vector<std::string>& blocks) {
    std::string out;
    for (std::size_t i = 0; i <= blocks.size(); ++i) {
        const std::string bytes = i < blocks.size() ? blocks[i] : std::string();
        std::vector<char> buffer(Utf8Input::kHeadroom + bytes.size() + 1);
        std::copy(bytes.begin(), bytes.end(), buffer.begin() + Utf8Input::kHeadroom);
        out += input.take(buffer.data() + Utf8Input::kHeadroom, bytes.size(), i == blocks.size());
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

// What comes out of the blocks of a file, how many bytes among UTF-8 were read as windows-1252, and
// whether the whole file was: an undeclared file whose first byte beyond ASCII is not UTF-8 is
// windows-1252 from there on, even where UTF-8 follows; overlong forms, surrogates and values beyond
// U+10FFFF are no UTF-8; a character cut by the end of a block waits for the next, one cut by the end
// of the file is windows-1252.
TEST(Utf8Input, BytesThatAreNotUtf8AndCharactersCutByTheBlocks) {
    InputForm utf16;
    utf16.kind = InputForm::Kind::Utf16LE;
    const InputForm utf8 = declared("UTF-8");
    const struct {
        InputForm form;
        std::vector<std::string> blocks;
        std::string out;
        int stray;
        bool guessed;
    } cases[] = {
        {InputForm{}, {"ok", "\xE9 \x80 \xC3\xA9"}, "ok\xC3\xA9 \xE2\x82\xAC \xC3\x83\xC2\xA9", 0, true},
        {InputForm{}, {"\xC3\xA9 \x93q\x94"}, "\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D", 2, false},
        {utf8, {"\xC0\xAF"}, "\xC3\x80\xC2\xAF", 2, false},
        {utf8, {"\xED\xA0\x80"}, "\xC3\xAD\xC2\xA0\xE2\x82\xAC", 3, false},
        {utf8, {"\xF4\x90\x80\x80"}, "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC", 4, false},
        {utf8, {"a\xE2", "\x82", "\xACz\xF0\x9F", "\x98\x80"}, "a\xE2\x82\xACz\xF0\x9F\x98\x80", 0, false},
        {utf8, {"a\xE2\x82"}, "a\xC3\xA2\xE2\x80\x9A", 2, false},
        // "<é😀>" with the surrogate pair and one code unit cut by the blocks.
        {utf16,
         {{"<\0\xE9", 3}, {"\0\x3D\xD8\x00", 4}, {"\xDE>\0", 3}},
         "<\xC3\xA9\xF0\x9F\x98\x80>",
         0,
         false},
    };
    for (const auto& c : cases) {
        Utf8Input input(c.form);
        const std::string out = takeAll(input, c.blocks);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(input.strayBytes(), c.stray) << c.out;
        EXPECT_EQ(input.guessedCp1252(), c.guessed) << c.out;
    }
}
