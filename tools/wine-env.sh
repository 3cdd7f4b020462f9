# Sourced by the scripts: the Wine environment of one build folder ($BUILD_DIR/win).
# Creates the prefix once, with the font substitutes the Chinese texts need.
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
}
