#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it with dpkg-deb -x into a
# throw-away folder and checks it as a studio's machine would see it: the control
# fields and dependencies, the files, the desktop entry, and the installed launcher
# starting the program (offscreen) in fresh and in existing data folders.
#
#   check_package.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1
source=$2
version=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/verimond-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "== $*"; }

step "building the package"
if ! "${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack -G DEB failed"
fi
arch=$(dpkg --print-architecture)
deb="$work/out/verimond_${version}_${arch}.deb"
[ -f "$deb" ] || fail "expected $deb, cpack made: $(ls "$work/out")"

step "control fields and dependencies"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = verimond ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
echo "Depends: $depends"
# Package names, without versions and alternatives' bars.
mapfile -t depended < <(tr ',|' '\n\n' <<<"$depends" | sed -E 's/\(.*\)//; s/[[:space:]]//g' |
    sed '/^$/d' | sort -u)
depends_on() { printf '%s\n' "${depended[@]}" | grep -qx -- "$1"; }
for name in "${depended[@]}"; do
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" ||
        fail "Depends names $name, which is no package installed on the build machine"
done

owner() { # the package that holds a file on this machine (/lib and /usr/lib are one folder)
    local real candidate found
    real=$(readlink -f "$1")
    for candidate in "$1" "$real" "${1#/usr}" "${real#/usr}" "/usr$1" "/usr$real"; do
        if found=$(dpkg -S "$candidate" 2>/dev/null); then
            sed -n '1s/:.*//p' <<<"$found"
            return
        fi
    done
}

step "unpacking"
root="$work/root"
dpkg-deb -x "$deb" "$root"
bad_owners=$(dpkg-deb -c "$deb" | awk '$2 != "root/root" { print $2, $6 }')
[ -z "$bad_owners" ] || fail "files not owned by root: $bad_owners"

step "files"
launcher="$root/usr/bin/verimond"
admin="$root/usr/bin/verimond-admin"
program="$root/usr/lib/verimond/verimond"
shared="$root/usr/share/verimond"
[ -x "$launcher" ] && [ "$(head -c 2 "$launcher")" = "#!" ] || fail "launcher missing: $launcher"
sh -n "$launcher" || fail "launcher is no valid sh script"
for binary in "$program" "$admin"; do
    [ -x "$binary" ] || fail "missing: $binary"
    description=$(file -b "$binary")
    [[ $description == ELF* ]] || fail "$binary: $description"
    [[ $description == *", stripped"* ]] || fail "$binary is not stripped: $description"
done
# The resources are all of resources/ in the source tree, file for file.
diff -r "$source/resources" "$shared" || fail "share/verimond differs from resources/"
for side in 16 22 24 32 48 64 128 256 512; do
    png="$root/usr/share/icons/hicolor/${side}x${side}/apps/verimond.png"
    file -b "$png" | grep -q "^PNG image data, $side x $side," || fail "icon $png"
done
for page in verimond verimond-admin; do
    man="$root/usr/share/man/man1/$page.1.gz"
    zcat "$man" >"$work/$page.1" || fail "manual page $man"
    grep -q "^\.TH ${page^^} 1 " "$work/$page.1" || fail "manual page $man has no title line"
done
grep -q '^verimond\\-admin init' "$work/verimond-admin.1" ||
    fail "verimond-admin.1 does not list the commands"

step "dependencies cover what the binaries link and load"
# Every library the binaries link directly comes from a package they depend on ...
"$(command -v ldconfig || echo /sbin/ldconfig)" -p >"$work/libraries"
for binary in "$program" "$admin"; do
    while read -r soname; do
        path=$(awk -v so="$soname" '$1 == so && /x86-64|64bit/ { print $NF; exit }' "$work/libraries")
        [ -n "$path" ] || path=$(awk -v so="$soname" '$1 == so { print $NF; exit }' "$work/libraries")
        [ -n "$path" ] || fail "$binary links $soname, which this machine lacks"
        package=$(owner "$path")
        depends_on "$package" || fail "$binary links $soname of $package, not in Depends"
    done < <(objdump -p "$binary" | awk '$1 == "NEEDED" { print $2 }')
