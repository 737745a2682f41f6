#include "browsefrm.h"

#include "app/windows/mainfrm.h"
#include "app/windows/toolicons.h"
#include "db/textsearch.h"
#include "ui/accessible.h"
#include "ui/helptopics.h"
#include "ui/messages.h"

#include <QAction>
#include <QStyle>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pinora {

namespace {
using ui::Messages;

// The window keeps painting during a fill, but input is looked at only this often.
constexpr int kPaintEveryMs = 30;
constexpr int kSummaryMargin = 30;
constexpr int kFindPauseMs = 300;
} // namespace

Tbrowsefrm::Tbrowsefrm(Station& station, Tmainfrm& mainfrm)
    : QDialog(&mainfrm), station_(station), mainfrm_(mainfrm) {
    setObjectName(QStringLiteral("browsefrm"));
    setWindowTitle(QStringLiteral("Browse Messages"));
    setModal(true);
    setSizeGripEnabled(true);
    resize(720, 480);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setIconSize(QSize(24, 24));
    auto button = [this, bar](const char* name, ToolPicture picture, const QString& hint,
                              const QString& spoken = {}) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(toolIcon(picture));
        b->setToolTip(hint);
        ui::nameIconButton(b, spoken);
        b->setAutoRaise(true);
        bar->addWidget(b);
        return b;
    };
    auto* editBtn = button("EditBtn", ToolPicture::EditNotice,
                           QStringLiteral("Edit Selected Message"));
    auto* deleteBtn = button("DeleteBtn", ToolPicture::DeleteNotice,
                             QStringLiteral("Delete Selected Messages"));
    bar->addSeparator();
    auto* label = new QLabel(QStringLiteral("Sort By:"), bar);
    label->setObjectName(QStringLiteral("Label1"));
    label->setContentsMargins(6, 0, 4, 0);
    bar->addWidget(label);
    sortBy_ = new QComboBox(bar);
    sortBy_->setObjectName(QStringLiteral("SortBy"));
    sortBy_->addItems({QStringLiteral("Index"), QStringLiteral("Date In"),
                       QStringLiteral("Date Out"), QStringLiteral("Owner")});
    label->setBuddy(sortBy_);
    bar->addWidget(sortBy_);
    mineOnly_ = new QCheckBox(QStringLiteral("Display only my notices"), bar);
    mineOnly_->setObjectName(QStringLiteral("MineOnly"));
    mineOnly_->setChecked(true);
    mineOnly_->setContentsMargins(8, 0, 8, 0);
    bar->addWidget(mineOnly_);
    auto* findLabel = new QLabel(QStringLiteral("Find:"), bar);
    findLabel->setObjectName(QStringLiteral("FindLabel"));
    findLabel->setContentsMargins(6, 0, 4, 0);
    bar->addWidget(findLabel);
    find_ = new QLineEdit(bar);
    find_->setObjectName(QStringLiteral("FindEdit"));
    find_->setClearButtonEnabled(true);
    find_->setToolTip(QStringLiteral("List only the notices whose text holds every word typed"));
    find_->setMaximumWidth(180);
    findLabel->setBuddy(find_);
    bar->addWidget(find_);
    bar->addSeparator();
    auto* exitBtn = button("Exit", ToolPicture::Exit, {}, QStringLiteral("Exit"));
    auto* helpBtn = button("SpeedButton1", ToolPicture::Help, {}, QStringLiteral("Help"));
    layout->addWidget(bar);
    bar_ = bar;

    model_ = new BrowseListModel(this);
    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("List"));
    list_->setModel(model_);
    ui::nameAfter(list_, QStringLiteral("Notices"));
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->setWordWrap(false);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setMinimumSectionSize(16);
    list_->verticalHeader()->setDefaultSectionSize(16);
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* edit1 = new QAction(QStringLiteral("Edit"), list_);
    edit1->setObjectName(QStringLiteral("Edit1"));
    auto* delete1 = new QAction(QStringLiteral("Delete"), list_);
    delete1->setObjectName(QStringLiteral("Delete1"));
    list_->addAction(edit1);
    list_->addAction(delete1);
    layout->addWidget(list_, 1);

    sortbox_ = new QGroupBox(QStringLiteral("Sorting Please wait"), this);
    sortbox_->setObjectName(QStringLiteral("sortbox"));
    auto* sortLayout = new QVBoxLayout(sortbox_);
    sortprog_ = new QProgressBar(sortbox_);
    sortprog_->setObjectName(QStringLiteral("sortprog"));
    sortprog_->setRange(0, kNoticeCount);
    sortLayout->addWidget(sortprog_);
    layout->addWidget(sortbox_);
    sortbox_->hide();

    connect(editBtn, &QToolButton::clicked, this, [this] { EditBtnClick(); });
    connect(deleteBtn, &QToolButton::clicked, this, [this] { DeleteBtnClick(); });
    connect(edit1, &QAction::triggered, this, [this] { EditBtnClick(); });
    connect(delete1, &QAction::triggered, this, [this] { DeleteBtnClick(); });
    connect(exitBtn, &QToolButton::clicked, this, [this] { ExitClick(); });
    connect(helpBtn, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(sortBy_, &QComboBox::currentIndexChanged, this, [this] { SortByChange(); });
    connect(mineOnly_, &QCheckBox::toggled, this, [this] { MineOnlyClick(); });

    // Every file is read again for each word typed, so the list waits for a pause in typing.
    findTimer_ = new QTimer(this);
    findTimer_->setObjectName(QStringLiteral("FindTimer"));
    findTimer_->setSingleShot(true);
    findTimer_->setInterval(kFindPauseMs);
    connect(findTimer_, &QTimer::timeout, this, [this] { FindChange(); });
    connect(find_, &QLineEdit::textEdited, findTimer_, qOverload<>(&QTimer::start));
    connect(find_, &QLineEdit::returnPressed, this, [this] { FindChange(); });
    // The clear button changes the text without an edit.
    connect(find_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty() && !findWords_.empty()) FindChange();
    });
}

