#include "folderchoice.h"

#include "fileio.h"
#include "installdirs.h"
#include "text.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace pinora {

namespace {

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
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
    std::optional<std::string> value;
    forEachLine(confText, LineEnds::CrLfOrLf, [&](std::string_view raw) {
        const std::string_view line = trimSpaces(raw);
        const std::size_t eq = line.find('=');
        if (value || line.empty() || line.front() == '#' || eq == std::string_view::npos ||
            trimSpaces(line.substr(0, eq)) != key)
            return;
        value = std::string(trimSpaces(line.substr(eq + 1)));
    });
    return value;
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
    // A line or two; a file that is missing or cannot be read gives nothing.
    if (readWholeFile(*systemFileSystem(), kFolderConfFile, places.confText, 64 * 1024) !=
        ReadStatus::Ok)
        places.confText.clear();
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
