#include "IconResource.h"

#include <QFile>

QIcon loadIcon(int id) {
    QIcon icon;
    for (const int size : {64, 48}) {
        const QString path = QStringLiteral(":/icons/%1-%2.png").arg(id).arg(size);
        if (QFile::exists(path)) {
            icon.addFile(path, QSize(size, size));
        }
    }
    return icon;
}
