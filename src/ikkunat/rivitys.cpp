#include "ikkunat/rivitys.h"

namespace ikkunat {

double rivita(const std::string& teksti, double y, double korkeus, double rivivali,
              double sivunKorkeus, const std::function<void()>& uusiSivu,
              const std::function<void(const std::string& rivi, double y)>& piirra) {
  std::size_t alku = 0;
  for (;;) {
    const std::size_t loppu = teksti.find_first_of("\r\n", alku);
    if (y + korkeus > sivunKorkeus && y > 0) {
      uusiSivu();
      y = 0;
    }
    piirra(teksti.substr(alku, loppu == std::string::npos ? std::string::npos : loppu - alku), y);
    y += rivivali;
    if (loppu == std::string::npos) return y;
    alku = loppu + (teksti.compare(loppu, 2, "\r\n") == 0 ? 2 : 1);
  }
}

}  // namespace ikkunat
