#include "importfrm.h"

#include "db/import14.h"
#include "db/station.h"
#include "ui/accessible.h"
#include "ui/busy.h"
#include "ui/dates.h"
#include "ui/messages.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

TImportfrm::TImportfrm(Station& station, QWidget* parent) : QDialog(parent), station_(station) {
    setObjectName(QStringLiteral("Importfrm"));
    setWindowTitle(QStringLiteral("Import"));
    auto* top = new QVBoxLayout(this);
    top->setSizeConstraint(QLayout::SetFixedSize); // fixed dialog border

    const auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto* intro = label("Label1",
                        QStringLiteral("This will attempt to import data from the old Pinora. "
                                       "Please note that the notices will be assigned to ADMIN "
                                       "Account. It is recommended you do a data integrity check "
                                       "afterwards. Pinora 1.4 had STUDENT and STAFF Notices. "
                                       "Please select the sets below they should correspond to."));
    intro->setWordWrap(true);
    intro->setFixedWidth(460);
    top->addWidget(intro);

    auto* grid = new QGridLayout;
    top->addLayout(grid);
    const auto list = [this](const char* name) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setMinimumWidth(200);
        return c;
    };
    importset1_ = list("importset1");
    importset2_ = list("importset2");
    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("path"));
    const auto row = [grid, &label](int r, const char* name, const QString& text, QWidget* field) {
        QLabel* l = label(name, text);
        l->setBuddy(field);
        grid->addWidget(l, r, 0);
        grid->addWidget(field, r, 1);
    };
    row(0, "Label2", QStringLiteral("Staff Notices should import into:"), importset1_);
    row(1, "Label3", QStringLiteral("Student Notices should import into:"), importset2_);
    row(2, "Label4", QStringLiteral("Path to OLD Pinora: (eg p:\\notice\\)"), path_);

    auto* buttons = new QHBoxLayout;
    top->addLayout(buttons);
    auto* import = new QPushButton(QStringLiteral("Import"), this);
    import->setObjectName(QStringLiteral("Import"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Button1"));
    buttons->addStretch(1);
    buttons->addWidget(import);
    buttons->addWidget(cancel);
    connect(import, &QPushButton::clicked, this, &TImportfrm::ImportClick);
    connect(cancel, &QPushButton::clicked, this, &TImportfrm::Button1Click);

    progress_ = new QPlainTextEdit(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setReadOnly(true);
    ui::nameAfter(progress_, QStringLiteral("Import progress"));
    progress_->setFixedHeight(180);
    top->addWidget(progress_);
}

void TImportfrm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TImportfrm::FormShow() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadConfig());
    for (QComboBox* list : {importset1_, importset2_}) {
        list->clear();
        // Each choice keeps its set's number: two sets may share a name.
        for (int k = 0; k < kSetCount; ++k) {
            const NoticeSetConfig& s = station_.db.config.noticeSets[k];
            if (!s.name.empty()) list->addItem(ui::fromRecord(s.name.str()), k + 1);
        }
        list->setCurrentIndex(-1);
    }
}

void TImportfrm::ImportClick() {
    if (importset1_->currentIndex() < 0 || importset2_->currentIndex() < 0 ||
        path_->text().isEmpty()) {
        ui::Messages::information(this, QStringLiteral("You must specify all fields"));
        return;
    }
    progress_->clear();
    Release14Import rq;
    rq.folder = QFile::encodeName(path_->text()).toStdString();
    rq.staffSet = importset1_->currentData().toInt();
    rq.studentSet = importset2_->currentData().toInt();
    rq.user = station_.currentUserName;
    rq.log = [this](const std::string& line) {
        progress_->appendPlainText(QString::fromStdString(line));
        QApplication::processEvents();
    };
    rq.shortDate = [](TDateTime t) { return shownDate(t).toStdString(); };
    // The log lets the window system catch up while lock N is held: a second Import, Cancel
    // or the close box would otherwise start or end something in the middle of it.
    const ui::StationBusy busy;
    const ImportOutcome r = importRelease14(station_.db, rq);
    ui::present(r.result);
    if (!r.message.empty()) ui::Messages::information(this, QString::fromStdString(r.message));
}

void TImportfrm::Button1Click() {
    reject();
}

} // namespace pinora
