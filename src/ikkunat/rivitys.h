// How both printers lay a text out: line by line down the page, and on to a new page.
#pragma once

#include <functional>
#include <string>

namespace ikkunat {

// The lines of teksti (CR LF, a lone CR or a lone LF end one; the text has at least one)
// placed one below the other from y, in the printer's units: each is korkeus high and the
// next starts rivivali lower. A line that would reach below sivunKorkeus goes to the top of
// a new page (y 0), unless it is already at the top. uusiSivu is called before such a line,
// piirra with each line's text (ANSI) and top. Answers where the next line would start.
double rivita(const std::string& teksti, double y, double korkeus, double rivivali,
              double sivunKorkeus, const std::function<void()>& uusiSivu,
              const std::function<void(const std::string& rivi, double y)>& piirra);

}  // namespace ikkunat
