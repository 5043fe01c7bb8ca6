// ProtectionChoice.cpp -- the chosen protection in the user's Tessaly settings (QSettings, INI file).
#include "app/ProtectionChoice.h"

#include <QSettings>

namespace tessaly {

namespace {

constexpr const char* kKey = "backup/protection";
constexpr const char* kProtectedKey = "backup/protected";

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

bool rememberedProtected() {
    return rememberedProtection() == Protection::Strong ||
           userSettings().value(kProtectedKey, false).toBool();
}

void rememberProtected(bool on) {
    QSettings settings = userSettings();
    settings.setValue(kProtectedKey, on);
}

} // namespace tessaly
