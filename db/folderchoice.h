// Which database folder a workstation works on. An installed program does not live in the
// shared folder, so the folder is set once per workstation and looked up in a fixed order:
// --folder on the command line, PINORA_FOLDER, folder= in /etc/pinora2.conf, and last the
// program's own folder (a copy laid out in the shared folder itself).
#pragma once

#include "filesystem.h"

#include <optional>
#include <string>
#include <string_view>

namespace pinora {

inline constexpr char kFolderConfFile[] = "/etc/pinora2.conf";
inline constexpr char kFolderVariable[] = "PINORA_FOLDER";

enum class FolderSource { CommandLine, Environment, ConfigFile, ProgramFolder };

// What this workstation gives for each place; an empty text gives nothing.
struct FolderPlaces {
    std::string commandLine;
    std::string environment;
    std::string confText;      // the configuration file's text, empty when it is not there
    std::string programFolder; // where the program file is
    // Where an installed program lives (the package's bin folder): a program there is not in a
    // database folder, so its own folder is never taken for one.
    std::string installedFolder;
};

struct FolderChoice {
    std::string folder; // ends with its separator; empty when none is set
    FolderSource source = FolderSource::ProgramFolder;
};

FolderChoice chooseFolder(const FolderPlaces& places);

// The folder that holds the running program, ending with its separator; empty when the
// system cannot tell.
std::string thisProgramFolder();

// This workstation's places: the variable and the configuration file as they stand, beside
// what the program was given and where it is.
FolderPlaces workstationFolderPlaces(std::string commandLine, std::string programFolder);

// The value of the first "key=" line of the configuration file's text (spaces around it and
// comment lines ignored): folder= the database folder, display= the entrance-hall screen's set.
std::optional<std::string> confValue(std::string_view confText, std::string_view key);

// Why the folder cannot be used, in the program's words, naming the folder, where it came from
// and every place looked at; nullopt when it is a folder that can be read.
std::optional<std::string> folderProblem(const FolderChoice& choice, FileSystem& fs);

} // namespace pinora
