#include "platform/qt/profile.h"

#include <QSettings>

namespace {

QSettings Store() { return QSettings(QString::fromLatin1(Profile::kCompany), QString::fromLatin1(Profile::kProgram)); }

QString KeyPath(const QString& section, const QString& key) { return section + QLatin1Char('/') + key; }

}  // namespace

namespace Profile {

int GetInt(const QString& section, const QString& key, int fallback) {
    bool ok = false;
    const int value = Store().value(KeyPath(section, key)).toInt(&ok);
    return ok ? value : fallback;
}

void WriteInt(const QString& section, const QString& key, int value) {
    Store().setValue(KeyPath(section, key), value);
}

QString GetString(const QString& section, const QString& key, const QString& fallback) {
    const QVariant value = Store().value(KeyPath(section, key));
    return value.isValid() ? value.toString() : fallback;
}

void WriteString(const QString& section, const QString& key, const QString& value) {
    Store().setValue(KeyPath(section, key), value);
}

void Remove(const QString& section, const QString& key) { Store().remove(KeyPath(section, key)); }

void UseFolder(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

}  // namespace Profile
