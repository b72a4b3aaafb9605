// The Qt front's one text border: ANSI text to and from QString.
#pragma once

#include <QString>
#include <string>

namespace qtpuoli {

QString qs(const std::string& ansi);
std::string ansiksi(const QString& s);

}  // namespace qtpuoli
