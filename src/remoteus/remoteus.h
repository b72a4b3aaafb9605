// Remote support: a batch file that ends TeamViewer and starts the support client, or opens
// its download page when the client is not there.
#pragma once

namespace remoteus {

// Windows: writes "vombra-etatuki.bat" anew into the data directory and starts it through the
// shell. Elsewhere: opens the maker's remote-support page "/etatuki/" in the browser.
// Reports its failures (9201) and returns.
void sremo_KaynnistaAsenna();

}  // namespace remoteus
