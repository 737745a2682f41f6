#include "folderchoice.h"

#include "fileio.h"
#include "installdirs.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace pinora {

namespace {

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string sourceText(const FolderChoice& choice) {
    switch (choice.source) {
    case FolderSource::CommandLine: return "--folder on the command line";
    case FolderSource::Environment: return std::string("the ") + kFolderVariable + " variable";
    case FolderSource::ConfigFile: return std::string("folder= in ") + kFolderConfFile;
    case FolderSource::ProgramFolder: break;
    }
    return "the program's own folder";
}

std::string placesText() {
    return std::string("The database folder is looked up in this order: --folder on the command "
                       "line, the ") +
           kFolderVariable + " environment variable, a line folder=DIR in " + kFolderConfFile +
           ", and last the folder that holds the program.";
}

} // namespace

std::optional<std::string> confValue(std::string_view confText, std::string_view key) {
    while (!confText.empty()) {
        const std::size_t end = confText.find('\n');
        std::string_view line = trimmed(confText.substr(0, end));
        confText = end == std::string_view::npos ? std::string_view() : confText.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || trimmed(line.substr(0, eq)) != key) continue;
        return std::string(trimmed(line.substr(eq + 1)));
    }
    return std::nullopt;
}

FolderChoice chooseFolder(const FolderPlaces& places) {
    if (!places.commandLine.empty())
        return {withSeparator(places.commandLine), FolderSource::CommandLine};
    if (!places.environment.empty())
        return {withSeparator(places.environment), FolderSource::Environment};
    if (const auto conf = confValue(places.confText, "folder"); conf && !conf->empty())
        return {withSeparator(*conf), FolderSource::ConfigFile};
    const std::string own = withSeparator(places.programFolder);
    if (own.empty() || own == withSeparator(places.installedFolder))
        return {"", FolderSource::ProgramFolder};
    return {own, FolderSource::ProgramFolder};
}

std::string thisProgramFolder() {
    std::string buf(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return {};
    buf.resize(static_cast<std::size_t>(n));
    const auto slash = buf.find_last_of('/');
    return slash == std::string::npos ? std::string() : buf.substr(0, slash + 1);
}

FolderPlaces workstationFolderPlaces(std::string commandLine, std::string programFolder) {
    FolderPlaces places;
    places.commandLine = std::move(commandLine);
    if (const char* v = std::getenv(kFolderVariable)) places.environment = v;
    std::ifstream conf(kFolderConfFile, std::ios::binary);
    // A line or two; anything past this is not a configuration file.
    constexpr std::size_t kMaxConf = 64 * 1024;
    std::string text;
    char c;
    while (text.size() < kMaxConf && conf.get(c)) text += c;
    places.confText = std::move(text);
    places.programFolder = std::move(programFolder);
    places.installedFolder = kInstalledProgramFolder;
    return places;
}

std::optional<std::string> folderProblem(const FolderChoice& choice, FileSystem& fs) {
    if (choice.folder.empty())
        return "No database folder is set for this workstation. " + placesText();
    std::vector<FolderEntry> entries;
    const int err = fs.list(choice.folder, entries);
    if (err == 0) return std::nullopt;
    const std::string error = err == ENOENT    ? "it does not exist"
                              : err == ENOTDIR ? "it is not a folder"
                                               : "it cannot be read (" + systemErrorText(err) + ")";
    return "The database folder " + choice.folder + " (from " + sourceText(choice) + ") cannot be used: " +
           error + ". " + placesText();
}

} // namespace pinora
