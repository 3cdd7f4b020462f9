#!/usr/bin/env bash
# Builds the DOS-stage payload: the 2.88 MB FAT12 floppy image (FILE 146), the two
# loader files (FILE 147, 148) and payload.mark, which says whether the payload is
# complete.
#
# Usage: make-payload.sh TEXT_DIR OUT_DIR [OUTSIDE_DIR]
#   TEXT_DIR     our own batch and configuration files (resources/payload)
#   OUT_DIR      receives kxdos.ima, kxldr, kxldr.mbr and payload.mark
#   OUTSIDE_DIR  the packager's folder of outside components, when there is one:
#                  floppy/        every file and folder that goes into the image root:
#                                 IO.SYS COMMAND.COM HIMEM.SYS UMBPCI.SYS XMSMAN.EXE
#                                 HDPMI32.EXE NDOS.EXE CTMOUSE.EXE SHSURDRV.EXE SM.EXE
#                                 RESTART.COM SHUTDOWN.COM FDAPM.COM ATTRIB.COM
#                                 XCOPY.EXE GHOST.EXE and the folder NLS
#                  bootsect.bin   the floppy's DOS boot sector (512 bytes)
#                  kxldr          the loader with the preset menu of TEXT_DIR/menu.lst
#                                 (plain or LZMA-compressed inside it; checked here)
#                  kxldr.mbr      the boot-sector loader that starts kxldr
#                Names are matched without regard to case.
#
# Without every outside component the build still succeeds: the image holds what
# there is, the loaders are small placeholders, and payload.mark says "incomplete",
# so the program refuses to stage a DOS stage that could not boot.
set -euo pipefail
text=$1 out=$2 outside=${3:-}

floppy_required=(IO.SYS COMMAND.COM HIMEM.SYS UMBPCI.SYS XMSMAN.EXE HDPMI32.EXE NDOS.EXE
                 CTMOUSE.EXE SHSURDRV.EXE SM.EXE RESTART.COM SHUTDOWN.COM FDAPM.COM
                 ATTRIB.COM XCOPY.EXE GHOST.EXE NLS)
ours=(CONFIG.SYS MSDOS.SYS AUTOEXEC.BAT BATCH.BAT S.BAT)

export MTOOLS_SKIP_CHECK=1 MTOOLS_NO_VFAT=1

# The path of NAME inside DIR, whatever its case; empty when absent.
find_item() {
  local dir=$1 name=$2
  [ -n "$dir" ] && [ -d "$dir" ] || return 0
  find "$dir" -mindepth 1 -maxdepth 1 -iname "$name" -print -quit
}

mkdir -p "$out"
work=$(mktemp -d "$out/.payload.XXXXXX")
trap 'rm -rf "$work"' EXIT

missing=()
floppy_dir=$(find_item "$outside" floppy)
for name in "${floppy_required[@]}"; do
  [ -n "$(find_item "$floppy_dir" "$name")" ] || missing+=("floppy/$name")
done
bootsect=$(find_item "$outside" bootsect.bin)
loader=$(find_item "$outside" kxldr)
loader_mbr=$(find_item "$outside" kxldr.mbr)
[ -n "$bootsect" ] || missing+=(bootsect.bin)
[ -n "$loader" ] || missing+=(kxldr)
[ -n "$loader_mbr" ] || missing+=(kxldr.mbr)
if [ -n "$bootsect" ] && [ "$(stat -c %s "$bootsect")" != 512 ]; then
  echo "make-payload: $bootsect is not 512 bytes" >&2
  exit 1
fi
# The loader keeps its preset menu compressed, so only here, with the menu unpacked, can
# it be told that the loader boots kxdos.ima the way the batches expect.
if [ -n "$loader" ]; then
  if ! menu=$("$(dirname "$0")/loader-menu.py" "$loader"); then
    echo "make-payload: $loader carries no preset menu" >&2
    exit 1
  fi
  while IFS= read -r line; do
    line=${line%$'\r'}
    [ -z "$line" ] && continue
    if ! grep -qxF -- "$line" <<<"${menu//$'\r'/}"; then
      echo "make-payload: the preset menu of $loader lacks the line: $line" >&2
      exit 1
    fi
  done < "$text/menu.lst"
fi

# 2.88 MB geometry: 80 tracks, 2 heads, 36 sectors; 2 sectors per cluster, 240 root
# entries, 9 sectors per FAT, media byte 0xF0. A fixed serial keeps builds repeatable.
image=$work/kxdos.ima
format=(mformat -C -i "$image" -f 2880 -c 2 -r 15 -N 4B584F4B -v KX_ONEKEY)
[ -n "$bootsect" ] && format+=(-B "$bootsect")
"${format[@]}" ::
[ "$(stat -c %s "$image")" = 2949120 ]

# mformat writes its own OEM name and upper-cases the label: put ours in the boot
# sector (OEM name at byte 3, label at byte 43) and in the label entry, the first
# entry of the root directory (sector 19).
printf 'OneKey  ' | dd of="$image" bs=1 seek=3 conv=notrunc status=none
printf 'KX_OneKey  ' | dd of="$image" bs=1 seek=43 conv=notrunc status=none
printf 'KX_OneKey  ' | dd of="$image" bs=1 seek=$((19 * 512)) conv=notrunc status=none

put() { mcopy -i "$image" -o -s -m "$1" "::/$2"; }
upper() { printf '%s' "$1" | tr '[:lower:]' '[:upper:]'; }

# The DOS system files first, so that they hold the first directory entries.
for name in IO.SYS COMMAND.COM; do
  item=$(find_item "$floppy_dir" "$name")
  [ -n "$item" ] && put "$item" "$name"
done
for name in "${ours[@]}"; do
  put "$text/$name" "$name"
done
if [ -n "$floppy_dir" ]; then
  while IFS= read -r -d '' item; do
    name=$(upper "$(basename "$item")")
    case " IO.SYS COMMAND.COM ${ours[*]} " in *" $name "*) continue ;; esac
    put "$item" "$name"
  done < <(find "$floppy_dir" -mindepth 1 -maxdepth 1 -print0 | sort -z)
fi
for name in IO.SYS MSDOS.SYS; do
  if mdir -i "$image" -b "::/$name" >/dev/null 2>&1; then mattrib -i "$image" +r +s +h "::/$name"; fi
done
fsck.fat -n "$image" >/dev/null

if [ -n "$loader" ]; then cp "$loader" "$work/kxldr"; else
  printf 'Placeholder: no DOS-stage loader was supplied at build time.\r\n' > "$work/kxldr"; fi
if [ -n "$loader_mbr" ]; then cp "$loader_mbr" "$work/kxldr.mbr"; else
  printf 'Placeholder: no DOS-stage boot-sector loader was supplied at build time.\r\n' > "$work/kxldr.mbr"; fi

if [ ${#missing[@]} -eq 0 ]; then
  printf 'complete' > "$work/payload.mark"
else
  printf 'incomplete' > "$work/payload.mark"
  echo "make-payload: DOS-stage payload incomplete, missing: ${missing[*]}" >&2
fi

for f in kxdos.ima kxldr kxldr.mbr payload.mark; do mv -f "$work/$f" "$out/$f"; done
