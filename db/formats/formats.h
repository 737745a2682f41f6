// Readers of the formats that earlier releases wrote. Each turns the bytes of a whole old file
// into today's record or table; none touches a file.
#pragma once

#include "db/records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pinora::formats {

enum class DbFile { Config, Notices, Users };

// V21 stands for the formats 2.1, 2.2 and 2.3, which share one header version.
enum class Format { Current, V20, V21, V24 };

const char* fileName(DbFile f); // "CONFIG.DB", ...

// Chosen by the header's version alone; a file without a current header and of another version
// has no header at all (2.0). Fewer than 16 bytes can only be 2.0.
Format formatOf(std::string_view fileStart);

// "2.0", "2.1,2.2,2.3", "2.4"; the words the upgrade messages use.
const char* formatText(Format f);

// The size of a whole file of that format; a file of another size cannot be converted.
std::size_t oldFileSize(DbFile f, Format from);

// A header that names today's version under a damaged signature: a broken current file, never
// one of 2.0, whose every record would shift and be garbled.
bool damagedHeader(std::string_view fileStart);

// Whether a file that begins with fileStart and holds size bytes is one of an older format that
// can be converted: a 2.1 to 2.4 header needs that format's size exactly, and any other header
// is taken for 2.0 only at exactly the size of a 2.0 file.
bool convertible(DbFile f, std::string_view fileStart, std::uint64_t size);

// The readers. file is the whole old file, oldFileSize bytes long; fields the old
// format lacks get the values the conversion defines, padding is zero.
void config20(std::string_view file, ConfigRecord& out);
void config21(std::string_view file, ConfigRecord& out);
void config24(std::string_view file, ConfigRecord& out);
void notices20(std::string_view file, NoticeTable& out);
void notices21(std::string_view file, NoticeTable& out); // also 2.4: the same block
void users20(std::string_view file, UserTable& out);
void users21(std::string_view file, UserTable& out); // also 2.4

enum class Convert { Done, Current, Unreadable };

// Picks the reader by the file's header. Current: the file needs no conversion (out is left
// alone). Unreadable: the file is not convertible and must be kept as it is.
Convert convertConfig(std::string_view file, ConfigRecord& out, Format* from = nullptr);
Convert convertNotices(std::string_view file, NoticeTable& out, Format* from = nullptr);
Convert convertUsers(std::string_view file, UserTable& out, Format* from = nullptr);

} // namespace pinora::formats
