// What the output windows' tests share: the text of a printed PDF.
#pragma once

#include <QProcess>
#include <QString>

namespace pinora::test {

inline QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace pinora::test
