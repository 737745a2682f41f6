// The editing workflow without windows: what a step leaves on disk when a file fails.
#include "db/fileio.h"
#include "db/noticeediting.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;

namespace {

class Editing : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(st.db.loadConfig(), Result::Ok);
        ASSERT_EQ(st.db.loadUsers(), Result::Ok);
        st.currentUserName = "ADMIN";
        st.currentUserSlot = st.db.findUser("ADMIN");
    }
    Database onDisk() {
        Database d(dir.str(), fs.services());
        EXPECT_EQ(d.loadNotices(), Result::Ok);
        EXPECT_EQ(d.loadUsers(), Result::Ok);
        return d;
    }
    bool noLocks() const {
        return !std::filesystem::exists(dir / "DB-N.LCK") &&
               !std::filesystem::exists(dir / "DB-U.LCK");
    }
    EditResult create() {
        std::array<bool, kSetCount> sets{};
        sets[0] = true;
        return editing.create(fs.clock->t, fs.clock->t + 1, sets);
    }

    TempFolder dir;
    FakeServices fs;
    Station st{dir.str(), fs.services()};
    NoticeEditing editing{st};
};

TEST_F(Editing, MessageFileThatCannotBeWrittenGivesTheSlotBack) {
    std::filesystem::remove_all(dir / "MSG");
    const EditResult r = create();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, EditMessage::CannotCreateFile);
    EXPECT_EQ(r.file, st.db.messageFilePath(1));
    EXPECT_FALSE(r.reason.empty());
    EXPECT_FALSE(onDisk().noticeInUse(1));
    EXPECT_FALSE(editing.editing());
    EXPECT_TRUE(noLocks());

    // The freed slot is taken again, and an earlier notice's text in it is overwritten.
    std::filesystem::create_directory(dir / "MSG");
    writeBytes(dir / "MSG" / "1.MSG", "an earlier notice's text\r\n");
    const EditResult again = create();
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.notice, 1);
    EXPECT_TRUE(onDisk().noticeInUse(1));
    EXPECT_EQ(readBytes(dir / "MSG" / "1.MSG"), "");
}

TEST_F(Editing, PostCountedOnlyAfterTheTextIsWritten) {
    const EditResult made = create();
    ASSERT_TRUE(made.ok);
    std::string text;
    ASSERT_TRUE(editing.open(made.notice, true, text).ok);

    // The text cannot be written: nothing is counted and the notice stays open.
    std::filesystem::remove_all(dir / "MSG");
    std::vector<NoticeEditing::SubmitStep> steps;
    auto record = [&](NoticeEditing::SubmitStep s) { steps.push_back(s); };
    EditResult r = editing.submit("first\nsecond", record);
    EXPECT_EQ(r.message, EditMessage::CannotCreateFile);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(onDisk().user(1).postCount, 0);
    EXPECT_TRUE(editing.editing());

    // The text is written but the post cannot be counted: still open, so submit can be retried.
    std::filesystem::create_directory(dir / "MSG");
    std::filesystem::create_directory(dir / "DB-U.LCK"); // the lock file cannot be written
    r = editing.submit("first\nsecond", record);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, EditMessage::None); // the database has told the user
    EXPECT_EQ(steps,
              std::vector<NoticeEditing::SubmitStep>{NoticeEditing::SubmitStep::TextWritten});
    EXPECT_EQ(readBytes(dir / "MSG" / "1.MSG"), "first\r\nsecond\r\n");
    EXPECT_EQ(onDisk().user(1).postCount, 0);
    EXPECT_TRUE(editing.editing());

    std::filesystem::remove(dir / "DB-U.LCK");
    std::uint32_t countWhenWritten = 99;
    r = editing.submit("first\nsecond", [&](NoticeEditing::SubmitStep) {
        countWhenWritten = onDisk().user(1).postCount;
    });
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(countWhenWritten, 0u);
    EXPECT_EQ(onDisk().user(1).postCount, 1);
    EXPECT_FALSE(editing.editing());
    EXPECT_TRUE(noLocks());

    // Opening it again gives the lines back without their CR LF.
    ASSERT_TRUE(editing.open(1, false, text).ok);
    EXPECT_EQ(text, "first\nsecond");
}

TEST_F(Editing, OpeningAndSavingUnchangedKeepsEveryLineOfTheFile) {
    ASSERT_TRUE(create().ok);
    std::string text;
    for (const std::string file : {"a\r\n", "a\r\n\r\n", "a\r\n\r\n\r\n", "\r\n", "\r\na\r\n",
                                   "a\r\n\r\nb\r\n", "a\nb\n\n"}) {
        writeBytes(dir / "MSG" / "1.MSG", file);
        ASSERT_TRUE(editing.open(1, false, text).ok);
        ASSERT_TRUE(editing.submit(text).ok);
        std::string crlf;
        for (const char c : file)
            crlf += c == '\n' && (crlf.empty() || crlf.back() != '\r') ? std::string("\r\n")
                                                                        : std::string(1, c);
        EXPECT_EQ(readBytes(dir / "MSG" / "1.MSG"), crlf) << "from " << ::testing::PrintToString(file);
    }
}

TEST_F(Editing, BlankSubmitCancelsANewNoticeOnly) {
    ASSERT_TRUE(create().ok);
    std::string text;
    editing.open(1, true, text);
    std::vector<NoticeEditing::SubmitStep> steps;
    const EditResult r =
        editing.submit("", [&](NoticeEditing::SubmitStep s) { steps.push_back(s); });
    EXPECT_EQ(r.message, EditMessage::BlankNotice);
    EXPECT_EQ(steps,
              std::vector<NoticeEditing::SubmitStep>{NoticeEditing::SubmitStep::CancellingBlank});
    EXPECT_FALSE(onDisk().noticeInUse(1));
    EXPECT_FALSE(editing.editing());
}

TEST_F(Editing, PictureCopiesAreNamedAfterTheNoticeAndWrittenWhole) {
    ASSERT_TRUE(create().ok);
    std::string text;
    editing.open(1, true, text);
    const std::string msg = st.db.path("MSG/");
    // The extension keeps its dot after the notice's own; a dot in a folder name is no
    // extension.
    EXPECT_EQ(editing.pictureCopyPath("/pics/photo.gif"), msg + "1..gif");
    EXPECT_EQ(editing.pictureCopyPath("/pics/archive.tar.gz"), msg + "1..gz");
    EXPECT_EQ(editing.pictureCopyPath("/pics.old/photo"), msg + "1.");
    EXPECT_EQ(editing.pictureCopyPath("/pics/photo."), msg + "1.");

    const std::string gif = std::string("GIF89a\0\x01\x02", 9);
    writeBytes(dir / "photo.gif", gif);
    std::string copy;
    EditResult r = editing.copyPicture((dir / "photo.gif").string(), copy);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(copy, msg + "1..gif");
    EXPECT_EQ(readBytes(copy), gif);
    // Choosing the copy itself leaves it whole.
    r = editing.copyPicture(copy, copy);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(readBytes(copy), gif);
    // Nothing is left beside the copy.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir / "MSG"))
        files += e.path().filename().string().find(".tmp") == std::string::npos ? 1 : 100;
    EXPECT_EQ(files, 2); // 1.MSG and the picture

    r = editing.copyPicture((dir / "gone.gif").string(), copy);
    EXPECT_EQ(r.message, EditMessage::CannotOpenFile);
    EXPECT_EQ(r.file, (dir / "gone.gif").string());
    EXPECT_EQ(r.reason, systemErrorText(ENOENT));
}

} // namespace
