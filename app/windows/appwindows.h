// Every window of the program is created once at start-up and lives until the end; the
// windows that open others find them here.
#pragma once

class QWidget;

namespace pinora {

class Tmainfrm;
class Tlockfrm;
class Tcreatefrm;
class Tbrowsefrm;
class Twelcomefrm;
class Tlogonfrm;
class Twebserverconfigfrm;
class Tpreviewdialogfrm;
class TPreviewFrm;
class Tonlinehelpfrm;
class Tcheck2frm;
class TImportfrm;
class Tpageformatfrm;
class Tschoolinfofrm;
class Tsetconfigfrm;
class TAboutBox;
class TUserInfofrm;
class Tloginconfigfrm;
class TUserManagementFrm;
class Tfirstregfrm;
class Tautoregconfigfrm;

struct AppWindows {
    Tmainfrm* mainfrm = nullptr;
    Tlockfrm* lockfrm = nullptr;
    Tcreatefrm* createfrm = nullptr;
    Tbrowsefrm* browsefrm = nullptr;
    Twelcomefrm* welcomefrm = nullptr;
    Tlogonfrm* logonfrm = nullptr;
    Twebserverconfigfrm* webserverconfigfrm = nullptr;
    Tpreviewdialogfrm* previewdialogfrm = nullptr;
    TPreviewFrm* previewfrm = nullptr;
    Tpageformatfrm* pageformatfrm = nullptr;
    Tschoolinfofrm* schoolinfofrm = nullptr;
    TImportfrm* importfrm = nullptr;
    TAboutBox* aboutbox = nullptr;
    Tsetconfigfrm* setconfigfrm = nullptr;
    Tcheck2frm* check2frm = nullptr;
    Tonlinehelpfrm* onlinehelpfrm = nullptr;
    TUserInfofrm* userinfofrm = nullptr;
    Tloginconfigfrm* loginconfigfrm = nullptr;
    TUserManagementFrm* usermanagementfrm = nullptr;
    Tfirstregfrm* firstregfrm = nullptr;
    Tautoregconfigfrm* autoregconfigfrm = nullptr;
};

} // namespace pinora
