#!/bin/sh
# Drives the built program in a real X server through its menu's access keys:
# copy a picture in from outside, create the page, dismiss the notice, fail to
# delete it, rename a folder above and make the path again, create the page of
# the new folder, exit. Then checks the page's bytes and the saved settings, and
# keeps screenshots in the artefact folder.
#   real-window.sh <program> <artefact folder>
set -eu
program=$1
artefacts=$2

if [ "${3:-}" != --inside ]; then
    exec xvfb-run -a -s "-noreset -screen 0 800x600x24" sh "$0" "$program" "$artefacts" --inside
fi

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/helpers.sh"

# The program in a folder of its own, with its settings beside it.
pics=$work/top/pics
mkdir -p "$work/bin" "$pics"
cp "$program" "$work/bin/zumi"
for name in a.gif 'b b.png' z.GIF 写真.png x.jpg; do
    : >"$pics/$name"
done
settings="[Software]
Version=200
[Window]
Top=100
Left=100
Splitter=145
[File]
IniDir=$pics
[Setting]
ImageBorder=0
AfterView=0
SizeFixed=1
SizeHeight=120
SizeWidth=160
Mask=*.gif;*.png
"
printf '%s' "$settings" >"$work/bin/zumi.ini"

# The program runs as a user, for whom permissions hold, as root's would not.
mkdir "$work/home"
cp "$XAUTHORITY" "$work/home/.Xauthority"
chmod 755 "$work"
chown -R nobody:nogroup "$work/bin" "$work/top" "$work/home"
cd "$work"
LC_ALL=C.UTF-8 HOME="$work/home" XAUTHORITY="$work/home/.Xauthority" \
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$work/bin/zumi" &
pid=$!

# The main window and message boxes are titled "Zumi"; an open menu is one more of the program's windows.
windows() { xdotool search --onlyvisible --name '^Zumi$' 2>/dev/null || true; }
visible() { xdotool search --onlyvisible --classname zumi 2>/dev/null || true; }
# Picks an item of the file menu by its access key, once the menu is up. There
# is no window manager, so the main window is given the focus by hand.
file_menu() {
    xdotool windowfocus --sync "$main"
    xdotool key alt+f
    wait_for '[ "$(visible | wc -l)" -ge 2 ]'
    xdotool key "$1"
}
wait_for '[ -n "$(windows)" ]'
main=$(windows | head -n 1)
# A picture copied in by another program after the start is listed without a
# key pressed, well within the second given here.
cp "$pics/a.gif" "$pics/c.gif"
sleep 1
file_menu c

wait_for '[ -f "$pics/imgindex.html" ]'
wait_for '[ "$(windows | wc -l)" -ge 2 ]'
notice=$(windows | grep -vx "$main" | head -n 1)
mkdir -p "$artefacts"
import -window root "$artefacts/real-window-notice.png"
xdotool windowfocus --sync "$notice"
xdotool key Return
wait_for '[ "$(windows | wc -l)" -eq 1 ]'
sleep 0.3
import -window root "$artefacts/real-window.png"

# The toolbar's right end, where "* " marks a folder with a page.
marker() {
    eval "$(xdotool getwindowgeometry --shell "$main")"
    import -window "$main" -crop "25x27+292+$((HEIGHT - 281 + 3))" "$1"
}
marker "$artefacts/real-window-marker.png"
[ "$(identify -format %k "$artefacts/real-window-marker.png")" -gt 1 ] || fail "no marker for the page"
# A page in a folder the user may not change cannot be deleted: the error box
# with its red stop sign, not the notice; the page and its marker stay.
chmod 555 "$pics"
file_menu d
wait_for '[ "$(windows | wc -l)" -ge 2 ]'
box=$(windows | grep -vx "$main" | head -n 1)
import -window "$box" "$artefacts/real-window-delete.png"
red=$(convert "$artefacts/real-window-delete.png" -fx 'r > 0.6 && g < 0.3 && b < 0.3' -format '%[fx:mean]' info:)
[ "$red" != 0 ] || fail "the box after a failed delete is not the error box"
xdotool windowfocus --sync "$box"
xdotool key Return
wait_for '[ "$(windows | wc -l)" -eq 1 ]'
[ -f "$pics/imgindex.html" ] || fail "the page was deleted"
sleep 0.3
marker "$work/still-marked.png"
compare -metric AE "$artefacts/real-window-marker.png" "$work/still-marked.png" null: 2>/dev/null || fail "the marker went"
chmod 755 "$pics"

# A folder above renamed and the path made again by another program: the page
# written at once lists the new folder's files, not the old one's.
mv "$work/top" "$work/top-old"
mkdir -p "$pics"
: >"$pics/new.gif"
chown -R nobody:nogroup "$work/top"
file_menu c
wait_for '[ -f "$pics/imgindex.html" ]'
wait_for '[ "$(windows | wc -l)" -ge 2 ]'
xdotool windowfocus --sync "$(windows | grep -vx "$main" | head -n 1)"
xdotool key Return
wait_for '[ "$(windows | wc -l)" -eq 1 ]'
[ "$(grep -c ALT= "$pics/imgindex.html")" -eq 1 ] && grep -q 'ALT="new.gif"' "$pics/imgindex.html" ||
    fail "the page in the folder made again does not list its own files"

file_menu x
wait_for '! kill -0 $pid 2>/dev/null'
status=0
wait "$pid" || status=$?
pid=""
[ $status -eq 0 ] || fail "the program exited with $status"

# The listed files in the locale's order, names percent-encoded in the links,
# the fixed size and no border.
line() {
    printf '<A HREF="%s"><IMG SRC="%s" ALT="%s" HEIGHT="120" WIDTH="160"></A>\r\n' "$1" "$1" "$2"
}
{
    printf '<HTML>\r\n<HEAD><TITLE>ImageIndex</TITLE></HEAD>\r\n<BODY>\r\n'
    line a.gif a.gif
    line b%20b.png 'b b.png'
    line c.gif c.gif
    line z.GIF z.GIF
    line %E5%86%99%E7%9C%9F.png 写真.png
    printf '</BODY>\r\n</HTML>\r\n'
} >"$work/expected.html"
cmp "$work/expected.html" "$work/top-old/pics/imgindex.html" || fail "the page differs from the expected bytes"

# Every setting saved as it was loaded; the window did not move.
printf '%s' "$settings" >"$work/expected.ini"
diff "$work/expected.ini" "$work/bin/zumi.ini" || fail "the settings were not saved as loaded"
echo "page and settings as expected; screenshots in $artefacts"
