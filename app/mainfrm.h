// The main window: the hub once a user has logged on.
#pragma once

#include "app/appwindows.h"
#include "db/station.h"

#include <QMainWindow>

namespace pinora {

class Tmainfrm : public QMainWindow {
    Q_OBJECT
public:
    Tmainfrm(Station& station, AppWindows& windows, QWidget* parent = nullptr);

    Station& station() { return station_; }
    // Status line, busy light, toolbars and menus for the logged-on user.
    void setupMainWindowForUser();

private:
    Station& station_;
    AppWindows& windows_;
};

} // namespace pinora
