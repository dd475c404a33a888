#include "import/xml/xml_stream_impl.h"

#include "import/reader_support.h"
#include "model/file_names.h"

#include <QFile>

#include <expat.h>

#include <algorithm>
#include <cstring>

namespace vintrel {

using namespace xml_detail;

XmlStream::XmlStream(XmlHandler& handler) : impl_(new Impl(handler)) {}

XmlStream::~XmlStream() {
    delete impl_;
}

long XmlStream::currentLine() const {
    return impl_->currentLine();
}

bool XmlStream::textWasCut() const {
    return impl_->textCut;
}

bool XmlStream::sawElement() const {
    return impl_->rootStarted;
}

XmlParseOutcome XmlStream::parseFile(const QString& path) {
    Impl& s = *impl_;
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason)) {
        s.outcome.ok = false;
        s.outcome.message = QStringLiteral("cannot be opened: %1").arg(reason);
        return s.outcome;
    }
    std::vector<char> buffer(Utf8Input::kHeadroom + kBlockSize);
    char* const block = buffer.data() + Utf8Input::kHeadroom;
    qint64 n = file.read(block, kBlockSize);
    const InputForm form =
        sniffInputForm(std::string_view(block, static_cast<std::size_t>(std::max<qint64>(n, 0))));
    if (n >= 0 && static_cast<std::size_t>(n) <= form.skip) {
        s.outcome.empty = true;  // not a byte, or a byte-order mark alone
        return s.outcome;
    }
    s.utf8 = form.kind != InputForm::Kind::SingleByte;
    s.encoding = s.utf8 ? std::string("UTF-8") : form.declared;
    s.lineBase = form.linesSkipped;
    s.declarationLine = form.linesSkipped + 1;
    if (form.spaceBeforeDeclaration) {
        s.note(Repair::SpaceBeforeDeclaration, 1);
    }
    std::optional<Utf8Input> input;
    if (s.utf8) {
        input.emplace(form);
    }
    s.parser = s.createParser();
    std::size_t skip = form.skip;
    while (n >= 0) {
        if (s.handler.stopWanted()) {
            s.outcome.ok = false;
            s.outcome.line = s.currentLine();
            s.outcome.message = QStringLiteral("the import was cancelled; reading stopped there");
            break;
        }
        const bool last = n == 0;
        char* const start = block + skip;
        const std::size_t size = static_cast<std::size_t>(n) - skip;
        skip = 0;
        const std::string_view bytes = input ? input->take(start, size, last) : std::string_view(start, size);
        if (!s.feedBlock(bytes, input ? input->firstRepairAt() : std::string_view::npos, last)) {
            break;
        }
        if (last) {
            s.finish();
            break;
        }
        n = file.read(block, kBlockSize);
    }
    if (n < 0) {
        s.outcome.ok = false;
        s.outcome.line = s.currentLine();
        s.outcome.message =
            QStringLiteral("the file could not be read to its end (%1)").arg(file.errorString());
    }
    s.reportRepairs(input ? &*input : nullptr);
    return s.outcome;
}

std::optional<std::string> attributeUtf8(const char** attributes, std::string_view name) {
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        if (name == a[0]) {
            return std::string(a[1]);
        }
    }
    return std::nullopt;
}

}  // namespace vintrel
