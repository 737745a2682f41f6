// Notice text is markup, never script: what a notice may put on the page, the preview, the
// entrance-hall screen and the mail.
#pragma once

#include <string>
#include <string_view>

namespace pinora {

// The notice's HTML as it goes on a page. Kept byte for byte: the markup the editor writes
// (<b>, <i>, <u>, <br>, <IMG SRC="...">), plain formatting (font, p, span, em, strong, lists,
// tables, headings, center, hr, div, sup, sub, links and the like) and all text. Dropped with
// their content: script, style, iframe, object, form, select, svg, math and their kind; dropped
// alone: every other tag the list does not know (its text stays), comments and declarations.
// A kept tag loses every on... attribute and every javascript:, vbscript: or data: address
// (data:image/ stays in an IMG SRC). A tag, comment or dropped element that is never closed
// takes the rest of the text with it, as a browser would hide it, so that nothing after the
// notice is read as part of it.
std::string safeNoticeMarkup(std::string_view html);

} // namespace pinora
