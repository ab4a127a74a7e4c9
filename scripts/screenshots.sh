#!/bin/sh
# Takes the README's screenshots of the window under Xvfb: the window as it starts, with the settings
# panel shown from the menu, with an address list open, and with a skin. Needs xvfb, xdotool and imagemagick.
set -eu
program=$(realpath "$1")
out=$(realpath "${2:-docs}")
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

shoot() { # name settings-text [keys...]
    name=$1
    printf '%b' "$2" > "$work/tamcfg.dat"
    shift 2
    xvfb-run -a -s "-screen 0 640x400x24" sh -c '
        program=$0 work=$1 shot=$2
        shift 3
        "$program" --settings="$work/tamcfg.dat" & pid=$!
        sleep 2
        # The main window, not the hidden helper windows Qt makes; without a window manager it sits at the
        # screen'"'"'s corner with no frame, so the clicks below are in its own coordinates.
        window=$(xdotool search --onlyvisible --name "Tamarisk" | head -n 1)
        # Without a window manager keys cannot be sent to the window: clicks open the menus.
        for click in "$@"; do xdotool mousemove $click click 1; sleep 0.7; done
        import -window "$window" "$shot"
        kill $pid' "$program" "$work" "$out/$name.png" x "$@"
}

# A skin: a soft gradient with stripes, drawn here so that no picture needs to be shipped.
convert -size 440x420 gradient:'#f7e8ef'-'#c8dcf0' \( -size 440x420 xc:none -stroke '#ffffff80' \
    -draw "line 0,0 440,420" -draw "line 0,60 380,420" -draw "line 60,0 440,380" \) -composite "$work/sakura.bmp"

shoot window 'CHKB0:1\r\nCHKB2:0\r\nCHKB3:1\r\nCHKB4:0\r\nFSPATH:C:\\dl\r\n'
shoot settings-panel 'FSPATH:Z:\\home\\u\\dl\r\nSERVER:srv.example.jp\r\nSNUMBER:1-9\r\nSKIMEUCHI:3\r\n' "30 8" "45 32"
# The address list of a server group open for editing: "IP List" ticked on the settings panel; the list
# lies over the drive and folder lists.
shoot address-list 'FSPATH:Z:\\home\\u\\dl\r\nSERVER:srv.example.jp\r\nSNUMBER:1-9\r\nIP:mirror1.example.net\r\nIP:mirror2.example.net\r\n' "30 8" "45 32" "27 124"
shoot skinned "SKI:$work/sakura\r\nCHKB0:1\r\nCHKB5:1\r\n"
echo "screenshots in $out"
