#!/usr/bin/env bash
# tools/fresh-check.sh [12|13]: proves that ./dev test passes on a fresh machine.
#
# Makes a minimal Debian root (12 bookworm by default, or 13 trixie) with
# mmdebstrap (--variant=minbase plus git, ca-certificates and sudo, nothing
# else), clones the committed HEAD of this repository into it and runs ./dev
# test there as root, in a mount namespace of its own (so its /proc and /dev
# mounts end with it). CI is passed on when set (CI=true: warnings are errors
# and the sanitizer pass runs). Needs root, the Debian mirror and a few GiB
# under TMPDIR (default /var/tmp). The root is removed afterwards when the
# check passes and kept for a look when it fails.
set -euo pipefail

release=12
if (($#)); then
  case $1 in
    -h | --help)
      sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    12 | 13) release=$1 ;;
    *)
      echo "fresh-check: the Debian release is 12 or 13, not '$1'" >&2
      exit 2
      ;;
  esac
  if (($# > 1)); then
    echo "fresh-check: takes one argument, the Debian release (12 or 13)" >&2
    exit 2
  fi
fi
suite=bookworm
[[ $release == 13 ]] && suite=trixie
if [[ $(id -u) != 0 ]]; then
  echo "fresh-check: must run as root (mmdebstrap, chroot and mounts)" >&2
  exit 1
fi
if ! command -v mmdebstrap >/dev/null; then
  if ! command -v apt-get >/dev/null; then
    echo "fresh-check: needs mmdebstrap, which only a Debian system can install here" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap
fi

REPO=$(cd "$(dirname "$0")/.." && pwd)
HEAD=$(git -C "$REPO" rev-parse HEAD)
WORK=$(mktemp -d "${TMPDIR:-/var/tmp}/brenvoss-fresh.XXXXXX")
CHROOT=$WORK/root
started=$(date +%s)

echo "fresh-check: making a minimal Debian $release ($suite) root in $CHROOT"
mmdebstrap --quiet --variant=minbase --include=git,ca-certificates,sudo "$suite" "$CHROOT"
# What every installed Debian system has and a bare root lacks: a name
# server, and "localhost" in /etc/hosts (the TLS tests connect by that name).
cp /etc/resolv.conf "$CHROOT/etc/resolv.conf"
printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$CHROOT/etc/hosts"
made=$(date +%s)

git clone --quiet --no-local "$REPO" "$CHROOT/src/brenvoss-installer"
git -C "$CHROOT/src/brenvoss-installer" checkout --quiet --detach "$HEAD"
echo "fresh-check: running ${CI:+CI=$CI }./dev test on $HEAD"

status=0
# shellcheck disable=SC2016 # expanded by the inner shell
unshare --mount --pid --fork --propagation private bash -c '
  set -e
  root=$1
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount -t sysfs sysfs "$root/sys"
  exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="$2" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /src/brenvoss-installer && ./dev test"
' fresh-check "$CHROOT" "${CI:-}" || status=$?
finished=$(date +%s)

printf 'fresh-check: Debian %s, %s: root made in %d s, ./dev test took %d s, %d s in all\n' \
  "$release" "$HEAD" $((made - started)) $((finished - made)) $((finished - started))
if ((status != 0)); then
  echo "fresh-check: FAILED (exit $status); the root is kept in $CHROOT" >&2
  exit 1
fi
rm -rf --one-file-system "$WORK"
echo "fresh-check: passed"
