// What the central error handler shows and logs: the heading block, the report text and the
// web search terms of a failure, the error log, and the handler itself.
#pragma once

#include <string>

#include "virhe.h"

namespace euro {

// The executable's file name without its extension.
std::string exeNimi();

// The heading block of an error report: nine lines, each ended by CR LF. Never throws: when a
// line cannot be built, the lines before it are followed by LF CR,
// "Virhe virherivin muodostuksessa:" and the failure's message.
std::string fe_Virheraportti();

// The report text of a failure (CR LF lines, none after the routine's name).
std::string raporttiteksti(const Vikailmoitus& v);
// The search terms of the web advice: "terms=" and the same facts, each part URL-encoded.
std::string hakuehdot(const Vikailmoitus& v);

// Appends the entry of a report to "virhelog.txt" in the data directory, creating the file
// when it is missing: Windows-1252 on Windows, UTF-8 elsewhere, so that the office can read
// and mail it. Silent when the log cannot be written.
void kirjaaVirhelokiin(const std::string& raportti) noexcept;

// The central error handler behind fe_Virhe: the advice for error 94, the report in the
// problem dialog and the log entry, then the restart advice for error 3014. The entry is
// written before the dialog shows when the dialog can say it will show (an unattended run's
// report is kept though nobody closes it), else after it closes. A report that arrives while
// the dialog is open only refills it and is not logged.
void kasitteleVirhe(const Vikailmoitus& v);

}  // namespace euro
