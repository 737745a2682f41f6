// The help viewer: one window per station that shows the topics, with back, forward, print
// and dismiss.
#pragma once

#include "help/helpviewer.h"
#include "ui/helptopics.h"

#include <QString>
#include <functional>
#include <memory>

class QPrinter;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class QWebEngineView;

namespace pinora {

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
