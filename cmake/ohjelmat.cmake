# Outside programs are found only through scripts/ohjelmat.txt, the list that the tool check
# (scripts/tyokalut.sh) also reads, so a program cannot be added to the build and forgotten in
# the check that its package is installed.
file(STRINGS ${PROJECT_SOURCE_DIR}/scripts/ohjelmat.txt _kolvanto_ohjelmarivit REGEX "^[^#]")
set(KOLVANTO_OHJELMAT "")
foreach(_rivi ${_kolvanto_ohjelmarivit})
  string(REGEX MATCH "^[^ \t]+" _nimi "${_rivi}")
  list(APPEND KOLVANTO_OHJELMAT "${_nimi}")
endforeach()

# kolvanto_ohjelma(<muuttuja> <ohjelma> [REQUIRED])
function(kolvanto_ohjelma muuttuja ohjelma)
  if(NOT ohjelma IN_LIST KOLVANTO_OHJELMAT)
    message(FATAL_ERROR "${ohjelma} puuttuu ohjelmaluettelosta scripts/ohjelmat.txt")
  endif()
  find_program(${muuttuja} NAMES ${ohjelma} ${ARGN})
endfunction()