done
# ... and so do the Qt plugins the program loads (the SQLite and PostgreSQL drivers, the
# X11 platform, the JPEG and GIF readers) and the font of the Chinese texts.
for plugin in sqldrivers/libqsqlite.so sqldrivers/libqsqlpsql.so platforms/libqxcb.so \
    imageformats/libqjpeg.so imageformats/libqgif.so; do
    found=$(find /usr/lib -path "*/qt6/plugins/$plugin" | head -n1)
    [ -n "$found" ] || fail "no Qt plugin $plugin on this machine"
    depends_on "$(owner "$found")" || fail "Depends lacks $(owner "$found"), which holds $plugin"
done
# Qt's own texts in Chinese.
translation=$(find /usr/share/qt6/translations /usr/lib -name qtbase_zh_CN.qm 2>/dev/null | head -n1)
[ -n "$translation" ] || fail "no qtbase_zh_CN.qm on this machine"
depends_on "$(owner "$translation")" || fail "Depends lacks $(owner "$translation"), which holds $translation"
font=$(fc-match -f '%{file}' 'Noto Sans CJK SC:lang=zh-cn')
[[ $font == *CJK* ]] || fail "fc-match found no CJK font here: $font"
depends_on "$(owner "$font")" || fail "Depends lacks $(owner "$font") (the Chinese font)"
font=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei:lang=zh-cn')
[[ $font == *wqy* ]] || fail "fc-match found no WenQuanYi font here: $font"
depends_on "$(owner "$font")" || fail "Depends lacks $(owner "$font") (the printed list's font)"

step "desktop entry"
entry="$root/usr/share/applications/verimond.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
key() { sed -n "s/^$1=//p" "$entry"; }
[ -n "$(key 'Name\[zh_CN\]')" ] || fail "no Chinese name"
key Name | grep -q '^[ -~]\+$' || fail "no English name: $(key Name)"
[[ $(key Categories) == *Graphics\;* && $(key Categories) == *Photography\;* ]] ||
    fail "Categories: $(key Categories)"
[ "$(key Icon)" = verimond ] || fail "Icon: $(key Icon)"
[ -x "$root/usr/bin/$(key Exec | cut -d' ' -f1)" ] || fail "Exec names no installed command: $(key Exec)"

step "verimond-admin --help"
help=$("$admin" --help) || fail "verimond-admin --help did not exit 0"
grep -q "verimond-admin init" <<<"$help" || fail "--help lists no commands: $help"

# Starts the installed launcher once: start FOLDER [VAR=VALUE ...]; the program closes
# itself after its first show. The output is left in $shown.
start() {
    local folder=$1
    shift
    shown=$(cd "$folder" && env "$@" VERIMOND_QUIT_AFTER_SHOW=1 QT_QPA_PLATFORM=offscreen \
        timeout 60 "$launcher" 2>"$work/stderr") || {
        cat "$work/stderr" >&2
        fail "the launcher failed in $folder with $*"
    }
}
expect_shown() { # expect_shown FOLDER CUSTOMERS
    [ "$shown" = "verimond: shown in $(readlink -f "$1"), customers: $2" ] ||
        fail "expected the workspace in $1 with $2 customers, got: $shown"
}
query() { sqlite3 "$1" "$2"; }

mkdir -p "$work/elsewhere" "$work/ref"
"$admin" init "$work/ref" >/dev/null
albums=$(query "$work/ref/function.dll" "select xcmc from xclib order by id")
[ -n "$albums" ] || fail "verimond-admin init made no default albums"

step "first start with a fresh VERIMOND_HOME"
home="$work/影楼 数据/studio"
start "$work/elsewhere" VERIMOND_HOME="$home"
expect_shown "$home" 0
db="$home/function.dll"
[ -f "$db" ] || fail "no database in $home"
[ "$(query "$db" "pragma application_id")" = "$(query "$work/ref/function.dll" "pragma application_id")" ] ||
    fail "the database lacks the program's mark"
