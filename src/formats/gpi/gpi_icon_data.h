// The camera icons of POI files as BMP files: src/formats/gpi/icons/*.bmp, drawn by
// tools/make_icons.py and compiled in by the build.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace vintrel::gpi {

// The BMP file of an icon by its name ("gatso", "redlight", "specs", "mobile"); empty for others.
QByteArrayView cameraIconBmp(const QString& name);

}  // namespace vintrel::gpi
