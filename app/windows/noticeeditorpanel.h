// The editor of the main window: the notice's information, its text with the markup tags, and
// the date and set groups under the text.
#pragma once

#include "app/noticerules.h"
#include "db/noticeediting.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace pinora {

enum class Tag { Bold, Italic, Underline };

class NoticeEditorPanel : public QWidget {
    Q_OBJECT
  public:
    NoticeEditorPanel(Station& station, NoticeEditing& editing, QWidget* parent = nullptr);

    // Shows the busy light while a shared file changes.
    std::function<void(bool)> setBusy;

    QPushButton* button(const char* name) const;
    QPlainTextEdit* textEdit() const { return notice_; }
    // The toolbar's tag buttons, drawn pressed while their tag is open.
    void setTagButtons(QToolButton* bold, QToolButton* italic, QToolButton* underline);

    // A notice comes into the editor: no tag open, no sub-editor, its information shown.
    void start(int n, bool created);
    void setText(const QString& text);
    QString text() const;
    void showNoticeInformation(int n);

    // Markup.
    bool tagOpen(Tag tag) const;
    void toggleTag(Tag tag);
    void tagButtonClick(Tag tag); // toggles, then explains the tag to those who want help
    void closeOpenTags();         // bold, italic, underline, in that order
    void insertText(const QString& text);
    void forceReturn();
    void insertPicture();

    // The date and set groups.
    void openDateEditor();
    void updateDates();
    void cancelDates();
    void openSetEditor();
    void updateSets();
    void cancelSets();

  private:
    void drawTagButton(Tag tag);
    void closeGroup(QGroupBox* group);

    Station& station_;
    NoticeEditing& editing_;
    bool open_[3] = {false, false, false};
    QToolButton* tagButtons_[3] = {};

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
};

// "Cannot create file "<file>". <reason>" and the other texts of the editing steps.
QString editMessageText(const EditResult& result);

} // namespace pinora
