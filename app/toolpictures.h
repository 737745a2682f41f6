// The pictures of the tool buttons, by name: the main window's table of commands names them,
// and app/windows/toolicons.h draws them.
#pragma once

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

} // namespace pinora
