// A message file as the editor opens it and the windows show it: Windows-1252 to Unicode and
// back gives the same bytes, and what is written back has every line ended by CR LF.
#include "common.h"

#include "db/noticeediting.h"
#include "db/text.h"

using namespace pinora;
using namespace pinora::fuzz;

namespace {

bool crLfLines(const std::string& file) {
    for (std::size_t i = 0; i < file.size(); ++i)
        if (file[i] == '\n' && (i == 0 || file[i - 1] != '\r')) return false;
    return file.empty() || (file.size() >= 2 && file.compare(file.size() - 2, 2, "\r\n") == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    static test::FakeServices s;
    static Station st(scratch.str(), s.services());
    scratch.clear();
    forget(s);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    writeFile(scratch / "MSG/1.MSG", bytes);

    NoticeEditing editing(st);
    std::string text;
    const EditResult opened = editing.open(1, false, text);
    FUZZ_CHECK(opened.ok && editing.editing());
    FUZZ_CHECK(text.size() <= bytes.size());

    FUZZ_CHECK(utf8ToCp1252(cp1252ToUtf8(bytes)) == bytes);
    FUZZ_CHECK(utf8ToCp1252(cp1252ToUtf8(text)) == text);
    // The same bytes read as if typed into a window: never longer, and stable from then on.
    const std::string typed = utf8ToCp1252(bytes);
    FUZZ_CHECK(typed.size() <= bytes.size());
    FUZZ_CHECK(utf8ToCp1252(cp1252ToUtf8(typed)) == typed);

    std::string error;
    FUZZ_CHECK(st.db.writeMessageFile(1, text, &error), error);
    FUZZ_CHECK(crLfLines(readFile(scratch / "MSG/1.MSG")));
    return 0;
}
