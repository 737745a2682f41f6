// Help topics are pages in the help folder beside the program, shown in one viewer window.
#pragma once

#include <QString>

class QWidget;

namespace pinora {

class Tonlinehelpfrm;

// The viewer that showHelpTopic uses; set once at start-up.
void setHelpViewer(Tonlinehelpfrm* viewer);
// Opens topic (e.g. "create.htm") beside window. Returns at once.
void showHelpTopic(const QString& topic, QWidget* window);
// The topic most recently asked for (for tests of the windows that ask).
QString lastHelpTopic();

} // namespace pinora
