// The floor of the split: what any program must do that appends every batch to its company's
// file and closes it at every T00 line. Reads the file through a buffer, finds the T00 lines,
// forms the names as kolvanto-cli does with its defaults (prefix "TITO-*-?-", suffix ".TXT",
// key = customer identifier, positions 49-65) and per batch makes one open for appending,
// one write of the batch's bytes and one close. Lines must end with CR LF (the generator's),
// and nothing is checked or counted: a figure to hold kolvanto-cli against, not a splitter.
//
//   lattia TITO.TXT OUT
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool sallittu(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
  if (c == 0xE5 || c == 0xE4 || c == 0xF6) c = static_cast<unsigned char>(c - 32);
  if (c >= 'A' && c <= 'Z') return true;
  if (c >= '0' && c <= '9') return true;
  return c == 0xC5 || c == 0xC4 || c == 0xD6 || std::strchr("+- _.()!#$%&", c) != nullptr;
}

// Windows-1252 to the UTF-8 that the file system takes; a clean name holds only these.
void lisaaUtf8(std::string& s, unsigned char c) {
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string osa(const char* rivi, std::size_t pituus, std::size_t alku, std::size_t n) {
  if (alku > pituus) return {};
  return std::string(rivi + alku - 1, std::min(n, pituus - alku + 1));
}

// TITO-20YY-MM-<key>.TXT; the key's blanks trimmed, disallowed characters dropped.
void nimi(std::string& polku, std::size_t kansio, const char* rivi, std::size_t pituus) {
  polku.resize(kansio);
  std::string avain = osa(rivi, pituus, 49, 17);
  std::size_t a = avain.find_first_not_of(' ');
  std::size_t b = avain.find_last_not_of(' ');
  avain = a == std::string::npos ? std::string() : avain.substr(a, b - a + 1);
  polku += "TITO-20";
  for (char c : osa(rivi, pituus, 27, 2)) if (sallittu(static_cast<unsigned char>(c))) lisaaUtf8(polku, c);
  polku += '-';
  for (char c : osa(rivi, pituus, 29, 2)) if (sallittu(static_cast<unsigned char>(c))) lisaaUtf8(polku, c);
  polku += '-';
  for (char c : avain) if (sallittu(static_cast<unsigned char>(c))) lisaaUtf8(polku, c);
  polku += ".TXT";
}

void kuole(const char* mita, const std::string& polku) {
  std::perror((std::string("lattia: ") + mita + " " + polku).c_str());
  std::_Exit(1);
}

void lisaa(const std::string& polku, const char* data, std::size_t n) {
  int fd = ::open(polku.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) kuole("open", polku);
  while (n > 0) {
    ssize_t r = ::write(fd, data, n);
    if (r < 0) kuole("write", polku);
    data += r;
    n -= static_cast<std::size_t>(r);
  }
  if (::close(fd) != 0) kuole("close", polku);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "käyttö: lattia TITO.TXT KOHDEHAKEMISTO\n");
    return 64;
  }
  int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  if (fd < 0) kuole("open", argv[1]);
  std::string polku = argv[2];
  if (polku.empty() || polku.back() != '/') polku += '/';
  const std::size_t kansio = polku.size();

  // A batch is written whole from the buffer: what is left of one at the buffer's end moves
  // to its beginning, and the buffer grows for a batch larger than itself.
  std::vector<char> puskuri(1 << 20);
  std::size_t alku = 0, loppu = 0;  // unwritten bytes: [alku, loppu)
  std::size_t katsottu = 0;         // lines before this offset have been looked at
  bool erassa = false;
  bool eof = false;
  while (!eof || alku < loppu) {
    if (!eof) {
      if (alku > 0) {
        std::memmove(puskuri.data(), puskuri.data() + alku, loppu - alku);
        katsottu -= alku;
        loppu -= alku;
        alku = 0;
      }
      if (loppu == puskuri.size()) puskuri.resize(puskuri.size() * 2);
      ssize_t r = ::read(fd, puskuri.data() + loppu, puskuri.size() - loppu);
      if (r < 0) kuole("read", argv[1]);
      if (r == 0) eof = true;
      loppu += static_cast<std::size_t>(r);
    }
    const char* p = puskuri.data();
    // Every whole line from katsottu on: a T00 line ends the batch before it.
    for (;;) {
      const void* lf = std::memchr(p + katsottu, '\n', loppu - katsottu);
      std::size_t rivinLoppu = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) + 1 : loppu;
      if (!lf && !eof) break;
      if (katsottu == rivinLoppu) break;
      const char* rivi = p + katsottu;
      const std::size_t pituus = rivinLoppu - katsottu;
      if (pituus >= 3 && rivi[0] == 'T' && rivi[1] == '0' && rivi[2] == '0') {
        if (erassa) lisaa(polku, p + alku, katsottu - alku);
        alku = katsottu;
        erassa = true;
        std::size_t sisalto = pituus;
        while (sisalto > 0 && (rivi[sisalto - 1] == '\n' || rivi[sisalto - 1] == '\r')) --sisalto;
        nimi(polku, kansio, rivi, sisalto);
      } else if (!erassa) {
        alku = rivinLoppu;
      }
      katsottu = rivinLoppu;
      if (!lf) break;
    }
    if (eof) {
      if (erassa && alku < loppu) lisaa(polku, p + alku, loppu - alku);
      alku = loppu;
    }
  }
  ::close(fd);
  return 0;
}
