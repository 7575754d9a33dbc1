#!/usr/bin/env bash
# Checks the Debian package the way a user meets it: lintian, the menu entries
# and the AppStream files validated, then the package installed with apt-get,
# each program run from /usr/bin (its version, one batch job on the installed
# examples, its window rendered offscreen), and the package removed again.
# Usage: scripts/check-package.sh [BUILD_DIR]   (after `make package`)
# Needs root or sudo: it installs and removes the package on this machine.
set -euo pipefail
build=${1:-build/release}
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

tools=(lintian desktop-file-utils appstream)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installation des outils de contrôle : ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

shopt -s nullglob
debs=("$build"/ostrelo_*_amd64.deb)
if [ ${#debs[@]} -ne 1 ]; then
  echo "check-package: expected one ostrelo_*_amd64.deb in $build, found ${#debs[@]}" >&2
  exit 1
fi
deb=$(cd "$(dirname "${debs[0]}")" && pwd)/$(basename "${debs[0]}")
echo "== $(basename "$deb")"

echo "-- lintian"
lintian --fail-on error "$deb"

echo "-- desktop-file-validate, appstreamcli validate --no-net"
for f in packaging/applications/*.desktop; do desktop-file-validate "$f"; done
for f in packaging/metainfo/*.metainfo.xml; do appstreamcli validate --no-net --pedantic "$f" >/dev/null || appstreamcli validate --no-net "$f"; done

programs=(stelmo cadrex alyra plandor vexor)
if dpkg-query -W -f='${Status}' ostrelo 2>/dev/null | grep -q 'install ok installed'; then
  echo "check-package: ostrelo is already installed here; remove it first" >&2
  exit 1
fi
work=$(mktemp -d)
cleanup() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq ostrelo >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "-- apt-get install $(basename "$deb")"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

fail() { echo "check-package: $*" >&2; exit 1; }
for p in "${programs[@]}"; do
  [ "$(command -v "$p")" = "/usr/bin/$p" ] || fail "$p is not /usr/bin/$p"
  /usr/bin/$p --version
done
ex=/usr/share/ostrelo/examples
[ -f "$ex/naca2412.dat" ] || fail "the examples are not in $ex"

# One batch job per program, in an empty folder, on the installed examples;
# each must write the file it names.
cd "$work"
export HOME="$work" XDG_CONFIG_HOME="$work/config"
/usr/bin/stelmo --dext 80 --dint 40 --dega 12.5 --nbang 4 --nbrad 4 -o etoile.dat >/dev/null
/usr/bin/cadrex --ep-const 6 --male 2 -o couple.dat >/dev/null
/usr/bin/alyra --root "$ex/naca2412.dat" --tip "$ex/naca0012.dat" --corde-empl 280 --corde-saum 160 \
  --long 650 --nom Aile --out aile >/dev/null
/usr/bin/plandor --import "$ex/nervure.dxf" --save nervure.cmg >/dev/null
/usr/bin/plandor --export nervure.dxf "$ex/decoupe.cmg" >/dev/null
/usr/bin/vexor --simulate "$ex/decoupe.dxf" >vexor.txt
for f in etoile.dat couple.dat nervure.cmg nervure.dxf vexor.txt; do [ -s "$f" ] || fail "the batch job did not write $f"; done
ls aile/* >/dev/null 2>&1 || fail "alyra wrote no profile in aile/"
echo "batch jobs from /usr/bin: $(find . -type f -not -path './config/*' | wc -l) files written"

# Every window, rendered offscreen on a 1024x768 screen.
printf '{"screens":[{"name":"S","x":0,"y":0,"width":1024,"height":768,"logicalDpi":96,"dpr":1}]}' >screen.json
export QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json"
/usr/bin/stelmo --screenshot stelmo.png
/usr/bin/cadrex --screenshot cadrex.png
/usr/bin/alyra --screenshot alyra.png
/usr/bin/plandor --screenshot plandor.png "$ex/decoupe.cmg"
/usr/bin/vexor --screenshot vexor.png "$ex/decoupe.dxf"
for p in "${programs[@]}"; do
  size=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; print("%dx%d" % struct.unpack(">II", d[16:24]))' "$p.png") ||
    fail "$p wrote no PNG window picture"
  echo "$p --screenshot: $size"
done

cd "$top"
echo "-- apt-get remove ostrelo"
DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq ostrelo >/dev/null
for p in "${programs[@]}"; do [ ! -e "/usr/bin/$p" ] || fail "/usr/bin/$p is still there after removal"; done
echo "check-package: OK"
