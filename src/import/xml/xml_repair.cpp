#include "import/xml/xml_repair.h"

#include "base/cp1252.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace vintrel {

namespace {

// Names are compared the way XML compares encoding names: ignoring ASCII case.
bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
    });
}

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The value of the encoding pseudo-attribute of an XML declaration at the start of `head`.
std::string declaredEncoding(std::string_view head) {
    if (!head.starts_with("<?xml") || head.size() < 6 || !isXmlSpace(head[5])) {
        return {};
    }
    const std::string_view decl = head.substr(0, std::min(head.find("?>"), head.size()));
    const std::size_t at = decl.find("encoding");
    if (at == std::string_view::npos) {
        return {};
    }
    std::size_t i = at + 8;
    while (i < decl.size() && isXmlSpace(decl[i])) {
        ++i;
    }
    if (i >= decl.size() || decl[i] != '=') {
        return {};
    }
    ++i;
    while (i < decl.size() && isXmlSpace(decl[i])) {
        ++i;
    }
    if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\'')) {
        return {};
    }
    const std::size_t end = decl.find(decl[i], i + 1);
    return end == std::string_view::npos ? std::string() : std::string(decl.substr(i + 1, end - i - 1));
}

bool isUtf8FamilyName(std::string_view name) {
    // A declared UTF-16 in a file without UTF-16's zero bytes is a mislabelled 8-bit file.
    for (const char* n : {"utf-8", "utf8", "us-ascii", "ascii", "utf-16", "utf-16le", "utf-16be"}) {
        if (sameName(name, n)) {
            return true;
        }
    }
    return false;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

const char* skipAscii(const char* p, const char* end) {
    while (end - p >= 32) {
        std::uint64_t w[4];
        std::memcpy(w, p, sizeof w);
        if (((w[0] | w[1] | w[2] | w[3]) & kHighBits) != 0) {
            break;
        }
        p += 32;
    }
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if ((w & kHighBits) != 0) {
            break;
        }
        p += 8;
    }
    while (p < end && static_cast<unsigned char>(*p) < 0x80) {
        ++p;
    }
    return p;
}

// The length of the UTF-8 sequence at p (its lead byte beyond ASCII): 0 when it is not valid
// UTF-8 (overlong forms, surrogates and values above U+10FFFF included), -1 when the bytes so far
// are valid but `end` cuts it.
int sequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char lead = p[0];
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (p + i >= end) {
            return -1;
        }
        const unsigned char next = p[i];
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return length;
}

// The end of the valid UTF-8 from p on: the first byte that begins no valid sequence, or the start
// of a sequence that `end` cuts. Runs of ASCII and two-byte sequences, the bulk of real text, take
// the short ways.
const char* skipValidUtf8(const char* p, const char* end) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    const auto* const e = reinterpret_cast<const unsigned char*>(end);
    while (u < e) {
        if (*u < 0x80) {
            ++u;
            std::uint64_t w = 0;
            if (e - u >= 8 && (std::memcpy(&w, u, 8), (w & kHighBits) == 0)) {
                u = reinterpret_cast<const unsigned char*>(
                    skipAscii(reinterpret_cast<const char*>(u + 8), end));
            }
            continue;
        }
        if (*u >= 0xC2 && *u <= 0xDF && e - u >= 2 && (u[1] & 0xC0) == 0x80) {
            u += 2;
            continue;
        }
        const int n = sequenceLength(u, e);
        if (n <= 0) {
            break;
        }
        u += n;
    }
    return reinterpret_cast<const char*>(u);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void appendCp1252(std::string& out, const char* p, const char* end) {
    while (p < end) {
        const char* run = skipAscii(p, end);
        out.append(p, run);
        if (run == end) {
            return;
        }
        appendUtf8(out, cp1252::toUnicode(static_cast<unsigned char>(*run)));
        p = run + 1;
    }
}

bool isXmlChar(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Longer than any reference this program honours: "&#x10FFFF;" with a few leading zeros.
constexpr std::size_t kLongestReference = 32;

}  // namespace

