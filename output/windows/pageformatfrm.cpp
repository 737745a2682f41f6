#include "pageformatfrm.h"

#include "db/fileio.h"
#include "output/page.h"
#include "db/station.h"
#include "ui/dates.h"
#include "ui/helptopics.h"
#include "ui/messages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace pinora {

const QStringList kPageFonts = {QStringLiteral("Times New Roman"), QStringLiteral("Courier New"),
                                QStringLiteral("Georgia"), QStringLiteral("Veranda"),
                                QStringLiteral("Arial")};

namespace {
const char* const kNumbersOnly =
    "YOu must specify a number only in the Point Size of Border Size Fields";
} // namespace

PageFormat pageFormatOf(const ConfigRecord& c) {
    PageFormat f;
    f.allowUserReturns = c.allowUserReturns;
    f.numberEachNotice = c.numberEachNotice;
    f.crAfterNotice = c.crAfterNotice;
    f.signatureStyle = c.signatureStyle;
    const QString stored = ui::fromRecord(c.fontName.str());
    for (const QString& font : kPageFonts)
        if (font.compare(stored, Qt::CaseInsensitive) == 0) f.fontName = font;
    f.pointSize = QString::number(c.pointSize);
    f.borderSize = QString::number(c.borderSize);
    f.headerPointSize = QString::number(c.headerPointSize);
    f.subtitlePointSize = QString::number(c.subtitlePointSize);
    return f;
}

std::optional<QString> storePageFormat(ConfigRecord& config, const PageFormat& f) {
    if (f.fontName.isEmpty()) return QStringLiteral("You must select a font from the list");
    const auto point = typedInteger(f.pointSize);
    if (!point) return QString::fromLatin1(kNumbersOnly);
    if (*point < 1 || *point > 7)
        return QStringLiteral("Your point size must be between 1 and 7 where 1 is smallest size "
                              "and 7 is biggest");
    const auto border = typedInteger(f.borderSize);
    if (!border) return QString::fromLatin1(kNumbersOnly);
    if (*border < 1 || *border > 10)
        return QStringLiteral("Your border size must be between 1 and 10 where 1 is thin borders "
                              "and 10 is fat borders");
    QString error;
    const auto header = typedInteger(f.headerPointSize, &error);
    if (!header) return error;
    const auto subtitle = typedInteger(f.subtitlePointSize, &error);
    if (!subtitle) return error;
    config.allowUserReturns = f.allowUserReturns;
    config.numberEachNotice = f.numberEachNotice;
    config.signatureStyle = f.signatureStyle;
    config.fontName = ui::toRecord(f.fontName);
    config.pointSize = *point;
    config.borderSize = *border;
    config.crAfterNotice = f.crAfterNotice;
    config.headerPointSize = *header;
    config.subtitlePointSize = *subtitle;
    return std::nullopt;
}

QString insertLogo(Database& db, const std::string& source) {
    std::string bytes, error;
    if (readRegularFile(db.files(), source, bytes, kMaxLogoBytes, &error) != ReadStatus::Ok)
        return QStringLiteral("Cannot open file ") +
               QFile::decodeName(QByteArray::fromStdString(source)) + QStringLiteral(". ") +
               QString::fromStdString(error);
    const std::string target = db.path("logo.gif");
    if (!writeFileAtomic(db.files(), target, bytes.data(), bytes.size(), db.tmpTag(),
                         &error))
        return QStringLiteral("Cannot create file ") +
               QFile::decodeName(QByteArray::fromStdString(target)) + QStringLiteral(". ") +
               QString::fromStdString(error);
    return QStringLiteral("Logo Inserted");
}

QString removeLogo(Database& db) {
    const std::string target = db.path("logo.gif");
    if (std::remove(target.c_str()) != 0 && errno != ENOENT)
        return QStringLiteral("Cannot delete file ") +
               QFile::decodeName(QByteArray::fromStdString(target)) + QStringLiteral(". ") +
               QString::fromStdString(systemErrorText(errno));
    return QStringLiteral("Logo Removed");
}

