// Writes a synthetic cumulative XML statement file: bank-to-customer documents (camt.052,
// camt.053, camt.054, versions 001.02, 001.04 and 001.08) appended one after the other, as a
// bank-connection program leaves them, each document holding the statements of many accounts
// of many companies in several currencies. Every document is valid against its message's
// schema. The documents vary what a reader must cope with: namespace prefixes or the default
// namespace, CR LF or LF, comments, CDATA, character and entity references, a byte-order mark.
// Only integer arithmetic and an own PRNG: a seed gives the same bytes on every platform.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "arpa.h"

namespace {

using u64 = std::uint64_t;
using i64 = std::int64_t;

using generaattori::Arpa;

// UTF-8, as the files carry it; the Finnish letters go through to the file names.
const std::vector<std::string> nimet = {
    "Kahvila Äijänpää", "Rakennus Öhman", "Tilitoimisto Kärkkäinen & Poika", "Metsä <Puu>",
    "Sähkö Nieminen", "Autokorjaamo Virtanen", "Café Ruusu", "Kauppa \"Jyrä\"", "Leipomo Mäkelä",
    "Konepaja Åström"};
const std::vector<std::string> muodot = {"Oy", "Ab", "Ky", "Tmi", "Oyj"};
const std::vector<std::string> valuutat = {"EUR", "EUR", "EUR", "USD", "SEK"};

// Each message (052, 053, 054) of an account is a series of its own, as a bank numbers its
// reports apart from its statements: its own ElctrncSeqNb and its own balance chain, each
// OPBD the previous CLBD, the entries between them making the difference.
struct Sarja {
  u64 otteita = 0;  // statements written, repeats not counted
  u64 numero = 0;   // the last ElctrncSeqNb
  i64 saldo = 0;    // cents
};

struct Tili {
  std::string iban;   // empty: the account is given by Othr/Id
  std::string muu;
  std::string valuutta;
  bool numeroton = false;  // the bank writes no ElctrncSeqNb for this account
  Sarja sarjat[3];
};

struct Yritys {
  std::string nimi;       // empty: no name
  std::string tunnus;     // empty: no organisation ID
  std::vector<Tili> tilit;
};

std::string kaksi(int n) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", n);
  return b;
}

// Escapes what XML text must; the generator's names carry "&", "<" and quotes on purpose.
std::string suojaa(std::string_view s) {
  std::string t;
  for (char c : s) {
    if (c == '&') t += "&amp;";
    else if (c == '<') t += "&lt;";
    else if (c == '>') t += "&gt;";
    else if (c == '"') t += "&quot;";
    else t += c;
  }
  return t;
}

struct Asetukset {
  u64 koko = 1 << 20;
  int yrityksia = 20;
  u64 siemen = 1;
  int ilmanTunnusta = 0;  // per cent of companies whose owner has no organisation ID
  int ilmanNimea = 0;     // per cent of companies whose owner has no name
  std::string viesti = "kaikki";  // 052, 053, 054 or kaikki
  std::string versio = "kaikki";  // 02, 04, 08 or kaikki
  int lf = 50;             // per cent of documents with LF line ends (the rest CR LF)
  bool yksi = false;       // one document of the whole size
  bool sama = false;       // every document in the first one's message, version, prefix and declarations
  std::string polku;
  // Faults, each at the N-th statement of every series that gets that far.
  std::set<u64> aukot, toistot, eriToistot, katkot;
};

// Cents as an XML decimal; the sign goes to CdtDbtInd.
std::string euroina(i64 senttia) {
  const u64 s = static_cast<u64>(senttia < 0 ? -senttia : senttia);
  return std::to_string(s / 100) + "." + kaksi(static_cast<int>(s % 100));
}

