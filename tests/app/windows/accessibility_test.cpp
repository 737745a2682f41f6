// Every window the program builds, shown one at a time: each control a keyboard can reach says
// what it is to a screen reader, each picture says what it shows, and each dialog opens with
// the keyboard where the user starts.
#include "admin/windows/check2frm.h"
#include "admin/windows/importfrm.h"
#include "admin/windows/schoolinfofrm.h"
#include "admin/windows/setconfigfrm.h"
#include "app/windows/aboutfrm.h"
#include "app/windows/browsefrm.h"
#include "app/windows/createfrm.h"
#include "app/windows/mainfrm.h"
#include "app/windows/splashfrm.h"
#include "app/windows/startup.h"
#include "help/onlinehelpfrm.h"
#include "output/windows/pageformatfrm.h"
#include "output/windows/previewdialogfrm.h"
#include "output/windows/previewfrm.h"
#include "output/windows/webserverconfigfrm.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/accessible.h"
#include "ui/lockfrm.h"
#include "ui/messages.h"
#include "users/windows/autoregconfigfrm.h"
#include "users/windows/firstregfrm.h"
#include "users/windows/loginconfigfrm.h"
#include "users/windows/logonfrm.h"
#include "users/windows/usermanagementfrm.h"
#include "users/windows/userinfofrm.h"
#include "users/windows/welcomefrm.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QWebEngineView>
#include <gtest/gtest.h>

using namespace pinora;
using pinora::ui::Messages;

namespace {

QString nameOf(const QWidget* w) {
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                     : w->objectName();
}

// Parts Qt builds inside a control (a spin box's line, a combo box's list) speak for it.
bool partOfAnother(const QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<QAbstractSpinBox*>(p) || qobject_cast<QComboBox*>(p) ||
            qobject_cast<QWebEngineView*>(p))
            return true;
        if (p->isWindow()) break;
    }
    return false;
}

// What a screen reader says the control is: its accessible name, else the words of a label
// that is its buddy (Qt looks for that label only among the control's siblings), else its own
// text. A combo box's current entry does not count, though Linux reads it out as the name.
QString spokenName(const QWidget* w) {
    if (!w->accessibleName().trimmed().isEmpty()) return w->accessibleName();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return QTextDocumentFragment::fromHtml(l->text()).toPlainText().trimmed();
    if (const QWidget* parent = w->parentWidget())
        for (const QLabel* l : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (l->buddy() == w && !l->text().trimmed().isEmpty()) return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text().trimmed();
    return {};
}

bool isInputField(const QWidget* w) {
    if (auto* t = qobject_cast<const QTextEdit*>(w)) return !t->isReadOnly();
    if (auto* t = qobject_cast<const QPlainTextEdit*>(w)) return !t->isReadOnly();
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w);
}

// The controls of window in the order Tab visits them, as far as the user can reach them now.
QList<QWidget*> tabChain(QWidget* window) {
    QList<QWidget*> chain;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (w->window() == window && w->isVisible() && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus) && !partOfAnother(w) && !w->focusProxy())
            chain << w;
    }
    return chain;
}

// Controls the keyboard can reach that a screen reader could not name; one line each.
QStringList unnamedControls(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // Pages of a wizard count before they are turned to; a control hidden on purpose not.
        if (w->window() != window || w->isHidden() || w->focusPolicy() == Qt::NoFocus ||
            partOfAnother(w) || qobject_cast<QTabBar*>(w) || w->focusProxy())
            continue;
        if (qobject_cast<QAbstractItemView*>(w->parentWidget()) ||
            qobject_cast<QTextEdit*>(w->parentWidget()) ||
            qobject_cast<QPlainTextEdit*>(w->parentWidget()))
            continue; // the view's viewport
        if (!spokenName(w).isEmpty()) continue;
        out << nameOf(window) + QLatin1Char('.') + nameOf(w) + QLatin1String(" (") +
                   QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(')');
    }
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (l->window() == window && !l->pixmap().isNull() && l->accessibleName().isEmpty() &&
            l->accessibleDescription().isEmpty())
            out << nameOf(window) + QLatin1Char('.') + nameOf(l) + QLatin1String(" (picture)");
    }
    return out;
}

// Where the keyboard is when dialog has just opened; empty when that is a right place: a field,
// or where the dialog has none, its default button (else its first).
QString wrongFirstFocus(QDialog* dialog) {
    QWidget* focus = dialog->focusWidget();
    for (QWidget* p = focus; p && p != dialog; p = p->parentWidget())
        if (qobject_cast<QAbstractSpinBox*>(p) || qobject_cast<QComboBox*>(p)) focus = p;
    QWidget* firstField = nullptr;
    QPushButton* firstButton = nullptr;
    QPushButton* defaultButton = nullptr;
    for (QWidget* w : tabChain(dialog)) {
        if (!firstField && isInputField(w)) firstField = w;
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            if (!firstButton) firstButton = b;
            if (b->isDefault() && !defaultButton) defaultButton = b;
        }
    }
    QWidget* expected = firstField      ? firstField
                        : defaultButton ? static_cast<QWidget*>(defaultButton)
                                        : firstButton;
    if (!expected) return {}; // nothing the keyboard could start on
    if (focus && focus->window() == dialog && focus->isVisible() &&
        (firstField ? isInputField(focus) : focus == expected))
        return {};
    return nameOf(dialog) + QLatin1String(" opens on ") +
           (focus ? nameOf(focus) : QStringLiteral("nothing")) + QLatin1String(", not ") +
           nameOf(expected);
}

