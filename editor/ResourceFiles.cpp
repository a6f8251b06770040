#include "ResourceFiles.h"

#include <QFile>

// The resources live in a static library: registering them by hand keeps the linker from
// dropping them, for the program, the tests and the benchmark alike. Q_INIT_RESOURCE must be
// used outside any namespace.
void registerResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(quadrel);
        return true;
    }();
    Q_UNUSED(registered);
}

QString readResourceText(const QString& path) {
    registerResources();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}