class Kirjoittaja {
 public:
  Kirjoittaja(const Asetukset& a) : a_(a), arpa_(a.siemen) {
    // The series' own draws come from a stream of their own, so that a seed still gives the
    // documents the form it always gave them (prefixes, statements, entries, comments): the
    // benchmarks keep their kind of input.
    Arpa sarjoille(a.siemen ^ 0x5EB1A5C0FFEEULL);
    for (int i = 0; i < a.yrityksia; ++i) {
      Yritys y;
      if (!arpa_.prosentti(a.ilmanNimea))
        y.nimi = nimet[static_cast<std::size_t>(i) % nimet.size()] + " " + std::to_string(i + 1) + " " +
                 muodot[static_cast<std::size_t>(arpa_.alle(static_cast<int>(muodot.size())))];
      if (!arpa_.prosentti(a.ilmanTunnusta)) {
        const int n = 1000000 + i * 7919 % 8999999;
        y.tunnus = std::to_string(n) + "-" + std::to_string(n % 10);
      }
      const int tileja = 1 + arpa_.alle(3);
      for (int j = 0; j < tileja; ++j) {
        Tili t;
        t.valuutta = valuutat[static_cast<std::size_t>(arpa_.alle(static_cast<int>(valuutat.size())))];
        std::string numero;
        for (int k = 0; k < 16; ++k) numero += static_cast<char>('0' + arpa_.alle(10));
        if (arpa_.prosentti(85)) t.iban = "FI" + kaksi(10 + arpa_.alle(90)) + numero;
        else t.muu = numero.substr(0, 12);
        t.numeroton = sarjoille.prosentti(20);
        const i64 saldo = sarjoille.alle(10000000);
        for (Sarja& sarja : t.sarjat) sarja.saldo = saldo;
        y.tilit.push_back(t);
      }
      yritykset_.push_back(y);
    }
  }

  int aja() {
    std::FILE* f = std::fopen(a_.polku.c_str(), "wb");
    if (!f) {
      std::fprintf(stderr, "camt-generaattori: %s ei aukea\n", a_.polku.c_str());
      return 1;
    }
    u64 kirjoitettu = 0;
    int paiva = 0;
    auto kirjoita = [&](const std::string& d) {
      kirjoitettu += d.size();
      return std::fwrite(d.data(), 1, d.size(), f) == d.size();
    };
    bool ok = true;
    if (a_.yksi) {
      // One document of the whole size, days of statements one after the other: a file that a
      // parser of single documents (xmllint) reads too.
      std::string d = asiakirja(paiva++, true);
      const std::size_t loppu = d.rfind("  </");
      ok = kirjoita(d.substr(0, loppu));
      const std::string hanta = d.substr(loppu);
      while (ok && kirjoitettu < a_.koko) {
        std::string seuraava = asiakirja(paiva++, false);
        const std::size_t alku = seuraava.find("    <", seuraava.find("GrpHdr>") );
        ok = kirjoita(seuraava.substr(alku, seuraava.rfind("  </") - alku));
      }
      ok = ok && kirjoita(hanta);
    } else {
      while (ok && kirjoitettu < a_.koko) ok = kirjoita(asiakirja(paiva++, kirjoitettu == 0));
    }
    if (!ok) {
      std::fclose(f);
      std::fprintf(stderr, "camt-generaattori: kirjoitus epäonnistui\n");
      return 1;
    }
    return std::fclose(f) == 0 ? 0 : 1;
  }

 private:
  // Day n from 1 January 2019 as yyyy-mm-dd, months of 28 days: dates need only be valid.
  static std::string pvm(int n) {
    const int v = 2019 + n / (12 * 28), k = 1 + n / 28 % 12, p = 1 + n % 28;
    return std::to_string(v) + "-" + kaksi(k) + "-" + kaksi(p);
  }

