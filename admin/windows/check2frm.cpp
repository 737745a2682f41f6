#include "check2frm.h"

#include "db/fileio.h"
#include "db/text.h"
#include "ui/accessible.h"
#include "ui/busy.h"
#include "ui/dates.h"
#include "ui/messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace pinora {

namespace {
const char* const kSteps[kCheckStepCount] = {
    "Apply Single User mode",          "Refresh Database",
    "User  Consistancy Check",         "Cleanout Widowed Notices",
    "Cleanout Widowed Notice Entries", "Remove Old Notices",
    "Remove Temporary Files",          "Update Database",
    "Reinstate Multiuser mode"};

QString shownDateTime(TDateTime t) {
    return shownDate(t) + QLatin1Char(' ') + shownTime(t);
}
} // namespace

// What the engine reports, shown in the window as it comes.
class CheckWindowLog : public CheckObserver {
  public:
    explicit CheckWindowLog(Tcheck2frm& w) : w_(w) {}
    void logLine(const std::string& line) override {
        w_.log_->appendPlainText(ui::fromRecord(line));
    }
    void stepDone(CheckStep step) override { w_.state_->item(step)->setCheckState(Qt::Checked); }
    void progressRange(int first, int last) override { w_.progress_->setRange(first, last); }
    void progress(int position) override { w_.progress_->setValue(position); }
    void idle() override { QApplication::processEvents(); }

  private:
    Tcheck2frm& w_;
};

Tcheck2frm::Tcheck2frm(Station& station, QWidget* parent) : QDialog(parent), station_(station) {
    setObjectName(QStringLiteral("check2frm"));
    setWindowTitle(QStringLiteral("Data Integrity Check"));

    auto* top = new QVBoxLayout(this);
    top->setSizeConstraint(QLayout::SetFixedSize); // fixed dialog border
    auto* upper = new QHBoxLayout;
    top->addLayout(upper);

    state_ = new QListWidget(this);
    state_->setObjectName(QStringLiteral("state"));
    for (const char* step : kSteps) {
        auto* item = new QListWidgetItem(QString::fromLatin1(step), state_);
        item->setCheckState(Qt::Unchecked);
    }
    state_->setEnabled(false);
    ui::nameAfter(state_, QStringLiteral("Check steps"));
    state_->setFixedSize(250, 9 * 19 + 6);
    upper->addWidget(state_);

    auto* right = new QVBoxLayout;
    upper->addLayout(right);
    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    options->setObjectName(QStringLiteral("Options"));
    auto* grid = new QVBoxLayout(options);
    auto* label = new QLabel(QStringLiteral("Widowed Notices (Notices created by users who are no "
                                            "longer in the notice system) should be"),
                             options);
    label->setObjectName(QStringLiteral("Label1"));
    label->setWordWrap(true);
    grid->addWidget(label);
    assadmin_ = new QRadioButton(QStringLiteral("Assigned to user ADMIN"), options);
    assadmin_->setObjectName(QStringLiteral("assadmin"));
    deleted_ = new QRadioButton(QStringLiteral("Deleted"), options);
    deleted_->setObjectName(QStringLiteral("deleted"));
    deleted_->setChecked(true);
    grid->addWidget(assadmin_);
    grid->addWidget(deleted_);
    removeold_ = new QCheckBox(QStringLiteral("Remove notices that are no longer current and "
                                              "haven't been displayed for more than 30 days"),
                               options);
    removeold_->setObjectName(QStringLiteral("removeold"));
    removeold_->setChecked(true);
    grid->addWidget(removeold_);
    // The long caption of removeold sets the width; the label above it wraps to that.
    label->setMinimumWidth(removeold_->sizeHint().width());
    right->addWidget(options);

    auto* buttons = new QGridLayout;
    right->addLayout(buttons);
    const auto button = [this, buttons](const char* name, const char* caption, int row, int col) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b, row, col);
        return b;
    };
    startbtn_ = button("startbtn", "Start Check", 0, 0);
    cancelbtn_ = button("cancelbtn", "Cancel ", 0, 1);
    auto* print = button("BitBtn1", "Print Log", 1, 0);
    auto* save = button("BitBtn2", "Save Log", 1, 1);
    connect(startbtn_, &QPushButton::clicked, this, &Tcheck2frm::startbtnClick);
    connect(cancelbtn_, &QPushButton::clicked, this, &Tcheck2frm::cancelbtnClick);
    connect(print, &QPushButton::clicked, this, &Tcheck2frm::BitBtn1Click);
    connect(save, &QPushButton::clicked, this, &Tcheck2frm::BitBtn2Click);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setTextVisible(false);
    top->addWidget(progress_);

    log_ = new QPlainTextEdit(this);
    log_->setObjectName(QStringLiteral("log"));
    log_->setReadOnly(true);
    ui::nameAfter(log_, QStringLiteral("Check log"));
    log_->setFixedHeight(220);
    top->addWidget(log_);

    choosePrinter = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
}

CheckOptions Tcheck2frm::options() const {
    CheckOptions o;
    o.widowedToAdmin = assadmin_->isChecked();
    o.removeOld = removeold_->isChecked();
    return o;
}

QStringList Tcheck2frm::logLines() const {
    return log_->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void Tcheck2frm::startbtnClick() {
    for (int i = 0; i < state_->count(); ++i)
        state_->item(i)->setCheckState(Qt::Unchecked);
    startbtn_->setEnabled(false);
    cancelbtn_->setEnabled(false);
    if (setBusy) setBusy(true);
    log_->clear();
    // The check's pauses let the window system catch up while it holds both locks: Escape,
    // the close box and every other command wait until it has released them.
    const ui::StationBusy busy;

    CheckWindowLog observer(*this);
    const CheckResult r = runIntegrityCheck(station_, options(), observer,
                                            [](TDateTime t) { return ui::toRecord(shownDateTime(t)); });
    lastOutcome_ = r.outcome;
    // What the locks, loads and saves had to tell came while the check ran: it goes first.
    ui::present(r.result);
    if (r.outcome == CheckOutcome::LockRefused)
        ui::Messages::information(this, QString::fromLatin1(kCheckRefusedMessage));
    else if (r.outcome != CheckOutcome::Completed)
        ui::Messages::information(this, logLines().value(logLines().size() - 1));

    startbtn_->setEnabled(true);
    cancelbtn_->setEnabled(true);
    if (setBusy) setBusy(false);
}

void Tcheck2frm::cancelbtnClick() {
    reject();
}

void Tcheck2frm::BitBtn1Click() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Data Integrity Check - Pinora"));
    if (!choosePrinter || !choosePrinter(printer)) return;
    log_->document()->print(&printer);
    ui::Messages::information(this, QStringLiteral("Sent to printer"));
}

void Tcheck2frm::BitBtn2Click() {
    std::string text;
    for (const QString& line : logLines())
        text += ui::toRecord(line) + "\r\n";
    const std::string path = station_.db.path("DataChk.txt");
    const QString shownPath = QFile::decodeName(QByteArray::fromStdString(path));
    std::string error;
    if (!writeFileAtomic(station_.db.files(), path, text.data(), text.size(), station_.db.tmpTag(), &error)) {
        ui::Messages::information(this, QStringLiteral("Cannot create file ") + shownPath +
                                            QStringLiteral(". ") + QString::fromStdString(error));
        return;
    }
    ui::Messages::information(this, QStringLiteral("Saved to ") + shownPath);
}

} // namespace pinora
