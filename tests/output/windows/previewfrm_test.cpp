// The preview window shows a page as it is, pictures and all, and runs none of its script.
#include "output/windows/previewfrm.h"
#include "support/tempfolder.h"
#include "windowtest.h"

#include <QImage>
#include <QPrinter>
#include <QTest>
#include <QTimer>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

using namespace pinora;
using pinora::test::TempFolder;
using pinora::test::pdfText;
namespace fs = std::filesystem;

namespace {

TEST(PreviewWindow, RunsNoScriptOfThePageAndStillShowsItsPictures) {
    TempFolder folder;
    QImage picture(12, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString((folder / "MSG" / "pic.png").string())));
    ASSERT_TRUE(picture.save(QString::fromStdString((folder / "TEMP" / "logo.png").string())));
    const fs::path page = folder / "TEMP" / "page.htm";
    std::ofstream(page) << "<HTML><HEAD><TITLE>Notices</TITLE></HEAD><BODY>"
                        << "<IMG SRC=\"" << folder.str() << "/MSG/pic.png\"><img src=\"logo.png\">"
                        << "<script>document.title = 'script ran';</script>"
                        << "<img src=none.png onerror=\"document.title = 'handler ran'\">"
                        << "</BODY></HTML>";
    TPreviewFrm preview;
    QString seen;
    QTimer::singleShot(0, &preview, [&] {
        QWebEngineView* web = preview.findChild<QWebEngineView*>("webbrowser");
        bool loaded = false;
        if (web) QObject::connect(web, &QWebEngineView::loadFinished, [&] { loaded = true; });
        if (web && QTest::qWaitFor([&] { return loaded; }, 30000)) {
            bool done = false;
            web->page()->runJavaScript(
                "document.title + '|' + Array.from(document.images).map(i => i.naturalWidth)",
                QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
                    seen = v.toString();
                    done = true;
                });
            EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 30000));
        }
        preview.close();
    });
    preview.showPage(QString::fromStdString(page.string()));
    EXPECT_EQ(seen, QStringLiteral("Notices|12,12,0"));
}

} // namespace
