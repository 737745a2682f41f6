// The small pictures of the toolbar buttons, drawn in code.
#pragma once

#include <QIcon>

namespace pinora {

enum class ToolPicture {
    NewNotice,
    Browse,
    Print,
    Preview,
    Publish,
    Cut,
    Copy,
    Paste,
    LineBreak,
    Picture,
    Bold,
    Italic,
    Underline,
    Users,
    Check,
    Report,
    Help,
    EditNotice,
    DeleteNotice,
    Exit,
};

QIcon toolIcon(ToolPicture picture);

} // namespace pinora
