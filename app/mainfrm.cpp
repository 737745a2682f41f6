#include "mainfrm.h"

#include "app/createfrm.h"
#include "app/editwidgets.h"
#include "app/toolicons.h"
#include "db/text.h"
#include "help/helpviewer.h"
#include "ui/lockfrm.h"
#include "ui/messages.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pinora {

namespace {
using ui::Messages;

const char* const kTagButtonNames[3] = {"BoldBtn", "ItalicBtn", "UnderLineBtn"};
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

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// Reads the whole file first, so that choosing the copy itself cannot truncate it.
bool copyWhole(const QString& from, const QString& to, QString& error) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot open file \"%1\". %2").arg(from, in.errorString());
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        error = QStringLiteral("Cannot read file \"%1\". %2").arg(from, in.errorString());
        return false;
    }
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = QStringLiteral("Cannot create file \"%1\". %2").arg(to, out.errorString());
        return false;
    }
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        error = QStringLiteral("Cannot write file \"%1\". %2").arg(to, out.errorString());
        return false;
    }
    return true;
}

QString fileError(const char* verb, const std::string& path, const std::string& why) {
    return QStringLiteral("Cannot %1 file \"%2\". %3")
        .arg(QString::fromLatin1(verb), QString::fromStdString(path), QString::fromStdString(why));
}
} // namespace

// ---- busy light ---------------------------------------------------------------------------

BusyLight::BusyLight(QWidget* parent) : QWidget(parent), color_(Qt::green) {
    setFixedSize(16, 16);
}

void BusyLight::setColor(const QColor& c) {
    color_ = c;
    repaint();
}

void BusyLight::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(color_);
    p.drawEllipse(QRectF(2, 2, 12, 12));
}

// ---- construction -------------------------------------------------------------------------

Tmainfrm::Tmainfrm(Station& station, AppWindows& windows, QWidget* parent)
    : QMainWindow(parent), station_(station), windows_(windows) {
    setObjectName(QStringLiteral("mainfrm"));
    setWindowTitle(QStringLiteral("Pinora 2"));
    if (!windows_.mainfrm) windows_.mainfrm = this;

    status_ = new QLabel(QStringLiteral("Waiting for Logon...."), this);
    status_->setObjectName(QStringLiteral("status"));
    statusBar()->addWidget(status_, 1);
    busy_ = new BusyLight(this);
    busy_->setObjectName(QStringLiteral("busy"));
    busy_->setToolTip(QStringLiteral("When this light is red, the notice system is busy, when "
                                     "this light is green, it is ready to be used. "));
    statusBar()->addPermanentWidget(busy_);
    busy_->hide();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(central);

    buildMenus();
    buildToolbars();
    layout->addWidget(toolbar_);
    buildEditor();
    layout->addWidget(panel_, 1);
    layout->addStretch(0);
    // Until the program supplies a window of its own, "About" names the program and version.
    commands_[Command::About] = [this] {
        Messages::information(this, QStringLiteral("Pinora 2\nVersion 2.5"));
    };
    refreshCommands();

    if (!windows_.lockfrm) {
        windows_.lockfrm = new Tlockfrm(this);
        installLockWaitWindow(station_, *windows_.lockfrm);
    }
    if (!windows_.createfrm) windows_.createfrm = new Tcreatefrm(station_, windows_, this);
    resize(800, 600);
}

// The registry must not point at windows that go with this one.
Tmainfrm::~Tmainfrm() {
    if (windows_.mainfrm == this) windows_.mainfrm = nullptr;
    if (windows_.createfrm && windows_.createfrm->parent() == this) windows_.createfrm = nullptr;
    if (windows_.lockfrm && windows_.lockfrm->parent() == this) windows_.lockfrm = nullptr;
}

QAction* Tmainfrm::addItem(QMenu* menu, const char* name, const QString& caption,
                           std::function<void()> handler) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (handler) connect(a, &QAction::triggered, this, [handler] { handler(); });
    return a;
}

