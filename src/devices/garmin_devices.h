// Garmin units plugged in as USB drives (or mounted over MTP by GNOME's gvfs): a unit is a mounted
// folder whose Garmin folder holds GarminDevice.xml, which names the model and the folders the unit
// reads GPX and GPI files from.
//
// The mount table is read as the kernel gives it (/proc/self/mounts: device, mount point with
// spaces and other bytes as octal escapes, type, ...); pseudo and network file systems are passed
// over without a look, so a hung network mount cannot stall the search. MTP units are the folders
// $XDG_RUNTIME_DIR/gvfs/mtp:host=.../<storage>/. Names of folders and files on a unit are matched
// without regard to letter case, as FAT and exFAT do.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace vintrel {

struct GarminDevice {
    QString root;       // the drive's root, holding the Garmin folder
    QString model;      // as the unit names itself ("eTrex 30"); "Garmin unit" when it does not
    QString gpxFolder;  // where the unit reads GPX files from, under root
    QString poiFolder;  // where it reads GPI files from
    qint64 freeBytes = -1;
    bool mtp = false;
};

// What GarminDevice.xml says: the model and the folders, relative to the drive's root ("Garmin/GPX").
struct GarminDeviceDescription {
    QString model;
    QString gpxFolder;
    QString poiFolder;
};

// Reads GarminDevice.xml. A folder the file does not name is the usual one (Garmin/GPX,
// Garmin/POI); a path that leaves the drive (absolute, or with "..") counts as not named. False with
// the reason in `error` when the file is not well-formed XML or not a device description.
bool parseGarminDeviceXml(const QByteArray& xml, GarminDeviceDescription& description, QString& error);

struct DeviceSearch {
    QString mountTable = QStringLiteral("/proc/self/mounts");
    QString runtimeDir;  // $XDG_RUNTIME_DIR; empty: no MTP units
};

// The search as the running system asks for it.
DeviceSearch systemDeviceSearch();

struct DeviceScan {
    QList<GarminDevice> devices;  // in the order of the mount table, then the MTP units
    QStringList problems;         // units passed over, and why ("/media/GARMIN: its GarminDevice.xml ...")
};

DeviceScan findGarminDevices(const DeviceSearch& search);

// The device a send goes to: `path` names one (its root or a folder inside it), or, when empty,
// the only one found. Empty with the reason in `error` otherwise.
const GarminDevice* chooseDevice(const DeviceScan& scan, const QString& path, QString& error);

// "eTrex 30 at /media/GARMIN, 1.2 GB free": one line of a listing.
QString deviceLine(const GarminDevice& device);

}  // namespace vintrel
