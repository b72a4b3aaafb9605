#!/usr/bin/env bash
# The tool check: every outside program that the build, the tests and the scripts run must come
# from a package that a new machine gets by the install script alone, i.e. one named in the
# package list, one those depend on (Depends or Pre-Depends, never Recommends or Suggests), or
# one of Debian's base system (Essential or Priority: required).
#
# It reads the program list scripts/ohjelmat.txt, which CMake also reads, and adds what it finds
# run elsewhere: the shell scripts' commands, the tests' ajaOhjelma and tyokalu calls, CMake's
# find_program calls (only cmake/ohjelmat.cmake may make them). A program it cannot place is a
# failure with its name. KOLVANTO_PAKETIT names another package list (the check's own test uses
# a scratch copy with one package missing). Exit 0 when every program is placed.
set -uo pipefail
juuri="$(cd "$(dirname "$0")/.." && pwd)"
cd "$juuri"
paketit_tiedosto="${KOLVANTO_PAKETIT:-scripts/paketit.txt}"
ohjelmat_tiedosto="${KOLVANTO_OHJELMAT:-scripts/ohjelmat.txt}"

virheet=()
vika() { virheet+=("$*"); }

lue_luettelo() { sed 's/#.*//' "$1" | tr -s ' \t' '\n\n' | sed '/^$/d'; }

# ------------------------------------------------------------------ what is run
declare -A luettelossa=()
while read -r ohjelma _; do
  luettelossa[$ohjelma]=1
done < <(sed 's/#.*//; /^[[:space:]]*$/d' "$ohjelmat_tiedosto")

# CMake finds programs only through the list.
while IFS= read -r rivi; do
  vika "find_program ohjelmaluettelon ohi: $rivi (käytä kolvanto_ohjelma-funktiota, cmake/ohjelmat.cmake)"
done < <(git grep -nE '^[^#]*find_program *\(' -- '*.cmake' '*CMakeLists.txt' ':!cmake/ohjelmat.cmake' 2>/dev/null)

# The tests start programs by name through ajaOhjelma, or look them up on PATH by name (tyokalu)
# to start them by full path.
declare -A kaytetyt=()
while IFS= read -r nimi; do
  kaytetyt[$nimi]="testit"
done < <(git grep -hoE '(ajaOhjelma|tyokalu)\("[A-Za-z0-9._+-]+"' -- 'tests' 2>/dev/null | sed 's/.*("//; s/"$//')

# The shell scripts: the first word of every simple command. Builtins, keywords, the script's
# own functions, variables and the project's own files are left out.
komennot() {
  local tiedosto=$1
  local funktiot
  funktiot="$(grep -oE '^[[:space:]]*[A-Za-z_][A-Za-z0-9_]*\(\)' "$tiedosto" | tr -d ' \t()' | sort -u)"
  # Here-documents, single-quoted texts (awk and sed programs) and array values hold no
  # commands of the script's own. Whole-line comments go first: an apostrophe in one would
  # otherwise open a quote that hides the commands up to the next one.
  perl -0777 -pe 's/^[ \t]*#[^\n]*//gm; s/<<-?\s*'"'"'?(\w+)'"'"'?[^\n]*\n.*?\n\s*\1\n/\n/gs; s/'"'"'[^'"'"']*'"'"'/ /g; s/=\([^)]*\)/=/gs' "$tiedosto" |
    sed -e 's/^[[:space:]]*#.*//' -e 's/[[:space:]]#.*//' |
    sed -e 's/\$(/\n/g' -e 's/&&/\n/g' -e 's/||/\n/g' -e 's/[;|`({]/\n/g' |
    awk '
      {
        n = split($0, w, /[[:space:]]+/); i = 1
        while (i <= n && w[i] == "") i++
        # Keywords and wrappers in front of the command itself.
        while (i <= n && (w[i] ~ /^(if|then|do|else|elif|while|until|!|exec|command|time|nice|sudo|env)$/ || w[i] ~ /^[A-Za-z_][A-Za-z0-9_]*=/)) i++
        if (i <= n && w[i] == "timeout") { i++; while (i <= n && w[i] ~ /^-/) i++; i++ }
        if (i <= n) print w[i]
      }' |
    sed -E 's|^/usr/s?bin/||; s|^/s?bin/||' |
    grep -E '^[A-Za-z][A-Za-z0-9._+-]*$' |
    grep -vxF -f <(printf '%s\n' $funktiot '') |
    sort -u
}
while IFS= read -r skripti; do
  while IFS= read -r sana; do
    case "$(type -t "$sana" 2>/dev/null)" in builtin | keyword) continue ;; esac
    # A project file or a word that names nothing on this machine is not a program it runs.
    [[ -e "$sana" ]] && continue
    # A word that is no program here (a text in a command's place) is not counted; a listed
    # program that is missing still fails below.
    command -v "$sana" >/dev/null 2>&1 || continue
    [[ -n ${kaytetyt[$sana]:-} ]] || kaytetyt[$sana]="$skripti"
  done < <(komennot "$skripti")
done < <(git ls-files -- 'scripts/*.sh' 'bench/*.sh' '.ci/run' 2>/dev/null)

