// How users log on and whether unknown system users may sign up: two groups of three choices
// that stand for five flags of the configuration.
#pragma once

#include "db/database.h"

namespace pinora {

// 0: automatically by system name, 1: system name and a password, 2: name and password typed.
int authChoice(const ConfigRecord& c);
// 0: sign up under the system name, 1: ask for a name, 2: no sign-up.
int newUserChoice(const ConfigRecord& c);

// Writes a choice's flags in their normal form; -1 (nothing selected) leaves them as they are.
void applyAuthChoice(ConfigRecord& c, int choice);
void applyNewUserChoice(ConfigRecord& c, int choice);

// Reloads CONFIG.DB, so that every other field is written back as it is now, applies both
// choices and saves. A file that cannot be read is not saved over.
Result saveLoginConfig(Database& db, int auth, int newUser);

} // namespace pinora
