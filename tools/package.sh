#!/usr/bin/env bash
# tools/package.sh (./dev package [CMAKE OPTIONS]): builds what is shipped and checks it.
#
# Everywhere: a Release build in build-package/ without test hooks
# (-DBRENVOSS_TEST_HOOKS=OFF), then checks of its bundle: the Info.plist keys
# and versions a Mac needs, the icon, and that no test hook is left in the
# executable. Options are passed to CMake, e.g. -DCMAKE_OSX_ARCHITECTURES="arm64;x86_64".
# On macOS, then: macdeployqt, otool -L (nothing outside the bundle or the
# system), codesign from the inside out (hardened runtime and timestamp when signing for real), a disk
# image with an Applications link, signed, notarised and stapled when notary
# credentials are given, and codesign --verify --strict (and spctl when signed
# for real). The macOS steps have not been run: see README.md.
#
# Environment (macOS only):
#   BRENVOSS_SIGN_IDENTITY     codesign identity ("Developer ID Application: …"); ad hoc when unset
#   BRENVOSS_NOTARY_PROFILE    a notarytool keychain profile (xcrun notarytool store-credentials), or
#   BRENVOSS_NOTARY_APPLE_ID, BRENVOSS_NOTARY_TEAM_ID, BRENVOSS_NOTARY_PASSWORD (app-specific password)
#   MACDEPLOYQT                the macdeployqt to use (default: from PATH, else Qt's bin folder)
# Written for bash 3.2, the one macOS ships. Exits 1 when a check fails.
set -euo pipefail

case "${1:-}" in
  -h | --help)
    sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
esac

ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${BRENVOSS_PACKAGE_DIR:-$ROOT/build-package}
BUNDLE="$OUT/Brenvoss Installer.app"
FAILED=0

say() { echo "package: $*"; }
finding() {
  echo "package: FAILED: $*" >&2
  FAILED=1
}
stop_if_failed() {
  if [[ $FAILED != 0 ]]; then
    echo "package: stopped: a check failed" >&2
    exit 1
  fi
}

# The value CMake has cached for NAME in the package build.
cached() {
  sed -n "s/^$1:[A-Z]*=//p" "$OUT/CMakeCache.txt" | head -n 1
}

build_release() {
  local werror=OFF
  [[ -n "${CI:-}" ]] && werror=ON
  say "building what is shipped in $OUT"
  # Whatever an earlier run left in the bundle (deployed frameworks, signatures)
  # goes; configuring and building lay it out again.
  rm -rf "$BUNDLE"
  cmake -S "$ROOT" -B "$OUT" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRENVOSS_TEST_HOOKS=OFF \
    -DBRENVOSS_BUILD_TESTS=OFF -DBRENVOSS_BUILD_BENCHMARKS=OFF -DBRENVOSS_WARNINGS_AS_ERRORS=$werror "$@" >/dev/null
  cmake --build "$OUT"
}

# expect KEY TYPE VALUE: the Info.plist, as the app reads it, holds KEY with that type and value.
PLIST=
expect() {
  local found
  found=$(printf '%s\n' "$PLIST" | awk -F '\t' -v key="$1" '$1 == key { print $2 "\t" $3; exit }')
  if [[ "$found" != "$2"$'\t'"$3" ]]; then
    finding "Info.plist: $1 should be the $2 '$3', is '${found:-absent}'"
  fi
}
value_of() {
  printf '%s\n' "$PLIST" | awk -F '\t' -v key="$1" '$1 == key { print $3; exit }'
}

