#pragma once
// How hard the .xlsx package is compressed.
//
// libxlsxwriter (1.1.4, the Debian version) packs every part of a workbook through the system's
// minizip at zlib's default level and offers no option to change it. A 200,000-row sheet is about
// 80 MB of XML, and deflating it at the default level costs about a second; the fastest level
// takes less than half of that for a file about 30 % larger (11 MB against 8.6 MB), which nobody
// notices on a local disk. While a FastWorkbookDeflate is alive on a thread, the package parts
// that thread opens are deflated at level 1; every other use of minizip in the process is left as
// it asks.
//
// The level is changed by interposing minizip's entry point for opening a package member (the
// program's own definition comes first in the dynamic symbol lookup and forwards to minizip's).
// Where that cannot work (no ELF dynamic linking, or a writer built with its own minizip) the
// workbook is still written, only at the default level.

namespace vorsan {

class FastWorkbookDeflate {
public:
    FastWorkbookDeflate();
    ~FastWorkbookDeflate();
    FastWorkbookDeflate(const FastWorkbookDeflate&) = delete;
    FastWorkbookDeflate& operator=(const FastWorkbookDeflate&) = delete;

private:
    bool previous_;
};

} // namespace vorsan