class Accessibility : public ::testing::Test {
  protected:
    test::TempFolder folder;
    test::FakeServices fakes;
    std::unique_ptr<StartUp> program;

    void SetUp() override {
        Messages::clear();
        test::writeFreshDatabase(folder.str());
        program = std::make_unique<StartUp>(fakes.services(), folder.str(), QStringList());
        program->runModal = [](QDialog*) {};
        ASSERT_TRUE(program->run());
        AppWindows& w = program->windows();
        w.logonfrm->findChild<QLineEdit*>("username")->setText("ADMIN");
        w.logonfrm->findChild<QLineEdit*>("password")->setText("secret");
        w.logonfrm->findChild<QPushButton*>("BitBtn1")->click();
        ASSERT_TRUE(w.mainfrm->isVisible());
        Messages::clear();
    }
    void TearDown() override {
        program.reset();
        Messages::clear();
    }

    // The program's dialogs, each once; the browser windows make their browser only on
    // demand, and it is theirs to name.
    QList<QDialog*> dialogs() {
        AppWindows& w = program->windows();
        QList<QDialog*> all;
        const QList<QDialog*> windows = {
            w.lockfrm,           w.createfrm,          w.browsefrm,        w.welcomefrm,
            w.logonfrm,          w.webserverconfigfrm, w.previewdialogfrm, w.previewfrm,
            w.pageformatfrm,     w.schoolinfofrm,      w.importfrm,        w.aboutbox,
            w.setconfigfrm,      w.check2frm,          w.userinfofrm,      w.loginconfigfrm,
            w.usermanagementfrm, w.firstregfrm,        w.autoregconfigfrm};
        for (QDialog* window : windows) {
            EXPECT_NE(window, nullptr);
            if (window) all << window;
        }
        return all;
    }

    static void showAlone(QWidget* window) {
        window->show();
        window->activateWindow();
        QApplication::processEvents();
    }
    static void closeAgain(QWidget* window) {
        window->hide();
        QApplication::processEvents();
        Messages::clear();
    }
};

} // namespace

TEST_F(Accessibility, EveryControlAndPictureOfEveryWindowHasAName) {
    QStringList unnamed;
    Tmainfrm* main = program->windows().mainfrm;
    unnamed << unnamedControls(main);
    showAlone(program->splash());
    unnamed << unnamedControls(program->splash());
    closeAgain(program->splash());
    for (QDialog* d : dialogs()) {
        showAlone(d);
        unnamed << unnamedControls(d);
        closeAgain(d);
    }
    // Help is a window of its own, not a dialog; its browser is not asked for.
    QWidget* help = program->windows().onlinehelpfrm;
    showAlone(help);
    unnamed << unnamedControls(help);
    closeAgain(help);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char('\n')).toStdString();
}

TEST_F(Accessibility, EveryDialogOpensOnAFieldOrItsButton) {
    QStringList wrong;
    for (QDialog* d : dialogs()) {
        showAlone(d);
        const QString why = wrongFirstFocus(d);
        if (!why.isEmpty()) wrong << why;
        closeAgain(d);
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char('\n')).toStdString();
}

TEST_F(Accessibility, TheBusyLightSaysWhatItsColourMeans) {
    Tmainfrm* main = program->windows().mainfrm;
    auto* light = main->findChild<BusyLight*>();
    ASSERT_NE(light, nullptr);
    const QString idle = light->accessibleName() + light->accessibleDescription();
    EXPECT_FALSE(idle.isEmpty());
    main->setBusy(true);
    const QString busy = light->accessibleName() + light->accessibleDescription();
    main->setBusy(false);
    EXPECT_NE(idle, busy) << "a screen reader hears when the program is busy";
    EXPECT_EQ(light->accessibleName() + light->accessibleDescription(), idle);
}

TEST_F(Accessibility, ADateFieldComesRightAfterTheChoiceThatNamesItInTabOrder) {
    int pairs = 0;
    for (QDialog* d : dialogs()) {
        for (QAbstractSpinBox* field : d->findChildren<QAbstractSpinBox*>()) {
            for (QRadioButton* choice : field->parentWidget()->findChildren<QRadioButton*>()) {
                if (ui::captionWords(choice->text()) != field->accessibleName()) continue;
                ++pairs;
                QWidget* next = choice->nextInFocusChain();
                while (next && next->focusPolicy() == Qt::NoFocus)
                    next = next->nextInFocusChain();
                // The field's own line takes the keyboard for it.
                if (next && next->parentWidget() == field) next = field;
                EXPECT_EQ(next, field)
                    << nameOf(d).toStdString() << '.' << nameOf(field).toStdString() << " after "
                    << nameOf(choice).toStdString() << ", not "
                    << (next ? nameOf(next).toStdString() : "nothing");
            }
        }
    }
    EXPECT_EQ(pairs, 3) << "the create dialog's two dates and the preview dialog's one";
}