# ------------------------------------------------------------------ packages placed
declare -A nimetyt=()
for p in $(lue_luettelo "$paketit_tiedosto"); do nimetyt[$p]=1; done

# Installed packages with their hard dependencies and what they provide; the base system; and
# the closure of the named packages over Depends and Pre-Depends among installed packages.
declare -A perusta=() saatavilla=()
while read -r laji paketti; do
  if [[ $laji == perusta ]]; then perusta[$paketti]=1; else saatavilla[$paketti]=1; fi
done < <(dpkg-query -W -f='${Package}\t${Essential}\t${Priority}\t${Depends}, ${Pre-Depends}\t${Provides}\n' 2>/dev/null |
  awk -F'\t' -v nimetyt="${!nimetyt[*]}" '
    function nimi(x) { sub(/\(.*/, "", x); gsub(/[ \t]/, "", x); sub(/:.*/, "", x); return x }
    {
      p = $1; asennettu[p] = 1; riippuu[p] = $4
      if ($2 == "yes" || $3 == "required") print "perusta", p
      n = split($5, t, ","); for (i = 1; i <= n; i++) { v = nimi(t[i]); if (v != "" && !(v in tarjoaa)) tarjoaa[v] = p }
    }
    END {
      m = split(nimetyt, jono, " "); alku = 1
      while (alku <= m) {
        p = nimi(jono[alku++]); if (p == "" || (p in nahty)) continue
        nahty[p] = 1; print "saatavilla", p
        k = split(riippuu[p], ehdot, ",")
        for (i = 1; i <= k; i++) {
          l = split(ehdot[i], vt, "|")
          for (j = 1; j <= l; j++) {
            v = nimi(vt[j]); if (v == "") continue
            if (v in asennettu) { jono[++m] = v; break }
            if (v in tarjoaa) { jono[++m] = tarjoaa[v]; break }
          }
        }
      }
    }')

# Which package holds each program: the path it is found at, or the file an alternative or a
# link leads to; /usr/bin and /bin are one folder on a merged system. One dpkg query for all.
declare -A polut=() omistaja=()
for ohjelma in "${!luettelossa[@]}" "${!kaytetyt[@]}"; do
  polku="$(command -v "$ohjelma" 2>/dev/null)" || continue
  # A local stand-in in /usr/local (no package's) may stand before the packaged program.
  for p in "$polku" "/usr/bin/$ohjelma" "/usr/sbin/$ohjelma"; do
    [[ -e $p ]] || continue
    kohde="$(readlink -f "$p")"
    polut[$ohjelma]+=" $p $kohde ${p#/usr} ${kohde#/usr}"
  done
done
# dpkg's own file lists, read in one pass (dpkg -S per path is slow on a busy machine).
while IFS= read -r rivi; do
  lista="${rivi%%:/*}"; lista="${lista##*/}"; lista="${lista%.list}"
  omistaja[${rivi#*.list:}]="${lista%%:*}"
done < <(printf '%s\n' ${polut[@]+"${polut[@]}"} | tr ' ' '\n' | sed '/^$/d' | sort -u |
  grep -HFx -f - /var/lib/dpkg/info/*.list 2>/dev/null)
paketti_ohjelmalle() {
  local p
  for p in ${polut[$1]:-}; do
    if [[ -n ${omistaja[$p]:-} ]]; then echo "${omistaja[$p]%%,*}" | sed 's/:.*//'; return 0; fi
  done
  return 1
}

for ohjelma in "${!luettelossa[@]}"; do kaytetyt[$ohjelma]="${kaytetyt[$ohjelma]:-ohjelmaluettelo}"; done
sijoitettu=0
for ohjelma in $(printf '%s\n' "${!kaytetyt[@]}" | sort); do
  paketti="$(paketti_ohjelmalle "$ohjelma")" || {
    vika "$ohjelma: ei löydy tältä koneelta tai mistään paketista (${kaytetyt[$ohjelma]})"
    continue
  }
  if [[ -n ${perusta[$paketti]:-} ]]; then sijoitettu=$((sijoitettu + 1)); continue; fi
  if [[ -z ${luettelossa[$ohjelma]:-} ]]; then
    vika "$ohjelma: ${kaytetyt[$ohjelma]} ajaa sitä, mutta se puuttuu ohjelmaluettelosta $ohjelmat_tiedosto"
  fi
  if [[ -z ${saatavilla[$paketti]:-} ]]; then
    vika "$ohjelma: paketti $paketti ei ole asennuslistassa $paketit_tiedosto eikä minkään siinä nimetyn riippuvuus"
    continue
  fi
  sijoitettu=$((sijoitettu + 1))
done

if ((${#virheet[@]} > 0)); then
  printf 'tyokalut: %s\n' "${virheet[@]}" >&2
  echo "tyokalut: ${#virheet[@]} ohjelmaa tai kutsua ei voi sijoittaa asennuslistan paketteihin" >&2
  exit 1
fi
echo "tyokalut: $sijoitettu ohjelmaa, jokainen asennuslistan paketista, sen riippuvuudesta tai perusjärjestelmästä"
