// The entrance-hall screen: today's page of one notice set, full screen, following what the
// staff submit on any workstation. No logon, no lock; the only file written is its own page,
// in a private folder that goes when the window closes.
#pragma once

#include "db/database.h"
#include "output/display.h"

#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <memory>

class QFileSystemWatcher;
class QLabel;
class QTimer;
class QWebEngineView;

namespace pinora {

class TDisplayfrm : public QWidget {
    Q_OBJECT
  public:
    // Looks again this long after a change in the folder (saves come in bursts), and every
    // minute in any case, since network folders often send no change events.
    static constexpr int kSettleMs = 2000;
    static constexpr int kLookEveryMs = 60 * 1000;

    TDisplayfrm(Database& db, const QString& setName, QWidget* parent = nullptr);

    // Reads the folder again and shows the page when it changed.
    void look();

    QString pagePath() const;
    // How often a new page was given to the browser.
    int pagesShown() const { return pagesShown_; }
    // The day of the page shown.
    TDateTime day() const { return page_->day(); }
    QWebEngineView* browser() const { return web_; }
    // The address last given to the browser.
    const QUrl& shownUrl() const { return shownUrl_; }
    QLabel* status() const { return status_; }

  private:
    void watchFolder();
    void aimAtMidnight();

    Database& db_;
    QTemporaryDir pageFolder_;
    std::unique_ptr<DisplayPage> page_;
    QWebEngineView* web_ = nullptr;
    QLabel* status_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* settle_ = nullptr;
    QTimer* every_ = nullptr;
    QTimer* midnight_ = nullptr;
    int pagesShown_ = 0;
    QUrl shownUrl_;
};

// `pinora2 --display SET`: runs the screen until Ctrl+Q; the exit code of the program.
int runDisplay(const std::string& folder, const QString& setName);

} // namespace pinora