void Tmainfrm::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    addItem(file, "CreateaNotice1", QStringLiteral("&Create a Notice"),
            [this] { CreateaNotice1Click(); });
    commandControls_[Command::Browse].push_back(addItem(file, "ViewEditaNotice1",
                                                        QStringLiteral("&View/Edit a Notice"),
                                                        [this] { browseNotices(); }));
    file->addSeparator();
    auto& preview = commandControls_[Command::PreviewDialog];
    preview.push_back(addItem(file, "PrintNotice1", QStringLiteral("&Print Notices"),
                              [this] { openPreview(2); }));
    preview.push_back(addItem(file, "PreviewNotices1", QStringLiteral("Pre&view Notices"),
                              [this] { openPreview(1); }));
    preview.push_back(addItem(file, "PublishNotices1", QStringLiteral("Pu&blish Notices"),
                              [this] { openPreview(3); }));
    file->addSeparator();
    commandControls_[Command::ChangeMyInformation].push_back(
        addItem(file, "Changemyinformation1", QStringLiteral("&Change my information"),
                [this] { runCommand(Command::ChangeMyInformation); }));
    file->addSeparator();
    addItem(file, "Exit1", QStringLiteral("E&xit"), [this] { close(); });

    editmenu_ = bar->addMenu(QStringLiteral("&Edit"));
    editmenu_->setObjectName(QStringLiteral("editmenu"));
    addItem(editmenu_, "Cut1", QStringLiteral("C&ut"), [this] { notice_->cut(); });
    addItem(editmenu_, "Copy1", QStringLiteral("&Copy"), [this] { notice_->copy(); });
    addItem(editmenu_, "Paste1", QStringLiteral("&Paste"), [this] { notice_->paste(); });
    editmenu_->addSeparator();
    addItem(editmenu_, "InsertPicture1", QStringLiteral("Insert Picture"),
            [this] { insertPicture(); });
    addItem(editmenu_, "ForceReturn1", QStringLiteral("Force &Return"), [this] { forceReturn(); });
    editmenu_->menuAction()->setVisible(false);

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    commandControls_[Command::Browse].push_back(addItem(
        view, "NoticeEntries1", QStringLiteral("Notice &Entries"), [this] { browseNotices(); }));
    preview.push_back(addItem(view, "NoticePrintPreview1", QStringLiteral("Notice Print &Preview"),
                              [this] { openPreview(4); }));

    adminmenu_ = bar->addMenu(QStringLiteral("&Administrator"));
    adminmenu_->setObjectName(QStringLiteral("adminmenu"));
    auto admin = [this](const char* name, const QString& caption, Command c) {
        commandControls_[c].push_back(
            addItem(adminmenu_, name, caption, [this, c] { runCommand(c); }));
    };
    admin("UserManagement1", QStringLiteral("&User Management"), Command::UserManagement);
    commandControls_[Command::LoginConfig].push_back(
        addItem(adminmenu_, "LoginMangment1", QStringLiteral("User &Authentication Management"),
                [this] { LoginMangment1Click(); }));
    commandControls_[Command::DefaultSecurity].push_back(
        addItem(adminmenu_, "DefaultSecurityUserLevels1",
                QStringLiteral("Default &Security Levels for new users"),
                [this] { DefaultSecurityUserLevels1Click(); }));
    adminmenu_->addSeparator();
    admin("NoticeFormatter1", QStringLiteral("&Page Formatter"), Command::PageFormatter);
    admin("NoticeSetsConfig1", QStringLiteral("&Notice Sets Config"), Command::NoticeSetsConfig);
    admin("PublishHTMLSettings1", QStringLiteral("&Web Server Config"), Command::WebServerConfig);
    admin("SchoolInformation1", QStringLiteral("School &Information"), Command::SchoolInformation);
    adminmenu_->addSeparator();
    admin("DataIntegrityCheck1", QStringLiteral("&Data Integrity Check"), Command::IntegrityCheck);
    addItem(adminmenu_, "ReportonUsage1", QStringLiteral("&Report on Usage"),
            [this] { reportUsage(); });
    addItem(adminmenu_, "ClearLocks1", QStringLiteral("&Clear Locks"), [this] { clearLocks(); });
    adminmenu_->addSeparator();
    admin("ImportDBfromPinorav11", QStringLiteral("Import DB from Pinora 1.4"), Command::Import);
    adminmenu_->menuAction()->setVisible(false);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    addItem(help, "Instructions1", QStringLiteral("&Instructions"),
            [this] { Instructions1Click(); });
    commandControls_[Command::About].push_back(
        addItem(help, "About1", QStringLiteral("&About"), [this] { runCommand(Command::About); }));
}

