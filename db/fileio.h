// Whole-file reads and writes. Writes go to a temporary file in the same folder, are flushed,
// then renamed over the target, so a reader never sees half a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "filesystem.h"

namespace pinora {

// NotAFile: a folder, a pipe, a device or a socket under the name. Every read opens without
// waiting and reads regular files only, since a pipe copied into the folder would hang the
// reader (and every station after it) for ever.
enum class ReadStatus { Ok, Missing, Error, TooLarge, NotAFile };

// Paths below the database folder are the folder, its own separator, and a name appended
// with another ("folder//MSG/1.MSG"). Below that point nothing follows a link: a link there
// is never read, written, listed or emptied, and its error says so (kLinkRefused).
extern const char* const kLinkRefused;

bool fileExists(FileSystem& fs, const std::string& path); // a regular file, not a link to one
bool isLink(FileSystem& fs, const std::string& path);
// A file, or a link where a file should be (whose read is then refused with its reason).
bool fileOrLink(FileSystem& fs, const std::string& path);
// An open descriptor of a regular file on this machine's file system for reading (to hand to
// a library that reads it itself), under the rules above; -1 with error.
int openFileToRead(const std::string& path, std::string* error = nullptr);
// The size of whatever is under the name; nullopt when there is nothing or it cannot be told.
std::optional<std::uint64_t> fileSize(FileSystem& fs, const std::string& path);
bool folderExists(FileSystem& fs, const std::string& path);

// The entries of a folder (a link in its place is refused); nullopt with error otherwise.
std::optional<std::vector<FolderEntry>> listFolder(FileSystem& fs, const std::string& path,
                                                   std::string* error = nullptr);

// Reads at most maxBytes; more bytes than that counts as Ok with the first maxBytes (callers
// that care ask for one byte more than they expect).
ReadStatus readWholeFile(FileSystem& fs, const std::string& path, std::string& out, std::size_t maxBytes,
                         std::string* error = nullptr);

// For files whose whole content matters (pages, pictures): a file longer than maxBytes is
// TooLarge rather than cut, with an error naming the limit; a name that is not a regular
// file (a folder, or a folder missing on the way) counts as Missing.
ReadStatus readRegularFile(FileSystem& fs, const std::string& path, std::string& out, std::size_t maxBytes,
                           std::string* error = nullptr);

// Reads at most capacity bytes into buf, without clearing it first; got tells how many came.
struct MutableSpan {
    void* data;
    std::size_t size;
};

// Reads the file into the parts one after another; got[i] tells how much each part received.
// size, when given, receives the file's size as opened. A file whose size as opened is not
// onlySize (when given) is read into the first part alone: a retried load of a notice table
// of the wrong length need not read its megabyte each time to find that out.
ReadStatus readFileParts(FileSystem& fs, const std::string& path, std::initializer_list<MutableSpan> parts,
                         std::size_t* got, std::string* error = nullptr, std::uint64_t* size = nullptr,
                         std::optional<std::uint64_t> onlySize = std::nullopt);

ReadStatus readFileInto(FileSystem& fs, const std::string& path, char* buf, std::size_t capacity, std::size_t& got,
                        std::string* error = nullptr);

// tmpTag makes the temporary name unique to the writer. The data is flushed to disk before
// the rename and the folder after it, so a power cut leaves either the old file or the new
// one, both whole, and a save reported done stays done.
bool writeFileAtomic(FileSystem& fs, const std::string& path, const void* data, std::size_t size,
                     const std::string& tmpTag, std::string* error = nullptr);

struct ByteSpan {
    const void* data;
    std::size_t size;
};

// As writeFileAtomic, for content given in pieces (a header and a block). flush = false skips
// both flushes for files whose loss in a power cut costs nothing (readers still never see half).
// code, when given, receives the errno value of the failure.
bool writeFileAtomic(FileSystem& fs, const std::string& path, std::initializer_list<ByteSpan> parts,
                     const std::string& tmpTag, bool flush, std::string* error = nullptr,
                     int* code = nullptr);

// A failure a network share gives while another client has the file open: worth waiting for
// longer than a local error.
bool busyElsewhere(int code);

// Creates path with the given content only if no file of that name exists; the content is
// complete the moment the name appears. Returns false with exists=true when another file won
// (some shares refuse a taken name with EPERM or EACCES rather than EEXIST). flush makes the
// new file survive a power cut.
bool createFileExclusive(FileSystem& fs, const std::string& path, const std::string& content,
                         const std::string& tmpTag, bool& exists, std::string* error = nullptr,
                         bool flush = false);

bool removeFile(FileSystem& fs, const std::string& path);
// Moves the file to a new name in the same folder, replacing what is there; missing tells that
// there was nothing to move.
bool renameFile(FileSystem& fs, const std::string& from, const std::string& to, bool* missing = nullptr);
// Gives the file from a second name, to, unless a file of that name exists (exists = true).
bool linkFileExclusive(FileSystem& fs, const std::string& from, const std::string& to, bool& exists);

// A folder, unless there is one already.
bool makeFolder(FileSystem& fs, const std::string& path, std::string* error = nullptr);

// A short text describing the last system error, for messages.
std::string systemErrorText(int err);

} // namespace pinora
