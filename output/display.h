// What the entrance-hall screen shows: today's page of one notice set. The page is written
// again at each look at the shared folder, and kept as it was while the folder cannot be read.
// Nothing is written but the page itself, which lives outside the shared folder.
#pragma once

#include "db/database.h"

#include <string>

namespace pinora {

class DisplayPage {
  public:
    // setName as typed (UTF-8); pagePath: where the page is written, outside the database
    // folder. The database is only read: older formats are not converted.
    DisplayPage(Database& db, std::string setName, std::string pagePath);

    struct Look {
        bool changed = false; // the page differs from the one written before
        std::string error;    // why the page could not be brought up to date; empty when it was
        // What reading the files had to tell, in the database's words: the screen has no one
        // to answer a message box, so its runner writes them to the error stream.
        Result loaded;
    };
    // Reads the folder again and writes the page of the clock's day.
    Look look();

    // The day of the page last written; 0 before the first.
    TDateTime day() const { return day_; }
    const std::string& pagePath() const { return pagePath_; }

  private:
    Look fail(std::string error, Result loaded = {});

    Database& db_;
    std::string setName_;
    std::string pagePath_;
    std::string lastPage_;
    TDateTime day_ = 0;
};

} // namespace pinora
