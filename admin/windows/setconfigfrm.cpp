#include "setconfigfrm.h"

#include "db/station.h"
#include "ui/accessible.h"
#include "ui/dates.h"
#include "ui/helptopics.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

SetRows setRowsOf(const ConfigRecord& config) {
    SetRows rows;
    for (int k = 0; k < kSetCount; ++k) {
        const NoticeSetConfig& s = config.noticeSets[static_cast<std::size_t>(k)];
        SetRow& r = rows[static_cast<std::size_t>(k)];
        r.name = ui::fromRecord(s.name.str());
        r.deadlineEnabled = s.deadlineEnabled;
        r.deadline = shownTime(s.deadline);
        r.maxDaysEnabled = s.maxDaysEnabled;
        r.maxDays = QString::number(s.maxDays);
    }
    return rows;
}

std::optional<QString> storeSetRows(ConfigRecord& config, const SetRows& rows) {
    ConfigRecord c = config;
    for (std::size_t k = 0; k < rows.size(); ++k)
        c.noticeSets[k].name = ui::toRecord(rows[k].name);
    for (std::size_t k = 0; k < rows.size(); ++k)
        c.noticeSets[k].deadlineEnabled = rows[k].deadlineEnabled;
    QString error;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const auto t = typedTime(rows[k].deadline, &error);
        if (!t) return error;
        c.noticeSets[k].deadline = *t;
    }
    for (std::size_t k = 0; k < rows.size(); ++k)
        c.noticeSets[k].maxDaysEnabled = rows[k].maxDaysEnabled;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const auto d = typedInteger(rows[k].maxDays, &error);
        if (!d) return error;
        c.noticeSets[k].maxDays = *d;
    }
    config = c;
    return std::nullopt;
}

Tsetconfigfrm::Tsetconfigfrm(Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
    setObjectName(QStringLiteral("setconfigfrm"));
    setWindowTitle(QStringLiteral("Notice Set Config"));
    auto* top = new QVBoxLayout(this);
    top->setSizeConstraint(QLayout::SetFixedSize); // fixed dialog border

    auto* intro = new QLabel(
        QStringLiteral("Different notice entries appear on different sets of notices. For "
                       "example, you can setup one notice set for Students and another for "
                       "staff. Each notice entry then can appear in one or the other or both. "
                       "Thus you can print a set of notices for one day.  This function allows "
                       "you to give each set a friendly name :-"),
        this);
    intro->setWordWrap(true);
    top->addWidget(intro);

    auto* grid = new QGridLayout;
    top->addLayout(grid);
    const auto edit = [this](const QString& name, int width) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setMaxLength(30);
        e->setFixedWidth(width);
        return e;
    };
    for (int k = 0; k < kSetCount; ++k) {
        const QString n = QString::number(k + 1);
        RowControls& r = rows_[static_cast<std::size_t>(k)];
        r.name = edit(QStringLiteral("set") + n, 200);
        r.ept = new QCheckBox(this);
        r.ept->setObjectName(QStringLiteral("set%1ept").arg(n));
        r.ptime = edit(QStringLiteral("set%1ptime").arg(n), 90);
        r.emd = new QCheckBox(this);
        r.emd->setObjectName(QStringLiteral("set%1emd").arg(n));
        r.maxday = edit(QStringLiteral("set%1maxday").arg(n), 50);
        // Ten rows alike: each field is named with its set, not only its column's label.
        ui::nameAfter(r.ept, QStringLiteral("Set %1 has a deadline").arg(n));
        ui::nameAfter(r.ptime, QStringLiteral("Set %1 deadline").arg(n));
        ui::nameAfter(r.emd, QStringLiteral("Set %1 has most days").arg(n));
        ui::nameAfter(r.maxday, QStringLiteral("Set %1 most days").arg(n));
        int col = 0;
        grid->addWidget(ui::labelFor(r.name, QStringLiteral("Set %1 Name:").arg(n), this), k,
                        col++);
        grid->addWidget(r.name, k, col++);
        grid->addWidget(r.ept, k, col++);
        grid->addWidget(new QLabel(QStringLiteral("Deadline:"), this), k, col++);
        grid->addWidget(r.ptime, k, col++);
        grid->addWidget(r.emd, k, col++);
        grid->addWidget(new QLabel(QStringLiteral("Max Days:"), this), k, col++);
        grid->addWidget(r.maxday, k, col++);
        // A box enables its edit; the text stays either way.
        connect(r.ept, &QCheckBox::toggled, r.ptime, &QWidget::setEnabled);
        connect(r.emd, &QCheckBox::toggled, r.maxday, &QWidget::setEnabled);
    }

    auto* buttons = new QHBoxLayout;
    top->addLayout(buttons);
    buttons->addStretch(1);
    const auto button = [this, buttons](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    connect(button("BitBtn9", "Save"), &QPushButton::clicked, this, &Tsetconfigfrm::BitBtn9Click);
    connect(button("BitBtn10", "Cancel Changes"), &QPushButton::clicked, this,
            &Tsetconfigfrm::BitBtn10Click);
    connect(button("BitBtn11", "Help"), &QPushButton::clicked, this,
            &Tsetconfigfrm::BitBtn11Click);
}

void Tsetconfigfrm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void Tsetconfigfrm::FormShow() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadConfig());
    const SetRows shown = setRowsOf(station_.db.config);
    for (std::size_t k = 0; k < rows_.size(); ++k) {
        const RowControls& r = rows_[k];
        r.name->setText(shown[k].name);
        r.ept->setChecked(shown[k].deadlineEnabled);
        r.ptime->setText(shown[k].deadline);
        r.ptime->setEnabled(shown[k].deadlineEnabled);
        r.emd->setChecked(shown[k].maxDaysEnabled);
        r.maxday->setText(shown[k].maxDays);
        r.maxday->setEnabled(shown[k].maxDaysEnabled);
    }
}

SetRows Tsetconfigfrm::rows() const {
    SetRows out;
    for (std::size_t k = 0; k < rows_.size(); ++k) {
        const RowControls& r = rows_[k];
        out[k] = {r.name->text(), r.ept->isChecked(), r.ptime->text(), r.emd->isChecked(),
                  r.maxday->text()};
    }
    return out;
}

void Tsetconfigfrm::BitBtn9Click() {
    if (rows_[0].name->text().isEmpty()) {
        ui::Messages::information(
            this, QStringLiteral("You must specify at least one notice set for this program to work"));
        return;
    }
    std::optional<QString> error;
    const bool saved = ui::present(station_.db.changeConfig([&] {
        error = storeSetRows(station_.db.config, rows());
        return !error;
    }));
    if (error) ui::Messages::information(this, *error);
    if (saved) accept();
}

void Tsetconfigfrm::BitBtn10Click() {
    reject();
}

void Tsetconfigfrm::BitBtn11Click() {
    showHelpTopic(QStringLiteral("setconf.htm"), this);
}

} // namespace pinora
