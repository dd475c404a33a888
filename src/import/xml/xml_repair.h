// The repairs made to an XML file's bytes before the parser sees them: choosing how to decode them
// (a byte-order mark, the declaration, or a guess when the file names no encoding and is not
// UTF-8), and telling a bare '&' from a reference. Each works on one block at a time, so a file is
// read once and memory stays flat.
#pragma once

#include <QString>
#include <QStringDecoder>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vintrel {

// What the first bytes of a file say about how to read the rest.
struct InputForm {
    enum class Kind {
        Utf8,     // UTF-8, whether declared so, declared US-ASCII or declared nothing
        Utf16LE,  // by byte-order mark or by the zero bytes of the first two characters
        Utf16BE,
        SingleByte,  // any other declared name: the parser decodes it by a byte table
    };
    Kind kind = Kind::Utf8;
    std::string declared;   // the encoding the declaration names, as written; empty when none
    std::size_t skip = 0;   // bytes to drop: a byte-order mark, or white space before "<?xml"
    long linesSkipped = 0;  // line breaks among the dropped bytes
    bool spaceBeforeDeclaration = false;
};

// Reads the byte-order mark and the XML declaration from the first block of a file.
InputForm sniffInputForm(std::string_view head);

// Whether `name` is a name of windows-1252 (which the program decodes itself).
bool isCp1252Name(std::string_view name);

// The characters of the 256 bytes of a single-byte encoding that the system's converters know by
// `name`, each byte decoded alone; a byte the encoding leaves undefined stands for the character
// of the same value, as in windows-1252. Nullopt for a name the converters do not know, for an
// encoding that needs more than one byte for some character or keeps a state (Shift_JIS, UTF-7),
// and for one that does not keep ASCII's bytes for ASCII (EBCDIC), which the parser cannot read.
std::optional<std::array<char32_t, 256>> singleByteTable(const std::string& name);

// Decodes blocks of a file that the parser is to read as UTF-8.
//
// A UTF-16 file is converted to UTF-8. Otherwise bytes that are not valid UTF-8 are read as
// windows-1252: in a file that declares no encoding, from the first byte beyond ASCII on, when that
// byte does not begin valid UTF-8 (the file is then taken for windows-1252 as a whole, and nothing
// before that byte was beyond ASCII); in any other file, each such byte on its own.
class Utf8Input {
  public:
    // Room the caller leaves in front of each block, for a character cut by the end of the last.
    static constexpr std::size_t kHeadroom = 4;

    explicit Utf8Input(const InputForm& form);

    // The UTF-8 bytes of the next block, `size` bytes at `block` with kHeadroom writable bytes
    // before it. The result is `block` itself (with the kept-back bytes of the last block in
    // front) whenever nothing needed changing; else a repaired copy valid until the next call. A
    // character cut by the end is kept back for the next call, unless `last`.
    std::string_view take(char* block, std::size_t size, bool last);

    // Where in the last result the first repair of the file was made; npos when not there.
    std::size_t firstRepairAt() const { return firstRepairAt_; }
    // The whole file was taken for windows-1252 (it declares no encoding and is not UTF-8).
    bool guessedCp1252() const { return mode_ == Mode::Cp1252; }
    // Bytes that were read as windows-1252 one by one in a file otherwise read as UTF-8.
    long strayBytes() const { return strayBytes_; }
    // The file is read as UTF-8 from here on: it says so, or a byte beyond ASCII was UTF-8.
    bool knownUtf8() const { return mode_ == Mode::Utf8; }

  private:
    enum class Mode { Guess, Utf8, Cp1252, Utf16 };
    std::string_view takeUtf16(const char* block, std::size_t size, bool last);
    void noteFirstRepair(std::size_t at);

    Mode mode_;
    QStringDecoder utf16_;
    QString highSurrogate_;
    std::string out_;
    char kept_[kHeadroom] = {};
    std::size_t keptSize_ = 0;
    std::size_t firstRepairAt_ = std::string_view::npos;
    bool repaired_ = false;
    long strayBytes_ = 0;
};

// What stands after an '&'.
struct AmpersandCheck {
    enum class Kind {
        Reference,  // one of the five predefined entities or a character reference to a character
                    // XML allows; `length` bytes long with the '&' and ';'
        Bare,       // anything else: the '&' is text
        CutOff,     // the text ends before this can be told; ask again with more
    };
    Kind kind;
    std::size_t length = 0;
};

// Looks at the text from an '&' (text[0]) on; `last`: nothing follows the text.
AmpersandCheck checkAmpersand(std::string_view text, bool last);

// Line breaks in `text` as the parser counts them (CR LF, CR and LF each one).
long countLineBreaks(std::string_view text);

}  // namespace vintrel
