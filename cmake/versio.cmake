# The version is written once, in project(): the release date as year.month.day. Everything
# that shows it is made from it here, in the forms each reader wants.
set(KOLVANTO_VERSIO ${PROJECT_VERSION})
# The window's version text: day.month.year, as the caption and the error report show it.
set(KOLVANTO_VERSIOTEKSTI "${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_MAJOR}")
# The release date in ISO 8601, for the manual pages and the AppStream release.
string(LENGTH "${PROJECT_VERSION_MINOR}" _pituus)
set(_kuukausi ${PROJECT_VERSION_MINOR})
if(_pituus EQUAL 1)
  set(_kuukausi 0${_kuukausi})
endif()
string(LENGTH "${PROJECT_VERSION_PATCH}" _pituus)
set(_paiva ${PROJECT_VERSION_PATCH})
if(_pituus EQUAL 1)
  set(_paiva 0${_paiva})
endif()
set(KOLVANTO_JULKAISUPAIVA "${PROJECT_VERSION_MAJOR}-${_kuukausi}-${_paiva}")

set(KOLVANTO_GENEROITU ${CMAKE_BINARY_DIR}/generoitu)
configure_file(${CMAKE_CURRENT_LIST_DIR}/kolvanto_versio.h.in ${KOLVANTO_GENEROITU}/kolvanto_versio.h @ONLY)

# The Debian changelog's date of the release (RFC 5322), its weekday by Sakamoto's method.
set(_siirrot 0 3 2 5 0 3 5 1 4 6 2 4)
set(_kuukaudet Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(_viikonpaivat Sun Mon Tue Wed Thu Fri Sat)
math(EXPR _k "${PROJECT_VERSION_MINOR} - 1")
list(GET _siirrot ${_k} _siirto)
list(GET _kuukaudet ${_k} _kuukausi)
set(_v ${PROJECT_VERSION_MAJOR})
if(PROJECT_VERSION_MINOR LESS 3)
  math(EXPR _v "${_v} - 1")
endif()
math(EXPR _vp "(${_v} + ${_v} / 4 - ${_v} / 100 + ${_v} / 400 + ${_siirto} + ${PROJECT_VERSION_PATCH}) % 7")
list(GET _viikonpaivat ${_vp} _viikonpaiva)
set(KOLVANTO_JULKAISUPAIVA_RFC
    "${_viikonpaiva}, ${PROJECT_VERSION_PATCH} ${_kuukausi} ${PROJECT_VERSION_MAJOR} 12:00:00 +0300")
