#include "messages.h"

#include "accessible.h"

#include "db/text.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QLabel>
#include <QMessageBox>
#include <deque>

namespace pinora::ui {

namespace {
struct TestState {
    bool on = false;
    std::deque<bool> answers;
    std::deque<QString> texts;
    std::deque<QString> files;
    QList<ShownBox> shown;
};

TestState& state() {
    static TestState s;
    return s;
}

QString appTitle() {
    const QString t = QApplication::applicationDisplayName();
    return t.isEmpty() ? QStringLiteral("Pinora 2") : t;
}

void record(ShownBox::Kind kind, const QString& title, const QString& text) {
    state().shown.push_back({kind, title, text});
}
} // namespace

namespace {
// The box's picture, named for a screen reader by what kind of box it is.
void nameIcon(QMessageBox& box, const QString& what) {
    if (auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
        ui::describePicture(icon, what);
}

void showOk(ShownBox::Kind kind, QMessageBox::Icon icon, QWidget* parent, const QString& text) {
    record(kind, appTitle(), text);
    if (state().on) return;
    QMessageBox box(icon, appTitle(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    nameIcon(box, icon == QMessageBox::Critical ? QStringLiteral("Error")
                                                : QStringLiteral("Information"));
    box.exec();
}
} // namespace

void Messages::information(QWidget* parent, const QString& text) {
    showOk(ShownBox::Kind::Information, QMessageBox::Information, parent, text);
}

void Messages::error(QWidget* parent, const QString& text) {
    showOk(ShownBox::Kind::Error, QMessageBox::Critical, parent, text);
}

bool Messages::question(QWidget* parent, const QString& title, const QString& text) {
    record(ShownBox::Kind::Question, title, text);
    if (state().on) {
        if (state().answers.empty()) return false;
        const bool a = state().answers.front();
        state().answers.pop_front();
        return a;
    }
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    nameIcon(box, QStringLiteral("Question"));
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> Messages::input(QWidget* parent, const QString& title, const QString& label,
                                       bool password, const QString& text) {
    record(ShownBox::Kind::Input, title, label);
    if (state().on) {
        if (state().texts.empty()) return std::nullopt;
        QString t = state().texts.front();
        state().texts.pop_front();
        return t;
    }
    bool ok = false;
    const QString t = QInputDialog::getText(
        parent, title, label, password ? QLineEdit::Password : QLineEdit::Normal, text, &ok);
    if (!ok) return std::nullopt;
    return t;
}

QString Messages::openFile(QWidget* parent, const QString& caption, const QString& folder,
                           const QString& filter) {
    record(ShownBox::Kind::FileOpen, caption, folder);
    if (state().on) {
        if (state().files.empty()) return {};
        QString f = state().files.front();
        state().files.pop_front();
        return f;
    }
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

void Messages::setTestMode(bool on) {
    state().on = on;
}
bool Messages::testMode() {
    return state().on;
}
void Messages::queueAnswer(bool yes) {
    state().answers.push_back(yes);
}
void Messages::queueText(const QString& text) {
    state().texts.push_back(text);
}
void Messages::queueFile(const QString& path) {
    state().files.push_back(path);
}
const QList<ShownBox>& Messages::shown() {
    return state().shown;
}

QStringList Messages::shownTexts() {
    QStringList out;
    for (const ShownBox& b : state().shown)
        out << b.text;
    return out;
}

void Messages::clear() {
    TestState& s = state();
    s.answers.clear();
    s.texts.clear();
    s.files.clear();
    s.shown.clear();
}

bool present(const Result& result, QWidget* parent) {
    for (const std::string& text : result.messages())
        Messages::information(parent, QString::fromStdString(text));
    return result.isOk();
}

QString fromRecord(const std::string& bytes) {
    return QString::fromStdString(cp1252ToUtf8(bytes));
}

std::string toRecord(const QString& text) {
    return utf8ToCp1252(text.toStdString());
}

} // namespace pinora::ui
