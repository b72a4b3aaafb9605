// The program's printer on Windows: the system's print dialog and GDI. Text is printed line by
// line from a print position; the document goes to the printer when it is ended.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ikkunat/liittymat.h"

namespace win32puoli {

class GdiTulostin : public ikkunat::Tulostin {
 public:
  GdiTulostin() = default;
  ~GdiTulostin() override;
  GdiTulostin(const GdiTulostin&) = delete;
  GdiTulostin& operator=(const GdiTulostin&) = delete;

  void valmistele() override {}
  // The system's print dialog. True when the person cancelled it. Having no printer at all is
  // no cancel: the unit step after it finds that out and says so.
  bool valitse() override;
  // Positions are given in centimetres from here on. Takes the default printer when none was
  // chosen; throws euro::Virhe when there is no usable printer.
  void asetaSenttimetrit() override;
  // Every page, collated: what the print dialog left stands; only a printer is required.
  void asetaSivualue(int sivut) override;
  void asetaLajittelu(bool lajitellaan) override;
  void asetaKirjasin(const std::string& nimi, double pisteet) override;
  // The print position; following lines start again at this distance from the left.
  void asetaKohta(double vasemmalta, double ylhaalta) override;
  // Prints the lines of an ANSI text (CR LF, CR or LF end a line) and moves to a new line,
  // to a new page when the next line would not fit. Starts the document on first use.
  void tulosta(const std::string& teksti) override;
  // Sends the document to the printer.
  void lopetaAsiakirja() override;
  // Drops an unfinished document.
  void keskeyta() noexcept override;

  // Tests: every page goes into an enhanced metafile of the given page size (device pixels
  // of the reference device) instead of a printer.
  void metatiedostoihin(HDC viite, int leveys, int korkeus);
  const std::vector<HENHMETAFILE>& sivut() const { return sivut_; }
  void vapautaSivut() noexcept;

  // The title of the print job.
  static constexpr const wchar_t* tyonNimi = L"kolvanto";

 private:
  HDC mittaus() const { return metaviite_ ? metaviite_ : dc_; }
  double yksikko() const;
  void aloitaSivu();
  void lopetaSivu();
  void vapautaLaite() noexcept;
  void teeKirjasin();

  HDC dc_ = nullptr;          // the printer's
  HDC metaviite_ = nullptr;   // tests: the reference device of the metafiles
  HDC sivu_ = nullptr;        // where the current page is drawn
  int metaLeveys_ = 0, metaKorkeus_ = 0;
  std::vector<HENHMETAFILE> sivut_;
  bool asiakirjaAuki_ = false, senttimetrit_ = false;
  std::wstring kirjasinNimi_ = L"Arial";
  double pisteet_ = 10;
  HFONT kirjasin_ = nullptr;
  double vasen_ = 0, y_ = 0;  // device pixels
};

GdiTulostin& tulostin();

}  // namespace win32puoli
