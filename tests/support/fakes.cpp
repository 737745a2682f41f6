#include "fakes.h"

#include "db/fileio.h"

#include <gtest/gtest.h>

namespace pinora::test {

void writeFreshDatabase(const std::string& folder, std::shared_ptr<FileSystem> files) {
    std::string top = folder;
    while (top.size() > 1 && top.back() == '/')
        top.pop_back();
    for (std::size_t at = top.find('/', 1); at != std::string::npos; at = top.find('/', at + 1))
        makeFolder(*files, top.substr(0, at));
    makeFolder(*files, top);
    makeFolder(*files, folder + "/MSG");
    makeFolder(*files, folder + "/TEMP");
    FakeServices fs;
    fs.files = files;
    Database db(folder, fs.services());
    db.setConfigDefaults();
    db.config.schoolName = "Hillside School";
    db.config.schoolCopyright = "Copyright (c) 2026";
    db.config.noticeSets[0].name = "Students";
    EXPECT_TRUE(db.saveConfig());
    db.initUsers();
    const int slot = db.findFreeUser();
    db.setUserCredentials(slot, "ADMIN", "secret");
    UserRecord& u = db.user(slot);
    u.fullName = "Administrator";
    u.signature = "Notice Administrator";
    u.postCount = 0;
    u.securityLevel = 255;
    u.allowEdit = u.allowDelete = u.allowPublish = u.adminMenu = u.superUser = true;
    u.forcePassword = true;
    EXPECT_TRUE(db.saveUsers());
    db.initNotices();
    EXPECT_TRUE(db.saveNotices());
}

} // namespace pinora::test