InputForm sniffInputForm(std::string_view head) {
    InputForm form;
    if (head.starts_with("\xFF\xFE") || head.starts_with(std::string_view("<\0?\0", 4))) {
        form.kind = InputForm::Kind::Utf16LE;
        form.skip = head.starts_with("\xFF\xFE") ? 2 : 0;
        return form;
    }
    if (head.starts_with("\xFE\xFF") || head.starts_with(std::string_view("\0<\0?", 4))) {
        form.kind = InputForm::Kind::Utf16BE;
        form.skip = head.starts_with("\xFE\xFF") ? 2 : 0;
        return form;
    }
    // Without a mark or a declaration, UTF-16 shows in the zero byte of every ASCII character: no
    // 8-bit file has one there.
    if (head.size() >= 4 && head[0] != '\0' && head[1] == '\0' && head[2] != '\0' && head[3] == '\0') {
        form.kind = InputForm::Kind::Utf16LE;
        return form;
    }
    if (head.size() >= 4 && head[0] == '\0' && head[1] != '\0' && head[2] == '\0' && head[3] != '\0') {
        form.kind = InputForm::Kind::Utf16BE;
        return form;
    }
    const bool utf8Mark = head.starts_with("\xEF\xBB\xBF");
    std::size_t start = utf8Mark ? 3 : 0;
    std::size_t text = start;
    while (text < head.size() && isXmlSpace(head[text])) {
        ++text;
    }
    if (text > start && head.substr(text).starts_with("<?xml")) {
        // A declaration must open the file; the blank lines that scripts put before it are dropped.
        form.linesSkipped = countLineBreaks(head.substr(start, text - start));
        form.spaceBeforeDeclaration = true;
        start = text;
    }
    form.skip = start;
    form.declared = declaredEncoding(head.substr(start));
    // A UTF-8 byte-order mark outweighs a declaration that says otherwise.
    if (!form.declared.empty() && !isUtf8FamilyName(form.declared) && !utf8Mark) {
        form.kind = InputForm::Kind::SingleByte;
    }
    return form;
}

bool isCp1252Name(std::string_view name) {
    for (const char* n : {"windows-1252", "cp1252", "x-cp1252", "ms-ansi"}) {
        if (sameName(name, n)) {
            return true;
        }
    }
    return false;
}

std::optional<std::array<char32_t, 256>> singleByteTable(const std::string& name) {
    const iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::array<char32_t, 256> table{};
    bool singleByte = true;
    for (int b = 0; b < 256 && singleByte; ++b) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char in = static_cast<char>(b);
        char* inPtr = &in;
        std::size_t inLeft = 1;
        unsigned char out[16];
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            // An incomplete byte begins a longer character; an invalid one is left undefined.
            singleByte = errno != EINVAL;
            table[b] = static_cast<char32_t>(b);
        } else if (outLeft == sizeof out - 4) {
            table[b] = out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
        } else {
            singleByte = false;
        }
        if (b < 0x80 && table[b] != static_cast<char32_t>(b)) {
            singleByte = false;
        }
    }
    iconv_close(cd);
    return singleByte ? std::optional(table) : std::nullopt;
}

Utf8Input::Utf8Input(const InputForm& form)
    : mode_(form.kind == InputForm::Kind::Utf16LE   ? Mode::Utf16
            : form.kind == InputForm::Kind::Utf16BE ? Mode::Utf16
            : form.declared.empty()                 ? Mode::Guess
                                                    : Mode::Utf8),
      utf16_(form.kind == InputForm::Kind::Utf16BE ? QStringConverter::Utf16BE : QStringConverter::Utf16LE) {}

void Utf8Input::noteFirstRepair(std::size_t at) {
    if (!repaired_) {
        repaired_ = true;
        firstRepairAt_ = at;
    }
}

