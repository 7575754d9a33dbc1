#!/usr/bin/env bash
# Runs the suite's main jobs on the bundled examples and lists what they wrote.
set -euo pipefail
build=${1:-build/release}
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/demo-out"
rm -rf "$out"
mkdir -p "$out"
cd "$out"

echo "== Stelmo : évidements en étoile de examples/etoiles.txt"
while read -r line; do
  case "$line" in ''|'#'*) continue ;; esac
  echo "-- stelmo $line"
  # shellcheck disable=SC2086
  "$top/$build/stelmo/stelmo" $line
done < "$top/examples/etoiles.txt"

echo
echo "== Cadrex : demi-couples de examples/couples.txt"
while read -r line; do
  case "$line" in ''|'#'*) continue ;; esac
  echo "-- cadrex $line"
  # shellcheck disable=SC2086
  "$top/$build/cadrex/cadrex" $line
done < "$top/examples/couples.txt"

echo
echo "== Plandor : import du dessin examples/nervure.dxf"
"$top/$build/plandor/plandor" --dump "$top/examples/nervure.dxf" > nervure.txt
grep '^POLYLINE' nervure.txt
echo "== Plandor : plan .cmg du dessin, puis découpe d'un plan relié"
"$top/$build/plandor/plandor" --import "$top/examples/nervure.dxf" --save nervure.cmg
"$top/$build/plandor/plandor" --export decoupe.dxf "$top/plandor/tests/data/plan_complet.cmg"
"$top/$build/plandor/plandor" --screenshot plandor.png --mode liaison "$top/examples/decoupe.cmg"
echo "== Plandor : dessins d'aujourd'hui (polylignes à arcs, cercles, lignes et arcs à chaîner)"
for drawing in nervure_courbes couple_courbes; do
  echo "-- plandor --import examples/$drawing.dxf --curves --save $drawing.cmg"
  "$top/$build/plandor/plandor" --import "$top/examples/$drawing.dxf" --curves --save "$drawing.cmg"
done

echo "== Plandor : planification automatique de la nervure moderne examples/nervure_courbes.dxf,"
echo "   exportée puis découpée en simulation (temps estimé aux vitesses de examples/Vexor.conf),"
echo "   et son programme G-code lu par l'interpréteur rs274 de LinuxCNC"
mkdir -p "$out/config/Ostrelo"
cp "$top/examples/Vexor.conf" "$out/config/Ostrelo/Vexor.conf"
XDG_CONFIG_HOME="$out/config" "$top/$build/plandor/plandor" --import "$top/examples/nervure_courbes.dxf" \
  --curves --auto --tabs 2 -o nervure_auto.cmg --export nervure_auto.dxf --export-gcode nervure_auto.nc
XDG_CONFIG_HOME="$out/config" "$top/$build/vexor/vexor" --simulate nervure_auto.dxf
rs274_root="$top/$build/rs274/root"
if [ ! -x "$rs274_root/usr/bin/rs274" ]; then
  echo "-- rs274 manque : téléchargement (cmake/fetch_rs274.cmake)"
  if ! cmake -DDEST="$top/$build/rs274" -P "$top/cmake/fetch_rs274.cmake"; then
    echo "L'interpréteur rs274 n'a pas pu être obtenu : le G-code n'est pas vérifié." >&2
    exit 1
  fi
fi
echo "-- rs274 -g nervure_auto.nc"
if ! LD_LIBRARY_PATH="$rs274_root/usr/lib:$rs274_root/usr/lib/x86_64-linux-gnu" \
    "$rs274_root/usr/bin/rs274" -g -t "$top/plandor/tests/interop/rs274.tbl" nervure_auto.nc \
    > nervure_auto.rs274 2>&1 || ! grep -q 'PROGRAM_END()' nervure_auto.rs274; then
  cat nervure_auto.rs274 >&2
  echo "rs274 refuse nervure_auto.nc" >&2
  exit 1
fi
echo "rs274 lit nervure_auto.nc jusqu'à la fin : $(grep -c 'STRAIGHT_FEED' nervure_auto.rs274) mouvements d'usinage," \
  "$(grep -c 'STRAIGHT_TRAVERSE' nervure_auto.rs274) déplacements rapides"

echo
echo "== Alyra : tronçon effilé, en flèche et vrillé (NACA 2412 -> NACA 0012)"
"$top/$build/alyra/alyra" --root "$top/examples/naca2412.dat" --tip "$top/examples/naca0012.dat" \
  --corde-empl 280 --corde-saum 160 --href-saum 25 --vril-saum -2 --fleche 90 --long 650 \
  --nom Aile --save-project Aile.alyra
echo "-- alyra --project Aile.alyra --out projet"
mkdir -p projet
"$top/$build/alyra/alyra" --project Aile.alyra --out projet
"$top/$build/alyra/alyra" --project Aile.alyra --screenshot alyra.png
echo "== Alyra : les 6 nervures du tronçon (coffrage 1.5 mm, deux longerons), planifiées"
echo "   par Plandor puis découpées en simulation"
"$top/$build/alyra/alyra" --project Aile.alyra --nervures 6 --coffrage 1.5 \
  --longeron dessus:25%:8:6 --longeron dessous:60:5:3 --out nervures
XDG_CONFIG_HOME="$out/config" "$top/$build/plandor/plandor" --import nervures/Aile_Nervures.dxf \
  --curves --auto -o nervures.cmg --export nervures_plan.dxf
XDG_CONFIG_HOME="$out/config" "$top/$build/vexor/vexor" --simulate nervures_plan.dxf
XDG_CONFIG_HOME="$out/config" "$top/$build/plandor/plandor" --screenshot nervures_plandor.png nervures.cmg

echo
echo "== Plandor : une planche des petits programmes, à leur taille réelle : le couple entier"
echo "   de Cadrex (demi-couple complété par symétrie), la nervure d'emplanture d'Alyra évidée"
echo "   d'une étoile de Stelmo, planifiée automatiquement puis découpée en simulation"
XDG_CONFIG_HOME="$out/config" "$top/$build/plandor/plandor" \
  --points "Couple 100 - 40 - e 6.3.dat" --size 100 --at 10,50 --mirror \
  --points projet/Aile_Empl_C277.4_H20.0_L0.0_V.1.dat --size 277.4 --at 130,40 \
  --points "Etoile 36 24 6.dat" --size 36 --at 198,48 \
  --auto -o planche.cmg --export planche.dxf --export-gcode planche.nc
XDG_CONFIG_HOME="$out/config" "$top/$build/vexor/vexor" --simulate planche.dxf

echo
echo "== Vexor : découpe simulée du plan examples/decoupe.dxf"
echo "   (machine de examples/Vexor.conf : 320 pas par mm, descente de 3 mm)"
mkdir -p "$out/config/Ostrelo"
cp "$top/examples/Vexor.conf" "$out/config/Ostrelo/Vexor.conf"
XDG_CONFIG_HOME="$out/config" "$top/$build/vexor/vexor" --simulate "$top/examples/decoupe.dxf"
XDG_CONFIG_HOME="$out/config" "$top/$build/vexor/vexor" --screenshot vexor.png --screenshot-after 3 "$top/examples/decoupe.dxf"

echo
echo "Fichiers écrits dans $out :"
ls -l "$out"
