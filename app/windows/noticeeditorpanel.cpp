#include "noticeeditorpanel.h"

#include "app/windows/editwidgets.h"
#include "ui/accessible.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace pinora {

namespace {
using ui::Messages;

const char* const kOpeningTags[3] = {"<b>", "<i>", "<u>"};
const char* const kClosingTags[3] = {"</b>", "</i>", "</u>"};
const char* const kTagHelp[3] = {
    "This text will appear, <b> at the beginning of the bold statement and this text </b> at "
    "the end. Do not delete these or your bold statement will not work",
    "This text will appear, <I> at the beginning of the italic statement and this text </i> at "
    "the end. Do not delete these or your italic statement will not work",
    "This text will appear, <u> at the beginning of the underlined statement and this text "
    "</u> at the end. Do not delete these or your underlined statement will not work",
};

QLabel* boldLabel(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QString fileText(const char* verb, const EditResult& r) {
    return QStringLiteral("Cannot %1 file \"%2\". %3")
        .arg(QString::fromLatin1(verb), QString::fromStdString(r.file),
             QString::fromStdString(r.reason));
}
} // namespace

QString editMessageText(const EditResult& r) {
    switch (r.message) {
    case EditMessage::None:
        break;
    case EditMessage::NoSpace:
        return QStringLiteral("There is no space left for any new notices in the Pinora. Contact "
                              "your Pinora Administrator");
    case EditMessage::CannotCreateFile:
        return fileText("create", r);
    case EditMessage::CannotOpenFile:
        return fileText("open", r);
    case EditMessage::BlankNotice:
        return QStringLiteral("This notice has not been submitted because it is blank");
    }
    return {};
}

NoticeEditorPanel::NoticeEditorPanel(Station& station, NoticeEditing& editing, QWidget* parent)
    : QWidget(parent), station_(station), editing_(editing) {
    setObjectName(QStringLiteral("NoticeEditorPanel"));
    auto* v = new QVBoxLayout(this);

    auto* info = new QGroupBox(QStringLiteral("Notice Information"), this);
    info->setObjectName(QStringLiteral("NoticeInformation"));
    auto* grid = new QGridLayout(info);
    auto value = [info](const char* name) {
        auto* l = new QLabel(info);
        l->setObjectName(QString::fromLatin1(name));
        l->setTextFormat(Qt::PlainText); // set names are typed by administrators
        return l;
    };
    idnum_ = value("idnum");
    startdate_ = value("startdate");
    enddate_ = value("enddate");
    noticesets_ = value("noticesets");
    noticesets_->setWordWrap(true);
    noticesets_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    noticesets_->setMinimumHeight(2 * noticesets_->fontMetrics().height());
    grid->addWidget(boldLabel(QStringLiteral("Notice ID Number:"), info), 0, 0);
    grid->addWidget(idnum_, 0, 1);
    grid->addWidget(boldLabel(QStringLiteral("Display on date: "), info), 1, 0);
    grid->addWidget(startdate_, 1, 1);
    grid->addWidget(boldLabel(QStringLiteral("Display until date: "), info), 2, 0);
    grid->addWidget(enddate_, 2, 1);
    grid->addWidget(boldLabel(QStringLiteral("Notice will appear in:"), info), 3, 0, Qt::AlignTop);
    grid->addWidget(noticesets_, 3, 1);
    grid->setColumnStretch(1, 1);
    v->addWidget(info);

    notice_ = new QPlainTextEdit(this);
    notice_->setObjectName(QStringLiteral("notice"));
    notice_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A page has no use for a tab character; a keyboard user needs Tab to reach Submit.
    notice_->setTabChangesFocus(true);
    ui::nameAfter(notice_, QStringLiteral("Notice text"));
    v->addWidget(notice_, 1);

    // The date and set groups sit under the text, at its right.
    auto* groups = new QHBoxLayout;
    groups->addStretch(1);
    editDates_ = new QGroupBox(QStringLiteral("Edit Dates:"), this);
    editDates_->setObjectName(QStringLiteral("EditDates"));
    auto* dg = new QGridLayout(editDates_);
    editStart_ = makeDatePicker("Editstartdate", editDates_);
    editEnd_ = makeDatePicker("EditEndDate", editDates_);
    dg->addWidget(ui::labelFor(editStart_, QStringLiteral("Display on date:"), editDates_), 0, 0);
    dg->addWidget(editStart_, 0, 1);
    dg->addWidget(ui::labelFor(editEnd_, QStringLiteral("Display until:"), editDates_), 1, 0);
    dg->addWidget(editEnd_, 1, 1);
    dg->addWidget(makeButton("BitBtn1", QStringLiteral("Update"), editDates_), 0, 2);
    dg->addWidget(makeButton("BitBtn2", QStringLiteral("Cancel"), editDates_), 1, 2);
    editDates_->hide();
    groups->addWidget(editDates_);

    editSets_ = new QGroupBox(QStringLiteral("Notice Sets:"), this);
    editSets_->setObjectName(QStringLiteral("editnoticeset"));
    auto* sg = new QGridLayout(editSets_);
    sg->addWidget(new QLabel(QStringLiteral("Notice will appear in the following sets of notices:"),
                             editSets_),
                  0, 0, 1, 5);
    for (int k = 0; k < kSetCount; ++k) {
        setBoxes_[k] = new QCheckBox(editSets_);
        setBoxes_[k]->setObjectName(QStringLiteral("set%1").arg(k + 1));
        // Shown with its set's name when the editor opens; until then it has no words.
        setBoxes_[k]->hide();
        sg->addWidget(setBoxes_[k], 1 + k % 2, k / 2);
    }
    sg->addWidget(makeButton("BitBtn3", QStringLiteral("Update"), editSets_), 1, 4);
    sg->addWidget(makeButton("BitBtn4", QStringLiteral("Cancel"), editSets_), 2, 4);
    editSets_->hide();
    groups->addWidget(editSets_);
    v->addLayout(groups);

    options_ = new QWidget(this);
    options_->setObjectName(QStringLiteral("Options"));
    auto* ob = new QHBoxLayout(options_);
    auto* submit = makeButton("submitbtn", QStringLiteral("Submit"), options_);
    QFont bold = submit->font();
    bold.setBold(true);
    submit->setFont(bold);
    ob->addWidget(submit);
    ob->addWidget(makeButton("CancelBtn", QStringLiteral("Cancel"), options_));
    ob->addWidget(makeButton("BitBtn5", QStringLiteral("Help"), options_));
    ob->addWidget(makeButton("DateBtn", QStringLiteral("Edit Dates"), options_));
    ob->addWidget(makeButton("NoticeBtn", QStringLiteral("Edit Sets"), options_));
    deleteBtn_ = makeButton("DeleteBtn", QStringLiteral("Delete Entry"), options_);
    ob->addWidget(deleteBtn_);
    ob->addStretch(1);
    v->addWidget(options_);
}

QPushButton* NoticeEditorPanel::button(const char* name) const {
    return findChild<QPushButton*>(QString::fromLatin1(name));
}

void NoticeEditorPanel::setTagButtons(QToolButton* bold, QToolButton* italic,
                                      QToolButton* underline) {
    tagButtons_[0] = bold;
    tagButtons_[1] = italic;
    tagButtons_[2] = underline;
    for (QToolButton* b : tagButtons_)
        b->setCheckable(true);
    for (Tag t : {Tag::Bold, Tag::Italic, Tag::Underline})
        drawTagButton(t);
}

void NoticeEditorPanel::start(int n, bool created) {
    for (bool& o : open_)
        o = false;
    for (Tag t : {Tag::Bold, Tag::Italic, Tag::Underline})
        drawTagButton(t);
    // A notice that replaces another in the editor starts without the other's sub-editor.
    editDates_->hide();
    editSets_->hide();
    options_->setEnabled(true);
    showNoticeInformation(n);
    notice_->clear();
    deleteBtn_->setVisible(!created);
}

void NoticeEditorPanel::setText(const QString& text) {
    notice_->setPlainText(text);
}

QString NoticeEditorPanel::text() const {
    return notice_->toPlainText();
}

void NoticeEditorPanel::showNoticeInformation(int n) {
    const NoticeRecord& r = station_.db.notice(n);
    idnum_->setText(QString::number(n));
    startdate_->setText(shownDate(r.startDate));
    enddate_->setText(shownDate(r.endDate));
    noticesets_->setText(noticeSetsText(station_.db.config, r));
}

// ---- markup -------------------------------------------------------------------------------

bool NoticeEditorPanel::tagOpen(Tag tag) const {
    return open_[static_cast<int>(tag)];
}

void NoticeEditorPanel::drawTagButton(Tag tag) {
    QToolButton* b = tagButtons_[static_cast<int>(tag)];
    if (!b) return;
    const bool open = tagOpen(tag);
    // An open tag shows its button flat (pressed in); a closed one raised.
    b->setChecked(open);
    b->setAutoRaise(open);
}

void NoticeEditorPanel::insertText(const QString& text) {
    notice_->insertPlainText(text);
}

void NoticeEditorPanel::toggleTag(Tag tag) {
    const int i = static_cast<int>(tag);
    open_[i] = !open_[i];
    insertText(QString::fromLatin1(open_[i] ? kOpeningTags[i] : kClosingTags[i]));
    drawTagButton(tag);
}

void NoticeEditorPanel::tagButtonClick(Tag tag) {
    toggleTag(tag);
    if (station_.currentUser().extraHelp)
        Messages::information(this, QString::fromLatin1(kTagHelp[static_cast<int>(tag)]));
}

void NoticeEditorPanel::closeOpenTags() {
    for (Tag t : {Tag::Bold, Tag::Italic, Tag::Underline})
        if (tagOpen(t)) toggleTag(t);
}

void NoticeEditorPanel::forceReturn() {
    insertText(QStringLiteral("<br>"));
}

void NoticeEditorPanel::insertPicture() {
    QStringList patterns;
    for (const QByteArray& f : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(f);
    const QString chosen =
        Messages::openFile(this, QStringLiteral("Insert Picture"), QDir::currentPath(),
                           QStringLiteral("Pictures (%1);;All files (*)").arg(patterns.join(u' ')));
    if (chosen.isEmpty()) return;
    std::string copy;
    const EditResult r = editing_.copyPicture(QFile::encodeName(chosen).toStdString(), copy);
    if (!r.ok) {
        Messages::information(this, editMessageText(r));
        return;
    }
    insertText(QStringLiteral("<IMG SRC=\"") + QString::fromStdString(copy) +
               QStringLiteral("\">"));
    if (station_.currentUser().extraHelp)
        Messages::information(this, QStringLiteral("IMPORTANT: The following text has been "
                                                   "entered into your notice. If you delete or "
                                                   "partially remove this text, your picture "
                                                   "will not appear in notices"));
}

// ---- date and set groups ------------------------------------------------------------------

void NoticeEditorPanel::closeGroup(QGroupBox* group) {
    options_->setEnabled(true);
    group->hide();
}

void NoticeEditorPanel::openDateEditor() {
    const NoticeRecord& r = station_.db.notice(editing_.current());
    editStart_->setDateTime(toQDateTime(r.startDate));
    editEnd_->setDateTime(toQDateTime(r.endDate));
    editDates_->show();
    options_->setEnabled(false);
}

void NoticeEditorPanel::cancelDates() {
    closeGroup(editDates_);
}

void NoticeEditorPanel::updateDates() {
    const int n = editing_.current();
    const TDateTime start = fromQDateTime(editStart_->dateTime());
    const TDateTime end = fromQDateTime(editEnd_->dateTime());
    SetTicks inSet{};
    const NoticeRecord& r = station_.db.notice(n);
    for (int k = 0; k < kSetCount; ++k)
        inSet[static_cast<std::size_t>(k)] = r.inSet[k];
    const DateEditResult check = dateEditorChecks(station_.db.config, station_.currentUser(),
                                                  station_.now(), start, end, inSet);
    for (const QString& m : check.messages)
        Messages::information(this, m);
    if (check.movedStart) editStart_->setDateTime(toQDateTime(*check.movedStart));
    if (!check.ok) return;

    setBusy(true);
    if (!ui::present(editing_.updateDates(start, end))) {
        setBusy(false);
        return;
    }
    closeGroup(editDates_);
    showNoticeInformation(n);
    setBusy(false);
}

void NoticeEditorPanel::openSetEditor() {
    editSets_->show();
    options_->setEnabled(false);
    const NoticeRecord& r = station_.db.notice(editing_.current());
    const UserRecord& me = station_.currentUser();
    for (int k = 0; k < kSetCount; ++k) {
        const NoticeSetConfig& set = station_.db.config.noticeSets[k];
        QCheckBox* box = setBoxes_[k];
        if (set.name.empty()) {
            box->setVisible(false);
            continue;
        }
        box->setVisible(!me.denySet[k]);
        box->setText(ui::fromRecord(set.name.str()));
        box->setChecked(r.inSet[k]);
    }
}

void NoticeEditorPanel::cancelSets() {
    closeGroup(editSets_);
}

void NoticeEditorPanel::updateSets() {
    const SetTicks ticks = ticksOf(setBoxes_);
    const QString problem = setEditorCheck(ticks);
    if (!problem.isEmpty()) {
        Messages::information(this, problem);
        return;
    }
    setBusy(true);
    if (!ui::present(editing_.updateSets(ticks))) {
        setBusy(false);
        return;
    }
    closeGroup(editSets_);
    showNoticeInformation(editing_.current());
    setBusy(false);
}

} // namespace pinora