  std::string asiakirja(int paiva, bool ensimmainen) {
    int viesti = a_.viesti == "kaikki" ? 52 + arpa_.alle(3) : std::atoi(a_.viesti.c_str()) % 100;
    static const int versiot[] = {2, 4, 8};
    int versio = a_.versio == "kaikki" ? versiot[arpa_.alle(3)] : std::atoi(a_.versio.c_str());
    std::string nl = arpa_.prosentti(a_.lf) ? "\n" : "\r\n";
    static const char* etuliitteet[] = {"", "", "camt:", "ns2:"};
    std::string p = etuliitteet[arpa_.alle(4)];
    // One document: every day's statements in the first day's message, version and prefix.
    if ((a_.yksi || a_.sama) && !ensimmainen) {
      viesti = viesti_;
      versio = versio_;
      nl = nl_;
      p = p_;
    }
    viesti_ = viesti;
    versio_ = versio;
    nl_ = nl;
    p_ = p;
    const std::string ns = "urn:iso:std:iso:20022:tech:xsd:camt.0" + std::to_string(viesti) + ".001.0" +
                           std::to_string(versio);
    const char* juuri = viesti == 52 ? "BkToCstmrAcctRpt" : viesti == 53 ? "BkToCstmrStmt" : "BkToCstmrDbtCdtNtfctn";
    const char* lista = viesti == 52 ? "Rpt" : viesti == 53 ? "Stmt" : "Ntfctn";
    const std::string aika = pvm(paiva) + "T06:0" + std::to_string(arpa_.alle(10)) + ":00";

    std::string s;
    if (ensimmainen && arpa_.prosentti(30)) s += "\xEF\xBB\xBF";
    if (arpa_.prosentti(80))
      s += std::string("<?xml version=\"1.0\" encoding=\"") + (arpa_.prosentti(50) ? "UTF-8" : "utf-8") + "\"?>" + nl;
    if (arpa_.prosentti(30)) s += "<!-- haettu " + aika + " -->" + nl;
    const std::string xmlns = p.empty() ? "xmlns" : "xmlns:" + p.substr(0, p.size() - 1);
    s += "<" + p + "Document " + xmlns + "=\"" + ns + "\"";
    const bool xsi = arpa_.prosentti(30);
    if ((a_.yksi || a_.sama) && !ensimmainen ? xsi_ : xsi) s += " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";
    if (ensimmainen) xsi_ = xsi;
    s += ">" + nl;
    s += "  <" + p + juuri + ">" + nl;
    s += "    <" + p + "GrpHdr><" + p + "MsgId>MSG" + std::to_string(paiva) + "</" + p + "MsgId><" + p +
         "CreDtTm>" + aika + "</" + p + "CreDtTm></" + p + "GrpHdr>" + nl;

    int lukumaara = 0;
    for (std::size_t i = 0; i < yritykset_.size(); ++i) {
      for (std::size_t j = 0; j < yritykset_[i].tilit.size(); ++j) {
        if (!arpa_.prosentti(60)) continue;
        s += lausunnot(viesti, versio, p, lista, nl, yritykset_[i], yritykset_[i].tilit[j], paiva,
                       static_cast<int>(i * 10 + j));
        ++lukumaara;
      }
    }
    if (lukumaara == 0) {  // the schema wants at least one statement
      s += lausunnot(viesti, versio, p, lista, nl, yritykset_[0], yritykset_[0].tilit[0], paiva, 0);
    }
    s += "  </" + p + juuri + ">" + nl + "</" + p + "Document>" + nl;
    if (arpa_.prosentti(20)) s += "<!-- loppu -->" + nl;
    return s;
  }

  // A statement with the repeats the options ask for; a repeat follows its statement at once.
  std::string lausunnot(int viesti, int versio, const std::string& p, const char* lista, const std::string& nl,
                        const Yritys& y, Tili& t, int paiva, int n) {
    Sarja& sarja = t.sarjat[viesti - 52];
    const u64 monesko = ++sarja.otteita;
    sarja.numero += a_.aukot.count(monesko) ? 2 : 1;
    if (a_.katkot.count(monesko)) sarja.saldo += 10000;
    const std::string s = lausunto(viesti, versio, p, lista, nl, y, t, sarja, paiva, n);
    std::string kaikki = s;
    if (a_.toistot.count(monesko)) kaikki += s;
    if (a_.eriToistot.count(monesko) && !t.numeroton) {
      // Made again later the same day: only the statement's creation time differs. Without a
      // number it would read as a broken balance chain, not as a repeat, so only numbered ones.
      std::string toinen = s;
      toinen.replace(toinen.find("T05:00:00"), 9, "T05:30:00");
      kaikki += toinen;
    }
    return kaikki;
  }