QString Tbrowsefrm::changedElsewhereMessage() {
    return QStringLiteral("This notice has been changed or deleted on another workstation");
}

void Tbrowsefrm::showEvent(QShowEvent* event) {
    // Narrower, the bar would hide Exit and Help behind an overflow arrow. Measured once the
    // style has sized every control.
    int width = 0;
    for (QAction* a : bar_->actions()) {
        const QWidget* w = bar_->widgetForAction(a);
        width += (w ? w->sizeHint().width() : 0) + bar_->layout()->spacing();
    }
    const QMargins m = bar_->contentsMargins() + bar_->layout()->contentsMargins();
    setMinimumWidth(width + m.left() + m.right() + 2 * bar_->style()->pixelMetric(
                                                         QStyle::PM_ToolBarHandleExtent));
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void Tbrowsefrm::FormShow() {
    mineOnly_->setEnabled(true);
    // Each showing lists every notice again; a word from last time would hide most of them.
    findTimer_->stop();
    {
        const QSignalBlocker quiet(find_);
        find_->clear();
    }
    findWords_.clear();
    model_->clear();
    fitSummaryColumn();
    {
        const QSignalBlocker quiet(sortBy_);
        sortBy_->setCurrentIndex(0);
    }
    // The keyboard starts on the notices, where the arrow keys choose one and Enter edits it.
    list_->setFocus(Qt::OtherFocusReason);
    // The fill runs once the window is on the screen, so that it paints while it fills.
    fillDue_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!fillDue_) return;
            fillDue_ = false;
            fill(BrowseOrder::Index);
        },
        Qt::QueuedConnection);
}

void Tbrowsefrm::done(int result) {
    fillDue_ = false;
    stopFill_ = true;
    refillAfter_ = false;
    QDialog::done(result);
}

void Tbrowsefrm::SortByChange() {
    fill(static_cast<BrowseOrder>(std::max(0, sortBy_->currentIndex())));
}

void Tbrowsefrm::MineOnlyClick() {
    fill(std::nullopt);
}

void Tbrowsefrm::FindChange() {
    findTimer_->stop();
    std::vector<std::string> words = searchWords(ui::toRecord(find_->text()));
    if (words == findWords_) return;
    findWords_ = std::move(words);
    fill(std::nullopt);
}

void Tbrowsefrm::SpeedButton1Click() {
    showHelpTopic(QStringLiteral("browse.htm"), this);
}

