# Sourced by the scripts that run Windows programs under Wine: wine_prefix <dir> sets $wine and
# $wineserver and a prefix of our own in <dir>/wineprefix, quiet and without dialogs, Mono or
# Gecko downloads; it creates the prefix on first use.
wine_prefix() {
  wine="$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)"
  wineserver="$(command -v wineserver || echo /usr/lib/wine/wineserver64)"
  export WINEPREFIX="$PWD/$1/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$1"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    timeout 300 "$wine" wineboot -i >/dev/null 2>&1
    # Report Windows 10, as a supported system does (a new Wine 8 prefix says Windows 7).
    timeout 120 "$wine" winecfg -v win10 >/dev/null 2>&1
    # A volume label on C: (Wine keeps it in this file) for the volume-name buffer cases.
    printf 'TESSALINE\n' >"$WINEPREFIX/drive_c/.windows-label"
    # A crashing program ends instead of waiting behind Wine's crash dialog.
    timeout 60 "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # The prefix's services read labels when they start: a fresh start sees it.
    timeout 30 "$wineserver" -k 2>/dev/null || true
  fi
  # A drive A: as well, so that the platform contract sees the whole alphabet scanned.
  [ -e "$WINEPREFIX/dosdevices/a:" ] || ln -s ../drive_c "$WINEPREFIX/dosdevices/a:"
}
