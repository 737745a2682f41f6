// Pieces the user windows share: the white fixed dialog, named controls, and the personal
// fields that registration and User Information both ask for.
#pragma once

#include "users/registration.h"

#include <QPushButton>
#include <QString>
#include <initializer_list>

class QCheckBox;
class QDialog;
class QFormLayout;
class QLabel;
class QLineEdit;
class QHBoxLayout;
class QWidget;

namespace pinora {

// A white dialog with a dialog border, named and captioned.
void makeUserDialog(QDialog* d, const char* name, const QString& caption);
// Fixes the dialog at the given client size, or larger where its contents need it.
void fixDialogSize(QDialog* d, int width, int height);

QLabel* wrappedLabel(const QString& text);
// Puts the keyboard on the first field of page that takes typing, so that a keyboard user
// types into it rather than into a button; false when page has none.
bool focusFirstField(QWidget* page);
QLineEdit* namedEdit(const char* name, bool masked = false);
QCheckBox* namedCheck(const char* name, const QString& caption);
QPushButton* namedButton(const char* name, const QString& caption);
// A button whose click runs handler of owner.
template <class T>
QPushButton* namedButton(const char* name, const QString& caption, T* owner, void (T::*handler)()) {
    QPushButton* b = namedButton(name, caption);
    QObject::connect(b, &QPushButton::clicked, owner, handler);
    return b;
}
// A row of buttons: left ones, a gap, right ones.
QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> left,
                       std::initializer_list<QPushButton*> right);

// fullname, signature, password1, password2 and extrahelp, as both windows label them.
struct PersonalFields {
    QLineEdit* fullname = nullptr;
    QLineEdit* signature = nullptr;
    QLineEdit* password1 = nullptr;
    QLineEdit* password2 = nullptr;
    QCheckBox* extrahelp = nullptr;

    void addTo(QFormLayout* form);
    PersonalEntries entries() const; // Windows-1252
    void fill(const PersonalEntries& e);
};

} // namespace pinora
