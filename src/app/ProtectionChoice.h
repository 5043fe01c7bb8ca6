// ProtectionChoice.h -- the backup file protection the user chose last, kept between runs.
#pragma once

#include "backupfile/BackupContainer.h"

namespace tessaly {

// Compatible until the user has chosen otherwise (or when the stored text is not a protection's name).
Protection rememberedProtection();
void rememberProtection(Protection protection);
// Whether the file was to be protected with a password (the password itself is never kept). Always
// true when the remembered protection is strong, which has no meaning without one.
bool rememberedProtected();
void rememberProtected(bool on);

} // namespace tessaly
