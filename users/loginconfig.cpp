#include "loginconfig.h"

namespace pinora {

int authChoice(const ConfigRecord& c) {
    if (!c.authUseOsName) return 2;
    return c.authAskPassword ? 1 : 0;
}

int newUserChoice(const ConfigRecord& c) {
    if (!c.signupAllowed) return 2;
    return c.signupAskName ? 1 : 0;
}

void applyAuthChoice(ConfigRecord& c, int choice) {
    if (choice < 0 || choice > 2) return;
    c.authUseOsName = choice != 2;
    c.authAskPassword = choice != 0;
    c.authDialogFlag = choice != 0;
}

void applyNewUserChoice(ConfigRecord& c, int choice) {
    if (choice < 0 || choice > 2) return;
    c.signupAllowed = choice != 2;
    c.signupAskName = choice == 1;
}

Result saveLoginConfig(Database& db, int auth, int newUser) {
    // A missing file is written afresh; one that cannot be read is not saved over.
    return db.changeConfig([&] {
        applyAuthChoice(db.config, auth);
        applyNewUserChoice(db.config, newUser);
        return true;
    });
}

} // namespace pinora
