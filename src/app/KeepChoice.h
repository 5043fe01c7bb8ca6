// KeepChoice.h -- the backup tab's choice of earlier backups to keep, remembered between runs.
#pragma once

#include <QString>

#include <string>
#include <vector>

class QComboBox;

namespace tessaly {

struct KeepOption {
    const char* caption;
    const char* policy; // retention policy text; "" replaces the earlier file
};

// The choices of cmbKeep, in list order.
const std::vector<KeepOption>& keepOptions();

// The policy chosen last ("5l", keep 5 last, until the user chose otherwise).
std::string rememberedKeep();
void rememberKeep(const std::string& policy);

// Fills the list and selects the remembered policy; a choice is remembered when made.
void setUpKeepChoice(QComboBox* list);
// The policy the list shows.
std::string chosenKeep(const QComboBox* list);

} // namespace tessaly
