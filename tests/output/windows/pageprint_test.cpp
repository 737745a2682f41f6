// Printing a page file: what the sheet shows, on as few sheets as it fits.
#include "db/datetime.h"
#include "output/page.h"
#include "output/windows/pageprint.h"
#include "support/fakes.h"
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
using pinora::test::FakeServices;
using pinora::test::TempFolder;
using pinora::test::pdfText;
namespace fs = std::filesystem;

namespace {

TEST(PagePrint, PrintsAPageFileToPdfAndFailsOnAMissingOne) {
    TempFolder folder;
    const fs::path page = folder / "TEMP" / "page.htm";
    {
        std::ofstream(page) << "<HTML><BODY><H1>Assembly</H1><P>Year 9 to the hall</P>"
                               "<script>document.body.innerHTML = 'Script ran';</script>"
                               "</BODY></HTML>";
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = QString::fromStdString((folder / "page.pdf").string());
    printer->setOutputFileName(pdf);
    std::optional<bool> done;
    printPageFile(QString::fromStdString(page.string()), std::move(printer),
                  [&](bool ok) { done = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 60000));
    EXPECT_TRUE(*done);
    EXPECT_TRUE(pdfText(pdf).contains("Year 9 to the hall"));
    EXPECT_FALSE(pdfText(pdf).contains("Script ran")) << "the page's own script never runs";

    done.reset();
    printPageFile(QString::fromStdString((folder / "none.htm").string()),
                  std::make_unique<QPrinter>(), [&](bool ok) { done = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 60000));
    EXPECT_FALSE(*done);
}

TEST(PagePrint, APageThatFitsTheSheetPrintsOnOne) {
    TempFolder folder;
    FakeServices fake;
    test::writeFreshDatabase(folder.str());
    Station station{folder.str(), fake.services()};
    ASSERT_EQ(station.db.loadConfig(), Result::Ok);
    ASSERT_EQ(station.db.loadUsers(), Result::Ok);
    ASSERT_EQ(station.db.loadNotices(), Result::Ok);
    station.currentUserName = "ADMIN";
    station.currentUserSlot = station.db.findUser("ADMIN");
    const TDateTime day = encodeDate(2026, 12, 14);
    int n = -1;
    std::array<bool, kSetCount> in{};
    in[0] = true;
    ASSERT_EQ(station.allocateNotice(day, day, in, n), Result::Ok);
    ASSERT_TRUE(station.db.writeMessageFile(n, "Choir practice at lunch"));
    ASSERT_TRUE(writeNoticePage(station.db, 1, "TEMP/one.htm", day));

    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setPageSize(QPageSize(QPageSize::A4));
    const QString pdf = QString::fromStdString((folder / "one.pdf").string());
    printer->setOutputFileName(pdf);
    std::optional<bool> done;
    printPageFile(QString::fromStdString(station.db.path("TEMP/one.htm")), std::move(printer),
                  [&](bool ok) { done = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 60000));
    ASSERT_TRUE(*done);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("Choir practice at lunch"));
    EXPECT_EQ(text.count(QLatin1Char('\f')), 1) << "one sheet: " << text.toStdString();
}

} // namespace
