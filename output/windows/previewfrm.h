// The preview window: one browser showing the notice page just written.
#pragma once

#include <QDialog>
#include <QString>

class QVBoxLayout;
class QWebEngineView;

namespace pinora {

class TPreviewFrm : public QDialog {
    Q_OBJECT
  public:
    explicit TPreviewFrm(QWidget* parent = nullptr);

    // Loads the page file into the browser and shows the window modally. The file is deleted
    // when the window is hidden or closed.
    int showPage(const QString& pagePath);

    // The browser, created on first use so that start-up does not start the browser engine.
    QWebEngineView* webbrowser();
    bool hasBrowser() const { return web_ != nullptr; }
    const QString& pagePath() const { return pagePath_; }

    void FormHide();
    void FormClose();

  protected:
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void deletePage();

    QVBoxLayout* layout_ = nullptr;
    QWebEngineView* web_ = nullptr;
    QString pagePath_;
};

} // namespace pinora
