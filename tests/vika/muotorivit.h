// The statement formats as the contract suite (muotosopimus_test.cpp) makes their files: one
// row a format. A new format is one more row in muotorivit(): the name its table row gives, its
// keys, a generator of its files and the files it must refuse; every test of the suite then
// runs for it, and a format of the table without a row fails.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tuki/viitesiirrot.h"
#include "vikatuki.h"

namespace vika {

struct Muotorivi {
  // As the format table names it (Muoto::nimi()).
  const char* nimi;
  // Company i's key (from 0) under the default key choice, as the preview shows it.
  std::function<std::string(int yritys)> avain;
  // A cumulative statement file of eria batches (statements) for the companies 0 ..
  // yrityksia - 1, each of them a company file of its own. siemen varies the bytes, so that no
  // two files are alike. Files made one after the other are one statement file too, as the
  // bank program appends them.
  std::function<std::string(int eria, int yrityksia, int siemen)> tiliote;
  // Files the format must refuse before anything is written, each made from a good file.
  std::vector<std::pair<const char*, std::function<std::string(const std::string& hyva)>>> hylattavat;
};

inline void PrintTo(const Muotorivi& r, std::ostream* os) { *os << r.nimi; }

// Company i's key, as the rows' statements carry it.
inline std::string avain(int i) { return std::to_string(2000001 + i) + "-" + std::to_string(i % 10); }

// The company of batch e: every company in turn, from where siemen puts the first.
inline int yritys(int e, int yrityksia, int siemen) { return (e + siemen) % yrityksia; }

inline std::string titoTiliote(int eria, int yrityksia, int siemen) {
  std::vector<std::string> asiakkaat;
  for (int e = 0; e < eria; ++e) asiakkaat.push_back(avain(yritys(e, yrityksia, siemen)));
  return tiliote(asiakkaat, 3, 1000 * siemen, "");
}

// Up to three statements a document.
inline std::string xmlTiliote(int eria, int yrityksia, int siemen) {
  std::string s;
  std::vector<std::string> lausunnot;
  for (int e = 0; e < eria; ++e) {
    const int y = yritys(e, yrityksia, siemen);
    const std::string tunnus = avain(y);
    // An account number that does not hold the key, so that the key is seen where it is.
    lausunnot.push_back("<Stmt><Id>S" + std::to_string(siemen) + "-" + std::to_string(e) +
                        "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>FI" + std::to_string(40 + y) +
                        "1234560000" +
                        "</IBAN></Id><Ownr><Id><OrgId><Othr><Id>" + tunnus +
                        "</Id></Othr></OrgId></Id></Ownr></Acct><Bal><Tp><CdOrPrtry><Cd>CLBD</Cd></CdOrPrtry></Tp>"
                        "<Amt Ccy=\"EUR\">" + std::to_string(e + 1) + ".00</Amt><CdtDbtInd>CRDT</CdtDbtInd>"
                        "<Dt><Dt>2024-03-31</Dt></Dt></Bal></Stmt>\r\n");
    if (lausunnot.size() == 3 || e + 1 == eria) {
      s += asiakirja(lausunnot);
      lausunnot.clear();
    }
  }
  return s;
}

// Two payments a batch, a correction in every third file.
inline std::string viiteTiliote(int eria, int yrityksia, int siemen) {
  std::vector<int> yritykset;
  for (int e = 0; e < eria; ++e) yritykset.push_back(yritys(e, yrityksia, siemen));
  return testi::viite::tiedosto(testi::viite::erat(yritykset, 2, siemen));
}

inline std::string utf16le(const std::string& s) {
  std::string u = "\xFF\xFE";
  for (char c : s) u += std::string{c, '\0'};
  return u;
}

inline std::vector<Muotorivi> muotorivit() {
  return {
      {"TITO",
       avain,
       titoTiliote,
       {
           // No record in the first 4 KiB: not TITO, whatever follows. A cut last record is
           // no refusal: its batch is held back and the rest delivered.
           {"binääriä alussa",
            [](const std::string& s) { return std::string("\x7F" "ELF\x02\x01\x01", 7) + std::string(4100, '\0') + s; }},
           {"virhesivu", [](const std::string&) { return std::string("\r\nYHTEYSVIRHE 503 Service Unavailable\r\n"); }},
       }},
      {"XML",
       avain,
       xmlTiliote,
       {
           // Cut inside the last statement.
           {"katkaistu", [](const std::string& s) { return s.substr(0, s.rfind("<Amt")); }},
           {"rikki keskeltä",
            [](std::string s) { return s.replace(s.find("</Stmt>", s.size() / 2), 7, "</Stmx>"); }},
           {"UTF-16", [](const std::string& s) { return utf16le(s); }},
       }},
      {"VIITE",
       [](int i) { return testi::viite::palvelutunnus(i); },
       viiteTiliote,
       {
           // The first sum record counts one payment more than its batch has.
           {"summa ei täsmää",
            [](std::string s) {
              const std::size_t p = s.find("\r\n9") + 2 + 6;
              s[p] = static_cast<char>(s[p] == '9' ? '0' : s[p] + 1);
              return s;
            }},
           // Cut before the last batch's sum record.
           {"katkaistu", [](const std::string& s) { return s.substr(0, s.rfind("\r\n9") + 2); }},
       }},
  };
}

}  // namespace vika