Tpageformatfrm::Tpageformatfrm(Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
    setObjectName(QStringLiteral("pageformatfrm"));
    setWindowTitle(QStringLiteral("Page Formatter"));
    auto* top = new QVBoxLayout(this);
    top->setSizeConstraint(QLayout::SetFixedSize); // fixed dialog border
    auto* intro = new QLabel(QStringLiteral("This section allows you to customize the style of the "
                                            "notices when they are printed/published/previewed. "),
                             this);
    intro->setWordWrap(true);
    intro->setFixedWidth(460);
    top->addWidget(intro);

    const auto box = [this](const char* name, const char* caption) {
        auto* b = new QCheckBox(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    allowUserReturns_ = box("AllowUserReturns", "Allow User Returns.");
    numberEachNotice_ = box("NumberEachNotice", "Number each notice.");
    crnotice_ = box("crnotice", "Place a carriage return after each notice");
    for (QCheckBox* b : {allowUserReturns_, numberEachNotice_, crnotice_})
        top->addWidget(b);

    auto* signature = new QGroupBox(QStringLiteral("Signature Block"), this);
    signature->setObjectName(QStringLiteral("SignatureStyle"));
    auto* sigLayout = new QVBoxLayout(signature);
    signatureStyle_ = new QButtonGroup(this);
    const QStringList items = {QStringLiteral("Place on new line at &bottom of individual notice"),
                               QStringLiteral("Place at the end of the &last line of the "
                                              "individual notice"),
                               QStringLiteral("Do &not place a the signature block")};
    for (int i = 0; i < items.size(); ++i) {
        auto* r = new QRadioButton(items[i], signature);
        r->setObjectName(QStringLiteral("SignatureStyle%1").arg(i));
        signatureStyle_->addButton(r, i);
        sigLayout->addWidget(r);
    }
    top->addWidget(signature);

    auto* form = new QFormLayout;
    top->addLayout(form);
    fontname_ = new QComboBox(this);
    fontname_->setObjectName(QStringLiteral("fontname"));
    fontname_->addItems(kPageFonts);
    const auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFixedWidth(60);
        return e;
    };
    pointsize_ = edit("pointsize");
    bordersize_ = edit("bordersize");
    form->addRow(QStringLiteral("Font:"), fontname_);
    form->addRow(QStringLiteral("Point Size (1 - 7): "), pointsize_);
    form->addRow(QStringLiteral("Border Size (1-10):"), bordersize_);

    auto* header = new QGroupBox(QStringLiteral("Header"), this);
    header->setObjectName(QStringLiteral("Header"));
    auto* headerForm = new QFormLayout(header);
    headerpointsize_ = edit("headerpointsize");
    subtitlepointsize_ = edit("subtitlepointsize");
    headerForm->addRow(QStringLiteral("Font Point Size (1-7):"), headerpointsize_);
    headerForm->addRow(QStringLiteral("Subtitle Point Size:"), subtitlepointsize_);
    auto* logoRow = new QHBoxLayout;
    const auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    auto* insert = button("BitBtn1", "Insert");
    auto* remove = button("BitBtn2", "Delete");
    logoRow->addWidget(insert);
    logoRow->addWidget(remove);
    headerForm->addRow(QStringLiteral("School Logo (Must be GIF): "), logoRow);
    top->addWidget(header);

    auto* buttons = new QHBoxLayout;
    top->addLayout(buttons);
    buttons->addStretch(1);
    auto* save = button("Save", "Save");
    auto* cancel = button("Cancel", "Cancel Changes");
    auto* help = button("BitBtn3", "Help");
    for (QPushButton* b : {save, cancel, help})
        buttons->addWidget(b);
    connect(save, &QPushButton::clicked, this, &Tpageformatfrm::SaveClick);
    connect(cancel, &QPushButton::clicked, this, &Tpageformatfrm::CancelClick);
    connect(insert, &QPushButton::clicked, this, &Tpageformatfrm::BitBtn1Click);
    connect(remove, &QPushButton::clicked, this, &Tpageformatfrm::BitBtn2Click);
    connect(help, &QPushButton::clicked, this, &Tpageformatfrm::BitBtn3Click);
}

void Tpageformatfrm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void Tpageformatfrm::FormShow() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadConfig());
    const PageFormat f = pageFormatOf(station_.db.config);
    allowUserReturns_->setChecked(f.allowUserReturns);
    numberEachNotice_->setChecked(f.numberEachNotice);
    crnotice_->setChecked(f.crAfterNotice);
    // A stored style that no button shows is shown as no choice, and saved back unchanged
    // unless the administrator picks one.
    storedSignatureStyle_ = f.signatureStyle;
    signatureStyle_->setExclusive(false);
    for (QAbstractButton* b : signatureStyle_->buttons())
        b->setChecked(signatureStyle_->id(b) == f.signatureStyle);
    signatureStyle_->setExclusive(true);
    fontname_->setCurrentIndex(static_cast<int>(kPageFonts.indexOf(f.fontName)));
    pointsize_->setText(f.pointSize);
    bordersize_->setText(f.borderSize);
    headerpointsize_->setText(f.headerPointSize);
    subtitlepointsize_->setText(f.subtitlePointSize);
}

PageFormat Tpageformatfrm::fields() const {
    PageFormat f;
    f.allowUserReturns = allowUserReturns_->isChecked();
    f.numberEachNotice = numberEachNotice_->isChecked();
    f.crAfterNotice = crnotice_->isChecked();
    const int chosen = signatureStyle_->checkedId();
    f.signatureStyle = chosen >= 0 ? chosen : storedSignatureStyle_;
    f.fontName = fontname_->currentIndex() < 0 ? QString() : fontname_->currentText();
    f.pointSize = pointsize_->text();
    f.borderSize = bordersize_->text();
    f.headerPointSize = headerpointsize_->text();
    f.subtitlePointSize = subtitlepointsize_->text();
    return f;
}

void Tpageformatfrm::SaveClick() {
    const PageFormat f = fields();
    // The checks come before the reload, so a refused save reads and writes nothing.
    ConfigRecord checked = station_.db.config;
    if (const auto error = storePageFormat(checked, f)) {
        ui::Messages::information(this, *error);
        return;
    }
    if (ui::present(
            station_.db.changeConfig([&] { return !storePageFormat(station_.db.config, f); })))
        accept();
}

void Tpageformatfrm::CancelClick() {
    reject();
}

void Tpageformatfrm::BitBtn1Click() {
    const QString file = ui::Messages::openFile(this, QString(), QString(),
                                                QStringLiteral("Graphics Interchange Format (*.gif)"));
    if (file.isEmpty()) return;
    ui::Messages::information(this, insertLogo(station_.db, QFile::encodeName(file).toStdString()));
}

void Tpageformatfrm::BitBtn2Click() {
    ui::Messages::information(this, removeLogo(station_.db));
}

void Tpageformatfrm::BitBtn3Click() {
    showHelpTopic(QStringLiteral("format.htm"), this);
}

} // namespace pinora
