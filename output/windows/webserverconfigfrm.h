// The web server settings: where and how the notice pages are published by FTP.
#pragma once

#include "db/station.h"

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace pinora {

class Twebserverconfigfrm : public QDialog {
    Q_OBJECT
  public:
    explicit Twebserverconfigfrm(Station& station, QWidget* parent = nullptr);

    // Opens a help topic beside a window; the program connects it to the help viewer.
    std::function<void(const QString& topic, QWidget* window)> onHelp;

    void FormShow();     // reloads the configuration and fills the fields
    void BitBtn1Click(); // Save
    void BitBtn2Click(); // Cancel Changes
    void BitBtn5Click(); // Help

    // The port typed, or 0 when it is not a whole number from 1 to 65535.
    static int portFromText(const QString& text);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    Station& station_;
    QGroupBox* group_;
    QLineEdit* ftpserv_;
    QLineEdit* port_;
    QCheckBox* pasvftp_;
    QLineEdit* user_;
    QLineEdit* pass_;
    QLineEdit* uploaddir_;
    QPushButton* save_;
    QPushButton* cancel_;
    QPushButton* help_;
};

} // namespace pinora
