// What the output windows' tests share: a file's bytes and the text of a printed PDF.
#pragma once

#include <QProcess>
#include <QString>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pinora::test {

inline std::string fileText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace pinora::test