[ "$(query "$db" "pragma integrity_check")" = ok ] || fail "the database is damaged"
[ "$(query "$db" "select count(*) from customer")" = 0 ] || fail "the new database holds customers"
[ "$(query "$db" "select xcmc from xclib order by id")" = "$albums" ] || fail "default albums differ"
while read -r file; do
    cmp -s "$shared/$file" "$home/$file" || fail "$file was not copied into the data folder"
done < <(cd "$shared" && find . -type f)
leftovers=$(find "$home" -maxdepth 1 -name '.function.dll.*')
[ -z "$leftovers" ] || fail "left behind: $leftovers"
[ ! -e "$work/elsewhere/function.dll" ] || fail "a database appeared in the folder started from"

step "a later start keeps the data and puts back a missing picture"
query "$db" "insert into xclib(xcmc) values('样片标记')"
rm "$home/icon/ztflag.bmp"
start "$work/elsewhere" VERIMOND_HOME="$home"
expect_shown "$home" 0
[ "$(query "$db" "select count(*) from xclib where xcmc='样片标记'")" = 1 ] ||
    fail "a later start replaced the database"
cmp -s "$shared/icon/ztflag.bmp" "$home/icon/ztflag.bmp" || fail "the missing picture was not put back"

step "a new version refreshes the pictures and pages, not the database"
echo "0.1" >"$home/.verimond-version"
echo "old" >"$home/help.html"
start "$work/elsewhere" VERIMOND_HOME="$home"
expect_shown "$home" 0
cmp -s "$shared/help.html" "$home/help.html" || fail "the old help page was kept"
[ "$(query "$db" "select count(*) from xclib where xcmc='样片标记'")" = 1 ] ||
    fail "refreshing the resources touched the database"

step "started from a folder with a function.dll, it runs there"
runtime="$work/runtime"
mkdir -p "$runtime"
cp -R "$shared/." "$runtime/"
"$admin" init "$runtime" >/dev/null
query "$runtime/function.dll" "insert into customer(customername) values('陈女士')"
start "$runtime" VERIMOND_HOME="$work/unused"
expect_shown "$runtime" 1
[ ! -e "$work/unused" ] || fail "a data folder was made although the folder held a database"

step "the installed verimond-admin makes complete runtime folders from anywhere"
for made in "init 0" "demo 1"; do
    read -r command customers <<<"$made"
    made="$work/made/$command 文件夹"
    (cd "$work/elsewhere" && env -u XDG_RUNTIME_DIR TMPDIR="$work" "$admin" "$command" "$made" \
        >"$work/out.txt" 2>"$work/err.txt") || fail "verimond-admin $command failed: $(cat "$work/err.txt")"
    [ ! -s "$work/err.txt" ] || fail "verimond-admin $command printed: $(cat "$work/err.txt")"
    while read -r file; do
        cmp -s "$shared/$file" "$made/$file" || fail "verimond-admin $command did not copy $file"
    done < <(cd "$shared" && find . -type f)
    start "$made" -u XDG_RUNTIME_DIR VERIMOND_HOME="$work/unused" TMPDIR="$work"
    expect_shown "$made" "$customers"
    [ ! -s "$work/stderr" ] || fail "the program printed: $(cat "$work/stderr")"
done
[ -z "$(ls -A "$work/elsewhere")" ] || fail "left in the folder started from: $(ls -A "$work/elsewhere")"
[ ! -e "$work/unused" ] || fail "a data folder was made although the folder held a database"

# Starts the installed launcher in FOLDER for a start whose database cannot be used:
# waits until the program reports it (its error box is then up), ends it with SIGTERM as
# the session ending would, and leaves its stderr in $work/stderr.
start_refused() {
    local folder=$1 pid tries=0
    shift
    (cd "$folder" && exec env "$@" VERIMOND_QUIT_AFTER_SHOW=1 QT_QPA_PLATFORM=offscreen \
        "$launcher" >"$work/stdout" 2>"$work/stderr") &
    pid=$!
    until grep -q "数据库连结错误" "$work/stderr"; do
        kill -0 "$pid" 2>/dev/null || break
        tries=$((tries + 1))
        if [ "$tries" -gt 600 ]; then
            kill -KILL "$pid"
            fail "the program in $folder did not report its database: $(cat "$work/stderr")"
        fi
        sleep 0.1
    done
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" || fail "the program in $folder did not end on SIGTERM: $(cat "$work/stderr")"
    [ ! -s "$work/stdout" ] || fail "the workspace was shown without its database: $(cat "$work/stdout")"
}

