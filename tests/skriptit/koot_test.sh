#!/usr/bin/env bash
# The size check names what is over its bound, and only that: braces in comments, texts and
# characters do not end a function early, blocks and lambdas inside one are not functions of
# their own, a namespace is no class. The folders it guards pass.
set -uo pipefail
cd "$(dirname "$0")/../.."
raapu="$(mktemp -d)"
trap 'rm -rf "$raapu"' EXIT
epaonnistui=0

# n filler lines of code
rivit() { for ((i = 0; i < $1; i++)); do echo "  x += $i;"; done; }

# A function of 80 lines in all passes, of 81 does not.
{ echo "int f(int x) {"; rivit 78; echo "}"; } >"$raapu/raja.cpp"
{ echo "int f(int x) {"; rivit 79; echo "}"; } >"$raapu/yli.cpp"
# Braces in a comment, a text and a character early on: the function still runs to its end.
{ echo "int g(int x) {  // }"; echo '  const char* s = "}}"; char c = '"'}'"';'; rivit 78; echo "}"; } >"$raapu/merkit.cpp"
# A class over its bound with access labels, members and an inline method.
{ echo "template <class T>"; echo "class K : public T {"; echo " public:"; echo "  int m() {"; echo "    int x = 0;"
  rivit 60; echo "    return x;"; echo "  }"; echo " private:"; for ((i = 0; i < 232; i++)); do echo "  int a$i{0};"; done; echo "};"; } >"$raapu/luokka.h"
# A namespace of many short functions, with blocks and a lambda in each: nothing to name.
{ echo "namespace n {"; for ((i = 0; i < 50; i++)); do
    echo "int h$i(int x) {"; echo "  if (x) {"; echo "    x++;"; echo "  }"; echo "  auto l = [&](int y) { return x + y; };"; echo "  return l(1);"; echo "}"
  done; echo "}  // namespace n"; } >"$raapu/nimiavaruus.cpp"
# A file of 601 lines.
{ rivit 601 | sed 's/^  x += \(.*\);/int v\1 = 0;/'; } >"$raapu/pitka.cpp"

# file | what the check must name ("" = passes)
tapaukset=(
  "raja.cpp|"
  "yli.cpp|funktio f 81 riviä"
  "merkit.cpp|funktio g 81 riviä"
  "luokka.h|luokka K 301 riviä"
  "nimiavaruus.cpp|"
  "pitka.cpp|tiedosto 601 riviä"
)
for t in "${tapaukset[@]}"; do
  tiedosto="${t%%|*}" odotettu="${t#*|}"
  bash scripts/koot.sh "$raapu/$tiedosto" >"$raapu/ulos" 2>&1
  koodi=$?
  if [[ -z $odotettu ]]; then
    [[ $koodi -eq 0 ]] || { echo "FAIL: $tiedosto ei mennyt läpi:"; cat "$raapu/ulos"; epaonnistui=1; }
  elif [[ $koodi -eq 0 ]] || ! grep -q "$odotettu" "$raapu/ulos"; then
    echo "FAIL: $tiedosto: odotettiin \"$odotettu\" (koodi $koodi):"
    cat "$raapu/ulos"
    epaonnistui=1
  fi
done

# The folders held to the bounds.
bash scripts/koot.sh src/split/tito || { echo "FAIL: src/split/tito ylittää rajat"; epaonnistui=1; }
exit $epaonnistui
