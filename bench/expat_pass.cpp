// The floor for any XML import: expat parsing the file with empty handlers, in the same block size
// the readers use.
#include <expat.h>

#include <cstdio>
#include <vector>

namespace {
void XMLCALL onStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL onEnd(void*, const XML_Char*) {}
void XMLCALL onText(void*, const XML_Char*, int) {}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: expat_pass FILE\n");
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "rb");
    if (f == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    XML_Parser p = XML_ParserCreateNS(nullptr, '\x1f');
    XML_SetElementHandler(p, onStart, onEnd);
    XML_SetCharacterDataHandler(p, onText);
    std::vector<char> block(256 * 1024);
    for (;;) {
        const size_t n = std::fread(block.data(), 1, block.size(), f);
        const bool last = n == 0;
        if (XML_Parse(p, block.data(), static_cast<int>(n), last) != XML_STATUS_OK) {
            std::fprintf(stderr, "%s\n", XML_ErrorString(XML_GetErrorCode(p)));
            return 1;
        }
        if (last) {
            break;
        }
    }
    XML_ParserFree(p);
    std::fclose(f);
    return 0;
}
