// The program's start: windows created once, the splash, the database checks and the logon.
#pragma once

#include "app/windows/appwindows.h"
#include "db/station.h"
#include "programversion.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDialog;

namespace pinora {

class Tsplashfrm;

// True when the first argument (after the program's own name) is /LOGIN in any letter case.
bool loginSwitchIn(const QStringList& arguments);

// The program's own waits: the windows keep painting, input waits until the pause is over.
class EventLoopSleeper : public Sleeper {
  public:
    void sleepMs(int ms) override;
};

class StartUp {
  public:
    // folder: the database folder, ending with its separator. arguments: the command line
    // without the program's own name.
    StartUp(Services services, std::string folder, QStringList arguments);
    ~StartUp();
    StartUp(const StartUp&) = delete;
    StartUp& operator=(const StartUp&) = delete;

    // Runs every step up to the logon decision. True when the program goes on into its event
    // loop; false when it has ended (exitCode() tells how).
    bool run();

    // Shows a dialog modally and returns when it has closed (tests drive it instead).
    std::function<void(QDialog*)> runModal;
    // Told when the program is to end, e.g. to leave a running event loop.
    std::function<void(int exitCode)> onEnd;

    void endProgram(int exitCode);
    bool ended() const { return ended_; }
    int exitCode() const { return exitCode_; }

    bool loginSwitchGiven() const { return loginSwitchGiven_; }
    Station& station() { return *station_; }
    AppWindows& windows() { return windows_; }
    Tsplashfrm* splash() { return splash_.get(); }

  private:
    void createWindows();
    bool checkUsers();
    void checkConfig();
    bool checkNotices();
    void splashStep();
    void sleep(int ms);

    std::unique_ptr<Station> station_;
    QStringList arguments_;
    bool loginSwitchGiven_ = false;
    bool ended_ = false;
    int exitCode_ = 0;

    AppWindows windows_;
    std::unique_ptr<QWidget> mainfrm_;
    std::unique_ptr<Tsplashfrm> splash_;
    std::vector<std::unique_ptr<QWidget>> owned_; // in the order created
};

// The program: builds the application, runs start-up beside the program file, then the event
// loop. Returns the process's exit code.
int pinoraMain(int argc, char** argv);

} // namespace pinora
