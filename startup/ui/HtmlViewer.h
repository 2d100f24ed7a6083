#pragma once
// "Shell.Explorer", the HTML viewer that layouts print pages with
// (PrintObject "Shell.Explorer", "navigate " & file, "ExecWB 6, 1").
//
// It shows only .htm and .html files, read as every file of a layout is
// (startup/LayoutFiles.h), and only pages the text layout can take
// (startup/HtmlPageCheck.h). Its pictures are read through the same reader,
// at most 256 of them and 64 MB in all for one page; any other, and any
// style sheet of another file, is left out, and nothing is fetched from the
// network. Links do not lead anywhere. It prints at most 1000 sheets.

namespace startup {

// Registers the class with the object print host.
void registerHtmlViewer();

}  // namespace startup
