// KeepChoice.cpp -- the earlier backups the backup tab keeps, in the user's Tessaly settings (QSettings).
#include "app/KeepChoice.h"

#include "engine/history/RetentionPolicy.h"

#include <QComboBox>
#include <QSettings>

namespace tessaly {

namespace {

constexpr const char* kKey = "backup/keep";

QSettings userSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Tessaly", "Tessaly");
}

} // namespace

const std::vector<KeepOption>& keepOptions() {
    static const std::vector<KeepOption> options = {
        {"None: replace the earlier backup", ""},
        {"The 5 last", "5l"},
        {"7 daily, 4 weekly, 6 monthly", "7d,4w,6m"},
        {"7 daily, 4 weekly, 12 monthly, 5 yearly", "7d,4w,12m,5y"},
    };
    return options;
}

std::string rememberedKeep() {
    QSettings settings = userSettings();
    if (!settings.contains(kKey))
        return kDefaultInteractiveKeep;
    std::string policy = settings.value(kKey).toString().toStdString();
    for (const KeepOption& option : keepOptions())
        if (policy == option.policy)
            return policy;
    return kDefaultInteractiveKeep;
}

void rememberKeep(const std::string& policy) {
    QSettings settings = userSettings();
    settings.setValue(kKey, QString::fromStdString(policy));
}

void setUpKeepChoice(QComboBox* list) {
    const std::string remembered = rememberedKeep();
    for (const KeepOption& option : keepOptions()) {
        list->addItem(option.caption, QString(option.policy));
        if (remembered == option.policy)
            list->setCurrentIndex(list->count() - 1);
    }
    QObject::connect(list, &QComboBox::activated, list, [list] { rememberKeep(chosenKeep(list)); });
}

std::string chosenKeep(const QComboBox* list) {
    return list->currentData().toString().toStdString();
}

} // namespace tessaly