  std::string lausunto(int viesti, int versio, const std::string& p, const char* lista, const std::string& nl,
                       const Yritys& y, const Tili& t, Sarja& sarja, int paiva, int n) {
    auto e = [&](const std::string& nimi, const std::string& arvo) {
      return "<" + p + nimi + ">" + arvo + "</" + p + nimi + ">";
    };
    const std::string ccy = " Ccy=\"" + t.valuutta + "\"";
    std::string s = "    <" + p + lista + ">" + nl;
    s += "      " + e("Id", "S" + std::to_string(paiva) + "-" + std::to_string(n)) + nl;
    arpa_.seuraava();  // once drew whether to write the number; kept for the form, as above
    if (!t.numeroton) s += "      " + e("ElctrncSeqNb", std::to_string(sarja.numero)) + nl;
    s += "      " + e("CreDtTm", pvm(paiva) + "T05:00:00") + nl;
    if (arpa_.prosentti(80))
      s += "      " + e("FrToDt", e("FrDtTm", pvm(paiva > 0 ? paiva - 1 : 0) + "T00:00:00") +
                                     e("ToDtTm", pvm(paiva) + "T00:00:00")) + nl;
    std::string acct;
    acct += t.iban.empty() ? e("Id", e("Othr", e("Id", t.muu))) : e("Id", e("IBAN", t.iban));
    acct += e("Ccy", t.valuutta);
    if (!y.nimi.empty() || !y.tunnus.empty()) {
      std::string ownr;
      if (!y.nimi.empty()) ownr += e("Nm", suojaa(y.nimi));
      if (!y.tunnus.empty()) {
        std::string othr = e("Id", y.tunnus);
        if (arpa_.prosentti(50)) othr += e("SchmeNm", e("Cd", "BANK"));
        ownr += e("Id", e("OrgId", e("Othr", othr)));
      }
      acct += e("Ownr", ownr);
    }
    s += "      " + e("Acct", acct) + nl;
    // The entries first: the closing balance is the opening one moved by them.
    const i64 alku = sarja.saldo;
    std::string viennit;
    if (viesti != 54)
      for (int i = 0; i < 4; ++i) arpa_.seuraava();  // once drew the balances; kept for the form
    const int vienteja = arpa_.alle(6);
    for (int k = 0; k < vienteja; ++k) {
      const i64 euroa = 1 + arpa_.alle(5000);
      const i64 maara = euroa * 100 + arpa_.alle(100);
      const bool pano = arpa_.prosentti(50);
      sarja.saldo += pano ? maara : -maara;
      std::string ntry = "<" + p + "Amt" + ccy + ">" + euroina(maara) + "</" + p + "Amt>";
      ntry += e("CdtDbtInd", pano ? "CRDT" : "DBIT");
      ntry += versio == 8 ? e("Sts", e("Cd", "BOOK")) : e("Sts", "BOOK");
      ntry += e("BookgDt", e("Dt", pvm(paiva)));
      ntry += e("BkTxCd", e("Domn", e("Cd", "PMNT") + e("Fmly", e("Cd", "RCDT") + e("SubFmlyCd", "ESCT"))));
      switch (arpa_.alle(5)) {
        case 0: ntry += e("AddtlNtryInf", "<![CDATA[Viite <12345> & kiitos]]>"); break;
        case 1: ntry += e("AddtlNtryInf", "Lasku &#8364; &amp; &#xE4;lyk&#228;s &lt;ok&gt;"); break;
        case 2: ntry += e("AddtlNtryInf", "P\xC3\xA4iv\xC3\xA4n maksu"); break;
        default: break;
      }
      viennit += "      " + e("Ntry", ntry) + nl;
      if (arpa_.prosentti(10)) viennit += "      <!-- vienti " + std::to_string(k + 1) + " -->" + nl;
    }
    auto saldo = [&](const char* tyyppi, i64 senttia) {
      return "      " +
             e("Bal", e("Tp", e("CdOrPrtry", e("Cd", tyyppi))) + "<" + p + "Amt" + ccy + ">" + euroina(senttia) +
                          "</" + p + "Amt>" + e("CdtDbtInd", senttia < 0 ? "DBIT" : "CRDT") +
                          e("Dt", e("Dt", pvm(paiva)))) +
             nl;
    };
    if (viesti != 54) s += saldo("OPBD", alku) + saldo("CLBD", sarja.saldo);
    s += viennit;
    s += "    </" + p + lista + ">" + nl;
    return s;
  }

