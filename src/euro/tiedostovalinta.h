// The open-file dialog: how the arguments prepare it, and the choice that it gives.
#pragma once

#include <string>
#include <vector>

#include "liittymat.h"

namespace euro {

// The entries of a filter text "display|pattern|display|pattern||": pairs up to the first
// empty display text; a display text without its pattern is left out.
std::vector<Suodatin> suodattimet(const std::string& suodatin);

// The dialog prepared from the arguments of fe_AvaaTiedosto. A path that begins with "*"
// presets the file-name box with its directory part; otherwise it is the initial directory.
// An extension with a "|" is a whole filter text, its first entry selected; otherwise the one
// entry kuvaus + " (*." + tarkenne + ")" with the pattern "*." + tarkenne.
Tiedostovalinta tiedostovalinta(const std::string& polku, const std::string& otsikko,
                                const std::string& kuvaus, const std::string& tarkenne);

// Lets the person choose one existing file. Answers its full path, or "" on a cancel.
// Reporting routine: a failure of the dialog is reported and answers "".
std::string fe_AvaaTiedosto(Tiedostovalitsin& dialogi, const std::string& polku,
                            const std::string& otsikko, const std::string& kuvaus,
                            const std::string& tarkenne);

}  // namespace euro
