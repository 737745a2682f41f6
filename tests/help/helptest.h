// What the help tests share: the topics, the pages built beside the test program, a database
// folder holding them, and a wait for a page to load.
#pragma once

#include "help/onlinehelpfrm.h"
#include "support/tempfolder.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QWindow>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace pinora::test::help {

namespace fs = std::filesystem;

inline const QStringList kTopics = {"main.htm",     "editing.htm",  "create.htm",   "browse.htm",
                                    "userman.htm",  "userinfo.htm", "firstreg.htm", "autoregs.htm",
                                    "logincfg.htm", "setconf.htm",  "webconf.htm",  "schinfo.htm",
                                    "format.htm"};

// The program's folder; the tests are built beside the program.
inline QString binFolder() {
    const QString env = QString::fromLocal8Bit(qgetenv("PINORA_BIN"));
    return env.isEmpty() ? QCoreApplication::applicationDirPath() : env;
}

inline QString readPage(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// A database folder whose help folder holds the program's pages.
struct HelpFolder {
    TempFolder folder;
    HelpFolder() {
        fs::create_directory(folder / "help");
        for (const QString& t : kTopics)
            fs::copy_file((binFolder() + "/help/" + t).toStdString(),
                          folder / "help" / t.toStdString());
    }
    std::string str() const { return folder.str(); }
    QString help() const { return QString::fromStdString(folder.str()) + QStringLiteral("help/"); }
};

// Runs action, then waits until the browser has finished loading url.
template <typename Action> bool loads(Tonlinehelpfrm& v, const QUrl& url, Action action) {
    QWebEngineView* web = v.web();
    bool done = false;
    auto c = QObject::connect(web, &QWebEngineView::loadFinished, [&](bool ok) {
        if (ok && web->url() == url) done = true;
    });
    action();
    const bool ok = QTest::qWaitFor([&] { return done; }, 30000);
    QObject::disconnect(c);
    return ok;
}

inline QRect screenRect() {
    return QGuiApplication::primaryScreen()->geometry();
}

} // namespace pinora::test::help
