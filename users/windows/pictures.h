// The program's own pictures, drawn in code so that the program needs no image files.
#pragma once

#include <QPixmap>

namespace pinora {

// A notice board with a pinned sheet: the program's picture.
QPixmap programPicture(int size);
// A blue band with the program's name, for the top of the splash.
QPixmap bannerPicture(int width, int height);

} // namespace pinora
