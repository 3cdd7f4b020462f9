# Sourced by the scripts: the Wine environment of one build folder ($BUILD_DIR/win).
# Creates the prefix once, with the font substitutes the Chinese texts need.
# Without BUILD_DIR, this checkout's own build folder: a prefix shared between checkouts
# would let one run's wineserver and drive letters disturb another's.
export BUILD_DIR="${BUILD_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
export WINEPREFIX="$BUILD_DIR/win/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/.rigmate-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.rigmate-ready"
  fi
  if [ ! -f "$WINEPREFIX/.rigmate-fonts" ]; then
    # The dialogs' font 宋体 from a Ming face with SimSun's metrics (6 x 12 pixels at 9 pt),
    # so that dialog units come out as on Windows: the 522-pixel banner spans the main
    # window. And Marlett, which draws the frame buttons of a virtual desktop's windows.
    local reg="$WINEPREFIX/rigmate-fonts.reg"
    { printf '\xff\xfe'
      printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"宋体"="AR PL UMing CN"\r\n"SimSun"="AR PL UMing CN"\r\n' |
        iconv -f UTF-8 -t UTF-16LE; } >"$reg"
    wine regedit /S "$reg" >/dev/null 2>&1
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    wineserver -w
    touch "$WINEPREFIX/.rigmate-fonts"
  fi
}
