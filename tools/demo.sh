#!/usr/bin/env bash
# tools/demo.sh BUILD_DIR [--fresh] [--signed]
#
# Runs the built installer against the demo vendor server on a simulated Mac:
#   - starts brenvoss-vendor-server on a free port, with the demo vendor tree
#     generated for that port into BUILD_DIR/demo/vendor (stopped on exit);
#   - lays out the simulated Mac at <repo>/demo-mac with the demo plugins
#     (kept between runs; --fresh starts it anew);
#   - makes BUILD_DIR/demo/Brenvoss Installer.app, a copy of the built bundle
#     whose Info.plist points at the demo server;
#   - with --signed, signs both catalogues with a new key (brenvoss-publish
#     keygen and sign, the key in BUILD_DIR/demo/signing) and puts the public
#     key into the copy's Info.plist as BrenvossCatalogueKey;
#   - runs it, or, without a display, the screenshot tour (whose own window
#     is not keyed: --signed then also checks the signed server with
#     brenvoss-publish check --key --online).
set -euo pipefail

usage() {
  echo "usage: $0 BUILD_DIR [--fresh] [--signed]" >&2
  exit 2
}
[[ $# -ge 1 ]] || usage
BUILD=$(cd "$1" && pwd)
FRESH=()
SIGNED=0
for argument in "${@:2}"; do
  case $argument in
    --fresh) FRESH=(--fresh) ;;
    --signed) SIGNED=1 ;;
    *)
      echo "demo: '$argument' is not an argument of demo; --fresh and --signed are" >&2
      exit 2
      ;;
  esac
done
REPO=$(cd "$(dirname "$0")/.." && pwd)
DEMO=$BUILD/demo
MAC=$REPO/demo-mac
DEMO_HOME=$MAC/Users/demo
SERVER_BIN=$BUILD/tools/vendorserver/brenvoss-vendor-server
SIMMAC_BIN=$BUILD/tools/simmac/brenvoss-simmac
TOUR_BIN=$BUILD/tools/tour/brenvoss-tour
PUBLISH_BIN=$BUILD/publish/brenvoss-publish
BUILT_BUNDLE="$BUILD/Brenvoss Installer.app"
DEMO_BUNDLE="$DEMO/Brenvoss Installer.app"

for program in "$SERVER_BIN" "$SIMMAC_BIN"; do
  [[ -x $program ]] || { echo "demo: $program is missing; build first (./dev build)" >&2; exit 1; }
done
mkdir -p "$DEMO"

# The vendor server, for as long as this script runs.
SERVER_LOG=$DEMO/vendor-server.log
"$SERVER_BIN" --demo "$DEMO/vendor" --port 0 >"$SERVER_LOG" 2>&1 &
SERVER_PID=$!
APP_PID=
cleanup() {
  for pid in $APP_PID $SERVER_PID; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
BASE_URL=
for _ in $(seq 1 150); do
  BASE_URL=$(sed -n 's/^listening on //p' "$SERVER_LOG")
  [[ -n $BASE_URL ]] && break
  kill -0 "$SERVER_PID" 2>/dev/null || break
  sleep 0.1
done
if [[ -z $BASE_URL ]]; then
  echo "demo: the vendor server did not start:" >&2
  cat "$SERVER_LOG" >&2
  exit 1
fi
MANIFEST_BASE_URL=$BASE_URL/downloads/tesselar/manifests
echo "demo: vendor server at $BASE_URL (pid $SERVER_PID)"

CATALOGUE_KEY=
if ((SIGNED)); then
  [[ -x $PUBLISH_BIN ]] || { echo "demo: $PUBLISH_BIN is missing; build first (./dev build)" >&2; exit 1; }
  # A new key for every signed demo: the old private key file is replaced,
  # never written over (keygen refuses an existing file).
  rm -rf "$DEMO/signing"
  mkdir -m 700 "$DEMO/signing"
  CATALOGUE_KEY=$("$PUBLISH_BIN" keygen --private-key "$DEMO/signing/vendor.pem")
  for edition in Native DSP; do
    "$PUBLISH_BIN" sign "$DEMO/vendor/downloads/tesselar/manifests/$edition.json" \
      --private-key "$DEMO/signing/vendor.pem" --days 1
  done
  echo "demo: catalogues signed; BrenvossCatalogueKey is $CATALOGUE_KEY"
fi

"$SIMMAC_BIN" layout "$MAC" ${FRESH[@]+"${FRESH[@]}"} --vendor-tree "$DEMO/vendor" --home "$DEMO_HOME"

export BRENVOSS_SYSTEM_ROOT=$MAC
export BRENVOSS_DOWNLOAD_SERVER=$BASE_URL
export HOME=$DEMO_HOME

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} && $(uname -s) != Darwin ]]; then
  if [[ ! -x $TOUR_BIN ]]; then
    echo "demo: no display, and the screenshot tour ($TOUR_BIN) has not been built yet." >&2
    echo "demo: set DISPLAY to open the window instead." >&2
    exit 1
  fi
  if ((SIGNED)); then
    "$PUBLISH_BIN" check "$MANIFEST_BASE_URL/Native.json" --key "$CATALOGUE_KEY" --online --allow-http
  fi
  echo "demo: no display; taking the screenshot tour instead"
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
    "$TOUR_BIN" --output "$BUILD/screenshots" --manifest-base-url "$MANIFEST_BASE_URL"
  echo "demo: screenshots are in $BUILD/screenshots"
  exit 0
fi

# A copy of the built bundle, not links: the app reads the Info.plist next to
# the directory its executable really lives in.
EXECUTABLE=$(find "$BUILT_BUNDLE/Contents/MacOS" -maxdepth 1 -type f -perm -u+x 2>/dev/null | head -n 1)
if [[ -z $EXECUTABLE ]]; then
  echo "demo: no executable in $BUILT_BUNDLE/Contents/MacOS; build first (./dev build)" >&2
  exit 1
fi
rm -rf "$DEMO_BUNDLE"
mkdir -p "$DEMO_BUNDLE/Contents/MacOS"
cp "$EXECUTABLE" "$DEMO_BUNDLE/Contents/MacOS/"
[[ -d "$BUILT_BUNDLE/Contents/Resources" ]] && cp -R "$BUILT_BUNDLE/Contents/Resources" "$DEMO_BUNDLE/Contents/"
# The built Info.plist with the catalogue address replaced by the demo server's
# and, when signed, the key added after it.
awk -v url="$MANIFEST_BASE_URL" -v key="$CATALOGUE_KEY" '
  replace && /<string>/ {
    sub(/<string>.*<\/string>/, "<string>" url "</string>"); replace = 0; print
    if (key != "") print "\t<key>BrenvossCatalogueKey</key>\n\t<string>" key "</string>"
    next
  }
  /<key>BrenvossManifestBaseURL<\/key>/ { replace = 1 }
  { print }' "$BUILT_BUNDLE/Contents/Info.plist" >"$DEMO_BUNDLE/Contents/Info.plist"

echo "demo: running $DEMO_BUNDLE on the simulated Mac $MAC"
# In the background so a stop signal reaches this script at once (bash defers
# traps while a foreground child runs); the cleanup then ends the app too.
"$DEMO_BUNDLE/Contents/MacOS/$(basename "$EXECUTABLE")" &
APP_PID=$!
wait "$APP_PID"
