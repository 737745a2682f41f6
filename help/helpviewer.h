// Help topics are pages in the help folder beside the program: where they are, and where their
// viewer goes on the screen.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QUrl>


namespace pinora {

// Where the viewer's own area goes beside the asking window: just right of its frame, pulled
// back left when it would stick out past the screen's right edge, level with it and as tall
// as it, keeping its width, and never off the screen. The viewer's frame is taken to be like
// the asking window's, since the real one is known only once the window system has shown it.
// screen is the screen's available area.
QRect helpViewerPlacement(int viewerWidth, const QRect& askingFrame, const QRect& askingArea,
                          const QRect& screen);

// The folder of the help pages, ending with '/': the first of folders that exists. The
// program looks beside itself (a copy laid out in the database folder, or a build) and then
// where the package installs them.
QString firstHelpFolder(const QStringList& folders);
QString programHelpFolder();

// The address of a topic in a help folder (which ends with '/').
QUrl helpTopicUrl(const QString& helpFolder, const QString& topic);

} // namespace pinora
