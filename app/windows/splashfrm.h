// The splash shown while the program starts: picture, name, version and progress.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace pinora {

class Tsplashfrm : public QWidget {
    Q_OBJECT
  public:
    explicit Tsplashfrm(QWidget* parent = nullptr);

    QLabel* versiontxt() const { return versiontxt_; }
    QProgressBar* pb1() const { return pb1_; }

    // One step further, painted before the next piece of start-up work.
    void splashStep();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QLabel* Image1_ = nullptr;
    QLabel* Image2_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLabel* versiontxt_ = nullptr;
    QProgressBar* pb1_ = nullptr;
};

} // namespace pinora
