// The split settings record as the main window's controls, and its settings file.
#pragma once

#include <string>

#include "settings/lomake.h"
#include "split/asetukset.h"

namespace settings {

// The record's controls, with the main window's names and kinds, in its keyboard order.
Lomake ohjaimiksi(const split::PaloitteluAsetukset& a);
// Takes the values of the controls back into the record.
void ohjaimista(const Lomake& lomake, split::PaloitteluAsetukset& a);

// The main window's settings file: the data directory with "TITO-JAKO.OMA" appended as it
// stands, without a separator, where existing installations keep it. Inside the data
// directory instead when that name falls in a folder the user cannot write (a data directory
// of "*" is the home or profile folder, whose parent is nobody's own), or once a file lies
// there.
std::string asetustiedosto(const std::string& datahakemisto);
// Where the settings are read from: asetustiedosto, but while nothing has been saved inside
// the data directory, the appended name where a file lies there, so that no office loses its
// values; the next save moves them inside.
std::string luettavaAsetustiedosto(const std::string& datahakemisto);

void tallennaformi(const std::string& polku, const split::PaloitteluAsetukset& a);
void lueformi(const std::string& polku, split::PaloitteluAsetukset& a);

}  // namespace settings
