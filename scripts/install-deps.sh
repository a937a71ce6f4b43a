#!/usr/bin/env bash
# Installs the Debian packages one of the scripts needs:
#   install-deps.sh program   building and running the program (scripts/run.sh)
#   install-deps.sh package   the same and making the Debian package (scripts/package.sh)
#   install-deps.sh tests     the same and the test suite's tools (scripts/test.sh)
# Does nothing when they are all present, so a second run costs a second.
set -euo pipefail

what=${1:-}
# The program: compiler and build tools, the libraries it links (libxlsxwriter's
# pkg-config names -lz, which its -dev package does not bring), the Qt plugins it loads,
# Qt's own Chinese texts and the fonts.
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql qt6-qpa-plugins qt6-translations-l10n
  libturbojpeg0-dev libjpeg62-turbo-dev libxlsxwriter-dev zlib1g-dev libexif-dev libsqlite3-dev libcups2-dev
  fonts-noto-cjk fonts-wqy-microhei
)
case $what in
  program) ;;
  package) packages+=(dpkg-dev fakeroot file) ;;
  tests)
    packages+=(dpkg-dev fakeroot file desktop-file-utils fontconfig
      sqlite3 xvfb xauth strace python3 python3-openpyxl poppler-utils clang-format)
    ;;
  *)
    echo "usage: install-deps.sh program|package|tests" >&2
    exit 2
    ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
# The tests start a private, throw-away PostgreSQL cluster and need only the server's
# programs (initdb, pg_ctl); a server of the machine's own is never made for them.
server_programs() { compgen -G '/usr/lib/postgresql/*/bin/pg_ctl' >/dev/null; }
need_server=no
if [ "$what" = tests ] && ! server_programs; then
  need_server=yes
fi

if ((${#missing[@]})) || [ "$need_server" = yes ]; then
  if [ "$(id -u)" -ne 0 ]; then
    [ "$need_server" = no ] || missing+=(postgresql)
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  # Another install may hold the package lock for a while; wait for it instead of failing.
  apt_get() { apt-get -o DPkg::Lock::Timeout=600 "$@"; }
  apt_get update -qq
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt_get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  if [ "$need_server" = yes ]; then
    # Installing the server package makes a "main" cluster that then runs at every boot,
    # unless postgresql-common is told not to. Clusters the machine already has are left
    # as they are.
    echo "Installing PostgreSQL's server programs, without a cluster of the machine's own"
    fresh_common=no
    if ! installed postgresql-common; then
      apt_get install -y -qq --no-install-recommends postgresql-common
      fresh_common=yes
    fi
    conf=/etc/postgresql-common/createcluster.conf
    if grep -Eq '^[[:space:]]*#?[[:space:]]*create_main_cluster[[:space:]]*=' "$conf"; then
      sed -i -E 's/^[[:space:]]*#?[[:space:]]*create_main_cluster[[:space:]]*=.*/create_main_cluster = false/' "$conf"
    else
      echo "create_main_cluster = false" >>"$conf"
    fi
    apt_get install -y -qq --no-install-recommends postgresql
    # postgresql-common enables its boot service, which starts the machine's clusters.
    # There are none; when it came with us, it stays off (pg_createcluster and
    # "systemctl enable postgresql" make this machine a database server later).
    if [ "$fresh_common" = yes ]; then
      deb-systemd-helper disable postgresql.service >/dev/null 2>&1 || true
      update-rc.d postgresql disable >/dev/null 2>&1 || true
    fi
  fi
fi
