#include "previewdialogfrm.h"

#include "db/datetime.h"
#include "db/fileio.h"
#include "output/ftp.h"
#include "output/page.h"
#include "output/windows/pageprint.h"
#include "output/windows/previewfrm.h"
#include "ui/accessible.h"
#include "ui/dates.h"
#include "ui/messages.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLocale>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <filesystem>

namespace pinora {

namespace {
QString filePath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// Radio captions treat '&' as a mnemonic; a set name shows as it is.
QString asCaption(const QString& text) {
    QString t = text;
    return t.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
} // namespace

Tpreviewdialogfrm::Tpreviewdialogfrm(Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
    setObjectName(QStringLiteral("previewdialogfrm"));
    setWindowTitle(QStringLiteral("Preview/Print/Publish"));

    auto* top = new QVBoxLayout(this);
    top->setSizeConstraint(QLayout::SetFixedSize); // fixed dialog border

    daysel_ = new QGroupBox(QStringLiteral("The days notices of"), this);
    daysel_->setObjectName(QStringLiteral("daysel"));
    auto* dayGrid = new QGridLayout(daysel_);
    dayButtons_ = new QButtonGroup(this);
    const QStringList dayItems = {QStringLiteral("&Today"), QStringLiteral("T&omorrow"),
                                  QStringLiteral("The Next Available &Weekday"),
                                  QStringLiteral("This &Date:")};
    for (int i = 0; i < dayItems.size(); ++i) {
        auto* b = new QRadioButton(dayItems[i], daysel_);
        b->setObjectName(QStringLiteral("daysel%1").arg(i));
        dayButtons_->addButton(b, i);
        dayGrid->addWidget(b, i, 0);
    }
    day_ = new QDateEdit(daysel_);
    day_->setObjectName(QStringLiteral("day"));
    day_->setDisplayFormat(QLocale::system().dateFormat(QLocale::LongFormat));
    day_->setCalendarPopup(true);
    ui::nameAfter(day_, dayItems[3]);
    // Wide enough for the longest long date, which the editor's own size would cut off.
    day_->setMinimumWidth(day_->sizeHint().width() -
                          day_->fontMetrics().horizontalAdvance(day_->text()) +
                          day_->fontMetrics().horizontalAdvance(
                              QLocale::system().toString(QDate(2026, 9, 30), QLocale::LongFormat)) +
                          day_->fontMetrics().averageCharWidth() * 2);
    dayGrid->addWidget(day_, 3, 1);
    connect(dayButtons_, &QButtonGroup::idClicked, this, &Tpreviewdialogfrm::dayselClick);
    top->addWidget(daysel_);

    noticeset_ = new QGroupBox(QStringLiteral("From the following set of notices"), this);
    noticeset_->setObjectName(QStringLiteral("noticeset"));
    setLayout_ = new QVBoxLayout(noticeset_);
    setButtons_ = new QButtonGroup(this);
    top->addWidget(noticeset_);

    auto* buttons = new QHBoxLayout;
    const auto addButton = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    previewbtn_ = addButton("Previewbtn", QStringLiteral("Pre&view"));
    printbtn_ = addButton("Printbtn", QStringLiteral("&Print"));
    publishbtn_ = addButton("publishbtn", QStringLiteral("Pu&blish"));
    buttons->addStretch(1);
    cancelbtn_ = addButton("BitBtn2", QStringLiteral("Cancel")); // Escape cancels the dialog too
    top->addLayout(buttons);

    connect(previewbtn_, &QPushButton::clicked, this, &Tpreviewdialogfrm::PreviewbtnClick);
    connect(printbtn_, &QPushButton::clicked, this, &Tpreviewdialogfrm::PrintbtnClick);
    connect(publishbtn_, &QPushButton::clicked, this, &Tpreviewdialogfrm::publishbtnClick);
    connect(cancelbtn_, &QPushButton::clicked, this, &Tpreviewdialogfrm::BitBtn2Click);

    choosePrinter = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
}

void Tpreviewdialogfrm::setPreviewMode(PreviewMode mode) {
    mode_ = mode;
    static const char* const captions[] = {"Preview", "Print", "Publish", "Preview/Print/Publish"};
    setWindowTitle(QString::fromLatin1(captions[static_cast<int>(mode_)]));
    previewbtn_->setVisible(mode_ == PreviewMode::Preview || mode_ == PreviewMode::All);
    printbtn_->setVisible(mode_ == PreviewMode::Print || mode_ == PreviewMode::All);
    publishbtn_->setVisible(mode_ == PreviewMode::Publish || mode_ == PreviewMode::All);
}

void Tpreviewdialogfrm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void Tpreviewdialogfrm::FormShow() {
    setPreviewMode(mode_);

    dayButtons_->button(2)->setChecked(true);
    setPickerDay(nextWeekday(station_.now()));
    day_->setEnabled(false);

    for (QAbstractButton* b : setButtons_->buttons()) {
        setButtons_->removeButton(b);
        delete b;
    }
    const ConfigRecord& config = station_.db.config;
    for (int k = 1; k <= kSetCount; ++k) {
        const std::string name = config.noticeSets[k - 1].name.str();
        if (name.empty()) continue;
        auto* b = new QRadioButton(asCaption(ui::fromRecord(name)), noticeset_);
        b->setObjectName(QStringLiteral("noticeset%1").arg(setButtons_->buttons().size()));
        b->setProperty("setName", QByteArray::fromStdString(name));
        setButtons_->addButton(b);
        setLayout_->addWidget(b);
    }
    if (!setButtons_->buttons().isEmpty()) setButtons_->buttons().first()->setChecked(true);

    publishbtn_->setEnabled(true);
}

void Tpreviewdialogfrm::setPickerDay(TDateTime day) {
    day_->setDate(toQDate(day));
}

void Tpreviewdialogfrm::dayselClick() {
    const TDateTime now = station_.now();
    switch (dayButtons_->checkedId()) {
    case 0:
        setPickerDay(now);
        break;
    case 1:
        setPickerDay(now + 1);
        break;
    case 2:
        setPickerDay(nextWeekday(now));
        break;
    default:
        day_->setEnabled(true);
        return;
    }
    day_->setEnabled(false);
}

TDateTime Tpreviewdialogfrm::chosenDay() const {
    return fromQDate(day_->date());
}

std::string Tpreviewdialogfrm::chosenSetName() const {
    QAbstractButton* b = setButtons_->checkedButton();
    return b ? b->property("setName").toByteArray().toStdString() : std::string();
}

bool Tpreviewdialogfrm::writeChosenPage() {
    const int set = station_.db.findNoticeSet(chosenSetName());
    tempPageName_ = "TEMP/~" + std::to_string(station_.services().chance->below(100000)) + ".HTM";
    std::string error;
    Result loaded;
    const bool written =
        set >= 1 && writeNoticePage(station_.db, set, tempPageName(), chosenDay(), &error, &loaded);
    // The reloads' own words come first, as they happened first. A file that could not be used
    // has been named by them, with what was found in it: the page's own sentence for the same
    // file would only repeat it (for CONFIG.DB word for word).
    ui::present(loaded);
    if (!written && !loaded && !loaded.messages().empty()) return false;
    if (!written) {
        // Handing a missing or half-written page on would only show a puzzling error later.
        // The generator's text names the file (e.g. "Cannot create file ...").
        const QString text = error.empty()
                                 ? QStringLiteral("The notice page could not be written to ") +
                                       filePath(station_.db.path(tempPageName()))
                                 : QString::fromStdString(error);
        ui::Messages::information(this, text);
        return false;
    }
    return true;
}

void Tpreviewdialogfrm::PreviewbtnClick() {
    if (!setButtons_->checkedButton()) return;
    if (writeChosenPage()) {
        if (!previewFrm_) previewFrm_ = new TPreviewFrm(this);
        previewFrm_->showPage(filePath(station_.db.path(tempPageName())));
    }
    accept();
}

void Tpreviewdialogfrm::PrintbtnClick() {
    if (!setButtons_->checkedButton()) return;
    if (writeChosenPage()) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (choosePrinter && choosePrinter(*printer)) {
            QPointer<Tpreviewdialogfrm> self(this);
            printPageFile(filePath(station_.db.path(tempPageName())), std::move(printer),
                          [self](bool ok) {
                              if (!self) return;
                              if (!ok)
                                  ui::Messages::information(
                                      self, QStringLiteral("The notice page could not be printed"));
                              if (self->onPrinted) self->onPrinted(ok);
                          });
        }
    }
    accept(); // the page stays in TEMP
}

void Tpreviewdialogfrm::publishbtnClick() {
    const int slot = station_.currentUserSlot;
    if (slot < 1 || slot > kUserCount || !station_.currentUser().allowPublish) {
        ui::Messages::information(
            this, QStringLiteral("You are not allowed to publish to the WebServer"));
        return;
    }
    if (!setButtons_->checkedButton()) return;
    const std::string setName = chosenSetName();
    if (writeChosenPage()) {
        // The generator has just reloaded the configuration.
        const FtpSettings settings = ftpSettingsFrom(station_.db.config);
        std::string logo = station_.db.path("logo.gif");
        if (!fileOrLink(station_.db.files(), logo)) logo.clear();

        if (setBusy) setBusy(true);
        const UploadResult r = uploadNoticePage(settings, station_.db.path(tempPageName()),
                                                remotePageName(setName), logo);
        if (!r.ok) ui::Messages::error(this, QString::fromStdString(r.error));
        if (setBusy) setBusy(false);
    }
    accept(); // the page stays in TEMP
}

void Tpreviewdialogfrm::BitBtn2Click() {
    reject();
}

} // namespace pinora
