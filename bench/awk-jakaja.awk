# The split that kolvanto-cli does with its defaults, as an awk script, for comparison:
# every batch (a T00 line and the lines up to the next one) is appended to
# TITO-<start year>-<start month>-<customer identifier>.TXT in the folder kohde.
#   LC_ALL=C awk -v kohde=OUT -f awk-jakaja.awk TITO.TXT
# Bytes in, bytes out: it needs LC_ALL=C. Lines end at CR LF only; a lone CR stays inside its
# line (kolvanto-cli ends a line there too).

BEGIN {
    RS = "\r\n"
    ORS = "\r\n"
    if (kohde == "") kohde = "."
    if (substr(kohde, length(kohde)) != "/") kohde = kohde "/"
    alkuosa = "TITO-*-?-"
    loppuosa = ".TXT"

    # Kept when the Windows-1252 upper case of the byte is one of these.
    sallitut = "ABCDEFGHIJKLMNOPQRSTUWVXYZ\305\304\3261234567890+- _.()!#$%&"
    for (i = 1; i <= length(sallitut); i++) sallittu[substr(sallitut, i, 1)] = 1
    pienet = "abcdefghijklmnopqrstuvwxyz\345\344\366"
    for (i = 1; i <= length(pienet); i++) sallittu[substr(pienet, i, 1)] = 1

    # The file system takes names in UTF-8: the only bytes over 127 a clean name can hold.
    utf8["\304"] = "\303\204"; utf8["\305"] = "\303\205"; utf8["\326"] = "\303\226"
    utf8["\344"] = "\303\244"; utf8["\345"] = "\303\245"; utf8["\366"] = "\303\266"
}

function puhdista(s,    t, i, c) {
    t = ""
    for (i = 1; i <= length(s); i++) {
        c = substr(s, i, 1)
        if (c in sallittu) t = t c
    }
    return t
}

function trimmaa(s) {
    sub(/^ +/, "", s)
    sub(/ +$/, "", s)
    return s
}

# Every occurrence, literally: gsub would read * and ? as patterns and & in the replacement.
function korvaa(s, haettava, korvaava,    t, i) {
    t = ""
    while ((i = index(s, haettava)) > 0) {
        t = t substr(s, 1, i - 1) korvaava
        s = substr(s, i + length(haettava))
    }
    return t s
}

function natiivi(s,    t, i, c) {
    t = ""
    for (i = 1; i <= length(s); i++) {
        c = substr(s, i, 1)
        t = t ((c in utf8) ? utf8[c] : c)
    }
    return t
}

substr($0, 1, 3) == "T00" {
    if (tiedosto != "") close(tiedosto)
    nimi = alkuosa puhdista(trimmaa(substr($0, 49, 17))) loppuosa
    vuosi = "20" substr($0, 27, 2)
    nimi = korvaa(nimi, "*", vuosi)
    nimi = korvaa(nimi, "?", substr($0, 29, 2))
    nimi = korvaa(nimi, "#", vuosi substr($0, 29, 4) "-20" substr($0, 33, 6))
    tiedosto = kohde natiivi(puhdista(nimi))
}

tiedosto != "" { print >> tiedosto }
