#include "display.h"

#include "db/datetime.h"
#include "db/fileio.h"
#include "db/text.h"
#include "page.h"

namespace pinora {

DisplayPage::DisplayPage(Database& db, std::string setName, std::string pagePath)
    : db_(db), setName_(std::move(setName)), pagePath_(std::move(pagePath)) {
    db_.convertOldFormats = false;
}

DisplayPage::Look DisplayPage::fail(std::string error, Result loaded) {
    Look l;
    l.error = std::move(error);
    l.loaded = std::move(loaded);
    return l;
}

DisplayPage::Look DisplayPage::look() {
    // A folder that has gone (a network drive dropped) would otherwise give a page from the
    // tables still in memory.
    if (!fileExists(db_.files(), db_.path("CONFIG.DB")) || !fileExists(db_.files(), db_.path("NOTICE.DB")))
        return fail("The database folder " + db_.folder() +
                    " cannot be reached; the last page stays until it can");
    Result loaded = db_.loadConfig();
    if (!loaded)
        return fail("CONFIG.DB could not be read; the last page stays until it can",
                    std::move(loaded));
    const std::string stored = utf8ToCp1252(setName_);
    const int set = stored.empty() ? -1 : db_.findNoticeSet(stored);
    if (set < 1) return fail("There is no notice set named '" + setName_ + "'", std::move(loaded));

    const TDateTime today = dateOf(db_.services().clock->now());
    std::string error;
    Result pageLoaded;
    const bool written = writeNoticePageFile(db_, set, pagePath_, today, &error, &pageLoaded);
    loaded.also(pageLoaded);
    if (!written) return fail(error + "; the last page stays until it can be written", loaded);
    std::string page;
    if (readRegularFile(db_.files(), pagePath_, page, kMaxPageBytes, &error) != ReadStatus::Ok)
        return fail("The page " + pagePath_ + " could not be read back: " + error, loaded);
    Look l;
    l.loaded = std::move(loaded);
    l.changed = page != lastPage_ || today != day_;
    lastPage_ = std::move(page);
    day_ = today;
    return l;
}

} // namespace pinora
