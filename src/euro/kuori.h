// Shell launching: documents, addresses and folders opened by the desktop, programs started
// by command line, and what the program asks of the system it runs on. Nothing here waits for
// what it starts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "liittymat.h"

namespace euro {

// Open through the installed launcher and answer the shell's code unchanged (above 32: started).
int fe_AvaaOsoite(const std::string& osoite);
int fe_KaynnistaTiedosto(const std::string& tiedosto, const std::string& parametrit);

// The file manager on a folder, maximised: "explorer /e , " + folder on Windows (WINFILE.exe on
// Windows 3.x), the desktop's opener elsewhere. No trap: a failure to start passes to the caller.
void se_AvaaKansio(const std::string& hakemisto);

// The plain-text editor on a file, in a normal window: "NOTEPAD " + file on Windows, the
// desktop's opener elsewhere. No trap.
void se_AvaaMuistiossa(const std::string& tiedosto);

// A value for the query of a web address: blank to ";", a-z A-Z 0-9 ; . - as they are,
// everything else "%" + fe_Heksa2 of its Windows-1252 code. A number goes as its decimal text.
std::string fe_UrlKoodaa(const std::string& arvo);
std::string fe_UrlKoodaa(std::int64_t arvo);
// Two upper-case hexadecimal digits.
std::string fe_Heksa2(std::uint8_t koodi);

// Whether the program runs on Windows 3.x: the version word of GetVersion and the
// variable "OS"; always false elsewhere.
bool fe_OnkoWin3();
// The decision itself: major version in the low byte, minor in the next.
bool onkoWin3(std::uint32_t versio, const std::optional<std::string>& os);

// The directory for temporary files, ending with the separator: TEMP, else TMP, else on
// POSIX TMPDIR, XDG_RUNTIME_DIR (when it is a directory) or "/tmp", on Windows the data
// directory's drive root. When that is no directory: on Windows the data directory's drive
// letter root, otherwise the data directory, not tested again. Always answers something; the
// caller finds out when it writes.
std::string fe_TempHakemisto();
// A file of that name in fe_TempHakemisto. In the shared "/tmp" of POSIX the user's name goes
// before the extension ("~TITO-T00-maija.TMP"): another user's file never stands in the way.
std::string fe_TempTiedosto(const std::string& nimi);

// The launcher that kolvanto and kolvanto-cli install: the platform's shell and process start.
class JarjestelmanKaynnistin : public Kaynnistin {
 public:
  int avaa(const std::string& kohde, const std::string& parametrit,
           const std::string& tyohakemisto) override;
  void kaynnista(const std::string& komentorivi, bool maksimoitu) override;
};

}  // namespace euro
