// A station on a fresh database folder (writeFreshDatabase: ADMIN, password "secret", super
// user), its three files loaded, and logged on as the user a test names. The fixtures of the
// windows build on it.
#pragma once

#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace pinora::test {

class StationTest : public ::testing::Test {
  protected:
    TempFolder folder;
    FakeServices fakes;
    std::unique_ptr<Station> st;

    void SetUp() override {
        writeFreshDatabase(folder.str());
        st = std::make_unique<Station>(folder.str(), fakes.services());
        ASSERT_EQ(st->db.loadConfig(), Result::Ok);
        ASSERT_EQ(st->db.loadUsers(), Result::Ok);
        ASSERT_EQ(st->db.loadNotices(), Result::Ok);
    }

    // As a logon leaves the station: the name as typed, and the slot it names.
    void logOnAs(const std::string& name) {
        st->currentUserName = name;
        st->currentUserSlot = st->db.findUser(name);
        ASSERT_GT(st->currentUserSlot, 0) << name;
    }

    // A new user in the lowest free slot of USER.DB, every field zero but the name, the
    // password and what fields sets; its slot.
    int storeUser(const std::string& name, const std::string& password = "pw",
                  const std::function<void(UserRecord&)>& fields = {}) {
        EXPECT_EQ(st->db.loadUsers(), Result::Ok);
        const int slot = st->db.findFreeUser();
        EXPECT_GT(slot, 0) << name;
        if (slot <= 0) return slot;
        st->db.setUserCredentials(slot, name, password);
        if (fields) fields(st->db.user(slot));
        EXPECT_TRUE(st->db.saveUsers());
        return slot;
    }

    // Notice n in NOTICE.DB, owned by owner as a create stores it, with its message file.
    void storeNotice(int n, const std::string& owner, TDateTime start, TDateTime end,
                     const std::string& text) {
        ASSERT_EQ(st->db.loadNotices(), Result::Ok);
        NoticeRecord& r = st->db.notice(n);
        r.owner = st->db.scramble(owner).substr(0, 8);
        r.startDate = start;
        r.endDate = end;
        ASSERT_TRUE(st->db.saveNotices());
        writeBytes(folder / "MSG" / (std::to_string(n) + ".MSG"), text);
    }

    // Another station on the same folder, with services of its own, logged on as name.
    std::unique_ptr<Station> otherStation(FakeServices& services, const std::string& name) {
        auto other = std::make_unique<Station>(folder.str(), services.services());
        EXPECT_EQ(other->db.loadUsers(), Result::Ok);
        other->currentUserName = name;
        other->currentUserSlot = other->db.findUser(name);
        EXPECT_GT(other->currentUserSlot, 0) << name;
        return other;
    }

    // The three files as another station reads them now.
    Database onDisk() const {
        FakeServices other;
        Database d(folder.str(), other.services());
        EXPECT_EQ(d.loadConfig(), Result::Ok);
        EXPECT_EQ(d.loadUsers(), Result::Ok);
        EXPECT_EQ(d.loadNotices(), Result::Ok);
        return d;
    }

    bool noLockFiles() const {
        return !std::filesystem::exists(folder / "DB-N.LCK") &&
               !std::filesystem::exists(folder / "DB-U.LCK");
    }
};

} // namespace pinora::test
