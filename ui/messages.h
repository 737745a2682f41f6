// Every message, question, input box and file dialog of the program goes through here, so that
// a test can answer them and read back what the user would have seen.
#pragma once

#include "db/result.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

namespace pinora::ui {

struct ShownBox {
    enum class Kind { Information, Error, Question, Input, FileOpen };
    Kind kind;
    QString title;
    QString text;
};

class Messages {
  public:
    // Information box with one OK button, titled with the application's title. Every text is
    // shown as plain text, exactly as given: names, replies and file errors may hold '<'.
    static void information(QWidget* parent, const QString& text);
    // The same with the error icon, for an operation that failed.
    static void error(QWidget* parent, const QString& text);
    // Yes/No question; true for Yes.
    static bool question(QWidget* parent, const QString& title, const QString& text);
    // Text input, starting with text; nullopt when cancelled.
    static std::optional<QString> input(QWidget* parent, const QString& title, const QString& label,
                                        bool password = false, const QString& text = {});
    // Open-file dialog; empty when cancelled.
    static QString openFile(QWidget* parent, const QString& caption, const QString& folder,
                            const QString& filter = {});

    // ---- test hooks -----------------------------------------------------------------------
    // In test mode nothing is shown: questions take queued answers (default No), inputs and
    // file dialogs take queued texts (default cancelled), and everything is recorded.
    static void setTestMode(bool on);
    static bool testMode();
    static void queueAnswer(bool yes);
    static void queueText(const QString& text); // for input()
    static void queueFile(const QString& path); // for openFile(); empty = cancel
    static const QList<ShownBox>& shown();
    static QStringList shownTexts();
    static void clear();
};

// Shows what an operation on the shared files has to tell, one information box per message,
// in order; a result without messages shows nothing. Returns result.isOk(), so that a caller
// can present and branch in one step.
bool present(const Result& result, QWidget* parent = nullptr);

// Windows-1252 bytes from the records to a QString and back, through the one converter.
QString fromRecord(const std::string& bytes);
std::string toRecord(const QString& text);

} // namespace pinora::ui
