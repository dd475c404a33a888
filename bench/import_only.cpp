// Imports files into a list and prints the row count: the import's own cost, without output.
#include "model/waypoint_list.h"
#include "import/import_driver.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    vintrel::WaypointList list;
    vintrel::ImportContext context{list, u'.'};
    QStringList paths = QCoreApplication::arguments();
    paths.removeFirst();
    vintrel::importFiles(paths, context);
    std::printf("%d rows\n", list.rowCount());
    return 0;
}
