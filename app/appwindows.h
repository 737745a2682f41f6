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
    Tonlinehelpfrm* onlinehelpfrm = nullptr;
};

} // namespace pinora