check_info_plist() {
  local plist="$BUNDLE/Contents/Info.plist" version build expected_build minimum url edition
  PLIST=$("$OUT/tools/plist/brenvoss-plist" "$plist") || {
    finding "$plist cannot be read"
    return
  }
  version=$(sed -n 's/^project(BrenvossInstaller VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
  minimum=$(cached CMAKE_OSX_DEPLOYMENT_TARGET)
  expect CFBundleInfoDictionaryVersion string 6.0
  expect CFBundleIdentifier string audio.brenvoss.tesselar.installer
  expect CFBundleName string "Brenvoss Installer"
  expect CFBundlePackageType string APPL
  expect CFBundleExecutable string brenvoss-installer
  expect CFBundleShortVersionString string "$version"
  expect LSMinimumSystemVersion string "$minimum"
  expect NSPrincipalClass string NSApplication
  expect NSHighResolutionCapable boolean true
  expect NSRequiresAquaSystemAppearance boolean true
  expect CFBundleIconFile string AppIcon

  # The build number: given, or the commits up to HEAD; never 0, which is
  # what a build without history gets.
  build=$(value_of CFBundleVersion)
  expected_build=$(cached BRENVOSS_BUILD_NUMBER)
  if [[ -z "$expected_build" ]]; then
    expected_build=$(git -C "$ROOT" rev-list --count HEAD 2>/dev/null || echo "a number above 0")
  fi
  if [[ "$build" == 0 ]]; then
    finding "Info.plist: CFBundleVersion is 0, as a build without git history has it: set BRENVOSS_BUILD_NUMBER"
  elif [[ "$build" != "$expected_build" ]]; then
    finding "Info.plist: CFBundleVersion should be $expected_build, is '${build:-absent}'" \
      "(configured at another commit?)"
  fi
  [[ -n "$(value_of NSHumanReadableCopyright)" ]] || finding "Info.plist: NSHumanReadableCopyright is empty or absent"
  edition=$(value_of BrenvossEdition)
  [[ "$edition" == Native || "$edition" == DSP ]] || finding "Info.plist: BrenvossEdition '$edition' is neither Native nor DSP"
  # The catalogue's digests are trusted because it came over TLS.
  url=$(value_of BrenvossManifestBaseURL)
  [[ "$url" == https://?* ]] || finding "Info.plist: BrenvossManifestBaseURL '$url' is not an https address"
  say "Info.plist: version $version ($build), macOS $minimum or later, $edition edition, catalogue $url"
}

check_icon() {
  local icon="$BUNDLE/Contents/Resources/AppIcon.png"
  [[ "$(uname -s)" == Darwin ]] && icon="$BUNDLE/Contents/Resources/AppIcon.icns"
  [[ -s "$icon" ]] || finding "no icon at $icon"
}

# No environment variable of ours is read by what is shipped: none of their
# names is in the executable, as C text or as UTF-16 (NUL bytes dropped).
check_no_test_hooks() {
  local executable="$BUNDLE/Contents/MacOS/brenvoss-installer" names utf16
  [[ -x "$executable" ]] || {
    finding "no executable at $executable"
    return
  }
  names=$(LC_ALL=C grep -a -o 'BRENVOSS_[A-Z_]*' "$executable" | sort -u | tr '\n' ' ' || true)
  # grep -c reads to the end: with -q, tr would die writing to a closed pipe
  # and pipefail would turn a find into a miss.
  utf16=$(LC_ALL=C tr -d '\000' <"$executable" | LC_ALL=C grep -a -c 'BRENVOSS_' || true)
  if [[ -z "$names" && "${utf16:-0}" != 0 ]]; then
    names="BRENVOSS_… as UTF-16 text"
  fi
  if [[ -n "$names" ]]; then
    finding "the executable still holds test hooks: $names"
  else
    say "no test hook in the executable"
  fi
}

# --- macOS only (untested: written for a Mac, never run on one) -------------

find_macdeployqt() {
  if [[ -n "${MACDEPLOYQT:-}" ]]; then
    echo "$MACDEPLOYQT"
  elif command -v macdeployqt >/dev/null; then
    command -v macdeployqt
  elif command -v qtpaths6 >/dev/null; then
    echo "$(qtpaths6 --query QT_INSTALL_BINS)/macdeployqt"
  else
    echo "$(dirname "$(cached Qt6_DIR)")/../../bin/macdeployqt"
  fi
}

# Every Mach-O file in the bundle, one per line.
mach_o_files() {
  find "$BUNDLE" -type f -print | while IFS= read -r file; do
    if file -b "$file" | grep -q 'Mach-O'; then echo "$file"; fi
  done
}

# Whether version $1 is above version $2 (numbers joined by dots).
version_above() {
  awk -v a="$1" -v b="$2" 'BEGIN {
    n = split(a, x, "."); m = split(b, y, "."); if (m > n) n = m
    for (i = 1; i <= n; i++) if (x[i] + 0 != y[i] + 0) exit !(x[i] + 0 > y[i] + 0)
    exit 1 }'
}

# Nothing may load from outside the bundle or the system: Homebrew's or
# another prefix's libraries are not on the user's Mac. Nothing may need a
# newer macOS than Info.plist promises (Homebrew builds for the Mac it runs on),
# or lack an architecture that was asked for.
check_linkage() {
  local file dependency rpath architectures wanted arch minos minimum
  wanted=$(cached CMAKE_OSX_ARCHITECTURES | tr ';' ' ')
  minimum=$(value_of LSMinimumSystemVersion)
  while IFS= read -r file; do
    minos=$(otool -l "$file" | awk '$1 == "minos" { print $2; exit }')
    if [[ -n "$minos" ]] && version_above "$minos" "$minimum"; then
      finding "$file needs macOS $minos, above LSMinimumSystemVersion $minimum"
    fi
    while IFS= read -r dependency; do
      case "$dependency" in
        @executable_path/* | @loader_path/* | @rpath/* | /System/Library/* | /usr/lib/*) ;;
        *) finding "$file loads $dependency, outside the bundle and the system" ;;
      esac
    done < <(otool -L "$file" | sed -n 's/^[[:space:]]\{1,\}\([^[:space:]].*\) (compatibility.*/\1/p')
    while IFS= read -r rpath; do
      case "$rpath" in
        @executable_path/* | @loader_path/*) ;;
        *) finding "$file searches $rpath for libraries, outside the bundle" ;;
      esac
    done < <(otool -l "$file" | awk '/cmd LC_RPATH/ { want = 1 } want && $1 == "path" { print $2; want = 0 }')
    if [[ -n "$wanted" ]]; then
      architectures=$(lipo -archs "$file")
      for arch in $wanted; do
        case " $architectures " in
          *" $arch "*) ;;
          *) finding "$file lacks $arch (has $architectures)" ;;
        esac
      done
    fi
  done < <(mach_o_files)
  # The executable is built for the macOS that Info.plist names.
  minos=$(otool -l "$BUNDLE/Contents/MacOS/brenvoss-installer" | awk '$1 == "minos" { print $2; exit }')
  if [[ "$minos" != "$minimum" && "$minos" != "$minimum.0" ]]; then
    finding "the executable is built for macOS ${minos:-?}, Info.plist says $minimum"
  fi
}

# The build's own search paths (Qt's and Homebrew's lib folders) stay in the
# executable after macdeployqt has copied the libraries in: drop them.
drop_outside_rpaths() {
  local executable="$BUNDLE/Contents/MacOS/brenvoss-installer" rpath
  while IFS= read -r rpath; do
    case "$rpath" in
      @executable_path/* | @loader_path/*) ;;
      *) install_name_tool -delete_rpath "$rpath" "$executable" ;;
    esac
  done < <(otool -l "$executable" | awk '/cmd LC_RPATH/ { want = 1 } want && $1 == "path" { print $2; want = 0 }')
}

# The hardened runtime (which notarisation requires) and a secure timestamp
# with a real identity. An ad hoc signature gets neither: it has no timestamp,
# and under the hardened runtime library validation would refuse the ad hoc
# signed Qt frameworks, which carry no team identifier.
sign() {
  local identity="$1"
  shift
  if [[ "$identity" == - ]]; then
    codesign --force --sign - "$@"
  else
    codesign --force --options runtime --timestamp --sign "$identity" "$@"
  fi
}

# Inside out: libraries and plugins, then frameworks, then the app itself.
sign_bundle() {
  local identity="$1" file
  while IFS= read -r file; do
    case "$file" in
      */Contents/MacOS/brenvoss-installer) ;;
      *.framework/*) ;;
      *) sign "$identity" "$file" ;;
    esac
  done < <(mach_o_files)
  if [[ -d "$BUNDLE/Contents/Frameworks" ]]; then
    while IFS= read -r file; do
      sign "$identity" "$file"
    done < <(find "$BUNDLE/Contents/Frameworks" -type d -name '*.framework' -prune -print)
  fi
  sign "$identity" "$BUNDLE"
  codesign --verify --strict --deep --verbose=2 "$BUNDLE" || finding "codesign --verify of the app failed"
}

notarise() {
  local image="$1" log="$OUT/notarytool.log"
  if [[ -n "${BRENVOSS_NOTARY_PROFILE:-}" ]]; then
    say "notarising with the keychain profile $BRENVOSS_NOTARY_PROFILE"
    xcrun notarytool submit "$image" --keychain-profile "$BRENVOSS_NOTARY_PROFILE" --wait >"$log" 2>&1 || true
  else
    say "notarising as $BRENVOSS_NOTARY_APPLE_ID (team $BRENVOSS_NOTARY_TEAM_ID)"
    xcrun notarytool submit "$image" --apple-id "$BRENVOSS_NOTARY_APPLE_ID" --team-id "$BRENVOSS_NOTARY_TEAM_ID" \
      --password "$BRENVOSS_NOTARY_PASSWORD" --wait >"$log" 2>&1 || true
  fi
  cat "$log"
  # Read the verdict rather than trust the exit status alone.
  if ! grep -q 'status: Accepted' "$log"; then
    finding "notarisation was not accepted (notarytool log SUBMISSION_ID shows why); see $log"
    return
  fi
  if ! { xcrun stapler staple "$image" && xcrun stapler validate "$image"; }; then
    finding "stapling the notarisation ticket failed"
  fi
}

package_mac() {
  local identity="${BRENVOSS_SIGN_IDENTITY:--}" version image staging deploy notary=no
  if [[ -n "${BRENVOSS_NOTARY_PROFILE:-}" ]] ||
    [[ -n "${BRENVOSS_NOTARY_APPLE_ID:-}" && -n "${BRENVOSS_NOTARY_TEAM_ID:-}" && -n "${BRENVOSS_NOTARY_PASSWORD:-}" ]]; then
    notary=yes
  fi
  if [[ $notary == yes && "$identity" == - ]]; then
    finding "notarisation needs a Developer ID identity in BRENVOSS_SIGN_IDENTITY, not an ad hoc signature"
    stop_if_failed
  fi

  deploy=$(find_macdeployqt)
  [[ -x "$deploy" ]] || {
    finding "macdeployqt not found (set MACDEPLOYQT)"
    stop_if_failed
  }
  say "deploying Qt into the bundle with $deploy"
  "$deploy" "$BUNDLE" -verbose=1
  drop_outside_rpaths
  check_linkage
  stop_if_failed

  if [[ "$identity" == - ]]; then say "signing ad hoc (no BRENVOSS_SIGN_IDENTITY)"; else say "signing as $identity"; fi
  sign_bundle "$identity"
  stop_if_failed

  version=$(value_of CFBundleShortVersionString)
  image="$OUT/Brenvoss-Installer-$version.dmg"
  staging="$OUT/dmg"
  rm -rf "$staging" "$image"
  mkdir -p "$staging"
  ditto "$BUNDLE" "$staging/Brenvoss Installer.app"
  ln -s /Applications "$staging/Applications"
  hdiutil create -volname "Brenvoss Installer" -srcfolder "$staging" -fs HFS+ -format UDZO -ov "$image"
  rm -rf "$staging"
  sign "$identity" "$image"
  codesign --verify --strict --verbose=2 "$image" || finding "codesign --verify of the disk image failed"
  stop_if_failed

  if [[ $notary == yes ]]; then
    notarise "$image"
    stop_if_failed
  else
    say "not notarised (no notary credentials given)"
  fi

  if [[ "$identity" != - ]]; then
    if [[ $notary == yes ]]; then
      spctl --assess --type open --context context:primary-signature --verbose=2 "$image" ||
        finding "Gatekeeper refuses the disk image"
      spctl --assess --type execute --verbose=2 "$BUNDLE" || finding "Gatekeeper refuses the app"
    else
      say "spctl, for information (Gatekeeper refuses a Developer ID app that is not notarised):"
      spctl --assess --type execute --verbose=2 "$BUNDLE" || true
    fi
  fi
  stop_if_failed
  say "disk image: $image"
}

build_release "$@"
check_info_plist
check_icon
check_no_test_hooks
stop_if_failed
if [[ "$(uname -s)" == Darwin ]]; then
  package_mac
else
  say "the bundle passed every check; the disk image, signing and notarisation need macOS: $BUNDLE"
fi
