// The small pictures of the toolbar buttons, drawn in code.
#pragma once

#include "app/toolpictures.h"

#include <QIcon>

namespace pinora {

QIcon toolIcon(ToolPicture picture);

} // namespace pinora
