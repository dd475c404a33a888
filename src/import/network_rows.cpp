#include "import/network_rows.h"

namespace vintrel {

QString networkKindLabel(NetworkKind kind) {
    switch (kind) {
        case NetworkKind::AccessPoint:
            return QStringLiteral("(AP)");
        case NetworkKind::AdHoc:
            return QStringLiteral("(AdHoc)");
        case NetworkKind::Probe:
            return QStringLiteral("(Probe)");
        case NetworkKind::Data:
            return QStringLiteral("(Data)");
        case NetworkKind::Unknown:
            break;
    }
    return QString();
}

WaypointDraft networkRow(const NetworkRecord& network, const WaypointList& list, QChar decimalSeparator) {
    WaypointDraft row;
    row.icon = network.encrypted ? IconRole::EncryptYes : IconRole::EncryptNo;
    row.cell(column::kName) = QString::number(list.rowCount() + 1).rightJustified(4, u'0') + u':' +
                              (network.ssid.isEmpty() ? QStringLiteral("??") : network.ssid);
    row.cell(column::kDescription) =
        network.address + u' ' + networkKindLabel(network.kind) + QStringLiteral(" Ch") + network.channel;
    setPositionCells(row, network.position, MinutesRule::Cut, decimalSeparator, 5);
    row.cell(column::kEncryption) =
        network.encrypted ? QStringLiteral("Encrypted") : QStringLiteral("UnEncrypted");
    return row;
}

QString withoutFixSentence(int networks, const QString& why) {
    return networks == 1 ? QStringLiteral("1 network seen without a GPS fix (%1) was skipped.").arg(why)
                         : QStringLiteral("%1 networks seen without a GPS fix (%2) were skipped.")
                               .arg(QString::number(networks), why);
}

}  // namespace vintrel
