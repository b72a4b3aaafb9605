# Renders the office guide from Markdown into one HTML page with cmark, at build time:
#   cmake -DCMARK=... -DLAHDE=kayttoohje.md -DKOHDE=kayttoohje.html [-DWINDOWS=ON] -P ohjesivu.cmake
# The Windows page shows the Windows screenshots, which lie beside it under their own names.
execute_process(COMMAND ${CMARK} --to html ${LAHDE}
                OUTPUT_VARIABLE runko RESULT_VARIABLE tulos)
if(NOT tulos EQUAL 0)
  message(FATAL_ERROR "cmark ei muuntanut ohjetta ${LAHDE}")
endif()
if(WINDOWS)
  string(REPLACE "src=\"frmMain.png\"" "src=\"frmMain-win32.png\"" runko "${runko}")
  string(REPLACE "src=\"frmPulma.png\"" "src=\"frmPulma-win32.png\"" runko "${runko}")
endif()
file(WRITE ${KOHDE} "<!DOCTYPE html>
<html lang=\"fi\">
<head>
<meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>kolvanto – käyttöohje</title>
<style>
body { font-family: sans-serif; max-width: 50em; margin: 1em auto; padding: 0 1em; line-height: 1.45; }
code, pre { font-family: monospace; background: #f2f2f2; }
pre { padding: 0.5em; overflow-x: auto; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 0.3em 0.5em; vertical-align: top; text-align: left; }
img { max-width: 100%; }
</style>
</head>
<body>
${runko}</body>
</html>
")
