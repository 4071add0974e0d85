#!/usr/bin/env bash
# Builds the Debian package build/package/telvane_<version>_<arch>.deb and checks it.
#
# A release build with Debian's hardening flags is installed into a staging folder with `cmake --install`;
# man pages (help2man from each program's --help, a hand-written page for telvane-run), copyright and
# changelog are added, the dependencies come from dpkg-shlibdeps. lintian must find no errors, and
# desktop-file-validate and appstreamcli must pass on the installed desktop entry and metainfo.
# The package version is the newest entry of packaging/deb/changelog.
# Usage: tools/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tools/setup.sh dpkg-dev lintian desktop-file-utils appstream help2man

changelog=packaging/deb/changelog
version=$(dpkg-parsechangelog -l "$changelog" -S Version)
project=$(sed -n 's/^project(Telvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ "${version%-*}" != "$project" ]; then
  echo "package.sh: $changelog is at $version, CMakeLists.txt at $project: add a changelog entry" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
out=build/package
build=$out/build
# dpkg-shlibdeps looks for the binaries of package P in debian/P below the folder it runs in.
stage=$out/debian/telvane
deb=$out/telvane_${version}_${arch}.deb
# The same date in the man pages on every run of the same version.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$changelog" -S Timestamp)
export SOURCE_DATE_EPOCH

# Debian's hardening flags, without debug info (stripped anyway); no tests or benchmarks.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cxxflags=$(echo " $cxxflags " | sed 's/ -g / /g')
cmake --preset release -B "$build" -DBUILD_TESTING=OFF -DTELVANE_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)"

umask 022
rm -rf "$out/debian" "$out/root"
DESTDIR="$root/$stage" cmake --install "$build" --prefix /usr --strip >/dev/null
strip --remove-section=.comment "$stage"/usr/bin/* # compiler versions, as Debian's own packages drop them

programs=(telvane telvane-devsim)
[ -x "$stage/usr/bin/telvane-run" ] && programs+=(telvane-run)
man="$stage/usr/share/man/man1"
mkdir -p "$man"
declare -A summary=(
  [telvane]="control communication with measuring-instrument PC software over TCP"
  [telvane-devsim]="device simulator for Telvane: plays the device software's TCP control port"
)
for program in "${programs[@]}"; do
  if [ "$program" = telvane-run ]; then
    cp resources/man/telvane-run.1 "$man/"
  else
    # --help and --version need no display, so this runs on a headless build machine too.
    help2man --no-info --section 1 --name "${summary[$program]}" --output "$man/$program.1" \
      "$stage/usr/bin/$program"
  fi
  gzip -9n "$man/$program.1"
done

doc="$stage/usr/share/doc/telvane"
mkdir -p "$doc"
cp packaging/deb/copyright "$doc/"
cp docs/jsonl-schema.md "$doc/" # the man page of telvane-run points here
gzip -9n <"$changelog" >"$doc/changelog.Debian.gz"

mkdir -p "$stage/usr/share/lintian/overrides"
cp packaging/deb/lintian-overrides "$stage/usr/share/lintian/overrides/telvane"

# dpkg-shlibdeps also wants the debian/control of a source package (a minimal one will do) and finds the
# package's root by its DEBIAN folder.
mkdir -p "$stage/DEBIAN"
printf 'Source: telvane\n\nPackage: telvane\nArchitecture: any\n' >"$out/debian/control"
binaries=()
for program in "${programs[@]}"; do binaries+=("debian/telvane/usr/bin/$program"); done
depends=$(cd "$out" && dpkg-shlibdeps -O "${binaries[@]}" | sed -n 's/^shlibs:Depends=//p')
# Loaded as plugins, so dpkg-shlibdeps cannot see them: the SVG icons.
depends="$depends, libqt6svg6"

held="The package holds the program telvane and the device simulator telvane-devsim, for trying it out
without an instrument."
[ -x "$stage/usr/bin/telvane-run" ] && held="${held%.}, and the headless runner telvane-run, which runs a
quick-dial slot of a configuration file from the command line."
held=$(printf '%s' "$held" | tr '\n' ' ' | fold -s -w 78 | sed 's/ *$//; s/^/ /' | sed ':a;N;$!ba;s/\n/\\n/g')

find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
chmod 0755 "$stage"/usr/bin/*
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/md5sums"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s|@VERSION@|$version|" -e "s|@ARCH@|$arch|" -e "s|@SIZE@|$size|" -e "s|@DEPENDS@|$depends|" \
    -e "s|@MAINTAINER@|$(dpkg-parsechangelog -l "$changelog" -S Maintainer)|" \
    -e "s|@PROGRAMS@|$held|" packaging/deb/control.in >"$stage/DEBIAN/control"
chmod 0644 "$stage/DEBIAN/control"

rm -f "$out"/telvane_*.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null

echo "Checking $deb"
lintian --fail-on error "$deb"
desktop-file-validate "$stage/usr/share/applications/telvane.desktop"
appstreamcli validate --no-net "$stage/usr/share/metainfo/de.veltrix.telvane.metainfo.xml"
echo "$deb"
