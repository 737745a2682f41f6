#include "helpviewer.h"

#include "installdirs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>

namespace pinora {

QRect helpViewerPlacement(int viewerWidth, const QRect& askingFrame, const QRect& askingArea,
                          const QRect& screen) {
    const int left = askingArea.x() - askingFrame.x();
    const int top = askingArea.y() - askingFrame.y();
    const int right = askingFrame.right() - askingArea.right();
    const int bottom = askingFrame.bottom() - askingArea.bottom();
    const int frameWidth = left + viewerWidth + right;

    int x = askingFrame.right() + 1;
    if (x + frameWidth > screen.right() + 1) x = screen.right() + 1 - frameWidth;
    x = std::max(x, screen.x());
    const int y = std::max(askingFrame.y(), screen.y());
    const int frameBottom = std::min(askingFrame.bottom(), screen.bottom());
    return QRect(x + left, y + top, viewerWidth, std::max(frameBottom - y + 1 - top - bottom, 1));
}

QString firstHelpFolder(const QStringList& folders) {
    for (const QString& f : folders)
        if (QFileInfo(f).isDir()) return f.endsWith(u'/') ? f : f + u'/';
    return folders.isEmpty() ? QString() : folders.last();
}

QString programHelpFolder() {
    return firstHelpFolder({QCoreApplication::applicationDirPath() + QStringLiteral("/help/"),
                            QString::fromLatin1(kInstalledHelpFolder) + u'/'});
}

QUrl helpTopicUrl(const QString& helpFolder, const QString& topic) {
    return QUrl::fromLocalFile(helpFolder + topic);
}

} // namespace pinora
