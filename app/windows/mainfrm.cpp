#include "mainfrm.h"

#include "app/windows/createfrm.h"
#include "app/windows/startup.h"
#include "app/windows/toolicons.h"
#include "help/onlinehelpfrm.h"
#include "ui/accessible.h"
#include "ui/lockfrm.h"
#include "ui/messages.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

namespace pinora {

namespace {
using ui::Messages;

QString idleHintText() {
    return QStringLiteral("<p><b>Welcome to Pinora 2.</b></p>"
                          "<p>To write a notice, press <b>New Notice</b> on the toolbar or "
                          "choose <b>Create a Notice</b> from the <b>File</b> menu.</p>"
                          "<p>To find, change or delete a notice, press <b>Edit/Delete a "
                          "Notice</b> or choose <b>View/Edit a Notice</b> from the <b>File</b> "
                          "menu: the list can be sorted by date or by owner.</p>");
}
} // namespace

// ---- busy light ---------------------------------------------------------------------------

BusyLight::BusyLight(QWidget* parent) : QWidget(parent), color_(Qt::green) {
    setFixedSize(16, 16);
    setAccessibleName(QStringLiteral("Busy light"));
    showBusy(false);
}

void BusyLight::showBusy(bool busy) {
    setColor(busy ? QColor(255, 0, 0) : QColor(0, 255, 0));
    setAccessibleDescription(busy ? QStringLiteral("Red: the notice system is busy")
                                  : QStringLiteral("Green: the notice system is ready to be used"));
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
    : QMainWindow(parent), station_(station), windows_(windows), editing_(station) {
    setObjectName(QStringLiteral("mainfrm"));
    setWindowTitle(QStringLiteral("Pinora 2"));
    if (!windows_.mainfrm) windows_.mainfrm = this;

    status_ = new QLabel(QStringLiteral("Waiting for Logon...."), this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextFormat(Qt::PlainText); // holds the user's name
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

    editor_ = new NoticeEditorPanel(station_, editing_, central);
    editor_->setBusy = [this](bool on) { setBusy(on); };
    buildCommands();
    layout->addWidget(toolbar_);
    layout->addWidget(editor_, 1);
    editor_->hide();
    connect(editor_->button("submitbtn"), &QPushButton::clicked, this,
            [this] { submitbtnClick(); });
    connect(editor_->button("CancelBtn"), &QPushButton::clicked, this,
            [this] { CancelBtnClick(); });
    connect(editor_->button("BitBtn5"), &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(editor_->button("DateBtn"), &QPushButton::clicked, this, [this] { DateBtnClick(); });
    connect(editor_->button("NoticeBtn"), &QPushButton::clicked, this,
            [this] { NoticeBtnClick(); });
    connect(editor_->button("DeleteBtn"), &QPushButton::clicked, this,
            [this] { DeleteBtnClick(); });
    connect(editor_->button("BitBtn1"), &QPushButton::clicked, this,
            [this] { EditDatesUpdateClick(); });
    connect(editor_->button("BitBtn2"), &QPushButton::clicked, this,
            [this] { EditDatesCancelClick(); });
    connect(editor_->button("BitBtn3"), &QPushButton::clicked, this,
            [this] { EditSetsUpdateClick(); });
    connect(editor_->button("BitBtn4"), &QPushButton::clicked, this,
            [this] { EditSetsCancelClick(); });

    // What an idle window says, so that a new user knows where to start.
    idleHint_ = new QLabel(central);
    idleHint_->setObjectName(QStringLiteral("idlehint"));
    idleHint_->setAlignment(Qt::AlignCenter);
    idleHint_->setWordWrap(true);
    idleHint_->setTextFormat(Qt::RichText);
    idleHint_->setMargin(24);
    idleHint_->setText(idleHintText());
    layout->addWidget(idleHint_, 1);
    idleHint_->hide();
    layout->addStretch(0);

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

namespace {
// A button without a hint of its own is named after the menu item that does the same.
const char* menuCaption(MainAction action) {
    for (const MainCommand& c : mainCommands())
        if (c.name && c.action == action && c.picture == std::nullopt && *c.caption)
            return c.caption;
    return "";
}
} // namespace

// Menus and toolbars come from one table; each item and button runs perform().
void Tmainfrm::buildCommands() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    std::map<QString, QMenu*> menus;
    for (const MainPlace& m : mainMenus()) {
        QMenu* menu = bar->addMenu(QString::fromLatin1(m.caption));
        menu->setObjectName(QString::fromLatin1(m.name));
        menus[menu->objectName()] = menu;
    }
    editmenu_ = menus[QStringLiteral("editmenu")];
    adminmenu_ = menus[QStringLiteral("adminmenu")];

    toolbar_ = new QWidget(this);
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    auto* row = new QHBoxLayout(toolbar_);
    row->setContentsMargins(2, 2, 2, 2);
    std::map<QString, QToolBar*> bars;
    for (const MainPlace& b : mainToolbars()) {
        auto* tb = new QToolBar(toolbar_);
        tb->setObjectName(QString::fromLatin1(b.name));
        tb->setIconSize(QSize(24, 24));
        row->addWidget(tb);
        bars[tb->objectName()] = tb;
    }
    row->addStretch(1);
    edittb_ = bars[QStringLiteral("edittb")];
    admintb_ = bars[QStringLiteral("admintb")];

    for (const MainCommand& c : mainCommands()) {
        const QString place = QString::fromLatin1(c.place);
        QObject* control = nullptr;
        if (auto m = menus.find(place); m != menus.end()) {
            if (!c.name) {
                m->second->addSeparator();
                continue;
            }
            QAction* a = m->second->addAction(QString::fromLatin1(c.caption));
            connect(a, &QAction::triggered, this, [this, &c] { perform(c); });
            control = a;
        } else {
            QToolBar* tb = bars.at(place);
            auto* b = new QToolButton(tb);
            b->setToolTip(QString::fromLatin1(c.caption));
            ui::nameIconButton(b, QString::fromLatin1(*c.caption ? c.caption : menuCaption(c.action)));
            b->setIcon(toolIcon(c.picture.value_or(ToolPicture::Help)));
            b->setIconSize(QSize(24, 24));
            connect(b, &QToolButton::clicked, this, [this, &c] { perform(c); });
            // The text tags from the keyboard too, while the editor shows them.
            if (c.action == MainAction::Bold) b->setShortcut(QKeySequence::Bold);
            if (c.action == MainAction::Italic) b->setShortcut(QKeySequence::Italic);
            if (c.action == MainAction::Underline) b->setShortcut(QKeySequence::Underline);
            tb->addWidget(b);
            control = b;
        }
        control->setObjectName(QString::fromLatin1(c.name));
        if (c.window) commandControls_[*c.window].push_back(control);
    }

    editor_->setTagButtons(edittb_->findChild<QToolButton*>(QStringLiteral("BoldBtn")),
                           edittb_->findChild<QToolButton*>(QStringLiteral("ItalicBtn")),
                           edittb_->findChild<QToolButton*>(QStringLiteral("UnderLineBtn")));
    editmenu_->menuAction()->setVisible(false);
    adminmenu_->menuAction()->setVisible(false);
    edittb_->setVisible(false);
    admintb_->setVisible(false);
    toolbar_->setVisible(false);
}

void Tmainfrm::perform(const MainCommand& command) {
    // A shortcut or a queued click while another operation of this station runs.
    if (ui::StationBusy::active()) return;
    QPlainTextEdit* text = editor_->textEdit();
    switch (command.action) {
    case MainAction::OpenWindow:
        return runCommand(*command.window);
    case MainAction::CreateNotice:
        return CreateaNotice1Click();
    case MainAction::Browse:
        return browseNotices();
    case MainAction::Print:
        return openPreview(PreviewMode::Print);
    case MainAction::Preview:
        return openPreview(PreviewMode::Preview);
    case MainAction::Publish:
        return openPreview(PreviewMode::Publish);
    case MainAction::PrintPreview:
        return openPreview(PreviewMode::All);
    case MainAction::Exit:
        close();
        return;
    case MainAction::Cut:
        return text->cut();
    case MainAction::Copy:
        return text->copy();
    case MainAction::Paste:
        return text->paste();
    case MainAction::InsertPicture:
        return insertPicture();
    case MainAction::ForceReturn:
        return forceReturn();
    case MainAction::Bold:
        return BoldBtnClick();
    case MainAction::Italic:
        return ItalicBtnClick();
    case MainAction::Underline:
        return UnderLineBtnClick();
    case MainAction::LoginConfig:
        return LoginMangment1Click();
    case MainAction::DefaultSecurity:
        return DefaultSecurityUserLevels1Click();
    case MainAction::ReportUsage:
        return reportUsage();
    case MainAction::ClearLocks:
        return clearLocks();
    case MainAction::Instructions:
        return Instructions1Click();
    }
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

void Tmainfrm::openPreview(PreviewMode mode) {
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
    idleHint_->setVisible(!editing_.editing());
    const UserRecord& me = station_.currentUser();
    const bool admin = me.adminMenu || me.superUser;
    adminmenu_->menuAction()->setVisible(admin);
    admintb_->setVisible(admin);
    setWindowTitle(admin ? QStringLiteral("Pinora 2 (A)") : QStringLiteral("Pinora 2"));
}

void Tmainfrm::setBusy(bool on) {
    if (on) {
        if (busyDepth_++ == 0) busySpan_.begin();
        busy_->showBusy(true);
        return;
    }
    // Lets the red light be seen even after the shortest operation.
    station_.services().sleeper->sleepMs(100);
    if (busyDepth_ > 0 && --busyDepth_ > 0) return;
    busySpan_.end();
    busy_->showBusy(false);
}

// ---- editing ------------------------------------------------------------------------------

void Tmainfrm::tell(const EditResult& result) {
    // What the shared files had to tell happened first.
    ui::present(result.result);
    if (result.message != EditMessage::None) Messages::information(this, editMessageText(result));
}

void Tmainfrm::showEditorParts(bool shown) {
    editmenu_->menuAction()->setVisible(shown);
    edittb_->setVisible(shown);
    editor_->setVisible(shown);
    idleHint_->setVisible(!shown && toolbar_->isVisibleTo(this));
}

void Tmainfrm::createNotice(TDateTime start, TDateTime end, const SetTicks& inSet) {
    setBusy(true);
    const EditResult r = editing_.create(start, end, inSet);
    tell(r);
    if (r.ok) {
        editor_->textEdit()->clear();
        openNoticeInEditor(r.notice, true);
    }
    setBusy(false);
}

bool Tmainfrm::openNoticeInEditor(int n, bool created) {
    editor_->start(n, created);
    showEditorParts(true);
    std::string text;
    const EditResult r = editing_.open(n, created, text);
    if (!r.ok) {
        tell(r);
        showEditorParts(false);
        return false;
    }
    if (!text.empty()) editor_->setText(ui::fromRecord(text));
    // Opened from the browse window, which closes: the typing goes here.
    activateWindow();
    editor_->textEdit()->setFocus();
    return true;
}

void Tmainfrm::submitNotice() {
    setBusy(true);
    editor_->closeOpenTags();
    const std::string text = ui::toRecord(editor_->text());
    // The edit tools go once the text is written, while the post count may wait for lock U.
    const EditResult r = editing_.submit(text, [this](NoticeEditing::SubmitStep step) {
        if (step == NoticeEditing::SubmitStep::CancellingBlank) return showEditorParts(false);
        editmenu_->menuAction()->setVisible(false);
        edittb_->setVisible(false);
    });
    showEditorParts(editing_.editing());
    tell(r);
    setBusy(false);
}

void Tmainfrm::cancelNotice() {
    setBusy(true);
    showEditorParts(false);
    tell(editing_.cancel());
    showEditorParts(editing_.editing());
    setBusy(false);
}

void Tmainfrm::deleteOpenNotice() {
    if (!Messages::question(this, QStringLiteral("Delete Notice Entry"),
                            QStringLiteral("Do you want to delete this entry?")))
        return;
    setBusy(true);
    const EditResult r = editing_.deleteOpen();
    tell(r);
    if (r.ok) showEditorParts(false);
    setBusy(false);
}

void Tmainfrm::browseNotices() {
    if (editing_.editing()) {
        Messages::information(this, QStringLiteral("You cannot browse notices while you are "
                                                   "currently editing a notice"));
        return;
    }
    runCommand(Command::Browse);
}

void Tmainfrm::closeEvent(QCloseEvent* event) {
    if (editing_.editing()) {
        Messages::information(this, QStringLiteral("You are currently editing a message. You "
                                                   "must cancel or submit the message before you "
                                                   "can close the Pinora"));
        event->ignore();
        return;
    }
    event->accept();
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
    ui::present(station_.db.clearLock('U'));
    ui::present(station_.db.clearLock('N'));
}

} // namespace pinora
