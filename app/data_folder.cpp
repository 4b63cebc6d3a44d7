#include "app/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// Set by the build from the install layout and the build tree.
#ifndef QV_DATA_FROM_INSTALLED_BIN
#define QV_DATA_FROM_INSTALLED_BIN "../share/quorvane"
#endif
#ifndef QV_DATA_FROM_BUILT_BIN
#define QV_DATA_FROM_BUILT_BIN "../share/quorvane"
#endif

QString SharedFolder() {
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromUtf8(QV_DATA_FROM_INSTALLED_BIN)));
}

QString SharedFilePath(const QString& relativePath) {
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const char* folder : {QV_DATA_FROM_INSTALLED_BIN, QV_DATA_FROM_BUILT_BIN}) {
        const QString path =
            QDir::cleanPath(programFolder.filePath(QString::fromUtf8(folder) + QLatin1Char('/') + relativePath));
        if (QFileInfo::exists(path)) return path;
    }
    return {};
}
