#include "export/export_context.h"

#include "export/cp1252_text.h"
#include "registry/c_registry.h"

#include <QSaveFile>

namespace vintrel {

CategoryNames readCategoryNames(registry::RegistryApi* api) {
    CategoryNames names;
    if (api == nullptr) {
        return names;
    }
    registry::cRegistry reg(*api);
    for (int k = 1; k <= 16; ++k) {
        reg.ClassKey(registry::kHkeyCurrentUser);
        reg.SectionKey("SOFTWARE\\Garmin\\MapSource\\Settings\\WaypointCategoryNames");
        reg.ValueKey("Category" + std::to_string(k));
        reg.ValueType(registry::kRegSz);
        const std::string text = registry::valueText(reg.Value());
        names[static_cast<size_t>(k - 1)] = fromCp1252(QByteArray::fromStdString(text));
    }
    return names;
}

qint32 wallClockStamp(const QDateTime& local) {
    const QDateTime asUtc(local.date(), local.time(), Qt::UTC);
    const qint64 seconds = asUtc.toSecsSinceEpoch();
    constexpr qint64 kLast = 0x7FFFFFFF;
    return static_cast<qint32>(seconds > kLast ? kLast : seconds);
}

bool saveAtomically(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace vintrel
