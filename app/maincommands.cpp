#include "maincommands.h"

namespace pinora {

namespace {
using A = MainAction;
using P = ToolPicture;
using W = WindowCommand;

// The window an action needs, for actions that run one.
std::optional<WindowCommand> windowOf(MainAction action) {
    switch (action) {
    case A::Browse:
        return W::Browse;
    case A::Print:
    case A::Preview:
    case A::Publish:
    case A::PrintPreview:
        return W::PreviewDialog;
    case A::LoginConfig:
        return W::LoginConfig;
    case A::DefaultSecurity:
        return W::DefaultSecurity;
    default:
        return std::nullopt;
    }
}

MainCommand item(const char* menu, const char* name, const char* caption, MainAction action) {
    return {menu, name, caption, action, windowOf(action), std::nullopt};
}
MainCommand item(const char* menu, const char* name, const char* caption, WindowCommand window) {
    return {menu, name, caption, A::OpenWindow, window, std::nullopt};
}
MainCommand separator(const char* menu) {
    return {menu, nullptr, nullptr, A::OpenWindow, std::nullopt, std::nullopt};
}
MainCommand tool(const char* bar, const char* name, const char* hint, MainAction action,
                 ToolPicture picture) {
    return {bar, name, hint, action, windowOf(action), picture};
}
MainCommand tool(const char* bar, const char* name, const char* hint, WindowCommand window,
                 ToolPicture picture) {
    return {bar, name, hint, A::OpenWindow, window, picture};
}
} // namespace

const std::vector<MainPlace>& mainMenus() {
    static const std::vector<MainPlace> menus = {
        {"File1", "&File"}, {"editmenu", "&Edit"},
        {"View1", "&View"}, {"adminmenu", "&Administrator"},
        {"Help1", "&Help"},
    };
    return menus;
}

const std::vector<MainPlace>& mainToolbars() {
    static const std::vector<MainPlace> bars = {
        {"maintb", ""}, {"edittb", ""}, {"admintb", ""}, {"helptb", ""}};
    return bars;
}

const std::vector<MainCommand>& mainCommands() {
    static const std::vector<MainCommand> table = {
        item("File1", "CreateaNotice1", "&Create a Notice", A::CreateNotice),
        item("File1", "ViewEditaNotice1", "&View/Edit a Notice", A::Browse),
        separator("File1"),
        item("File1", "PrintNotice1", "&Print Notices", A::Print),
        item("File1", "PreviewNotices1", "Pre&view Notices", A::Preview),
        item("File1", "PublishNotices1", "Pu&blish Notices", A::Publish),
        separator("File1"),
        item("File1", "Changemyinformation1", "&Change my information", W::ChangeMyInformation),
        separator("File1"),
        item("File1", "Exit1", "E&xit", A::Exit),

        item("editmenu", "Cut1", "C&ut", A::Cut),
        item("editmenu", "Copy1", "&Copy", A::Copy),
        item("editmenu", "Paste1", "&Paste", A::Paste),
        separator("editmenu"),
        item("editmenu", "InsertPicture1", "Insert Picture", A::InsertPicture),
        item("editmenu", "ForceReturn1", "Force &Return", A::ForceReturn),

        item("View1", "NoticeEntries1", "Notice &Entries", A::Browse),
        item("View1", "NoticePrintPreview1", "Notice Print &Preview", A::PrintPreview),

        item("adminmenu", "UserManagement1", "&User Management", W::UserManagement),
        item("adminmenu", "LoginMangment1", "User &Authentication Management", A::LoginConfig),
        item("adminmenu", "DefaultSecurityUserLevels1", "Default &Security Levels for new users",
             A::DefaultSecurity),
        separator("adminmenu"),
        item("adminmenu", "NoticeFormatter1", "&Page Formatter", W::PageFormatter),
        item("adminmenu", "NoticeSetsConfig1", "&Notice Sets Config", W::NoticeSetsConfig),
        item("adminmenu", "PublishHTMLSettings1", "&Web Server Config", W::WebServerConfig),
        item("adminmenu", "SchoolInformation1", "School &Information", W::SchoolInformation),
        separator("adminmenu"),
        item("adminmenu", "DataIntegrityCheck1", "&Data Integrity Check", W::IntegrityCheck),
        item("adminmenu", "ReportonUsage1", "&Report on Usage", A::ReportUsage),
        item("adminmenu", "ClearLocks1", "&Clear Locks", A::ClearLocks),
        separator("adminmenu"),
        item("adminmenu", "ImportDBfromPinorav11", "Import DB from Pinora 1.4", W::Import),

        item("Help1", "Instructions1", "&Instructions", A::Instructions),
        item("Help1", "About1", "&About", W::About),

        tool("maintb", "SpeedButton1", "New Notice", A::CreateNotice, P::NewNotice),
        tool("maintb", "SpeedButton2", "Edit/Delete a Notice", A::Browse, P::Browse),
        tool("maintb", "SpeedButton3", "Print a days notices", A::Print, P::Print),
        tool("maintb", "SpeedButton4", "Preview a days notices", A::Preview, P::Preview),
        tool("maintb", "SpeedButton5", "Publish a days notices to HTML", A::Publish, P::Publish),

        tool("edittb", "SpeedButton6", "Cut", A::Cut, P::Cut),
        tool("edittb", "SpeedButton7", "Copy", A::Copy, P::Copy),
        tool("edittb", "SpeedButton8", "Paste", A::Paste, P::Paste),
        tool("edittb", "SpeedButton14", "", A::ForceReturn, P::LineBreak),
        tool("edittb", "SpeedButton13", "Insert Picture", A::InsertPicture, P::Picture),
        tool("edittb", "BoldBtn", "Bold", A::Bold, P::Bold),
        tool("edittb", "ItalicBtn", "Italic", A::Italic, P::Italic),
        tool("edittb", "UnderLineBtn", "Underline", A::Underline, P::Underline),

        tool("admintb", "SpeedButton9", "User Management", W::UserManagement, P::Users),
        tool("admintb", "SpeedButton10", "Data Integrity Check", W::IntegrityCheck, P::Check),
        tool("admintb", "SpeedButton11", "Report on Usage", A::ReportUsage, P::Report),

        tool("helptb", "SpeedButton12", "Instructions", A::Instructions, P::Help),
    };
    return table;
}

} // namespace pinora
