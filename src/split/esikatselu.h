// The split-condition preview: what the statement file's format shows of it (muoto.h), shown
// in the text editor.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "euro/virhe.h"
#include "split/asetukset.h"

namespace split {

// A statement file that its format refuses as it is (XML that does not pass its check, or is
// not UTF-8): the reason with the path. Told apart from a failure to read, as the split's
// refusal is.
class HylattyTiedosto : public euro::Virhe {
 public:
  using euro::Virhe::Virhe;
};

// The name of the preview file in the temporary directory.
inline constexpr const char* esikatselunNimi = "~TITO-T00.TMP";

// Receives the preview's bytes, whole lines with CR LF, in pieces.
using Kirjoitin = std::function<void(const std::string&)>;

// Sends the preview of the settings' statement file to ulos. A missing statement file is told
// in a message box and answers false, with nothing sent; a refused file throws HylattyTiedosto.
// No trap: other failures pass to the caller, and the positions are checked before anything
// is sent.
bool esikatselu(const PaloitteluAsetukset& a, const Kirjoitin& ulos);

// The preview button: the preview file written anew in fe_TempHakemisto and the editor
// started on it, not waited for. Answers whether the editor was started. A failure is told in
// a message box with the failure's text.
bool naytaPaloitteluehto(const PaloitteluAsetukset& a);

}  // namespace split
