// The main window's menu items and tool buttons, as one table: where each goes, its name, its
// caption (a button's hint) and what it does.
#pragma once

#include "app/toolpictures.h"

#include <optional>
#include <vector>

namespace pinora {

// Windows that other parts of the program provide (Tmainfrm::Command); their items stay
// disabled until an opener is set.
enum class WindowCommand {
    Browse,
    ChangeMyInformation,
    PreviewDialog, // reads Tmainfrm::previewMode()
    UserManagement,
    LoginConfig,
    DefaultSecurity,
    PageFormatter,
    NoticeSetsConfig,
    WebServerConfig,
    SchoolInformation,
    IntegrityCheck,
    Import,
    About,
};

// What the main window itself does; OpenWindow runs the entry's window command.
enum class MainAction {
    OpenWindow,
    CreateNotice,
    Browse,
    Print,
    Preview,
    Publish,
    PrintPreview,
    Exit,
    Cut,
    Copy,
    Paste,
    InsertPicture,
    ForceReturn,
    Bold,
    Italic,
    Underline,
    LoginConfig, // super users only
    DefaultSecurity,
    ReportUsage,
    ClearLocks,
    Instructions,
};

struct MainCommand {
    const char* place;   // objectName of the menu or toolbar
    const char* name;    // objectName of the item or button; nullptr for a separator
    const char* caption; // a menu item's text, a button's hint
    MainAction action;
    std::optional<WindowCommand> window; // the window it opens, enabled only once provided
    std::optional<ToolPicture> picture;  // tool buttons only
};

// The menus, then the toolbars, each in the order shown.
const std::vector<MainCommand>& mainCommands();

struct MainPlace {
    const char* name;
    const char* caption; // empty for a toolbar
};
const std::vector<MainPlace>& mainMenus();
const std::vector<MainPlace>& mainToolbars();

} // namespace pinora
