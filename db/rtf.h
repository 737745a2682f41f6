// Plain lines out of the message files of release 1.4, which may be in Rich Text Format.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pinora {

// Paragraphs and line breaks become lines; \'hh and \uN become their Windows-1252 characters
// ('?' when it has none); font, colour and style tables, pictures and other destinations are
// left out. The document ends where its outermost group closes; anything after it is no part
// of it. Damaged input gives what could be read.
std::vector<std::string> rtfToLines(std::string_view rtf);

// A file that begins with "{\rtf" is read as Rich Text; any other is split into its lines as
// they are (CR LF, LF or CR end a line).
std::vector<std::string> messageLines(std::string_view file);

} // namespace pinora