  const Asetukset& a_;
  Arpa arpa_;
  int viesti_ = 0, versio_ = 0;
  bool xsi_ = false;
  std::string nl_, p_;
  std::vector<Yritys> yritykset_;
};

u64 koko(const char* s) {
  char* loppu = nullptr;
  u64 n = std::strtoull(s, &loppu, 10);
  if (*loppu == 'K' || *loppu == 'k') n <<= 10;
  else if (*loppu == 'M' || *loppu == 'm') n <<= 20;
  else if (*loppu == 'G' || *loppu == 'g') n <<= 30;
  return n;
}

const char* const kaytto =
    "käyttö: camt-generaattori [--koko N[K|M|G]] [--yrityksia N] [--siemen N]\n"
    "  [--ilman-tunnusta %] [--ilman-nimea %] [--viesti 052|053|054|kaikki]\n"
    "  [--versio 02|04|08|kaikki] [--lf %] [--yksi] [--sama]\n"
    "  [--aukko N] [--toisto N] [--eri-toisto N] [--saldokatko N] TIEDOSTO\n"
    "\n"
    "Tilin kunkin sanomalajin (052, 053, 054) ElctrncSeqNb juoksee yhdellä, ja kunkin\n"
    "otteen OPBD on saman sarjan edellisen otteen CLBD (noin 20 %:lla tileistä ei\n"
    "numeroa, 054:ssä ei saldoja). Virheet, kukin jokaisen sarjan N:nteen otteeseen\n"
    "(valinnan voi antaa monesti):\n"
    "  --aukko N        N:s ote hyppää numeron yli (saldot jatkuvat), N >= 2\n"
    "  --toisto N       N:s ote kirjoitetaan heti uudelleen samoin tavuin\n"
    "  --eri-toisto N   N:s ote kirjoitetaan heti uudelleen samalla numerolla ja\n"
    "                   saldoilla mutta eri tavuin (CreDtTm); vain numeroiduille\n"
    "  --saldokatko N   N:nnen otteen OPBD on 100.00 suurempi kuin edellisen CLBD\n"
    "                   (numerot jatkuvat), N >= 2\n"
    "  -h, --help       tämä ohje\n";

}  // namespace

int main(int argc, char** argv) {
  Asetukset a;
  bool virhe = false;
  for (int i = 1; i < argc && !virhe; ++i) {
    const std::string s = argv[i];
    const bool arvo = i + 1 < argc;
    std::set<u64>* virheet = s == "--aukko"        ? &a.aukot
                             : s == "--toisto"     ? &a.toistot
                             : s == "--eri-toisto" ? &a.eriToistot
                             : s == "--saldokatko" ? &a.katkot
                                                   : nullptr;
    if (s == "-h" || s == "--help") {
      std::fputs(kaytto, stdout);
      return 0;
    }
    if (virheet && arvo) {
      const u64 n = std::strtoull(argv[++i], nullptr, 10);
      virhe = n < (s == "--aukko" || s == "--saldokatko" ? 2u : 1u);
      virheet->insert(n);
    } else if (s == "--koko" && arvo) a.koko = koko(argv[++i]);
    else if (s == "--yrityksia" && arvo) a.yrityksia = std::atoi(argv[++i]);
    else if (s == "--siemen" && arvo) a.siemen = std::strtoull(argv[++i], nullptr, 10);
    else if (s == "--ilman-tunnusta" && arvo) a.ilmanTunnusta = std::atoi(argv[++i]);
    else if (s == "--ilman-nimea" && arvo) a.ilmanNimea = std::atoi(argv[++i]);
    else if (s == "--viesti" && arvo) a.viesti = argv[++i];
    else if (s == "--versio" && arvo) a.versio = argv[++i];
    else if (s == "--lf" && arvo) a.lf = std::atoi(argv[++i]);
    else if (s == "--yksi") a.yksi = true;
    else if (s == "--sama") a.sama = true;
    else if (s[0] != '-' && a.polku.empty()) a.polku = s;
    else virhe = true;
  }
  if (virhe || a.polku.empty() || a.yrityksia < 1) {
    std::fputs(kaytto, stderr);
    return 2;
  }
  return Kirjoittaja(a).aja();
}