void Tbrowsefrm::fill(std::optional<BrowseOrder> order) {
    if (filling_) {
        // Pending window messages run during a fill: a new choice stops it and fills again.
        refillAfter_ = true;
        if (order) refillOrder_ = order;
        stopFill_ = true;
        return;
    }
    filling_ = true;
    stopFill_ = false;
    fillDue_ = false;
    sortprog_->setRange(0, kNoticeCount);
    sortprog_->setValue(0);
    sortbox_->show();
    model_->clear();
    QApplication::processEvents();

    bool stopped = stopFill_;
    if (!stopped && ui::present(station_.db.loadNotices())) {
        if (order) lastSortKey_ = *order;
        if (lastSortKey_ == BrowseOrder::Index) {
            sortprog_->setRange(1, kNoticeCount);
            sortprog_->setValue(1);
        }
        // A copy: typing during the fill changes findWords_ and stops this fill.
        const std::vector<std::string> words = findWords_;
        QElapsedTimer sincePaint;
        sincePaint.start();
        std::vector<BrowseRow> rows =
            fillBrowseList(station_, lastSortKey_, mineOnly_->isChecked(), words, [&](int slot) {
                if (sincePaint.elapsed() >= kPaintEveryMs) {
                    sortprog_->setValue(slot);
                    QApplication::processEvents();
                    sincePaint.restart();
                }
                return !stopFill_;
            });
        stopped = stopFill_;
        if (!stopped) {
            sortprog_->setValue(kNoticeCount);
            model_->setRows(std::move(rows));
            if (model_->rowCount() > 0) list_->setCurrentIndex(model_->index(0, 0));
        }
    }
    sortbox_->hide();
    filling_ = false;
    stopFill_ = false;
    if (refillAfter_) {
        refillAfter_ = false;
        const std::optional<BrowseOrder> next = refillOrder_;
        refillOrder_.reset();
        fill(next);
    }
}

std::optional<int> Tbrowsefrm::selectedRow(bool doubleClick) {
    const QModelIndex current = list_->currentIndex();
    if (current.isValid() && current.row() < model_->rowCount()) return current.row();
    // With no notice row, the header row is the selection and its Index cell is no number.
    Messages::information(this,
                          doubleClick
                              ? QStringLiteral("This Entry has been deleted and hence cannot be "
                                               "accessed")
                              : QStringLiteral("'Index' is not a valid integer value"));
    return std::nullopt;
}

void Tbrowsefrm::changedElsewhere() {
    Messages::information(this, changedElsewhereMessage());
    fill(std::nullopt);
}

bool Tbrowsefrm::tell(const ListedNoticeStep& step, NoticeRight right) {
    const bool ok = ui::present(step.result);
    switch (step.outcome) {
    case ListedNotice::Ok:
        return ok;
    case ListedNotice::Failed:
        return false; // its result has said why
    case ListedNotice::Changed:
        changedElsewhere();
        return false;
    case ListedNotice::NotAllowed:
        Messages::information(this, right == NoticeRight::Edit
                                        ? QStringLiteral("You are not allowed to edit this "
                                                         "persons notices")
                                        : QStringLiteral("You are not allowed to delete this "
                                                         "persons notices"));
        return false;
    }
    return false;
}

void Tbrowsefrm::editSelected(bool doubleClick) {
    if (busy()) return;
    const std::optional<int> row = selectedRow(doubleClick);
    if (!row) return;
    // A copy: a refill after a message would take the row away.
    const BrowseRow listed = model_->listRow(*row);
    if (!tell(checkListedNotice(station_, listed, NoticeRight::Edit), NoticeRight::Edit)) return;
    // The list stays when the notice cannot be opened: the user has been told why.
    if (mainfrm_.openNoticeInEditor(listed.number, false)) accept();
}

void Tbrowsefrm::DeleteBtnClick() {
    if (busy()) return;
    const std::optional<int> row = selectedRow(false);
    if (!row) return;
    const BrowseRow listed = model_->listRow(*row);
    if (!tell(checkListedNotice(station_, listed, NoticeRight::Delete), NoticeRight::Delete))
        return;
    if (!Messages::question(this, QStringLiteral("Confirm Deletion"),
                            QStringLiteral("Are you sure?")))
        return;
    if (!tell(deleteListedNotice(station_, listed), NoticeRight::Delete)) return;
    model_->removeListRow(*row);
    if (model_->rowCount() > 0)
        list_->setCurrentIndex(model_->index(std::min(*row, model_->rowCount() - 1), 0));
}

bool Tbrowsefrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            EditBtnClick();
            return true;
        }
        if (key == Qt::Key_Delete) {
            DeleteBtnClick();
            return true;
        }
    }
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        ListDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Tbrowsefrm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    fitSummaryColumn();
}

// Summary takes what the other four columns leave.
void Tbrowsefrm::fitSummaryColumn() {
    QHeaderView* header = list_->horizontalHeader();
    int others = 0;
    for (int c = 0; c < BrowseListModel::SummaryColumn; ++c)
        others += header->sectionSize(c);
    header->resizeSection(BrowseListModel::SummaryColumn,
                          std::max(header->minimumSectionSize(),
                                   list_->width() - others - kSummaryMargin));
}

} // namespace pinora
