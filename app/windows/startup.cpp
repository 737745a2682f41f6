#include "startup.h"

#include "admin/windows/check2frm.h"
#include "admin/windows/importfrm.h"
#include "admin/windows/schoolinfofrm.h"
#include "admin/windows/setconfigfrm.h"
#include "app/windows/aboutfrm.h"
#include "app/windows/browsefrm.h"
#include "app/windows/displayfrm.h"
#include "app/windows/mainfrm.h"
#include "app/programargs.h"
#include "app/windows/splashfrm.h"
#include "db/folderchoice.h"
#include "db/text.h"
#include "help/onlinehelpfrm.h"
#include "output/windows/pageformatfrm.h"
#include "output/windows/previewdialogfrm.h"
#include "output/windows/previewfrm.h"
#include "output/windows/webserverconfigfrm.h"
#include "ui/browserengine.h"
#include "ui/messages.h"
#include "users/windows/autoregconfigfrm.h"
#include "users/windows/firstregfrm.h"
#include "users/windows/loginconfigfrm.h"
#include "users/windows/logonfrm.h"
#include "users/windows/userinfofrm.h"
#include "users/windows/usermanagementfrm.h"
#include "users/windows/welcomefrm.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace pinora {

bool loginSwitchIn(const QStringList& arguments) {
    if (arguments.isEmpty()) return false;
    // Only a to z are folded, as everywhere else in the program.
    return upperAscii(arguments.first().toStdString()) == "/LOGIN";
}

StartUp::StartUp(Services services, std::string folder, QStringList arguments)
    : station_(std::make_unique<Station>(std::move(folder), std::move(services))),
      arguments_(std::move(arguments)) {
    runModal = [](QDialog* d) { d->exec(); };
}

StartUp::~StartUp() {
    // Dialogs go before the main window they refer to.
    while (!owned_.empty())
        owned_.pop_back();
    splash_.reset();
    mainfrm_.reset();
}

void StartUp::endProgram(int exitCode) {
    if (ended_) return;
    ended_ = true;
    exitCode_ = exitCode;
    if (splash_) splash_->hide();
    if (onEnd) onEnd(exitCode);
}

void StartUp::splashStep() {
    if (splash_) splash_->splashStep();
}

void StartUp::sleep(int ms) {
    station_->services().sleeper->sleepMs(ms);
}

bool StartUp::run() {
    loginSwitchGiven_ = loginSwitchIn(arguments_);
    // The application title names message boxes; as the display name X11 would also append
    // it to every window title.
    QApplication::setApplicationName(QStringLiteral("Pinora 2"));

    auto* mainfrm = new Tmainfrm(*station_, windows_);
    mainfrm_.reset(mainfrm);
    windows_.mainfrm = mainfrm;

    splash_ = std::make_unique<Tsplashfrm>();
    splashStep();
    splash_->versiontxt()->setText(QStringLiteral("Version: ") +
                                   QString::fromLatin1(programVersion));
    splash_->show();
    splash_->repaint();
    QApplication::processEvents();

    sleep(1000);
    splashStep();

    createWindows();

    if (!checkUsers()) return false;
    splashStep();
    checkConfig();
    splashStep();
    if (!checkNotices()) return false;
    splashStep();

    splashStep();
    sleep(1000);

    splash_->pb1()->setValue(splash_->pb1()->maximum());
    splash_->versiontxt()->setText(QStringLiteral("Preparing Logon"));
    splash_->repaint();
    sleep(1277);

    splash_->hide();
    QApplication::processEvents();

    windows_.logonfrm->startLogon(loginSwitchGiven_);
    if (ended_) return false;
    // The password prompt leaves the logon window open beside the (disabled) main window.
    // It opens behind the prompt, which keeps the keyboard for the password.
    if (windows_.logonfrm->isVisible() && !windows_.logonfrm->isModal()) {
        mainfrm->show();
        windows_.logonfrm->raise();
        windows_.logonfrm->activateWindow();
    }
    return true;
}

