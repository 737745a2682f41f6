#include "createfrm.h"

#include "app/windows/editwidgets.h"
#include "app/windows/mainfrm.h"
#include "db/datetime.h"
#include "help/onlinehelpfrm.h"
#include "ui/accessible.h"
#include "ui/messages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

Tcreatefrm::Tcreatefrm(Station& station, AppWindows& windows, QWidget* parent)
    : QDialog(parent), station_(station), windows_(windows) {
    setObjectName(QStringLiteral("createfrm"));
    setWindowTitle(QStringLiteral("Create a notice"));
    setModal(false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    QFont f = font();
    f.setBold(true);
    setFont(f);

    auto* layout = new QVBoxLayout(this);

    // The date comes after the choices, so that Tab reaches it after the one it belongs to.
    auto radioGroup = [this, layout](const char* name, const QString& caption,
                                     const QStringList& items, QRadioButton** buttons,
                                     const char* pickName) {
        auto* g = new QGroupBox(caption, this);
        g->setObjectName(QString::fromLatin1(name));
        auto* gl = new QGridLayout(g);
        auto* bg = new QButtonGroup(g);
        for (int i = 0; i < 4; ++i) {
            buttons[i] = new QRadioButton(items[i], g);
            buttons[i]->setObjectName(
                QStringLiteral("%1_%2").arg(QString::fromLatin1(name)).arg(i));
            bg->addButton(buttons[i], i);
            gl->addWidget(buttons[i], i, 0);
            connect(buttons[i], &QRadioButton::clicked, this, [this] { recompute(); });
        }
        QDateTimeEdit* pick = makeDatePicker(pickName, g);
        ui::nameAfter(pick, items[3]);
        gl->addWidget(pick, 3, 1);
        layout->addWidget(g);
        return pick;
    };
    startdatecustom_ = radioGroup(
        "startdaterg", QStringLiteral("What day do you want your notice to be displayed on?"),
        {QStringLiteral("Today"), QStringLiteral("Tomorrow"),
         QStringLiteral("Next available weekday"), QStringLiteral("This date:")},
        start_, "startdatecustom");
    enddatecustom_ =
        radioGroup("enddaterg", QStringLiteral("How long should your notice be in notices?"),
                   {QStringLiteral("One day only"), QStringLiteral("Two days"),
                    QStringLiteral("One week"), QStringLiteral("Until this date:")},
                   end_, "enddatecustom");
    connect(startdatecustom_, &QDateTimeEdit::dateTimeChanged, this, [this] { recompute(); });
    connect(enddatecustom_, &QDateTimeEdit::dateTimeChanged, this, [this] { recompute(); });

    auto* sets =
        new QGroupBox(QStringLiteral("Which set of notices should your notice appear in?"), this);
    sets->setObjectName(QStringLiteral("noticesets"));
    auto* sg = new QGridLayout(sets);
    for (int k = 0; k < kSetCount; ++k) {
        sets_[k] = new QCheckBox(sets);
        sets_[k]->setObjectName(QStringLiteral("Set%1").arg(k + 1));
        sg->addWidget(sets_[k], k % 3, k / 3);
    }
    layout->addWidget(sets);

    auto* buttons = new QHBoxLayout;
    auto addButton = [this, buttons](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    connect(addButton("BitBtn1", QStringLiteral("Continue")), &QPushButton::clicked, this,
            [this] { BitBtn1Click(); });
    connect(addButton("BitBtn2", QStringLiteral("Cancel Entry")), &QPushButton::clicked, this,
            [this] { BitBtn2Click(); });
    connect(addButton("BitBtn3", QStringLiteral("Help")), &QPushButton::clicked, this,
            [this] { BitBtn3Click(); });
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Tcreatefrm::showDialog() {
    if (isVisible()) FormShow();
    show();
    raise();
    activateWindow();
}

void Tcreatefrm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
        // The new captions size the dialog before it is centred on the main window.
        layout()->activate();
    }
    QDialog::showEvent(event);
}

void Tcreatefrm::FormShow() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadConfig());
    const TDateTime next = nextWeekday(station_.now());
    recomputing_ = true;
    start_[2]->setChecked(true);
    end_[0]->setChecked(true);
    startdatecustom_->setDateTime(toQDateTime(next));
    enddatecustom_->setDateTime(toQDateTime(next));
    startdatecustom_->setEnabled(false);
    enddatecustom_->setEnabled(false);
    recomputing_ = false;

    const UserRecord& me = station_.currentUser();
    if (!me.bypassDeadline) {
        start_[1]->setText(QStringLiteral("Tomorrow (Must be submitted by a certain time)"));
        start_[2]->setText(QStringLiteral("Next Weekday (Must be submitted by a certain time)"));
    }
    for (int k = 0; k < kSetCount; ++k) {
        const NoticeSetConfig& set = station_.db.config.noticeSets[k];
        if (set.name.empty()) {
            sets_[k]->setVisible(false);
            continue;
        }
        sets_[k]->setText(ui::fromRecord(set.name.str()));
        sets_[k]->setVisible(!me.denySet[k]);
    }
}

StartChoice Tcreatefrm::startChoice() const {
    for (int i = 0; i < 4; ++i)
        if (start_[i]->isChecked()) return static_cast<StartChoice>(i);
    return StartChoice::NextWeekday;
}

EndChoice Tcreatefrm::endChoice() const {
    for (int i = 0; i < 4; ++i)
        if (end_[i]->isChecked()) return static_cast<EndChoice>(i);
    return EndChoice::OneDay;
}

void Tcreatefrm::setStartChoice(StartChoice c) {
    start_[static_cast<int>(c)]->click();
}
void Tcreatefrm::setEndChoice(EndChoice c) {
    end_[static_cast<int>(c)]->click();
}

TDateTime Tcreatefrm::startValue() const {
    return fromQDateTime(startdatecustom_->dateTime());
}
TDateTime Tcreatefrm::endValue() const {
    return fromQDateTime(enddatecustom_->dateTime());
}

SetTicks Tcreatefrm::ticks() const {
    return ticksOf(sets_);
}

void Tcreatefrm::recompute() {
    if (recomputing_) return;
    recomputing_ = true;
    const StartChoice sc = startChoice();
    const EndChoice ec = endChoice();
    const TDateTime start = startFor(sc, station_.now(), startValue());
    startdatecustom_->setDateTime(toQDateTime(start));
    startdatecustom_->setEnabled(sc == StartChoice::ThisDate);
    const TDateTime end = endFor(ec, start, endValue());
    enddatecustom_->setDateTime(toQDateTime(end));
    enddatecustom_->setEnabled(ec == EndChoice::UntilDate);
    recomputing_ = false;
}

void Tcreatefrm::BitBtn1Click() {
    const TDateTime start = startValue();
    const TDateTime end = endValue();
    const SetTicks t = ticks();
    const QStringList problems = createDialogChecks(station_.db.config, station_.currentUser(),
                                                    station_.now(), start, end, t);
    for (const QString& m : problems)
        ui::Messages::information(this, m);
    if (!problems.isEmpty()) return;
    hide();
    if (windows_.mainfrm) windows_.mainfrm->createNotice(start, end, t);
}

void Tcreatefrm::BitBtn2Click() {
    hide();
}

void Tcreatefrm::BitBtn3Click() {
    showHelpTopic(QStringLiteral("create.htm"), this);
}

} // namespace pinora
