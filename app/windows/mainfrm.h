// The main window: the hub once a user has logged on, and the notice editor.
#pragma once

#include "app/windows/appwindows.h"
#include "app/maincommands.h"
#include "app/windows/noticeeditorpanel.h"
#include "db/noticeediting.h"
#include "output/windows/previewmode.h"
#include "ui/busy.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <vector>

class QLabel;
class QMenu;
class QToolBar;

namespace pinora {

// The status line's busy light: red while a shared file is being changed.
class BusyLight : public QWidget {
    Q_OBJECT
  public:
    explicit BusyLight(QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(const QColor& c);
    // Red while the program is busy, green when it is ready; a screen reader hears which.
    void showBusy(bool busy);
    QSize sizeHint() const override { return {16, 16}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor color_;
};

class Tmainfrm : public QMainWindow {
    Q_OBJECT
  public:
    Tmainfrm(Station& station, AppWindows& windows, QWidget* parent = nullptr);
    ~Tmainfrm() override;

    Station& station() { return station_; }
    // Status line, busy light, toolbars and menus for the logged-on user.
    void setupMainWindowForUser();
    void setBusy(bool on);

    // The editing workflow; the steps and their rules are NoticeEditing's.
    void createNotice(TDateTime start, TDateTime end, const SetTicks& inSet);
    // Opens notice n; the browse window passes created = false after reloading NOTICE.DB.
    // False when the notice could not be opened (the user has been told).
    bool openNoticeInEditor(int n, bool created);
    void showNoticeInformation(int n) { editor_->showNoticeInformation(n); }
    void submitNotice();
    void cancelNotice();
    void deleteOpenNotice();
    void browseNotices();

    // Markup.
    void toggleTag(Tag tag) { editor_->toggleTag(tag); }
    void insertText(const QString& text) { editor_->insertText(text); }
    void insertPicture() { editor_->insertPicture(); }
    void forceReturn() { editor_->forceReturn(); }

    // Administration.
    void reportUsage();
    void clearLocks();

    int currentNoticeNumber() const { return editing_.current(); }
    bool editingNotice() const { return editing_.editing(); }
    bool newlyCreated() const { return editing_.newlyCreated(); }
    bool tagOpen(Tag tag) const { return editor_->tagOpen(tag); }
    PreviewMode previewMode() const { return previewMode_; }

    // Windows that other parts of the program provide; their menu items and buttons stay
    // disabled until an opener is set.
    using Command = WindowCommand;
    void setCommand(Command command, std::function<void()> open);

    // Handlers, named after their controls.
    void submitbtnClick() { submitNotice(); }
    void CancelBtnClick() { cancelNotice(); }
    void BitBtn5Click();
    void DeleteBtnClick() { deleteOpenNotice(); }
    void DateBtnClick() { editor_->openDateEditor(); }
    void NoticeBtnClick() { editor_->openSetEditor(); }
    void EditDatesUpdateClick() { editor_->updateDates(); } // BitBtn1 of "Edit Dates:"
    void EditDatesCancelClick() { editor_->cancelDates(); } // BitBtn2
    void EditSetsUpdateClick() { editor_->updateSets(); }   // BitBtn3 of "Notice Sets:"
    void EditSetsCancelClick() { editor_->cancelSets(); }   // BitBtn4
    void BoldBtnClick() { editor_->tagButtonClick(Tag::Bold); }
    void ItalicBtnClick() { editor_->tagButtonClick(Tag::Italic); }
    void UnderLineBtnClick() { editor_->tagButtonClick(Tag::Underline); }
    void CreateaNotice1Click();
    void LoginMangment1Click() { superUserCommand(Command::LoginConfig); }
    void DefaultSecurityUserLevels1Click() { superUserCommand(Command::DefaultSecurity); }
    void Instructions1Click();
    void openPreview(PreviewMode mode);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildCommands();
    void perform(const MainCommand& command);
    void showEditorParts(bool shown);
    void tell(const EditResult& result);
    void runCommand(Command command);
    void superUserCommand(Command command);
    void refreshCommands();

    Station& station_;
    AppWindows& windows_;
    NoticeEditing editing_;
    PreviewMode previewMode_ = PreviewMode::All;

    std::map<Command, std::function<void()>> commands_;
    std::map<Command, std::vector<QObject*>> commandControls_;

    QLabel* status_ = nullptr;
    BusyLight* busy_ = nullptr;
    int busyDepth_ = 0;
    ui::BusySpan busySpan_;
    QWidget* toolbar_ = nullptr;
    QToolBar* edittb_ = nullptr;
    QToolBar* admintb_ = nullptr;
    QMenu* editmenu_ = nullptr;
    QMenu* adminmenu_ = nullptr;
    NoticeEditorPanel* editor_ = nullptr;
    QLabel* idleHint_ = nullptr;
};

} // namespace pinora
