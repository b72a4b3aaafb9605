# The Windows installer kolvanto-<version>.msi, made with wixl in every build of the Windows
# preset. The window kolvanto.exe and its Start-menu shortcuts go in when that target exists.
kolvanto_ohjelma(WIXL wixl)
if(NOT WIXL)
  message(WARNING "wixl (msitools) puuttuu: MSI-asennuspakettia ei tehdä")
  return()
endif()

# An MSI version has at most 255 in its first field: a four-digit year would be shown modulo 256
# and compared wrongly, so the year goes in as 18.
math(EXPR _msi_vuosi "${PROJECT_VERSION_MAJOR} % 100")
set(KOLVANTO_MSI_VERSIO "${_msi_vuosi}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
math(EXPR _msi_seuraava "${PROJECT_VERSION_PATCH} + 1")
set(KOLVANTO_MSI_SEURAAVA "${_msi_vuosi}.${PROJECT_VERSION_MINOR}.${_msi_seuraava}")

# wixl takes only relative sources, from the build folder.
file(RELATIVE_PATH _msi_lahde ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
# The stripped programs that the packaging makes (cmake/paketointi.cmake).
set(MSI_CLI "paketti/kolvanto-cli.exe")
set(MSI_ESIMERKKI "${_msi_lahde}/examples/TITO.TXT")
file(RELATIVE_PATH MSI_OHJE ${CMAKE_BINARY_DIR} ${KOLVANTO_OHJE_HTML})
set(MSI_KUVAT "")
foreach(kuva ${KOLVANTO_OHJEKUVAT})
  get_filename_component(nimi ${kuva} NAME)
  string(APPEND MSI_KUVAT "              <File Id=\"${nimi}\" Name=\"${nimi}\" Source=\"${_msi_lahde}/docs/${nimi}\" KeyPath=\"no\"/>\n")
endforeach()
set(_msi_riippuvuudet riisutut ${KOLVANTO_RIISUTUT} kayttoohje)
set(MSI_IKKUNA "")
set(MSI_PIKAKUVAKKEET "")
set(MSI_IKKUNA_VIITTEET "")
if(TARGET kolvanto)
  set(MSI_IKKUNA [=[
            <Component Id="Ikkuna" Guid="{3521BCC3-4252-49D7-85C8-64602C450F58}">
              <File Id="kolvanto.exe" Name="kolvanto.exe" Source="@MSI_IKKUNA_EXE@" KeyPath="no"/>
              <RegistryValue Root="HKCU" Key="Software\Vombra\kolvanto" Name="kolvanto"
                             Type="string" Value="[INSTALLDIR]kolvanto.exe" KeyPath="yes"/>
            </Component>]=])
  string(REPLACE "@MSI_IKKUNA_EXE@" "paketti/kolvanto.exe" MSI_IKKUNA "${MSI_IKKUNA}")
  set(MSI_PIKAKUVAKKEET [=[
        <Component Id="Pikakuvakkeet" Guid="{FA458ABF-D211-4E2B-944D-6483817D7EE5}">
          <Shortcut Id="Kuvake" Name="kolvanto" Target="[INSTALLDIR]kolvanto.exe"
                    WorkingDirectory="INSTALLDIR"
                    Description="Konekielisen tiliotteen jakaminen yrityksittäin"/>
          <Shortcut Id="KuvakeAja" Name="kolvanto - paloittele heti"
                    Target="[INSTALLDIR]kolvanto.exe" Arguments="aja"
                    WorkingDirectory="INSTALLDIR"
                    Description="Paloittelee tallennetuilla asetuksilla heti"/>
          <RegistryValue Root="HKCU" Key="Software\Vombra\kolvanto" Name="pikakuvakkeet"
                         Type="integer" Value="1" KeyPath="yes"/>
        </Component>]=])
  set(MSI_IKKUNA_VIITTEET [=[
      <ComponentRef Id="Ikkuna"/>
      <ComponentRef Id="Pikakuvakkeet"/>]=])
endif()

# The executables' places are known only when the build is generated.
set(KOLVANTO_WXS ${CMAKE_BINARY_DIR}/kolvanto.wxs)
configure_file(${CMAKE_CURRENT_LIST_DIR}/kolvanto.wxs.in ${CMAKE_BINARY_DIR}/kolvanto.wxs.pohja @ONLY)
file(GENERATE OUTPUT ${KOLVANTO_WXS} INPUT ${CMAKE_BINARY_DIR}/kolvanto.wxs.pohja)

set(KOLVANTO_MSI ${CMAKE_BINARY_DIR}/kolvanto-${PROJECT_VERSION}.msi)
add_custom_command(
  OUTPUT ${KOLVANTO_MSI}
  COMMAND ${WIXL} -a x64 -D Versio=${KOLVANTO_MSI_VERSIO} -D Seuraava=${KOLVANTO_MSI_SEURAAVA} -o ${KOLVANTO_MSI} ${KOLVANTO_WXS}
  DEPENDS ${_msi_riippuvuudet} ${KOLVANTO_WXS} ${PROJECT_SOURCE_DIR}/examples/TITO.TXT
          ${KOLVANTO_OHJE_HTML} ${KOLVANTO_OHJEKUVAT}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "MSI-asennuspaketti kolvanto-${PROJECT_VERSION}.msi"
  VERBATIM)
add_custom_target(msi ALL DEPENDS ${KOLVANTO_MSI})
