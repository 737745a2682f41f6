// pinoractl's --help, its manual page and the README's table of commands all come from, or
// must agree with, the one command table.
#include "cli/commandtable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pinora::test {
namespace {

std::string readme() {
    const char* source = std::getenv("PINORA_SOURCE");
    std::ifstream in(std::string(source ? source : ".") + "/README.md");
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// The first column of the table under "## Administration tool", unquoted.
std::vector<std::string> readmeCommands() {
    const std::string text = readme();
    const std::size_t at = text.find("## Administration tool");
    std::vector<std::string> out;
    if (at == std::string::npos) return out;
    std::istringstream lines(text.substr(at, text.find("\n## ", at + 1) - at));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("| `", 0) != 0) continue;
        std::string cell = line.substr(3, line.find("` |") - 3);
        for (std::size_t p; (p = cell.find("\\|")) != std::string::npos;) cell.erase(p, 1);
        out.push_back(cell);
    }
    return out;
}

TEST(CommandTable, HelpTheManualPageAndTheReadmeNameEveryCommandAlike) {
    const std::string help = cli::usageText();
    const std::string manual = cli::manualPage();
    std::vector<std::string> synopses;
    for (const cli::Command& c : cli::commandTable()) {
        ASSERT_EQ(cli::findCommand(c.name), &c);
        // The synopsis begins the command's entry in --help (wrapped where long).
        const std::string head = std::string(c.synopsis.substr(0, c.synopsis.find(" [--user")));
        EXPECT_NE(help.find("\n  " + head), std::string::npos) << c.name;
        if (!c.handler) continue;
        synopses.emplace_back(c.synopsis);
        std::string roff;
        for (const char ch : c.synopsis) roff += ch == '-' ? std::string("\\-") : std::string(1, ch);
        EXPECT_NE(manual.find(".TP\n.B " + roff + "\n"), std::string::npos) << c.name;
        // Every option the parser takes is in what the command is said to take.
        for (const char* o : c.values) EXPECT_NE(c.synopsis.find(o), std::string_view::npos) << o;
        for (const char* o : c.flags) EXPECT_NE(c.synopsis.find(o), std::string_view::npos) << o;
    }
    EXPECT_EQ(readmeCommands(), synopses);
    EXPECT_EQ(cli::findCommand("nothing"), nullptr);
    EXPECT_EQ(manual.rfind(".TH PINORACTL 1 \"", 0), 0u);
    EXPECT_NE(manual.find(cli::versionText().substr(10)), std::string::npos);
}

} // namespace
} // namespace pinora::test
