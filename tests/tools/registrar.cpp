// A station that registers one new system user, as the registration window does.
//
//   registrar FOLDER OSNAME RETRY_MS
//
// Prints the slot. Exit status 0 when registered; 1 on a usage error; 2 when it failed.
#include "told.h"
#include "users/registration.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace pinora;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s FOLDER OSNAME RETRY_MS\n", argv[0]);
        return 1;
    }
    std::string folder = argv[1];
    if (folder.back() != '/') folder += '/';
    Station st(folder, Services::real());
    st.db.lockRetryMs = std::atoi(argv[3]);
    st.db.ioPauseMs = 5;
    st.currentUserName = argv[2];
    PersonalEntries e;
    e.fullName = std::string("Full ") + argv[2];
    e.signature = std::string("Sig ") + argv[2];
    e.password1 = e.password2 = "pw";
    const Registration r = registerUser(st, argv[2], e);
    tools::told(r.result);
    if (r.status != RegistrationStatus::Ok) return 2;
    std::printf("%d\n", r.slot);
    return 0;
}
