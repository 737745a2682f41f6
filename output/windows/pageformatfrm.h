// The look of the notice page: line breaks, numbering, signature, font, sizes, border, logo.
#pragma once

#include "db/records.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

namespace pinora {

class Database;
class Station;

// The fonts offered, written into the page's FACE attributes exactly so.
extern const QStringList kPageFonts;

// The dialog's fields as typed.
struct PageFormat {
    bool allowUserReturns = false;
    bool numberEachNotice = false;
    bool crAfterNotice = false;
    int signatureStyle = 0;
    QString fontName; // empty when no font is chosen
    QString pointSize, borderSize, headerPointSize, subtitlePointSize;
};

PageFormat pageFormatOf(const ConfigRecord& config);
// The checks in order, the first failing one's message, else stores into config (which stays
// as it was when a header size is not a number: then the conversion message comes back).
std::optional<QString> storePageFormat(ConfigRecord& config, const PageFormat& f);

// logo.gif in the database folder: a copy of source replaces any older logo. The text to show:
// "Logo Inserted" / "Logo Removed", or the system's error.
QString insertLogo(Database& db, const std::string& source);
QString removeLogo(Database& db);

class Tpageformatfrm : public QDialog {
    Q_OBJECT
  public:
    Tpageformatfrm(Station& station, QWidget* parent = nullptr);

    PageFormat fields() const;

  public slots:
    void FormShow();
    void SaveClick();
    void CancelClick();
    void BitBtn1Click(); // Insert logo
    void BitBtn2Click(); // Delete logo
    void BitBtn3Click(); // Help

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    Station& station_;
    QCheckBox* allowUserReturns_ = nullptr;
    QCheckBox* numberEachNotice_ = nullptr;
    QCheckBox* crnotice_ = nullptr;
    QButtonGroup* signatureStyle_ = nullptr;
    int storedSignatureStyle_ = 0;
    QComboBox* fontname_ = nullptr;
    QLineEdit* pointsize_ = nullptr;
    QLineEdit* bordersize_ = nullptr;
    QLineEdit* headerpointsize_ = nullptr;
    QLineEdit* subtitlepointsize_ = nullptr;
};

} // namespace pinora
