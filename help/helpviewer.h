// Help topics are pages in the help folder beside the program, shown in one viewer window.
#pragma once

#include <QRect>
#include <QString>
#include <QUrl>
#include <QWidget>
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

// The viewer that showHelpTopic uses; set once at start-up.
void setHelpViewer(Tonlinehelpfrm* viewer);
// Opens topic (e.g. "create.htm") beside window. Returns at once.
void showHelpTopic(const QString& topic, QWidget* window);
// The topic most recently asked for (for tests of the windows that ask).
QString lastHelpTopic();

// Where the viewer goes beside the asking window: just right of it, pulled back left when it
// would stick out past the screen's right edge, as tall as the asking window, its own width.
// All rectangles are frame rectangles.
QRect helpViewerPlacement(const QRect& viewer, const QRect& asking, const QRect& screen);

// The address of a topic: the help folder of the database folder (which ends with '/').
QUrl helpTopicUrl(const std::string& databaseFolder, const QString& topic);

class Tonlinehelpfrm : public QWidget {
    Q_OBJECT
  public:
    // databaseFolder ends with its separator; the topics are in its help folder.
    explicit Tonlinehelpfrm(std::string databaseFolder, QWidget* parent = nullptr);
    Tonlinehelpfrm(Station& station, QWidget* parent = nullptr);
    ~Tonlinehelpfrm() override;

    // Moves beside window, loads the topic and shows the viewer (not modally).
    void showTopic(const QString& topic, QWidget* window);

    // The browser, created on first use so that start-up does not start the browser engine.
    QWebEngineView* web();
    bool hasBrowser() const { return web_ != nullptr; }
    const std::string& databaseFolder() const { return folder_; }

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

    std::string folder_;
    QVBoxLayout* layout_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QWebEngineView* web_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
};

} // namespace pinora