QToolButton* Tmainfrm::addButton(QToolBar* bar, const char* name, const QString& hint,
                                 QAction* /*action*/, std::function<void()> handler, int picture) {
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setIcon(toolIcon(static_cast<ToolPicture>(picture)));
    b->setIconSize(QSize(24, 24));
    connect(b, &QToolButton::clicked, this, [handler] { handler(); });
    bar->addWidget(b);
    return b;
}

void Tmainfrm::buildToolbars() {
    toolbar_ = new QWidget(this);
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    auto* row = new QHBoxLayout(toolbar_);
    row->setContentsMargins(2, 2, 2, 2);
    auto makeBar = [this, row](const char* name) {
        auto* tb = new QToolBar(toolbar_);
        tb->setObjectName(QString::fromLatin1(name));
        tb->setIconSize(QSize(24, 24));
        row->addWidget(tb);
        return tb;
    };
    auto pic = [](ToolPicture p) { return static_cast<int>(p); };

    maintb_ = makeBar("maintb");
    addButton(
        maintb_, "SpeedButton1", QStringLiteral("New Notice"), nullptr,
        [this] { CreateaNotice1Click(); }, pic(ToolPicture::NewNotice));
    commandControls_[Command::Browse].push_back(addButton(
        maintb_, "SpeedButton2", QStringLiteral("Edit/Delete a Notice"), nullptr,
        [this] { browseNotices(); }, pic(ToolPicture::Browse)));
    auto& preview = commandControls_[Command::PreviewDialog];
    preview.push_back(addButton(
        maintb_, "SpeedButton3", QStringLiteral("Print a days notices"), nullptr,
        [this] { openPreview(2); }, pic(ToolPicture::Print)));
    preview.push_back(addButton(
        maintb_, "SpeedButton4", QStringLiteral("Preview a days notices"), nullptr,
        [this] { openPreview(1); }, pic(ToolPicture::Preview)));
    preview.push_back(addButton(
        maintb_, "SpeedButton5", QStringLiteral("Publish a days notices to HTML"), nullptr,
        [this] { openPreview(3); }, pic(ToolPicture::Publish)));

    edittb_ = makeBar("edittb");
    addButton(
        edittb_, "SpeedButton6", QStringLiteral("Cut"), nullptr, [this] { notice_->cut(); },
        pic(ToolPicture::Cut));
    addButton(
        edittb_, "SpeedButton7", QStringLiteral("Copy"), nullptr, [this] { notice_->copy(); },
        pic(ToolPicture::Copy));
    addButton(
        edittb_, "SpeedButton8", QStringLiteral("Paste"), nullptr, [this] { notice_->paste(); },
        pic(ToolPicture::Paste));
    addButton(
        edittb_, "SpeedButton14", QString(), nullptr, [this] { forceReturn(); },
        pic(ToolPicture::LineBreak));
    addButton(
        edittb_, "SpeedButton13", QStringLiteral("Insert Picture"), nullptr,
        [this] { insertPicture(); }, pic(ToolPicture::Picture));
    tagButtons_[0] = addButton(
        edittb_, kTagButtonNames[0], QStringLiteral("Bold"), nullptr, [this] { BoldBtnClick(); },
        pic(ToolPicture::Bold));
    tagButtons_[1] = addButton(
        edittb_, kTagButtonNames[1], QStringLiteral("Italic"), nullptr,
        [this] { ItalicBtnClick(); }, pic(ToolPicture::Italic));
    tagButtons_[2] = addButton(
        edittb_, kTagButtonNames[2], QStringLiteral("Underline"), nullptr,
        [this] { UnderLineBtnClick(); }, pic(ToolPicture::Underline));
    for (QToolButton* b : tagButtons_)
        b->setCheckable(true);
    for (Tag t : {Tag::Bold, Tag::Italic, Tag::Underline})
        drawTagButton(t);
    edittb_->setVisible(false);

    admintb_ = makeBar("admintb");
    commandControls_[Command::UserManagement].push_back(addButton(
        admintb_, "SpeedButton9", QStringLiteral("User Management"), nullptr,
        [this] { runCommand(Command::UserManagement); }, pic(ToolPicture::Users)));
    commandControls_[Command::IntegrityCheck].push_back(addButton(
        admintb_, "SpeedButton10", QStringLiteral("Data Integrity Check"), nullptr,
        [this] { runCommand(Command::IntegrityCheck); }, pic(ToolPicture::Check)));
    addButton(
        admintb_, "SpeedButton11", QStringLiteral("Report on Usage"), nullptr,
        [this] { reportUsage(); }, pic(ToolPicture::Report));
    admintb_->setVisible(false);

    helptb_ = makeBar("helptb");
    addButton(
        helptb_, "SpeedButton12", QStringLiteral("Instructions"), nullptr,
        [this] { Instructions1Click(); }, pic(ToolPicture::Help));
    row->addStretch(1);
    toolbar_->setVisible(false);
}