void StartUp::createWindows() {
    // Every window is created here once, in this order, and lives until the program ends:
    // page formatter, school information, import, user information, about box, first-run
    // wizard, login configuration, user management, self-registration, logon, browse, notice
    // set configuration, default security levels, web server configuration, preview dialog,
    // preview, integrity check, help viewer. The lock wait and create windows come with the
    // main window.
    auto created = [this](QWidget* w) {
        owned_.emplace_back(w);
        QApplication::processEvents();
        splashStep();
    };

    Tmainfrm* main = windows_.mainfrm;
    const auto offer = [this, main, &created](Tmainfrm::Command command, QDialog* window) {
        main->setCommand(command, [this, window] { runModal(window); });
        created(window);
    };
    windows_.pageformatfrm = new Tpageformatfrm(*station_, main);
    offer(Tmainfrm::Command::PageFormatter, windows_.pageformatfrm);
    windows_.schoolinfofrm = new Tschoolinfofrm(*station_, main);
    offer(Tmainfrm::Command::SchoolInformation, windows_.schoolinfofrm);

    windows_.importfrm = new TImportfrm(*station_, main);
    offer(Tmainfrm::Command::Import, windows_.importfrm);

    windows_.userinfofrm = new TUserInfofrm(*station_, main);
    windows_.userinfofrm->setBusy = [main](bool on) { main->setBusy(on); };
    offer(Tmainfrm::Command::ChangeMyInformation, windows_.userinfofrm);

    windows_.aboutbox = new TAboutBox(main);
    offer(Tmainfrm::Command::About, windows_.aboutbox);

    auto* welcome = new Twelcomefrm(*station_);
    welcome->onCancelProgram = [this] { endProgram(0); };
    windows_.welcomefrm = welcome;
    created(welcome);

    windows_.loginconfigfrm = new Tloginconfigfrm(*station_, main);
    offer(Tmainfrm::Command::LoginConfig, windows_.loginconfigfrm);
    windows_.usermanagementfrm = new TUserManagementFrm(*station_, main);
    offer(Tmainfrm::Command::UserManagement, windows_.usermanagementfrm);

    auto* firstreg = new Tfirstregfrm(*station_);
    firstreg->mainWindow = main;
    firstreg->finishLogon = [this](const std::string& name, const std::string& password) {
        return windows_.logonfrm->finishLogon(name, password);
    };
    firstreg->onClose = [this] { endProgram(0); };
    windows_.firstregfrm = firstreg;
    created(firstreg);

    auto* logon = new Tlogonfrm(*station_);
    LogonHooks hooks;
    hooks.mainWindow = windows_.mainfrm;
    hooks.setupMainWindowForUser = [this] { windows_.mainfrm->setupMainWindowForUser(); };
    hooks.endProgram = [this](int code) { endProgram(code); };
    // Not modal in the event loop's sense: start-up goes on into its loop behind it.
    hooks.showRegistration = [firstreg] {
        firstreg->setWindowModality(Qt::ApplicationModal);
        firstreg->show();
    };
    logon->setHooks(std::move(hooks));
    windows_.logonfrm = logon;
    created(logon);

    // The create dialog comes with the main window.
    windows_.browsefrm = new Tbrowsefrm(*station_, *main);
    offer(Tmainfrm::Command::Browse, windows_.browsefrm);
    windows_.setconfigfrm = new Tsetconfigfrm(*station_, main);
    offer(Tmainfrm::Command::NoticeSetsConfig, windows_.setconfigfrm);
    windows_.autoregconfigfrm = new Tautoregconfigfrm(*station_, main);
    offer(Tmainfrm::Command::DefaultSecurity, windows_.autoregconfigfrm);

    auto* webserver = new Twebserverconfigfrm(*station_, windows_.mainfrm);
    webserver->onHelp = showHelpTopic;
    windows_.webserverconfigfrm = webserver;
    windows_.mainfrm->setCommand(Tmainfrm::Command::WebServerConfig,
                                 [this, webserver] { runModal(webserver); });
    created(webserver);

    auto* previewDialog = new Tpreviewdialogfrm(*station_, windows_.mainfrm);
    previewDialog->setBusy = [this](bool on) { windows_.mainfrm->setBusy(on); };
    windows_.previewdialogfrm = previewDialog;
    windows_.mainfrm->setCommand(Tmainfrm::Command::PreviewDialog, [this, previewDialog] {
        previewDialog->setPreviewMode(windows_.mainfrm->previewMode());
        runModal(previewDialog);
    });
    created(previewDialog);

    auto* preview = new TPreviewFrm(windows_.mainfrm);
    previewDialog->setPreviewFrm(preview);
    windows_.previewfrm = preview;
    created(preview);

    windows_.check2frm = new Tcheck2frm(*station_, main);
    windows_.check2frm->setBusy = [main](bool on) { main->setBusy(on); };
    offer(Tmainfrm::Command::IntegrityCheck, windows_.check2frm);

    // The viewer starts no browser until the first topic is asked for.
    auto* help = new Tonlinehelpfrm(windows_.mainfrm);
    windows_.onlinehelpfrm = help;
    created(help);
}

bool StartUp::checkUsers() {
    Database& db = station_->db;
    const Result loaded = db.loadUsers();
    if (ui::present(loaded)) return true;
    if (loaded.kind() != Result::Missing) {
        // The message has named the file; it stays as it is for the administrator.
        endProgram(1);
        return false;
    }
    // The splash would stand in front of the wizard; it comes back as it was.
    const int progress = splash_->pb1()->value();
    splash_->hide();
    runModal(windows_.welcomefrm);
    if (ended_) return false;
    splash_->show();
    splash_->pb1()->setValue(progress);
    if (!windows_.welcomefrm->finished()) {
        endProgram(0);
        return false;
    }
    windows_.mainfrm->hide();
    QApplication::processEvents();
    return true;
}

