// ProtectionChoice.cpp -- the chosen protection in the user's Tessaly settings (QSettings, INI file).
#include "app/ProtectionChoice.h"

#include <QSettings>

namespace tessaly {

namespace {

constexpr const char* kKey = "backup/protection";

QSettings userSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Tessaly", "Tessaly");
}

} // namespace

Protection rememberedProtection() {
    QString name = userSettings().value(kKey).toString();
    return protectionFromName(name.toStdString()).value_or(Protection::Compatible);
}

void rememberProtection(Protection protection) {
    QSettings settings = userSettings();
    settings.setValue(kKey, QString::fromStdString(protectionName(protection)));
}

} // namespace tessaly