void Tmainfrm::buildEditor() {
    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("NoticeEditorPanel"));
    auto* v = new QVBoxLayout(panel_);

    auto* info = new QGroupBox(QStringLiteral("Notice Information"), panel_);
    info->setObjectName(QStringLiteral("NoticeInformation"));
    auto* grid = new QGridLayout(info);
    auto value = [info](const char* name) {
        auto* l = new QLabel(info);
        l->setObjectName(QString::fromLatin1(name));
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

    notice_ = new QPlainTextEdit(panel_);
    notice_->setObjectName(QStringLiteral("notice"));
    notice_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    v->addWidget(notice_, 1);

    // The date and set groups sit under the text, at its right.
    auto* groups = new QHBoxLayout;
    groups->addStretch(1);
    editDates_ = new QGroupBox(QStringLiteral("Edit Dates:"), panel_);
    editDates_->setObjectName(QStringLiteral("EditDates"));
    auto* dg = new QGridLayout(editDates_);
    editStart_ = makeDatePicker("Editstartdate", editDates_);
    editEnd_ = makeDatePicker("EditEndDate", editDates_);
    dg->addWidget(new QLabel(QStringLiteral("Display on date:"), editDates_), 0, 0);
    dg->addWidget(editStart_, 0, 1);
    dg->addWidget(new QLabel(QStringLiteral("Display until:"), editDates_), 1, 0);
    dg->addWidget(editEnd_, 1, 1);
    auto* du = button("BitBtn1", QStringLiteral("Update"), editDates_);
    auto* dc = button("BitBtn2", QStringLiteral("Cancel"), editDates_);
    dg->addWidget(du, 0, 2);
    dg->addWidget(dc, 1, 2);
    connect(du, &QPushButton::clicked, this, [this] { EditDatesUpdateClick(); });
    connect(dc, &QPushButton::clicked, this, [this] { EditDatesCancelClick(); });
    editDates_->hide();
    groups->addWidget(editDates_);

    editSets_ = new QGroupBox(QStringLiteral("Notice Sets:"), panel_);
    editSets_->setObjectName(QStringLiteral("editnoticeset"));
    auto* sg = new QGridLayout(editSets_);
    sg->addWidget(new QLabel(QStringLiteral("Notice will appear in the following sets of notices:"),
                             editSets_),
                  0, 0, 1, 5);
    for (int k = 0; k < kSetCount; ++k) {
        setBoxes_[k] = new QCheckBox(editSets_);
        setBoxes_[k]->setObjectName(QStringLiteral("set%1").arg(k + 1));
        sg->addWidget(setBoxes_[k], 1 + k % 2, k / 2);
    }
    auto* su = button("BitBtn3", QStringLiteral("Update"), editSets_);
    auto* sc = button("BitBtn4", QStringLiteral("Cancel"), editSets_);
    sg->addWidget(su, 1, 4);
    sg->addWidget(sc, 2, 4);
    connect(su, &QPushButton::clicked, this, [this] { EditSetsUpdateClick(); });
    connect(sc, &QPushButton::clicked, this, [this] { EditSetsCancelClick(); });
    editSets_->hide();
    groups->addWidget(editSets_);
    v->addLayout(groups);

    options_ = new QWidget(panel_);
    options_->setObjectName(QStringLiteral("Options"));
    auto* ob = new QHBoxLayout(options_);
    auto* submit = button("submitbtn", QStringLiteral("Submit"), options_);
    QFont bold = submit->font();
    bold.setBold(true);
    submit->setFont(bold);
    auto* cancel = button("CancelBtn", QStringLiteral("Cancel"), options_);
    auto* help = button("BitBtn5", QStringLiteral("Help"), options_);
    auto* dates = button("DateBtn", QStringLiteral("Edit Dates"), options_);
    auto* sets = button("NoticeBtn", QStringLiteral("Edit Sets"), options_);
    deleteBtn_ = button("DeleteBtn", QStringLiteral("Delete Entry"), options_);
    for (QPushButton* b : {submit, cancel, help, dates, sets, deleteBtn_})
        ob->addWidget(b);
    ob->addStretch(1);
    connect(submit, &QPushButton::clicked, this, [this] { submitbtnClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    connect(help, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(dates, &QPushButton::clicked, this, [this] { DateBtnClick(); });
    connect(sets, &QPushButton::clicked, this, [this] { NoticeBtnClick(); });
    connect(deleteBtn_, &QPushButton::clicked, this, [this] { DeleteBtnClick(); });
    v->addWidget(options_);
    panel_->hide();
}

// ---- commands that other windows provide --------------------------------------------------

void Tmainfrm::setCommand(Command command, std::function<void()> open) {
    commands_[command] = std::move(open);
    refreshCommands();
}

void Tmainfrm::refreshCommands() {
    for (auto& [command, controls] : commandControls_) {
        const bool on = static_cast<bool>(commands_[command]);
        for (QObject* o : controls) {
            if (auto* a = qobject_cast<QAction*>(o)) a->setEnabled(on);
            if (auto* w = qobject_cast<QWidget*>(o)) w->setEnabled(on);
        }
    }
}

void Tmainfrm::runCommand(Command command) {
    auto it = commands_.find(command);
    if (it != commands_.end() && it->second) it->second();
}

void Tmainfrm::openPreview(int mode) {
    previewMode_ = mode;
    runCommand(Command::PreviewDialog);
}

void Tmainfrm::superUserCommand(Command command) {
    if (!station_.currentUser().superUser) {
        Messages::information(this, QStringLiteral("Only super users may access this menu"));
        return;
    }
    runCommand(command);
}

void Tmainfrm::Instructions1Click() {
    showHelpTopic(QStringLiteral("main.htm"), this);
}

void Tmainfrm::BitBtn5Click() {
    showHelpTopic(QStringLiteral("editing.htm"), this);
}

void Tmainfrm::CreateaNotice1Click() {
    windows_.createfrm->showDialog();
}

// ---- logon and the busy light -------------------------------------------------------------

void Tmainfrm::setupMainWindowForUser() {
    status_->setText(QStringLiteral("Current User: ") + ui::fromRecord(station_.currentUserName));
    busy_->show();
    setBusy(false);
    editmenu_->menuAction()->setVisible(false);
    edittb_->setVisible(false);
    toolbar_->setVisible(true);
    const UserRecord& me = station_.currentUser();
    const bool admin = me.adminMenu || me.superUser;
    adminmenu_->menuAction()->setVisible(admin);
    admintb_->setVisible(admin);
    setWindowTitle(admin ? QStringLiteral("Pinora 2 (A)") : QStringLiteral("Pinora 2"));
}

void Tmainfrm::setBusy(bool on) {
    if (on) {
        busy_->setColor(QColor(255, 0, 0));
        return;
    }
    // Lets the red light be seen even after the shortest operation.
    station_.services().sleeper->sleepMs(100);
    busy_->setColor(QColor(0, 255, 0));
}

// ---- editing ------------------------------------------------------------------------------

void Tmainfrm::createNotice(TDateTime start, TDateTime end, const SetTicks& inSet) {
    setBusy(true);
    int n = -1;
    std::string fileError_;
    const AllocStatus st = station_.allocateNotice(start, end, inSet, n, &fileError_);
    if (st == AllocStatus::Full) {
        Messages::information(this, QStringLiteral("There is no space left for any new notices "
                                                   "in the Pinora. Contact your Pinora "
                                                   "Administrator"));
        setBusy(false);
        return;
    }
    if (st != AllocStatus::Ok) {
        if (!fileError_.empty() && n > 0) {
            // The slot may still hold the file of an earlier notice; giving it up keeps that
            // text from appearing under the new notice.
            Messages::information(this,
                                  fileError("create", station_.db.messageFilePath(n), fileError_));
            station_.freeNotice(n, "Cancel Notice");
        }
        setBusy(false);
        return;
    }
    notice_->clear();
    openNoticeInEditor(n, true);
    setBusy(false);
}

void Tmainfrm::showEditorParts(bool shown) {
    editmenu_->menuAction()->setVisible(shown);
    edittb_->setVisible(shown);
    panel_->setVisible(shown);
}

void Tmainfrm::closeEditor() {
    editingNotice_ = false;
    showEditorParts(false);
}

void Tmainfrm::openNoticeInEditor(int n, bool created) {
    currentNoticeNumber_ = n;
    boldOpen_ = italicOpen_ = underlineOpen_ = false;
    for (Tag t : {Tag::Bold, Tag::Italic, Tag::Underline})
        drawTagButton(t);
    // A notice that replaces another in the editor starts without the other's sub-editor.
    editDates_->hide();
    editSets_->hide();
    options_->setEnabled(true);
    showEditorParts(true);
    showNoticeInformation(n);
    newlyCreated_ = created;
    notice_->clear();
    deleteBtn_->setVisible(!created);
    if (!created && station_.db.messageFileExists(n)) {
        std::string error;
        const auto text = station_.db.readMessageFile(n, &error);
        if (!text) {
            // Editing an empty copy could overwrite the stored text on "Submit".
            Messages::information(this, fileError("open", station_.db.messageFilePath(n), error));
            closeEditor();
            return;
        }
        QString t = ui::fromRecord(*text);
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (t.endsWith(u'\n')) t.chop(1);
        notice_->setPlainText(t);
    }
    editingNotice_ = true;
    notice_->setFocus();
}

void Tmainfrm::showNoticeInformation(int n) {
    const NoticeRecord& r = station_.db.notice(n);
    idnum_->setText(QString::number(n));
    startdate_->setText(shownDate(r.startDate));
    enddate_->setText(shownDate(r.endDate));
    noticesets_->setText(noticeSetsText(station_.db.config, r));
}

void Tmainfrm::submitNotice() {
    setBusy(true);
    if (boldOpen_) toggleTag(Tag::Bold);
    if (italicOpen_) toggleTag(Tag::Italic);
    if (underlineOpen_) toggleTag(Tag::Underline);
    const QString text = notice_->toPlainText();
    if (text.isEmpty()) {
        cancelNotice();
        Messages::information(this, QStringLiteral("This notice has not been submitted because "
                                                   "it is blank"));
        setBusy(false);
        return;
    }
    std::string error;
    if (!station_.db.writeMessageFile(currentNoticeNumber_, ui::toRecord(text), &error)) {
        Messages::information(
            this, fileError("create", station_.db.messageFilePath(currentNoticeNumber_), error));
        setBusy(false);
        return;
    }
    editmenu_->menuAction()->setVisible(false);
    edittb_->setVisible(false);
    // The editor comes back when the post cannot be counted, so that "Submit" can be tried
    // again.
    if (!station_.addPost()) {
        showEditorParts(true);
        setBusy(false);
        return;
    }
    closeEditor();
    setBusy(false);
}

void Tmainfrm::cancelNotice() {
    setBusy(true);
    closeEditor();
    // A new notice whose slot could not be given back stays open, so that "Cancel" can be
    // tried again.
    if (newlyCreated_ && !station_.freeNotice(currentNoticeNumber_, "Cancel Notice")) {
        showEditorParts(true);
        editingNotice_ = true;
        setBusy(false);
        return;
    }
    setBusy(false);
}

void Tmainfrm::deleteOpenNotice() {
    if (!Messages::question(this, QStringLiteral("Delete Notice Entry"),
                            QStringLiteral("Do you want to delete this entry?")))
        return;
    setBusy(true);
    if (!station_.freeNotice(currentNoticeNumber_, "Delete Notice")) {
        setBusy(false);
        return;
    }
    closeEditor();
    setBusy(false);
}

void Tmainfrm::browseNotices() {
    if (editingNotice_) {
        Messages::information(this, QStringLiteral("You cannot browse notices while you are "
                                                   "currently editing a notice"));
        return;
    }
    runCommand(Command::Browse);
}

void Tmainfrm::closeEvent(QCloseEvent* event) {
    if (editingNotice_) {
        Messages::information(this, QStringLiteral("You are currently editing a message. You "
                                                   "must cancel or submit the message before you "
                                                   "can close the Pinora"));
        event->ignore();
        return;
    }
    event->accept();
}

// ---- date and set editors -----------------------------------------------------------------

void Tmainfrm::DateBtnClick() {
    const NoticeRecord& r = station_.db.notice(currentNoticeNumber_);
    editStart_->setDateTime(toQDateTime(r.startDate));
    editEnd_->setDateTime(toQDateTime(r.endDate));
    editDates_->show();
    options_->setEnabled(false);
}

void Tmainfrm::EditDatesCancelClick() {
    options_->setEnabled(true);
    editDates_->hide();
}

void Tmainfrm::EditDatesUpdateClick() {
    const TDateTime start = fromQDateTime(editStart_->dateTime());
    const TDateTime end = fromQDateTime(editEnd_->dateTime());
    SetTicks inSet{};
    const NoticeRecord& r = station_.db.notice(currentNoticeNumber_);
    for (int k = 0; k < kSetCount; ++k)
        inSet[static_cast<std::size_t>(k)] = r.inSet[k];
    const DateEditResult check = dateEditorChecks(station_.db.config, station_.currentUser(),
                                                  station_.now(), start, end, inSet);
    for (const QString& m : check.messages)
        Messages::information(this, m);
    if (check.movedStart) editStart_->setDateTime(toQDateTime(*check.movedStart));
    if (!check.ok) return;

    setBusy(true);
    if (!station_.updateNoticeDates(currentNoticeNumber_, start, end)) {
        setBusy(false);
        return;
    }
    options_->setEnabled(true);
    editDates_->hide();
    showNoticeInformation(currentNoticeNumber_);
    setBusy(false);
}

void Tmainfrm::NoticeBtnClick() {
    editSets_->show();
    options_->setEnabled(false);
    const NoticeRecord& r = station_.db.notice(currentNoticeNumber_);
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

void Tmainfrm::EditSetsCancelClick() {
    options_->setEnabled(true);
    editSets_->hide();
}

void Tmainfrm::EditSetsUpdateClick() {
    const SetTicks ticks = ticksOf(setBoxes_);
    const QString problem = setEditorCheck(ticks);
    if (!problem.isEmpty()) {
        Messages::information(this, problem);
        return;
    }
    setBusy(true);
    if (!station_.updateNoticeSets(currentNoticeNumber_, ticks)) {
        setBusy(false);
        return;
    }
    editSets_->hide();
    options_->setEnabled(true);
    showNoticeInformation(currentNoticeNumber_);
    setBusy(false);
}

// ---- markup -------------------------------------------------------------------------------

bool Tmainfrm::tagOpen(Tag tag) const {
    switch (tag) {
    case Tag::Bold:
        return boldOpen_;
    case Tag::Italic:
        return italicOpen_;
    case Tag::Underline:
        return underlineOpen_;
    }
    return false;
}

void Tmainfrm::drawTagButton(Tag tag) {
    QToolButton* b = tagButtons_[static_cast<int>(tag)];
    const bool open = tagOpen(tag);
    // An open tag shows its button flat (pressed in); a closed one raised.
    b->setChecked(open);
    b->setAutoRaise(open);
}

void Tmainfrm::insertText(const QString& text) {
    notice_->insertPlainText(text);
}

void Tmainfrm::toggleTag(Tag tag) {
    bool& flag = tag == Tag::Bold ? boldOpen_ : tag == Tag::Italic ? italicOpen_ : underlineOpen_;
    const int i = static_cast<int>(tag);
    flag = !flag;
    insertText(QString::fromLatin1(flag ? kOpeningTags[i] : kClosingTags[i]));
    drawTagButton(tag);
}

void Tmainfrm::tagButtonClick(Tag tag) {
    toggleTag(tag);
    if (station_.currentUser().extraHelp)
        Messages::information(this, QString::fromLatin1(kTagHelp[static_cast<int>(tag)]));
}

void Tmainfrm::forceReturn() {
    insertText(QStringLiteral("<br>"));
}

void Tmainfrm::insertPicture() {
    QStringList patterns;
    for (const QByteArray& f : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(f);
    const QString chosen =
        Messages::openFile(this, QStringLiteral("Insert Picture"), QDir::currentPath(),
                           QStringLiteral("Pictures (%1);;All files (*)").arg(patterns.join(u' ')));
    if (chosen.isEmpty()) return;
    const QString suffix = QFileInfo(chosen).suffix();
    const QString ext = suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix;
    const QString copy = QString::fromStdString(
        station_.db.path("MSG/" + std::to_string(currentNoticeNumber_) + "." + ext.toStdString()));
    QString error;
    if (!copyWhole(chosen, copy, error)) {
        Messages::information(this, error);
        return;
    }
    insertText(QStringLiteral("<IMG SRC=\"") + copy + QStringLiteral("\">"));
    if (station_.currentUser().extraHelp)
        Messages::information(this, QStringLiteral("IMPORTANT: The following text has been "
                                                   "entered into your notice. If you delete or "
                                                   "partially remove this text, your picture "
                                                   "will not appear in notices"));
}

// ---- administration -----------------------------------------------------------------------

void Tmainfrm::reportUsage() {
    Messages::information(this, QStringLiteral("Currently %1 of 10000 notice entries are in use "
                                               "on the system")
                                    .arg(station_.db.countNoticesInUse()));
}

void Tmainfrm::clearLocks() {
    const bool u = station_.db.readLock('U').held;
    const bool n = station_.db.readLock('N').held;
    if (!u && !n) {
        Messages::information(this, QStringLiteral("There is no locks active on any database"));
        return;
    }
    if (!Messages::question(this, QStringLiteral("Clear Lock"),
                            QStringLiteral("Forcing a clearlock may cause data to be lost. Do "
                                           "you wish to continue?")))
        return;
    station_.db.releaseLock('U');
    station_.db.releaseLock('N');
}

} // namespace pinora