void StartUp::checkConfig() {
    Database& db = station_->db;
    const Result loaded = db.loadConfig();
    if (ui::present(loaded)) return;
    db.setConfigDefaults();
    if (loaded.kind() == Result::Missing) {
        // Another station may have written it meanwhile: that file is taken, not replaced.
        bool created = false;
        if (ui::present(db.createConfig(created)) && !created && ui::present(db.loadConfig()))
            return;
    }
    // Otherwise a file that exists is left for the administrator: this run uses the defaults
    // without writing them over it.
    // Over the splash, which a window manager may keep above ordinary windows.
    ui::Messages::information(splash_.get(), QStringLiteral("Config Load Error - Defaults Loaded"));
}

bool StartUp::checkNotices() {
    Database& db = station_->db;
    const Result loaded = db.loadNotices();
    if (ui::present(loaded)) return true;
    if (loaded.kind() != Result::Missing) {
        endProgram(1);
        return false;
    }
    db.initNotices();
    bool created = false;
    if (!ui::present(db.createNotices(created))) {
        // Without a notice file nothing can be written; the message has said why.
        endProgram(1);
        return false;
    }
    if (!created) {
        // Another station wrote it meanwhile: theirs is the school's file.
        if (ui::present(db.loadNotices())) return true;
        endProgram(1);
        return false;
    }
    ui::Messages::information(splash_.get(),
                              QStringLiteral("Notice Data Lost - New Database Initialized"));
    return true;
}

void EventLoopSleeper::sleepMs(int ms) {
    if (ms <= 0) return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

int pinoraMain(int argc, char** argv) {
    const ProgramArgs args = parseProgramArgs(std::vector<std::string>(argv + 1, argv + argc));
    std::string displaySet = args.displaySet;
    const FolderPlaces places =
        workstationFolderPlaces(args.folder, thisProgramFolder());
    if (args.display && displaySet.empty())
        displaySet = confValue(places.confText, "display").value_or("");
    if (args.version) {
        std::printf("pinora2 %s\n", programVersion);
        return 0;
    }
    if (!args.error.empty() || args.help) {
        if (!args.error.empty()) std::fprintf(stderr, "pinora2: %s\n", args.error.c_str());
        std::fprintf(args.help ? stdout : stderr, "Usage: pinora2 [--folder DIR] [/LOGIN]\n"
                             "       pinora2 [--folder DIR] --display [SET]\n"
                             "The second shows today's page of the notice set SET (by default "
                             "display= in %s) full screen; Ctrl+Q quits.\n",
                     kFolderConfFile);
        return args.help ? 0 : 2;
    }
    // Qt sees the program's name and what the program's own options left.
    std::vector<char*> qtArgv{argv[0]};
    if (!args.display)
        for (int k = 1 + static_cast<int>(args.restFrom); k < argc; ++k) qtArgv.push_back(argv[k]);
    int qtArgc = static_cast<int>(qtArgv.size());
    qtArgv.push_back(nullptr);

    pinora::ui::prepareBrowserEngine();
    QApplication app(qtArgc, qtArgv.data());
    QApplication::setApplicationName(QStringLiteral("Pinora 2"));
    // Never a new database in a folder nobody chose: the wizard runs only where it was sent.
    const FolderChoice choice = chooseFolder(places);
    if (const auto problem = folderProblem(choice, *systemFileSystem())) {
        std::fprintf(stderr, "pinora2: %s\n", problem->c_str());
        ui::Messages::error(nullptr, QString::fromStdString(*problem));
        return 1;
    }
    const std::string& folder = choice.folder;
    if (args.display) {
        const QString set = QString::fromLocal8Bit(displaySet.c_str());
        if (set.trimmed().isEmpty()) {
            // Started from the menu, where no one reads what a program writes to its terminal.
            const std::string text = std::string("No notice set is named for the entrance-hall "
                                                 "screen. Name one after --display, or in a line "
                                                 "display=SET in ") +
                                     kFolderConfFile + ".";
            std::fprintf(stderr, "pinora2: %s\n", text.c_str());
            ui::Messages::error(nullptr, QString::fromStdString(text));
            return 2;
        }
        return runDisplay(folder, set);
    }
    // Windows are hidden between uses; the program ends when start-up or logon says so, or
    // when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    Services services = Services::real();
    services.sleeper = std::make_shared<EventLoopSleeper>();

    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();
    StartUp startUp(std::move(services), folder, std::move(arguments));
    startUp.onEnd = [](int code) { QCoreApplication::exit(code); };
    if (!startUp.run()) return startUp.exitCode();
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, [&startUp] {
        if (startUp.windows().mainfrm && !startUp.windows().mainfrm->isVisible())
            QCoreApplication::exit(0);
    });
    return QApplication::exec();
}

} // namespace pinora
