#include "qt/qtteksti.h"

#include "euro/teksti.h"

namespace qtpuoli {

QString qs(const std::string& ansi) {
  std::u16string u = euro::ansiUtf16(ansi);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string ansiksi(const QString& s) {
  return euro::utf16Ansi(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                             static_cast<std::size_t>(s.size())));
}

}  // namespace qtpuoli
