// The window presenter: a result's messages become the same information boxes the database
// used to show itself, in order, and nothing else.
#include "ui/messages.h"

#include "db/database.h"
#include "support/fakes.h"
#include "support/memoryfs.h"

#include <gtest/gtest.h>

namespace pinora::ui {
namespace {

const std::string kFolder = "/school/notices/";

struct Presented {
    bool ok = false;
    QList<ShownBox> boxes;
};

Presented presented(const Result& r) {
    Messages::clear();
    Presented p;
    p.ok = present(r);
    p.boxes = Messages::shown();
    Messages::clear();
    return p;
}

TEST(Presenter, EachKindShowsTheDatabasesWordsAsAnInformationBox) {
    test::MemoryFileSystem mem;
    test::writeFreshDatabase(kFolder, test::unowned(mem));
    test::FakeServices fs;
    fs.files = test::unowned(mem);
    Database db(kFolder, fs.services());

    mem.writeFile(kFolder + "USER.DB", "half a file");
    mem.writeFile(kFolder + "DB-N.LCK", "TRUE\r\nBOB\r\nDelete Notice\r\n");
    ASSERT_EQ(mem.remove(kFolder + "NOTICE.DB"), 0);
    const std::string found = "it holds 11 bytes, " + std::to_string(Database::kUserFileSize) +
                              " expected";
    const struct {
        Result result;
        std::vector<std::string> texts;
    } cases[] = {
        {db.loadUsers(), {brokenFileMessage("USER.DB", found)}},
        {db.loadNotices(), {}},  // a missing file at start-up: the caller's own words
        {db.acquireLock('N', "ANN", "Delete Notice"), {}}, // refused: the window names BOB
        {Result::missing("NOTICE.DB").tell(missingFileMessage("NOTICE.DB")),
         {missingFileMessage("NOTICE.DB")}},
        {Result::failed("CONFIG.DB", "Read-only file system").tell(unsavedFileMessage("CONFIG.DB")),
         {unsavedFileMessage("CONFIG.DB")}},
        {Result::declined(), {}},
        // Ok and still something to tell: a lock left behind after the change was stored.
        {Result::ok().tell(lockLeftMessage('U')), {lockLeftMessage('U')}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.result));
        const Presented p = presented(c.result);
        EXPECT_EQ(p.ok, c.result.isOk());
        ASSERT_EQ(p.boxes.size(), static_cast<qsizetype>(c.texts.size()));
        for (qsizetype k = 0; k < p.boxes.size(); ++k) {
            EXPECT_EQ(p.boxes[k].kind, ShownBox::Kind::Information);
            EXPECT_EQ(p.boxes[k].text.toStdString(), c.texts[static_cast<std::size_t>(k)]);
        }
    }
}

TEST(Presenter, SeveralMessagesComeInTheOrderTheyHappened) {
    Result r = Result::failed("NOTICE.DB", "EIO").tell(unsavedFileMessage("NOTICE.DB"));
    r.also(Result::failed("DB-N.LCK", "EIO").tell(lockLeftMessage('N')));
    const Presented p = presented(r);
    EXPECT_FALSE(p.ok);
    ASSERT_EQ(p.boxes.size(), 2);
    EXPECT_EQ(p.boxes[0].text.toStdString(), unsavedFileMessage("NOTICE.DB"));
    EXPECT_EQ(p.boxes[1].text.toStdString(), lockLeftMessage('N'));
}

} // namespace
} // namespace pinora::ui
