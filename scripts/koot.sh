#!/usr/bin/env bash
# Sizes of the C++ code: every file, class and function of the given files and folders, measured
# in lines from where its declaration begins to its closing brace. Those over the bounds (file
# 600, class 300, function 80) are listed and the exit status is 1; with -v everything is listed.
# The parse is lexical (comments, literals and preprocessor lines left out, braces matched), which
# is enough for this code's style; a lambda counts with the function around it.
set -uo pipefail
kaikki=0
if [[ ${1:-} == -v ]]; then kaikki=1; shift; fi
[[ $# -gt 0 ]] || { echo "käyttö: koot.sh [-v] TIEDOSTO|KANSIO..." >&2; exit 2; }
find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) | sort |
  KAIKKI=$kaikki perl -e '
use strict; use warnings;
my %raja = (tiedosto => 600, luokka => 300, funktio => 80);
my $yli = 0;
sub ilmoita {
  my ($laji, $paikka, $nimi, $n) = @_;
  my $liikaa = $n > $raja{$laji};
  $yli = 1 if $liikaa;
  printf "%s: %s%s %d riviä%s\n", $paikka, $laji, $nimi eq "" ? "" : " $nimi", $n, $liikaa ? " (yli $raja{$laji})" : ""
    if $liikaa || $ENV{KAIKKI};
}
while (my $tiedosto = <STDIN>) {
  chomp $tiedosto;
  open(my $f, "<", $tiedosto) or die "$tiedosto: $!";
  local $/; my $s = <$f>; close $f;
  my @rivit = split /\n/, $s, -1;
  pop @rivit if @rivit && $rivit[-1] eq "";
  ilmoita("tiedosto", $tiedosto, "", scalar @rivit);
  # Comments, literals and preprocessor lines become blanks; line ends stay where they were.
  my $tyhjaksi = sub { (my $t = $_[0]) =~ s/[^\n]/ /g; $t };
  $s =~ s{(//[^\n]*|/\*.*?\*/|R"(\w*)\(.*?\)\2"|"(?:\\.|[^"\\\n])*"|\x27(?:\\.|[^\x27\\\n])*\x27|^[ \t]*#(?:[^\n]*\\\n)*[^\n]*)}{$tyhjaksi->($1)}gems;
  my @pino;              # kind of each open brace: n namespace, c class, f function, b block
  my ($paa, $paaRivi) = ("", 0);
  my $rivi = 1;
  for my $c (split //, $s) {
    if ($c eq "\n") { $rivi++; $paa .= " " if $paa ne ""; next; }
    if ($c eq "{") {
      my $laji = "b";
      (my $p = $paa) =~ s/\s+/ /g;
      $p =~ s/^\s+|\s+$//g;
      my $auki = ($p =~ tr/(//) - ($p =~ tr/)//);
      if (grep { $_->[0] eq "f" || $_->[0] eq "b" } @pino or $auki > 0) {
        $laji = "b";
      } elsif ($p =~ /^(inline )?namespace\b/ || $p =~ /^extern\s*$/) {
        $laji = "n";
      } elsif ($p =~ /^(template ?<.*?> ?)?(class|struct|union)\b[^(]*$/) {
        $laji = "c";
      } elsif ($p =~ /^(enum)\b/ || $p =~ /[=\],]$/ || $p eq "") {
        $laji = "b";
      } elsif ($p =~ /\)( ?(const|noexcept|override|final|mutable|&&?))* ?(->.*)?$/ || $p =~ /\) ?(noexcept ?)?:.*$/) {
        $laji = "f";
      }
      push @pino, [$laji, $p, $paaRivi || $rivi, $paa, $paaRivi];
      ($paa, $paaRivi) = ("", 0);
      next;
    }
    if ($c eq "}") {
      my $e = pop @pino;
      if ($e && ($e->[0] eq "f" || $e->[0] eq "c")) {
        my $nimi = $e->[1];
        if ($e->[0] eq "f") { $nimi =~ s/\(.*//; $nimi =~ s/.*[ *&]//; }
        else { $nimi =~ s/^(template ?<.*?> ?)?(class|struct|union) //; $nimi =~ s/ .*//; }
        ilmoita($e->[0] eq "f" ? "funktio" : "luokka", "$tiedosto:$e->[2]", $nimi, $rivi - $e->[2] + 1);
      }
      # Braces of an initializer or a lambda outside a function (the T{0} of a default argument)
      # belong to the declaration around them.
      my $alustin = $e && $e->[0] eq "b" && !grep { $_->[0] eq "f" || $_->[0] eq "b" } @pino;
      ($paa, $paaRivi) = $alustin ? ("$e->[3]\{\}", $e->[4]) : ("", 0);
      next;
    }
    if ($c eq ";") { ($paa, $paaRivi) = ("", 0); next; }
    if ($c =~ /\S/ && $paa !~ /\S/) { $paaRivi = $rivi; }
    $paa .= $c;
  }
}
exit $yli;
'
