// Help topics are pages in the help folder beside the program, shown in one viewer window.
#pragma once

#include "ui/helptopics.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>

class QPrinter;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class QWebEngineView;

namespace pinora {

class Station;
class Tonlinehelpfrm;

// Where the viewer's own area goes beside the asking window: just right of its frame, pulled
// back left when it would stick out past the screen's right edge, level with it and as tall
// as it, keeping its width, and never off the screen. The viewer's frame is taken to be like
// the asking window's, since the real one is known only once the window system has shown it.
// screen is the screen's available area.
QRect helpViewerPlacement(int viewerWidth, const QRect& askingFrame, const QRect& askingArea,
                          const QRect& screen);

// The folder of the help pages, ending with '/': the first of folders that exists. The
// program looks beside itself (a copy laid out in the database folder, or a build) and then
// where the package installs them.
QString firstHelpFolder(const QStringList& folders);
QString programHelpFolder();

// The address of a topic in a help folder (which ends with '/').
QUrl helpTopicUrl(const QString& helpFolder, const QString& topic);

// The one viewer of a station is a child of its main window; showHelpTopic finds it there.
class Tonlinehelpfrm : public HelpTopicViewer {
    Q_OBJECT
  public:
    // helpFolder holds the topics and ends with its separator; by default the program's own.
    explicit Tonlinehelpfrm(QString helpFolder, QWidget* parent = nullptr);
    explicit Tonlinehelpfrm(QWidget* parent = nullptr);
    ~Tonlinehelpfrm() override;

    // Moves beside window, loads the topic and shows the viewer (not modally).
    void showTopic(const QString& topic, QWidget* window) override;

    // The browser, created on first use so that start-up does not start the browser engine.
    QWebEngineView* web();
    bool hasBrowser() const { return web_ != nullptr; }
    const QString& helpFolder() const { return folder_; }

    // Asks for a printer; the default shows the system's print dialog. Tests replace it.
    std::function<bool(QPrinter&)> choosePrinter;
    // Tells when a print started by Print has finished.
    std::function<void(bool ok)> onPrinted;

  public slots:
    void ToolButton1Click();      // Back
    void ToolButton3Click();      // Forward
    void ToolButton2Click();      // Print
    void DisMissReportBtnClick(); // Dismiss

  private:
    QToolButton* addButton(const QString& name, const QString& caption, const QPixmap& picture);

    QString folder_;
    QVBoxLayout* layout_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QWebEngineView* web_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
};

} // namespace pinora
