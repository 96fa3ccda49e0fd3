#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine; does nothing when all is there.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev valgrind python3
          mingw-w64 wine wine64 wine32:i386 xvfb xauth imagemagick procps file inotify-tools wixl msitools)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# The release build is 32-bit: running it under Wine takes Wine's 32-bit side.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Some kernels cannot run 32-bit programs, and so not Wine's 32-bit side. There qemu's user-mode
# emulation runs them, through a binfmt_misc handler. Never registered where they run natively:
# the kernel would then hand every 32-bit program to qemu.
handler=/proc/sys/fs/binfmt_misc/qemu-i386
if [ ! -e $handler ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1 && grep -qw binfmt_misc /proc/filesystems; then
  dpkg-query -W -f='${Status}' qemu-user 2>/dev/null | grep -q "install ok installed" || {
    echo "setup: installing qemu-user"
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends qemu-user >/dev/null
  }
  mountpoint -q /proc/sys/fs/binfmt_misc || $sudo mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || true
  # Debian's qemu-user-binfmt has no i386 entry on an x86-64 host; where it has one, that is taken.
  rule=$(grep -hs '^:qemu-i386:' /usr/lib/binfmt.d/qemu-i386.conf) ||
    rule=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F'
  echo "$rule" | $sudo tee /proc/sys/fs/binfmt_misc/register >/dev/null 2>&1 || true
fi
if grep -qsx enabled $handler; then
  echo "32-bit programs run here through emulation (qemu-i386): the 32-bit suite is slower."
fi
