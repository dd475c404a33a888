#include "app/coordinates.h"
#include "cli/convert.h"

#include <QCoreApplication>
#include <QLocale>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const int status = vintrel::runConvert(args, out, err, vintrel::decimalSeparatorOf(QLocale::system()));
    out.flush();
    err.flush();
    return status;
}
