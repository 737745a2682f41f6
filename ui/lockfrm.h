// The wait window shown while another station holds the lock a change needs.
#pragma once

#include "db/station.h"

#include <QDialog>

class QPlainTextEdit;

namespace pinora {

class Tlockfrm : public QDialog {
    Q_OBJECT
  public:
    explicit Tlockfrm(QWidget* parent = nullptr);

    // Shows who holds the lock and for what, then lets the window system catch up: the
    // waiting station sleeps between attempts and handles nothing else.
    void showLockWait(char letter, const LockInfo& info);
    void hideLockWait();

    QPlainTextEdit* userinfo() const { return userinfo_; }

  private:
    QPlainTextEdit* userinfo_;
};

// Every wait for a lock of this station shows the window; it hides once the lock is taken.
void installLockWaitWindow(Station& station, Tlockfrm& window);

} // namespace pinora
