#include "welcomefrm.h"

#include "formparts.h"
#include "users/setup.h"
#include "ui/accessible.h"
#include "ui/messages.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

namespace {

const char* const kGreeting =
    "Welcome to Pinora 2.\n\n"
    "Pinora is a multi-user system for creating notices to be distributed in the school: "
    "members of staff write their notices, choose the days on which they appear and the notice "
    "sets they belong to, and the notices are printed or published each day.\n\n"
    "You are seeing this setup screen because this is the first time Pinora has been run from "
    "this folder. The next steps ask for the information that is required and then set up the "
    "basic application: the Administrator account, your school's details and the first notice "
    "set.\n\n"
    "Click Next to Continue";

} // namespace

Twelcomefrm::Twelcomefrm(Station& station, QWidget* parent) : QDialog(parent), station_(station) {
    setObjectName(QStringLiteral("welcomefrm"));
    setWindowTitle(QStringLiteral("Welcome"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(540, 294);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto* outer = new QVBoxLayout(this);
    // The panels share one area, which keeps its place above the buttons even while Finish
    // hides every panel to run its checks.
    auto* area = new QWidget;
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(area, 1);

    const char* captions[4] = {"Step 1:", "Step 2: Administrator Password",
                               "Step 3: School Information", "Step 4: Notice Sets Configuration:"};
    for (int i = 0; i < 4; ++i) {
        steps_[i] = new QGroupBox(QString::fromLatin1(captions[i]));
        steps_[i]->setObjectName(QStringLiteral("step%1").arg(i + 1));
        areaLayout->addWidget(steps_[i], 1);
    }

    {
        auto* lay = new QVBoxLayout(steps_[0]);
        Memo1_ = new QPlainTextEdit(QString::fromLatin1(kGreeting));
        Memo1_->setObjectName(QStringLiteral("Memo1"));
        Memo1_->setReadOnly(true);
        ui::nameAfter(Memo1_, steps_[0]->title());
        lay->addWidget(Memo1_);
    }
    {
        auto* lay = new QVBoxLayout(steps_[1]);
        lay->addWidget(wrappedLabel(QStringLiteral(
            "Please specify a password for the ADMIN Account (Administrator). The Administrator "
            "account is the top-level account used to manage all users and notices on the "
            "Pinora. It is recommended that  you do not use this account for normal day "
            "operations.")));
        auto* form = new QFormLayout;
        adminpassword1_ = namedEdit("adminpassword1", true);
        adminpassword2_ = namedEdit("adminpassword2", true);
        form->addRow(QStringLiteral("Administrator Password:"), adminpassword1_);
        form->addRow(QStringLiteral("Confirm Password:"), adminpassword2_);
        lay->addLayout(form);
        lay->addStretch();
    }
    {
        auto* form = new QFormLayout(steps_[2]);
        schoolname_ = namedEdit("schoolname");
        copyrightline_ = namedEdit("copyrightline");
        form->addRow(QStringLiteral("School Name:"), schoolname_);
        form->addRow(QStringLiteral("Copyright Line:"), copyrightline_);
    }
    {
        auto* lay = new QVBoxLayout(steps_[3]);
        lay->addWidget(wrappedLabel(QStringLiteral(
            "A Notice set, ties all individual notices into a group. Thus notices intended for "
            "display with students may be put in a set called Student Notices. You will need at "
            "least one notice set to use the Pinora. ")));
        auto* form = new QFormLayout;
        setonename_ = namedEdit("setonename");
        form->addRow(QStringLiteral("Notice Set One Name:"), setonename_);
        lay->addLayout(form);
        lay->addStretch();
    }

    auto* bar = new QHBoxLayout;
    bar->addStretch();
    back_ = new QPushButton(QStringLiteral("&Back"));
    back_->setObjectName(QStringLiteral("back"));
    next_ = new QPushButton(QStringLiteral("&Next"));
    next_->setObjectName(QStringLiteral("next"));
    Button1_ = new QPushButton(QStringLiteral("Cancel"));
    Button1_->setObjectName(QStringLiteral("Button1"));
    // Enter takes a keyboard user to the next step from any field; on a focused button it
    // presses that button.
    next_->setDefault(true);
    bar->addWidget(back_);
    bar->addWidget(next_);
    bar->addWidget(Button1_);
    outer->addLayout(bar);

    connect(next_, &QPushButton::clicked, this, &Twelcomefrm::nextClick);
    connect(back_, &QPushButton::clicked, this, &Twelcomefrm::backClick);
    connect(Button1_, &QPushButton::clicked, this, &Twelcomefrm::Button1Click);

    refresh();
}

void Twelcomefrm::showEvent(QShowEvent* e) {
    // Restoring a minimised window is not a new showing.
    if (!e->spontaneous()) FormShow();
    QDialog::showEvent(e);
}

void Twelcomefrm::FormShow() {
    stepCount_ = 4;
    wizardStep_ = 1;
    finished_ = false;
    cancelled_ = false;
    refresh();
}

void Twelcomefrm::refresh() {
    back_->setEnabled(wizardStep_ > 1);
    next_->setText(wizardStep_ < stepCount_ ? QStringLiteral("&Next") : QStringLiteral("&Finish"));
    for (QGroupBox* s : steps_)
        s->hide();
    if (wizardStep_ >= 1 && wizardStep_ <= 4) {
        QGroupBox* step = steps_[wizardStep_ - 1];
        step->show();
        if (!focusFirstField(step)) next_->setFocus(Qt::OtherFocusReason);
    }
}

void Twelcomefrm::backClick() {
    if (wizardStep_ > 1) --wizardStep_;
    refresh();
}

void Twelcomefrm::nextClick() {
    ++wizardStep_;
    refresh();
    if (wizardStep_ <= stepCount_) return;

    const SetupEntries entries{
        adminpassword1_->text().toStdString(), adminpassword2_->text().toStdString(),
        schoolname_->text().toStdString(), copyrightline_->text().toStdString(),
        setonename_->text().toStdString()};
    const std::vector<std::string> problems = checkSetupEntries(entries);
    for (const std::string& p : problems)
        ui::Messages::information(this, QString::fromStdString(p));
    if (!problems.empty()) {
        wizardStep_ = stepCount_;
        refresh();
        return;
    }

    finished_ = true;
    if (!ui::present(writeNewDatabase(station_.db, entries))) {
        // The file's own message has been shown; the user may try again or cancel.
        finished_ = false;
        wizardStep_ = stepCount_;
        refresh();
        return;
    }
    accept();
}

void Twelcomefrm::Button1Click() {
    if (!ui::Messages::question(this, QStringLiteral("Cancel"),
                                QStringLiteral("Do you wish to cancel setting up the Pinora")))
        return;
    cancelled_ = true;
    if (onCancelProgram) onCancelProgram();
    done(QDialog::Rejected);
}

void Twelcomefrm::reject() {
    if (!finished_ && !cancelled_) {
        ui::Messages::information(
            this, QStringLiteral("You cannot use the notice editor without first completing this "
                                 "wizard"));
        return;
    }
    QDialog::reject();
}

} // namespace pinora