step "a verimond.ini the program cannot read: the reason, and no function.dll beside it"
# Saved as UTF-16 by a Windows editor; the old grep of the launcher found no server in it.
refused="$work/refused"
mkdir -p "$refused"
printf '[database]\r\nengine=postgresql\r\n' | iconv -f UTF-8 -t UTF-16 >"$refused/verimond.ini"
start_refused "$work/elsewhere" VERIMOND_HOME="$refused"
[ ! -e "$refused/function.dll" ] || fail "a function.dll was made beside an unreadable verimond.ini"
grep -q "^verimond-admin: .*verimond.ini: 文件是 UTF-16 编码" "$work/stderr" ||
    fail "the launcher gave no reason: $(cat "$work/stderr")"
# A server that does not answer: the station keeps no file of its own either.
printf '[database]\nengine=postgresql\nhost=127.0.0.1\nport=1\n' >"$refused/verimond.ini"
start_refused "$work/elsewhere" VERIMOND_HOME="$refused"
[ ! -e "$refused/function.dll" ] || fail "a function.dll was made beside a server setting"
# A link to nothing in the folder started from: it runs there and says so.
dangling="$work/dangling"
mkdir -p "$dangling"
ln -s "$work/nowhere.ini" "$dangling/verimond.ini"
start_refused "$dangling" VERIMOND_HOME="$work/unused"
grep -q "nowhere.ini" "$work/stderr" || fail "no reason: $(cat "$work/stderr")"
[ ! -e "$work/unused" ] && [ ! -e "$dangling/function.dll" ] ||
    fail "a database was made for a folder with a verimond.ini link to nothing"

step "without VERIMOND_HOME: XDG_DATA_HOME, then ~/.local/share"
start "$work/elsewhere" -u VERIMOND_HOME XDG_DATA_HOME="$work/xdg" HOME="$work/home"
expect_shown "$work/xdg/verimond" 0
start "$work/elsewhere" -u VERIMOND_HOME -u XDG_DATA_HOME HOME="$work/home"
expect_shown "$work/home/.local/share/verimond" 0
# A relative XDG_DATA_HOME is to be ignored.
start "$work/elsewhere" -u VERIMOND_HOME XDG_DATA_HOME=relative HOME="$work/home"
expect_shown "$work/home/.local/share/verimond" 0
[ ! -e "$work/elsewhere/relative" ] || fail "a relative XDG_DATA_HOME was used"

step "through a link to the launcher, as from a PATH folder elsewhere"
mkdir -p "$work/bin"
ln -s "$launcher" "$work/bin/verimond"
shown=$(cd "$work/elsewhere" && VERIMOND_HOME="$work/linked" VERIMOND_QUIT_AFTER_SHOW=1 \
    QT_QPA_PLATFORM=offscreen timeout 60 "$work/bin/verimond") || fail "the linked launcher failed"
expect_shown "$work/linked" 0

step "a data folder that cannot be made is refused with a message"
touch "$work/a-file"
if (cd "$work/elsewhere" && VERIMOND_HOME="$work/a-file/studio" VERIMOND_QUIT_AFTER_SHOW=1 \
    QT_QPA_PLATFORM=offscreen timeout 60 "$launcher" >"$work/out.txt" 2>"$work/err.txt"); then
    fail "the launcher started although the data folder cannot be made"
fi
grep -q "数据文件夹" "$work/err.txt" || fail "no message: $(cat "$work/err.txt")"
[ ! -s "$work/out.txt" ] || fail "the program started: $(cat "$work/out.txt")"

echo "package checked: $(basename "$deb")"