std::string_view Utf8Input::takeUtf16(const char* block, std::size_t size, bool last) {
    // The decoder hands out the first half of a pair cut by the end of a block; it is kept until
    // the second half comes.
    QString text = highSurrogate_ + utf16_.decode(QByteArrayView(block, static_cast<qsizetype>(size)));
    highSurrogate_.clear();
    if (!last && !text.isEmpty() && text.back().isHighSurrogate()) {
        highSurrogate_ = text.back();
        text.chop(1);
    }
    const QByteArray utf8 = text.toUtf8();
    out_.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    return out_;
}

std::string_view Utf8Input::take(char* block, std::size_t size, bool last) {
    firstRepairAt_ = std::string_view::npos;
    if (mode_ == Mode::Utf16) {
        return takeUtf16(block, size, last);
    }
    char* const begin = block - keptSize_;
    std::memcpy(begin, kept_, keptSize_);
    const char* const end = block + size;
    keptSize_ = 0;
    const char* p = begin;
    const char* copied = begin;  // bytes before this are in out_, when a repair made a copy
    bool copying = false;
    while (mode_ != Mode::Cp1252) {
        p = mode_ == Mode::Guess ? skipAscii(p, end) : skipValidUtf8(p, end);
        if (p == end) {
            break;
        }
        const int n = sequenceLength(reinterpret_cast<const unsigned char*>(p),
                                     reinterpret_cast<const unsigned char*>(end));
        if (n > 0) {
            mode_ = Mode::Utf8;
            p += n;
            continue;
        }
        if (n < 0 && !last) {
            keptSize_ = static_cast<std::size_t>(end - p);
            std::memcpy(kept_, p, keptSize_);
            if (!copying) {
                return {begin, static_cast<std::size_t>(p - begin)};
            }
            out_.append(copied, p);
            return out_;
        }
        if (!copying) {
            copying = true;
            out_.clear();
        }
        out_.append(copied, p);
        noteFirstRepair(out_.size());
        if (mode_ == Mode::Guess) {
            mode_ = Mode::Cp1252;
            break;
        }
        appendUtf8(out_, cp1252::toUnicode(static_cast<unsigned char>(*p)));
        ++strayBytes_;
        copied = ++p;
    }
    if (mode_ == Mode::Cp1252) {
        if (!copying) {
            copying = true;
            out_.clear();
        }
        appendCp1252(out_, p, end);
        return out_;
    }
    if (!copying) {
        return {begin, static_cast<std::size_t>(end - begin)};
    }
    out_.append(copied, end);
    return out_;
}

AmpersandCheck checkAmpersand(std::string_view text, bool last) {
    using Kind = AmpersandCheck::Kind;
    const std::size_t limit = std::min(text.size(), kLongestReference);
    const auto cutOrBare = [&]() {
        return AmpersandCheck{last || limit < text.size() ? Kind::Bare : Kind::CutOff};
    };
    std::size_t i = 1;
    if (i < limit && text[i] == '#') {
        ++i;
        const bool hex = i < limit && text[i] == 'x';
        i += hex ? 1 : 0;
        const std::size_t digits = i;
        std::uint32_t value = 0;
        for (; i < limit; ++i) {
            const int d = hex ? hexValue(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
            if (d < 0) {
                break;
            }
            value =
                std::min<std::uint32_t>(value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d), 0x110000);
        }
        if (i == limit) {
            return cutOrBare();
        }
        if (text[i] == ';' && i > digits && isXmlChar(value)) {
            return {Kind::Reference, i + 1};
        }
        return {Kind::Bare};
    }
    while (i < limit && ((text[i] >= 'a' && text[i] <= 'z') || (text[i] >= 'A' && text[i] <= 'Z'))) {
        ++i;
    }
    if (i == limit) {
        return cutOrBare();
    }
    const std::string_view name = text.substr(1, i - 1);
    if (text[i] == ';' &&
        (name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos")) {
        return {Kind::Reference, i + 1};
    }
    return {Kind::Bare};
}

long countLineBreaks(std::string_view text) {
    long breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++breaks;
        }
    }
    return breaks;
}

}  // namespace vintrel
