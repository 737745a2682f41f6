// The main window: the hub once a user has logged on, and the notice editor.
#pragma once

#include "app/appwindows.h"
#include "app/noticerules.h"
#include "db/station.h"

#include <QMainWindow>
#include <functional>
#include <map>

class QAction;
class QCheckBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QToolButton;

namespace pinora {

// The status line's busy light: red while a shared file is being changed.
class BusyLight : public QWidget {
    Q_OBJECT
  public:
    explicit BusyLight(QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(const QColor& c);
    QSize sizeHint() const override { return {16, 16}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor color_;
};

enum class Tag { Bold, Italic, Underline };

class Tmainfrm : public QMainWindow {
    Q_OBJECT
  public:
    Tmainfrm(Station& station, AppWindows& windows, QWidget* parent = nullptr);
    ~Tmainfrm() override;

    Station& station() { return station_; }
    // Status line, busy light, toolbars and menus for the logged-on user.
    void setupMainWindowForUser();
    void setBusy(bool on);

    // The editing workflow.
    void createNotice(TDateTime start, TDateTime end, const SetTicks& inSet);
    // Opens notice n; the browse window passes created = false after reloading NOTICE.DB.
    void openNoticeInEditor(int n, bool created);
    void showNoticeInformation(int n);
    void submitNotice();
    void cancelNotice();
    void deleteOpenNotice();
    void browseNotices();

    // Markup.
    void toggleTag(Tag tag);
    void insertText(const QString& text);
    void insertPicture();
    void forceReturn();

    // Administration.
    void reportUsage();
    void clearLocks();

    int currentNoticeNumber() const { return currentNoticeNumber_; }
    bool editingNotice() const { return editingNotice_; }
    bool newlyCreated() const { return newlyCreated_; }
    bool tagOpen(Tag tag) const;
    int previewMode() const { return previewMode_; }

    // Windows that other parts of the program provide; their menu items and buttons stay
    // disabled until an opener is set.
    enum class Command {
        Browse,
        ChangeMyInformation,
        PreviewDialog, // reads previewMode()
        UserManagement,
        LoginConfig,
        DefaultSecurity,
        PageFormatter,
        NoticeSetsConfig,
        WebServerConfig,
        SchoolInformation,
        IntegrityCheck,
        Import,
        About,
    };
    void setCommand(Command command, std::function<void()> open);

    // Handlers, named after their controls.
    void submitbtnClick() { submitNotice(); }
    void CancelBtnClick() { cancelNotice(); }
    void BitBtn5Click();
    void DeleteBtnClick() { deleteOpenNotice(); }
    void DateBtnClick();
    void NoticeBtnClick();
    void EditDatesUpdateClick(); // BitBtn1 of "Edit Dates:"
    void EditDatesCancelClick(); // BitBtn2
    void EditSetsUpdateClick();  // BitBtn3 of "Notice Sets:"
    void EditSetsCancelClick();  // BitBtn4
    void BoldBtnClick() { tagButtonClick(Tag::Bold); }
    void ItalicBtnClick() { tagButtonClick(Tag::Italic); }
    void UnderLineBtnClick() { tagButtonClick(Tag::Underline); }
    void CreateaNotice1Click();
    void LoginMangment1Click() { superUserCommand(Command::LoginConfig); }
    void DefaultSecurityUserLevels1Click() { superUserCommand(Command::DefaultSecurity); }
    void Instructions1Click();
    void openPreview(int mode);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildToolbars();
    void buildEditor();
    QAction* addItem(QMenu* menu, const char* name, const QString& caption,
                     std::function<void()> handler);
    QToolButton* addButton(QToolBar* bar, const char* name, const QString& hint, QAction* action,
                           std::function<void()> handler, int picture);
    void showEditorParts(bool shown);
    void closeEditor();
    void tagButtonClick(Tag tag);
    void drawTagButton(Tag tag);
    void runCommand(Command command);
    void superUserCommand(Command command);
    void refreshCommands();

    Station& station_;
    AppWindows& windows_;

    int currentNoticeNumber_ = 0;
    bool editingNotice_ = false;
    bool newlyCreated_ = false;
    bool boldOpen_ = false;
    bool italicOpen_ = false;
    bool underlineOpen_ = false;
    int previewMode_ = 0;

    std::map<Command, std::function<void()>> commands_;
    std::map<Command, std::vector<QObject*>> commandControls_;

    QLabel* status_ = nullptr;
    BusyLight* busy_ = nullptr;
    QWidget* toolbar_ = nullptr;
    QToolBar* maintb_ = nullptr;
    QToolBar* edittb_ = nullptr;
    QToolBar* admintb_ = nullptr;
    QToolBar* helptb_ = nullptr;
    QMenu* editmenu_ = nullptr;
    QMenu* adminmenu_ = nullptr;
    QWidget* panel_ = nullptr;
    QLabel* idnum_ = nullptr;
    QLabel* startdate_ = nullptr;
    QLabel* enddate_ = nullptr;
    QLabel* noticesets_ = nullptr;
    QPlainTextEdit* notice_ = nullptr;
    QGroupBox* editDates_ = nullptr;
    QDateTimeEdit* editStart_ = nullptr;
    QDateTimeEdit* editEnd_ = nullptr;
    QGroupBox* editSets_ = nullptr;
    QCheckBox* setBoxes_[kSetCount] = {};
    QWidget* options_ = nullptr;
    QPushButton* deleteBtn_ = nullptr;
    QToolButton* tagButtons_[3] = {};
};

} // namespace pinora
